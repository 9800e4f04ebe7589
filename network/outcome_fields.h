#pragma once

#include "network/collection_report.h"

#include <QJsonObject>
#include <QVariant>

#include <algorithm>
#include <array>
#include <optional>
#include <variant>

// Every field of a station's outcome in one table: its name in the report, and where and how the
// database keeps it. The report's reading and writing, the database's tables, their migrations,
// the store's statements and the history read back all come from these rows: a field kept
// across runs is one row here and one member of StationOutcome.
namespace stazione::data {

// Where the database keeps a field.
enum class StoredIn {
    ReportOnly,  // in the report alone
    Collections, // a column of the collection's row
    Station,     // a column of the station's row: the latest value an outcome knew (an outcome that
                 // does not know it, an empty text, keeps what is there)
    StationKey,  // name, number, folder: what finds or makes the station's row
};

// How a value is written.
enum class FieldShape {
    Plain, // always written; a text column holds "" rather than NULL
    IfAny, // a text only when not empty, a flag only when set; NULL in the database otherwise
    Count, // the logger's text of a whole number: a JSON text, null when empty; a BIGINT
    Volts, // the logger's text of volts: a JSON number, null when not a number; a DOUBLE
};

using OutcomeMember =
    std::variant<QDateTime StationOutcome::*, int StationOutcome::*, qint64 StationOutcome::*,
                 bool StationOutcome::*, QString StationOutcome::*, std::optional<qint64> StationOutcome::*,
                 CollectResult StationOutcome::*>;

struct OutcomeField {
    OutcomeMember member;
    const char* key; // in the report
    FieldShape shape = FieldShape::Plain;
    StoredIn stored = StoredIn::ReportOnly;
    const char* column = nullptr; // in the database
    // The column's type, the same text for SQLite and PostgreSQL. A column added after version 1
    // is added to tables that already have rows: it takes NULL (or has a DEFAULT).
    const char* type = nullptr;
    int version = 1; // the schema version that added the column; its migration adds it
};

// In the order of the columns of the tables that version 1 created.
inline constexpr std::array kOutcomeFields{
    OutcomeField{.member = &StationOutcome::start,
                 .key = "start",
                 .stored = StoredIn::Collections,
                 .column = "started",
                 .type = "TEXT NOT NULL"},
    OutcomeField{.member = &StationOutcome::end,
                 .key = "end",
                 .stored = StoredIn::Collections,
                 .column = "ended",
                 .type = "TEXT NOT NULL"},
    OutcomeField{.member = &StationOutcome::row,
                 .key = "station",
                 .stored = StoredIn::Station,
                 .column = "directory_row",
                 .type = "INTEGER",
                 .version = 2},
    OutcomeField{.member = &StationOutcome::name,
                 .key = "name",
                 .stored = StoredIn::StationKey,
                 .column = "name",
                 .type = "TEXT NOT NULL"},
    OutcomeField{.member = &StationOutcome::number,
                 .key = "number",
                 .stored = StoredIn::StationKey,
                 .column = "number",
                 .type = "TEXT NOT NULL DEFAULT ''"},
    OutcomeField{.member = &StationOutcome::result,
                 .key = "result",
                 .stored = StoredIn::Collections,
                 .column = "result",
                 .type = "TEXT NOT NULL"},
    OutcomeField{.member = &StationOutcome::attempts,
                 .key = "attempts",
                 .stored = StoredIn::Collections,
                 .column = "attempts",
                 .type = "INTEGER NOT NULL"},
    OutcomeField{.member = &StationOutcome::newLines,
                 .key = "new_lines",
                 .stored = StoredIn::Collections,
                 .column = "new_lines",
                 .type = "BIGINT NOT NULL"},
    OutcomeField{.member = &StationOutcome::totalLines,
                 .key = "total_lines",
                 .stored = StoredIn::Collections,
                 .column = "total_lines",
                 .type = "BIGINT NOT NULL"},
    OutcomeField{.member = &StationOutcome::complete,
                 .key = "complete",
                 .stored = StoredIn::Collections,
                 .column = "complete",
                 .type = "SMALLINT NOT NULL"},
    OutcomeField{.member = &StationOutcome::battery,
                 .key = "battery",
                 .shape = FieldShape::Volts,
                 .stored = StoredIn::Collections,
                 .column = "battery",
                 .type = "DOUBLE PRECISION"},
    OutcomeField{.member = &StationOutcome::memoryPossible,
                 .key = "memory_possible",
                 .shape = FieldShape::Count,
                 .stored = StoredIn::Collections,
                 .column = "memory_possible",
                 .type = "BIGINT"},
    OutcomeField{.member = &StationOutcome::memoryAvailable,
                 .key = "memory_available",
                 .shape = FieldShape::Count,
                 .stored = StoredIn::Collections,
                 .column = "memory_available",
                 .type = "BIGINT"},
    OutcomeField{.member = &StationOutcome::clockDrift,
                 .key = "clock_drift_s",
                 .stored = StoredIn::Collections,
                 .column = "clock_drift_s",
                 .type = "BIGINT"},
    OutcomeField{.member = &StationOutcome::clockCorrected,
                 .key = "clock_corrected",
                 .stored = StoredIn::Collections,
                 .column = "clock_corrected",
                 .type = "SMALLINT NOT NULL"},
    OutcomeField{.member = &StationOutcome::error,
                 .key = "error",
                 .stored = StoredIn::Collections,
                 .column = "error",
                 .type = "TEXT NOT NULL"},
    OutcomeField{.member = &StationOutcome::file, .key = "file"},
    OutcomeField{.member = &StationOutcome::archive, .key = "archive"},
    OutcomeField{.member = &StationOutcome::folder,
                 .key = "folder",
                 .stored = StoredIn::StationKey,
                 .column = "folder",
                 .type = "TEXT UNIQUE"},
    OutcomeField{.member = &StationOutcome::repairedTail, .key = "repaired_tail", .shape = FieldShape::IfAny},
    OutcomeField{.member = &StationOutcome::memoryChange, .key = "memory_change", .shape = FieldShape::IfAny},
    OutcomeField{.member = &StationOutcome::unendedLine, .key = "unended_line", .shape = FieldShape::IfAny},
    OutcomeField{.member = &StationOutcome::reportError, .key = "report_error", .shape = FieldShape::IfAny},
    OutcomeField{.member = &StationOutcome::sensorsError, .key = "sensors_error", .shape = FieldShape::IfAny},
};

// The newest schema version a field's column needs.
inline constexpr int kOutcomeFieldsVersion =
    std::max_element(kOutcomeFields.begin(), kOutcomeFields.end(),
                     [](const auto& a, const auto& b) { return a.version < b.version; }) -> version;

// The field's value put into a report line, and read from one (a field a line lacks reads as
// its JSON null; a result it lacks, or one this build does not know, as a file error).
void writeField(const OutcomeField& field, const StationOutcome& outcome, QJsonObject& line);
void readField(const OutcomeField& field, const QJsonObject& line, StationOutcome& outcome);

// The value bound to the field's column (a typed NULL for a value not known), and the field set
// from the column's value.
QVariant sqlValue(const OutcomeField& field, const StationOutcome& outcome);
void setFromSql(const OutcomeField& field, const QVariant& value, StationOutcome& outcome);

} // namespace stazione::data
