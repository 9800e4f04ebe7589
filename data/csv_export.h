#pragma once

#include "data/data_file.h"
#include "link/result.h"

#include <QIODevice>

#include <optional>
#include <vector>

// A data file as a CSV table for a spreadsheet (RFC 4180): a header "time,<channel names>", one
// line per row with its ISO 8601 time, "." as the decimal point, an empty cell for a gap, CR LF
// line ends. The file is streamed: its length does not matter. A later session of a continuous
// file that names other channels starts a new table: an empty line, then its own header.
// A name that a spreadsheet would take for a formula (starting with "=", "+", "-", "@", a tab or
// a carriage return) is written quoted with a leading apostrophe, which keeps it text.
namespace stazione::data {

struct ExportOptions {
    std::optional<qint64> from; // wall-clock milliseconds, inclusive
    std::optional<qint64> to;
    std::vector<int> channels; // the channels to write, in this order; empty: all
    // Instead of numbers: the channels of these names, in the file's order, in every session.
    std::optional<QStringList> channelNames;
};

struct ExportSummary {
    DataFileKind kind = DataFileKind::Temperature;
    qint64 rows = 0;       // rows written
    qint64 outOfRange = 0; // cells left empty because their value was out of range
    int tables = 0;        // one, and one more for each session with other channels
};

// Whether `output` may receive the table of `input`: never the input itself (also through a link
// or under another name), never a fifo, a device or a folder.
enum class ExportTarget { Fine, SameAsInput, NotRegular };
ExportTarget exportTarget(const QString& input, const QString& output);

// A text cell as the table writes it: quoted when it must be, and inert for a spreadsheet.
void appendText(QByteArray& out, const QString& text);

// Reads `input` (a data file) and writes the table to `output`. A malformed line ends it with an
// error that names the line; so does a sensor data file whose lines the program cannot read.
link::Result<ExportSummary> exportCsv(QIODevice& input, QIODevice& output, const ExportOptions& options = {},
                                      DataError* where = nullptr);

// A number as the table writes it: the file's own digits without a "+" or leading zeros
// ("023.5" -> "23.5", "-003.0" -> "-3.0", ".5" -> "0.5").
void appendNumber(QByteArray& out, std::string_view number);

} // namespace stazione::data
