#pragma once

#include <QByteArray>
#include <QString>

class QFile;

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

// Opens a file that must be a regular file for reading. A fifo is opened without waiting for a
// writer and, like a device or a folder, refused: false with the reason in `why`.
bool openRegularFile(QFile& file, const QString& path, QString* why = nullptr);

// Opens a file for appending (created with the umask's mode when missing). A link standing in its
// place is replaced by a new file, never written through; a fifo, a device or a folder is refused.
bool openAppendFile(QFile& file, const QString& path, QString* why = nullptr);

} // namespace stazione::link
