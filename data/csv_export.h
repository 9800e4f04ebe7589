#pragma once

#include "data/data_file.h"
#include "link/result.h"

#include <QIODevice>

#include <optional>
#include <vector>

// A data file as a CSV table for a spreadsheet (RFC 4180): a header "time,<channel names>", one
// line per row with its ISO 8601 time, "." as the decimal point, an empty cell for a gap, CR LF
// line ends. The file is streamed: its length does not matter.
namespace stazione::data {

struct ExportOptions {
    std::optional<qint64> from; // wall-clock milliseconds, inclusive
    std::optional<qint64> to;
    std::vector<int> channels; // the channels to write, in this order; empty: all
};

struct ExportSummary {
    DataFileKind kind = DataFileKind::Temperature;
    qint64 rows = 0; // rows written
};

// Reads `input` (a data file) and writes the table to `output`. A malformed line ends it with an
// error that names the line; so does a sensor data file whose lines the program cannot read.
link::Result<ExportSummary> exportCsv(QIODevice& input, QIODevice& output, const ExportOptions& options = {},
                                      DataError* where = nullptr);

// A number as the table writes it: the file's own digits without a "+" or leading zeros
// ("023.5" -> "23.5", "-003.0" -> "-3.0", ".5" -> "0.5").
void appendNumber(QByteArray& out, std::string_view number);

} // namespace stazione::data
