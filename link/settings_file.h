#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QFile;
class QFileDevice;

#include <optional>

// The program's small settings files (the saved port, the modem's port, the station directory).
namespace stazione::link {

// They hold a few lines; a file bigger than this is not one of them and is not read.
inline constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

// The file's content; nothing when it is missing, not a plain file, unreadable or too big.
std::optional<QByteArray> readSettingsFile(const QString& path);

// Replaces the file in one step: the bytes go into a new file beside it, which is then renamed
// over it. A link standing in its place is replaced by the file; what it pointed to is left as
// it was. False, with the file untouched, when the bytes could not all be written.
// A private file (the settings) can be read by its owner alone; a shared one (a file of the data
// folder, which others may read) gets the permissions the umask leaves, as any new file.
enum class FileAccess { Private, Shared };
bool writeSettingsFile(const QString& path, const QByteArray& bytes, FileAccess access = FileAccess::Private);

// Why a file was not opened as a regular file.
struct FileRefusal {
    enum class Kind {
        System,  // the system refused it: `error` and `reason` say why (ELOOP: a link not followed)
        Folder,  // a folder stands under the name
        Special, // a fifo, a device or a socket stands under the name
    };
    Kind kind = Kind::System;
    int error = 0;
    QString reason;
    // The reason as the settings and the data files tell it: the system's words, "è una cartella"
    // or "non è un file normale".
    QString text() const;
};

// Whether a link at the file's name is followed: the data files a user may link to are read
// through one; the files the program writes, and the archive, are not.
enum class AtLink { Follow, Refuse };

// Opens `path` as a regular file. A fifo is opened without waiting for the other end and, like a
// device, a socket or a folder, refused; nothing is written through it. `mode` is ReadOnly,
// ReadWrite (created when missing), WriteOnly (created or emptied) or WriteOnly | Append (created
// when missing, with `permissions` less the umask). True when the file is open.
struct [[nodiscard]] FileOpened {
    std::optional<FileRefusal> refusal; // why not, when it is not
    explicit operator bool() const { return !refusal; }
};
FileOpened openRegularFile(QFile& file, const QString& path, QIODevice::OpenMode mode, AtLink atLink,
                           int permissions = 0644);

// Opens a file for appending (created with the umask's mode when missing). A link standing in its
// place is replaced by a new file, never written through; a fifo, a device or a folder is refused.
bool openAppendFile(QFile& file, const QString& path, QString* why = nullptr);

// A write cut short by a full disk sets no error, and Qt then says "Unknown error": these write
// what is left once more, which either goes or fails with the system's own reason
// (errorString() then names it).
bool writeWhole(QIODevice& device, const QByteArray& bytes);
// What the file still holds in its buffer, written out; false with the reason in `why`.
bool flushWhole(QFileDevice& file, QString* why);

} // namespace stazione::link
