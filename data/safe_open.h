#pragma once

#include "link/result.h"

#include <QFile>
#include <QString>

namespace stazione::data {

// Opens `path` as a regular file without following a link at its end and without blocking on a
// FIFO or a device: a report or an archive replaced by a link or a pipe is refused, not read.
// WriteOnly creates a missing file.
link::Status openRegularFile(QFile& file, const QString& path,
                             QIODevice::OpenMode mode = QIODevice::ReadOnly);

} // namespace stazione::data
