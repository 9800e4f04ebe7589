#include "link/port_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <unistd.h>

namespace stazione::link {

PortLock::PortLock() = default;

PortLock::~PortLock() = default;

QString PortLock::lockFolder()
{
    QString folder = qEnvironmentVariable("STAZIONE_LOCK_DIR");
    if (folder.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        folder = runtime.isEmpty() ? QDir::tempPath() + QStringLiteral("/stazione-%1").arg(::getuid())
                                   : runtime + QStringLiteral("/stazione");
    }
    return folder;
}

QString PortLock::lockFilePath(const QString& devicePath)
{
    const QFileInfo info(devicePath);
    const QString canonical = info.canonicalFilePath();
    const QString device = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    // A readable name for the operator who looks into the folder, and a hash so that two paths
    // that read alike once cleaned never share a lock.
    QString readable = device;
    for (QChar& c : readable) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    }
    const QByteArray hash =
        QCryptographicHash::hash(device.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return lockFolder() + QLatin1Char('/') + readable.right(40) + QLatin1Char('-') +
           QString::fromLatin1(hash) + QStringLiteral(".lock");
}

bool PortLock::lock(const QString& devicePath, int waitMs)
{
    unlock();
    m_holder.clear();
    QDir().mkpath(lockFolder());
    m_file = std::make_unique<QLockFile>(lockFilePath(devicePath));
    // Only a dead holder makes a lock stale: a collection may hold its modem for hours.
    m_file->setStaleLockTime(0);
    if (m_file->tryLock(waitMs))
        return true;
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_file->error() == QLockFile::LockFailedError && m_file->getLockInfo(&pid, &host, &application))
        m_holder = application.isEmpty() ? QStringLiteral("pid %1").arg(pid)
                                         : QStringLiteral("pid %1 (%2)").arg(pid).arg(application);
    else
        m_holder = QStringLiteral("%1 not writable").arg(lockFilePath(devicePath));
    m_file.reset();
    return false;
}

void PortLock::unlock()
{
    if (m_file)
        m_file->unlock();
    m_file.reset();
}

bool PortLock::isLocked() const
{
    return m_file && m_file->isLocked();
}

} // namespace stazione::link
