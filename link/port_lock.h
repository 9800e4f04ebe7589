#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace stazione::link {

// An advisory lock on one serial device, shared by every program of the project: the windows, the
// command line and a night's collection never talk on the same line at once. The lock is a file
// in the user's runtime folder named after the device the port leads to (symbolic links
// resolved, so COM3 and the device it points at share it). A lock left by a process that died is
// taken over.
class PortLock {
public:
    PortLock();
    ~PortLock();
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the lock of `devicePath`, waiting at most `waitMs` (0: one try). False when another
    // process holds it; holder() then says who.
    bool lock(const QString& devicePath, int waitMs = 0);
    void unlock();
    bool isLocked() const;

    // "pid 1234 (stazione-cli)" of the process holding the lock after a failed lock().
    const QString& holder() const { return m_holder; }

    // The lock file of a device.
    static QString lockFilePath(const QString& devicePath);
    // Where the lock files are: STAZIONE_LOCK_DIR, else the runtime folder, else the temporary one.
    static QString lockFolder();

private:
    std::unique_ptr<QLockFile> m_file;
    QString m_holder;
};

} // namespace stazione::link
