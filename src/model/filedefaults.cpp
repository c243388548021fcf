#include "filedefaults.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <fcntl.h>
#include <unistd.h>

FileDefaults::FileDefaults(QString directory)
    : m_directory(std::move(directory))
{ }

QString FileDefaults::standardDirectory()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory rules say a relative value is invalid and must be ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/corvina");
}

QString FileDefaults::fileNameForKey(const QString &key)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = key.toUtf8();
    QString name;
    name.reserve(utf8.size());
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')
            || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (plain) {
            name += QLatin1Char(ch);
        } else {
            name += QLatin1Char('%');
            name += QLatin1Char(hex[c >> 4]);
            name += QLatin1Char(hex[c & 0xF]);
        }
    }
    // "." and ".." would name directories, not files.
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    return name;
}

QString FileDefaults::pathForKey(const QString &key) const
{
    return m_directory + QLatin1Char('/') + fileNameForKey(key);
}

std::optional<QByteArray> FileDefaults::read(const QString &key) const
{
    QFile file(pathForKey(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool FileDefaults::write(const QString &key, const QByteArray &value)
{
    if (!QDir().mkpath(m_directory))
        return false;
    QSaveFile file(pathForKey(key));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(value) != value.size())
        return false;
    // Sync the data before the rename so a crash never leaves a renamed, empty file.
    if (!file.flush() || ::fsync(file.handle()) != 0)
        return false;
    if (!file.commit())
        return false;
    // Sync the directory so the rename itself survives a power cut.
    const int dir = ::open(QFile::encodeName(m_directory).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
