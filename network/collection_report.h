#pragma once

#include "link/result.h"
#include "network/sensors.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The outcome of collecting one station, as a line of the collection report
// (DIR/raccolta.jsonl, one JSON object per line, appended) and as a row of the table printed at
// the end of a collection.
namespace stazione::data {

enum class CollectResult {
    Ok,
    Busy,
    NoCarrier,
    NoAnswer,
    TimedOut,
    LineLost,
    FileError,
    Cancelled,
    Refused,
    ClockRefused
};

// "ok", "busy", "no-carrier", "no-answer", "timeout", "line-lost", "file-error", "cancelled" (the
// collection was stopped by a signal before the station was done), "refused" (the directory's
// number cannot be dialled: nothing was sent), "clock-refused" (the data were collected, but the
// logger did not take the clock it was sent to correct its own).
QString resultText(CollectResult result);
std::optional<CollectResult> resultFromText(const QString& text);

struct StationOutcome {
    QDateTime start;
    QDateTime end;
    int row = 0;    // directory number, from 1; 0 for the logger on a cable
    QString name;   // as in the directory (or, on a cable, as the logger calls itself)
    QString number; // dialled; empty on a cable
    CollectResult result = CollectResult::Ok;
    int attempts = 0;
    qint64 newLines = 0;
    qint64 totalLines = 0;
    bool complete = false; // the download ended with its end mark
    QString battery;       // volts as the logger reports them
    QString memoryPossible;
    QString memoryAvailable;
    std::optional<qint64> clockDrift; // logger minus PC, in seconds, before any correction
    bool clockCorrected = false;
    QString error;
    QString file;             // the day's download file
    QString archive;          // the station's archive
    QString folder;           // the station's folder under the data root: what makes it one station
    QString repairedTail;     // "replaced" or "kept": the archive's last line had been cut short
    QString memoryChange;     // "erased", "overwritten" or "refused": the download shared no archived line
    bool unendedLine = false; // the last line came without its line end, just before the end mark
    QString reportError;      // why this outcome could not be appended to the report
    // The channels' names and scaling when this call read them, or why the read failed (which
    // does not fail the call).
    std::optional<StationSensors> sensors;
    QString sensorsError;
};

// The station's folder: `folder`, or in a line written before it was kept, the archive's folder;
// empty when neither is known (a failed call of an earlier version, no logger on the cable).
QString stationFolderOf(const StationOutcome& outcome);

QJsonObject toJson(const StationOutcome& outcome);
StationOutcome outcomeFromJson(const QJsonObject& object);

inline const QString kReportFileName = QStringLiteral("raccolta.jsonl");

// A time as the report, the alerts' log and the database write it: ISO 8601 with its offset.
QString isoTime(const QDateTime& t);

// Appends the outcome as one line, in one write. A line cut short by a crash is skipped when read.
// The report is not written through a link, nor into anything but a regular file.
link::Status appendReport(const QString& path, const StationOutcome& outcome);

// The last outcome of each directory number found in the report's last `tailBytes` bytes (the
// report grows by a line per station per night; the last nights are at its end).
QMap<int, StationOutcome> lastOutcomes(const QString& path, qint64 tailBytes = 1 << 20);

// The table printed at the end of a collection, one row per station.
QString outcomeTable(const QList<StationOutcome>& outcomes);

} // namespace stazione::data
