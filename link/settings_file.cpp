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

FileRefusal systemRefusal(int error)
{
    return {FileRefusal::Kind::System, error, systemReason(error)};
}

int openFlags(QIODevice::OpenMode mode, AtLink atLink)
{
    int flags = O_NONBLOCK | O_CLOEXEC | (atLink == AtLink::Refuse ? O_NOFOLLOW : 0);
    if (mode.testFlag(QIODevice::Append))
        return flags | O_WRONLY | O_APPEND | O_CREAT;
    if (mode.testFlag(QIODevice::ReadOnly) && mode.testFlag(QIODevice::WriteOnly))
        return flags | O_RDWR | O_CREAT;
    if (mode.testFlag(QIODevice::WriteOnly))
        return flags | O_WRONLY | O_CREAT | O_TRUNC;
    return flags | O_RDONLY;
}

} // namespace

QString FileRefusal::text() const
{
    switch (kind) {
    case Kind::System:
        break;
    case Kind::Folder:
        return QCoreApplication::translate("stazione::link::Files", "è una cartella");
    case Kind::Special:
        return QCoreApplication::translate("stazione::link::Files", "non è un file normale");
    }
    return reason;
}

FileOpened openRegularFile(QFile& file, const QString& path, QIODevice::OpenMode mode, AtLink atLink,
                           int permissions)
{
    file.setFileName(path);
    const int fd = ::open(QFile::encodeName(path).constData(), openFlags(mode, atLink), permissions);
    if (fd < 0)
        return {systemRefusal(errno)};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return {systemRefusal(error)};
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        const auto kind = S_ISDIR(st.st_mode) ? FileRefusal::Kind::Folder : FileRefusal::Kind::Special;
        return {FileRefusal{kind, 0, {}}};
    }
    // The non-blocking open kept a fifo from stalling; the reads and writes of a regular file
    // wait as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {FileRefusal{FileRefusal::Kind::System, 0, file.errorString()}};
    }
    return {};
}

bool openAppendFile(QFile& file, const QString& path, QString* why)
{
    constexpr QIODevice::OpenMode kAppend = QIODevice::WriteOnly | QIODevice::Append;
    auto opened = openRegularFile(file, path, kAppend, AtLink::Refuse, 0666);
    if (!opened && opened.refusal->error == ELOOP) {
        // A link in the file's place: the link goes, the file it named is left alone.
        const QByteArray name = QFile::encodeName(path);
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(name.constData()) == 0)
            opened = openRegularFile(file, path, kAppend, AtLink::Refuse, 0666);
    }
    if (!opened && why)
        *why = opened.refusal->text();
    return bool(opened);
}

std::optional<QByteArray> readSettingsFile(const QString& path)
{
    // A fifo or a device would never end; a file of megabytes is nobody's settings.
    QFile file;
    if (!openRegularFile(file, path, QIODevice::ReadOnly, AtLink::Follow) ||
        file.size() > kMaxSettingsFileBytes)
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

namespace stazione::link {

bool writeWhole(QIODevice& device, const QByteArray& bytes)
{
    const qint64 done = device.write(bytes);
    if (done == bytes.size())
        return true;
    if (done < 0)
        return false;
    return device.write(bytes.constData() + done, bytes.size() - done) == bytes.size() - done;
}

bool flushWhole(QFileDevice& file, QString* why)
{
    if (file.flush() && file.error() == QFileDevice::NoError)
        return true;
    errno = 0;
    if (file.flush() && file.error() == QFileDevice::NoError)
        return true;
    const int error = errno;
    if (why) {
        // QIODevice's own text when nothing more was said.
        const bool said = file.errorString() != QFile().errorString();
        *why = said ? file.errorString() : QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
    }
    return false;
}

} // namespace stazione::link
