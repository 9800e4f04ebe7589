#include "link/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <sys/stat.h>

namespace stazione::link {

std::optional<QByteArray> readSettingsFile(const QString& path)
{
    const QFileInfo info(path);
    // A fifo or a device would never end; a file of megabytes is nobody's settings.
    if (!info.isFile() || info.size() > kMaxSettingsFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
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
