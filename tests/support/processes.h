#pragma once

#include <QProcess>

// Runs a helper program, set up in `process`, to completion; one that outlasts `timeoutMs`
// is killed. Its exit code, or -1 when it crashed or was killed.
inline int runProcess(
    QProcess &process, const QString &program, const QStringList &arguments, int timeoutMs)
{
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Ends a helper process politely, then for sure.
inline void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished();
    }
}
