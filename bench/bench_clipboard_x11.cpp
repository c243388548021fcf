// A huge text copied in another program while the overlay shows, on a private Xvfb: how
// long the main thread is held up until the clipboard face has it, against Qt's own
// clipboard read in the same run, and what asking again without a change costs.
#include "clipboardwidget.h"
#include "pasteboard.h"
#include "xvfbdisplay.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr qsizetype textBytes = 50'000'000;
constexpr int rounds = 5;

qint64 threadNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

bool xclipCopy(const QByteArray &data)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
            QStringLiteral("UTF8_STRING")});
    if (!xclip.waitForStarted(5000))
        return false;
    xclip.write(data);
    xclip.closeWriteChannel();
    return xclip.waitForFinished(60000) && xclip.exitCode() == 0;
}

// Runs the event loop until `done`, giving the longest turn in wall and thread CPU time.
template<typename Done> std::pair<double, double> longestTurns(Done done)
{
    double wall = 0, cpu = 0;
    QElapsedTimer timeout;
    timeout.start();
    while (!done() && timeout.elapsed() < 60000) {
        QElapsedTimer clock;
        clock.start();
        const qint64 start = threadNanoseconds();
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        wall = std::max(wall, double(clock.nsecsElapsed()) / 1e6);
        cpu = std::max(cpu, double(threadNanoseconds() - start) / 1e6);
    }
    return {wall, cpu};
}

} // namespace

int main(int argc, char **argv)
{
    XvfbDisplay display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "bench_clipboard_x11: needs Xvfb\n");
        return 1;
    }
    qputenv("DISPLAY", display.name().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);

    QByteArray data(textBytes, 'x');
    for (qsizetype i = 60; i < data.size(); i += 61)
        data[i] = '\n';

    SystemPasteboard pasteboard;
    ClipboardWidget face(&pasteboard);
    face.resize(290, 190);
    face.show();

    QList<double> qtWall, faceWall, faceCpu, arrival, again;
    for (int round = 0; round < rounds; ++round) {
        qint64 seen = pasteboard.changeCount();
        if (!xclipCopy(data))
            return 1;
        longestTurns([&] { return pasteboard.changeCount() != seen; });
        QElapsedTimer clock;
        clock.start();
        const QString read = QGuiApplication::clipboard()->mimeData()->text();
        qtWall << double(clock.nsecsElapsed()) / 1e6;
        if (read.size() != textBytes)
            return 1;

        seen = pasteboard.changeCount();
        if (!xclipCopy(data))
            return 1;
        longestTurns([&] { return pasteboard.changeCount() != seen; });
        clock.restart();
        face.poll();
        const qint64 copied = pasteboard.changeCount();
        const auto [wall, cpu] = longestTurns(
            [&] { return face.changeCount() == copied && face.text().size() == textBytes; });
        arrival << double(clock.nsecsElapsed()) / 1e6;
        faceWall << wall;
        faceCpu << cpu;

        clock.restart();
        face.refresh();
        again << double(clock.nsecsElapsed()) / 1e6;
    }
    std::printf("50 MB copied by xclip, medians of %d rounds (ms)\n", rounds);
    std::printf("  Qt's clipboard read, on the main thread:       %8.1f\n", median(qtWall));
    std::printf("  face: longest event-loop turn, wall / CPU:     %8.1f / %.1f\n", median(faceWall),
        median(faceCpu));
    std::printf("  face: copy noticed until the text is shown:    %8.1f\n", median(arrival));
    std::printf("  face: asking again without a change:           %8.3f\n", median(again));
    return 0;
}
