#include "autostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString fileName = QStringLiteral("corvina.desktop");

// Quoting of the Exec key: reserved characters force quotes, and inside quotes ", `, $
// and \ are escaped with a backslash.
QString execArgument(const QString &program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes = std::any_of(
        program.cbegin(), program.cend(), [](QChar c) { return reserved.contains(c); });
    QString escaped = program;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!needsQuotes)
        return escaped;
    QString quoted;
    for (QChar c : std::as_const(escaped)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The desktop file's own string escaping doubles every backslash again.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString Autostart::directory()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/autostart");
}

QByteArray Autostart::entry(const QString &program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Corvina\n"
                          "Comment=Your widgets on every screen, one key away\n"
                          "Exec=%1\n"
                          "Icon=corvina\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program))
        .toUtf8();
}

std::optional<QString> Autostart::set(bool on, const QString &directory, const QString &program)
{
    const QString path = directory + QLatin1Char('/') + fileName;
    if (!on) {
        if (QFile::exists(path) && !QFile::remove(path))
            return QStringLiteral("cannot remove %1").arg(path);
        return std::nullopt;
    }
    if (!QDir().mkpath(directory))
        return QStringLiteral("cannot create %1").arg(directory);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry(program)) < 0 || !file.commit())
        return QStringLiteral("cannot write %1").arg(path);
    return std::nullopt;
}
