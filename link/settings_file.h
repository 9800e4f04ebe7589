#pragma once

#include <QByteArray>
#include <QString>

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

} // namespace stazione::link
