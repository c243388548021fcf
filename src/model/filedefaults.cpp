#include "filedefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return qt_error_string(error);
}

DefaultsStatus failure(const QString &path, int error)
{
    return DefaultsStatus::failed(path, errorText(error));
}

QString kindOfFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

// Why a file of this kind and size is not read, or empty when it may be.
QString refusal(const struct stat &st)
{
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is %1, not a file").arg(kindOfFile(st.st_mode));
    if (st.st_size > FileDefaults::maximumSize)
        return QStringLiteral("it is larger than %1 MB").arg(FileDefaults::maximumSize >> 20);
    return {};
}

void syncDirectory(const QByteArray &directory)
{
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// Where a write to `path` lands: the target of a symbolic link, so the link survives.
QByteArray writeTarget(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char *resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return path;
    QByteArray target(resolved);
    std::free(resolved);
    return target;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

} // namespace

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

bool FileDefaults::isTemporaryFileName(const QString &fileName)
{
    // Ours: "<name>~XXXXXX"; a key's file name never holds "~". Earlier versions saved
    // through "<key>.XXXXXX", and every key ends in ".v1".
    static const QRegularExpression temporary(
        QStringLiteral("^(?:[^~]+~|.+\\.v1\\.)[A-Za-z0-9]{6}$"));
    return temporary.match(fileName).hasMatch();
}

QString FileDefaults::pathForKey(const QString &key) const
{
    return m_directory + QLatin1Char('/') + fileNameForKey(key);
}

DefaultsStatus FileDefaults::tidy()
{
    const QByteArray dir = QFile::encodeName(m_directory);
    struct stat st;
    if (::stat(dir.constData(), &st) != 0)
        return errno == ENOENT ? DefaultsStatus::ok() : failure(m_directory, errno);
    if (!S_ISDIR(st.st_mode))
        return DefaultsStatus::failed(m_directory, refusal(st));
    if ((st.st_mode & 07777) != 0700 && ::chmod(dir.constData(), 0700) != 0)
        return failure(m_directory, errno);

    DIR *entries = ::opendir(dir.constData());
    if (!entries)
        return failure(m_directory, errno);
    DefaultsStatus status;
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray path = dir + '/' + entry->d_name;
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (isTemporaryFileName(QFile::decodeName(entry->d_name))) {
            if (::unlink(path.constData()) != 0 && status)
                status = failure(QFile::decodeName(path), errno);
        } else if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), st.st_mode & 07700) != 0
            && status) {
            status = failure(QFile::decodeName(path), errno);
        }
    }
    ::closedir(entries);
    return status;
}

DefaultsValue FileDefaults::load(const QString &key) const
{
    const QString path = pathForKey(key);
    const QByteArray name = QFile::encodeName(path);
    // Look before opening: opening a FIFO blocks and opening a device may do anything.
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return {std::nullopt, errno == ENOENT ? DefaultsStatus::ok() : failure(path, errno)};
    if (const QString why = refusal(st); !why.isEmpty())
        return {std::nullopt, DefaultsStatus::failed(path, why)};

    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {std::nullopt, errno == ENOENT ? DefaultsStatus::ok() : failure(path, errno)};
    // The path may have been swapped between the look and the open.
    if (::fstat(fd, &st) != 0 || !refusal(st).isEmpty()) {
        const QString why = refusal(st);
        ::close(fd);
        return {std::nullopt, DefaultsStatus::failed(path, why.isEmpty() ? errorText(EIO) : why)};
    }

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return {std::nullopt, failure(path, error)};
        }
        if (n == 0)
            break;
        if (bytes.size() + n > maximumSize) {
            ::close(fd);
            st.st_size = maximumSize + 1;
            return {std::nullopt, DefaultsStatus::failed(path, refusal(st))};
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return {std::move(bytes), DefaultsStatus::ok()};
}

DefaultsStatus FileDefaults::makeDirectory() const
{
    const QFileInfo info(m_directory);
    if (!QDir().mkpath(info.absolutePath()))
        return DefaultsStatus::failed(
            info.absolutePath(), QStringLiteral("cannot create the folder"));
    // The folder holds the user's notes: private from the start.
    const QByteArray directory = QFile::encodeName(m_directory);
    if (::mkdir(directory.constData(), 0700) == 0)
        syncDirectory(parentOf(directory));
    else if (errno != EEXIST)
        return failure(m_directory, errno);
    return DefaultsStatus::ok();
}

DefaultsStatus FileDefaults::write(const QString &key, const QByteArray &value)
{
    const QString path = pathForKey(key);
    if (DefaultsStatus made = makeDirectory(); !made)
        return made;
    const QByteArray target = writeTarget(QFile::encodeName(path));
    // Like any editor, leave a file the user made read-only alone.
    if (::access(target.constData(), W_OK) != 0 && errno != ENOENT)
        return failure(path, errno);

    QByteArray temporary = target + "~XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failure(path, errno);
    // Sync the data before the rename so a crash never leaves a renamed, empty file.
    int error = 0;
    if (!writeAll(fd, value) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failure(path, error);
    }
    // Sync the directory so the rename itself survives a power cut.
    syncDirectory(parentOf(target));
    return DefaultsStatus::ok();
}

DefaultsStatus FileDefaults::rename(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(pathForKey(from));
    const QByteArray destination = QFile::encodeName(pathForKey(to));
    if (::renameat2(
            AT_FDCWD, source.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE)
        != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return failure(pathForKey(from), errno);
        // A file system without the flag: a hard link never replaces either.
        if (::link(source.constData(), destination.constData()) != 0)
            return failure(pathForKey(from), errno);
        if (::unlink(source.constData()) != 0) {
            const int error = errno;
            ::unlink(destination.constData());
            return failure(pathForKey(from), error);
        }
    }
    syncDirectory(QFile::encodeName(m_directory));
    return DefaultsStatus::ok();
}
