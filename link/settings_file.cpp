#include "link/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stazione::link {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Takes over `fd` once it is known to be a regular file: the non-blocking open that kept a fifo
// from stalling is undone, so that reads and writes wait as usual.
bool adoptRegular(QFile& file, int fd, QIODevice::OpenMode mode, QString* why)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        if (why)
            *why = S_ISDIR(st.st_mode)
                       ? QCoreApplication::translate("stazione::link::Files", "è una cartella")
                   : st.st_mode != 0
                       ? QCoreApplication::translate("stazione::link::Files", "non è un file normale")
                       : systemReason(error);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

bool openRegularFile(QFile& file, const QString& path, QString* why)
{
    file.setFileName(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (why)
            *why = systemReason(errno);
        return false;
    }
    return adoptRegular(file, fd, QIODevice::ReadOnly, why);
}

bool openAppendFile(QFile& file, const QString& path, QString* why)
{
    file.setFileName(path);
    const QByteArray name = QFile::encodeName(path);
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(name.constData(), kFlags, 0666);
    if (fd < 0 && errno == ELOOP) {
        // A link in the file's place: the link goes, the file it named is left alone.
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(name.constData()) == 0)
            fd = ::open(name.constData(), kFlags, 0666);
    }
    if (fd < 0) {
        if (why)
            *why = systemReason(errno);
        return false;
    }
    return adoptRegular(file, fd, QIODevice::WriteOnly | QIODevice::Append, why);
}

std::optional<QByteArray> readSettingsFile(const QString& path)
{
    // A fifo or a device would never end; a file of megabytes is nobody's settings.
    QFile file;
    if (!openRegularFile(file, path) || file.size() > kMaxSettingsFileBytes)
        return std::nullopt;
    QByteArray bytes = file.read(kMaxSettingsFileBytes + 1);
    if (bytes.size() > kMaxSettingsFileBytes)
        return std::nullopt; // it grew meanwhile
    return bytes;
}

namespace {

// The process's umask, read without changing it; the usual 022 where the kernel does not say.
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    // A file of /proc tells no size: it is read whole, not up to its "end".
    if (status.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = status.read(64 * 1024).split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return static_cast<mode_t>(mask & 0777U);
            }
        }
    }
    return 022;
}

} // namespace

bool writeSettingsFile(const QString& path, const QByteArray& bytes, FileAccess access)
{
    const QFileInfo info(path);
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open())
        return false;
    // A temporary file is made for its owner alone.
    if (access == FileAccess::Shared && ::fchmod(file.handle(), mode_t{0666} & ~currentUmask()) != 0)
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.setAutoRemove(false);
    file.close();
    if (file.error() != QFileDevice::NoError) {
        file.remove();
        return false;
    }
    // rename() replaces the name itself, a link included; QFile::rename would refuse an existing name.
    const QByteArray from = QFile::encodeName(file.fileName());
    if (std::rename(from.constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(file.fileName());
        return false;
    }
    return true;
}

} // namespace stazione::link
