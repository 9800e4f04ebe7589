#include "data/safe_open.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stazione::data {

link::Status openRegularFile(QFile& file, const QString& path, QIODevice::OpenMode mode)
{
    const bool writing = mode.testFlag(QIODevice::WriteOnly);
    int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    if (writing)
        flags |= O_WRONLY | O_CREAT | (mode.testFlag(QIODevice::Append) ? O_APPEND : O_TRUNC);
    else
        flags |= O_RDONLY;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), flags, 0644);
    if (fd < 0)
        return link::Error::file(
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return link::Error::file(QStringLiteral("%1 is not a regular file.").arg(path));
    }
    // Blocking again from here: a regular file never blocks long, and QFile expects it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return link::Error::file(QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
    return {};
}

} // namespace stazione::data
