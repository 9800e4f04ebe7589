#pragma once

#include "link/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

// Reading the data files the program writes: the temperature file, the continuous measurement file,
// and the sensor data file when its lines read "date time, value, value...". The kind is told by the
// content, never by the name: files get renamed on their way to the office.
namespace stazione::data {

enum class DataFileKind {
    Temperature, // "DATA ACQ.: ..." header, five empty lines, "DD/MM/YY hh.mm.ss   ,value,..."
    Continuous,  // "[INIZIO DATI]", "Date,CH 0,...", "time,value,...", "[FINE DATI]"
    Sensor,      // the logger's own lines, read when each is "date time" then values
};

// Times are the wall-clock times the files carry, without a zone: milliseconds from
// 1970-01-01 00:00 of that same clock. Two-digit years are 20YY.
qint64 wallMilliseconds(int year, int month, int day, int hour, int minute, int second);
QDateTime wallDateTime(qint64 milliseconds); // as a local date and time
qint64 wallMilliseconds(const QDateTime& local);
// "2026-12-05T14:30:00"
QByteArray isoText(qint64 milliseconds);

inline constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
inline bool isGap(double value)
{
    return std::isnan(value);
}

// No line of a data file comes near this; a longer one ends the read (an endless line would
// otherwise be gathered until memory runs out).
inline constexpr qsizetype kLongestLine = 1 << 20;
// The most channels a data file may have, whatever its kind and however many sessions it holds.
inline constexpr int kMaxFileChannels = 128;
// Values beyond this magnitude are no measurement; they are read as gaps and counted.
inline constexpr double kLargestValue = 3.4028234663852886e38;

// A number text as the files write it ("023.5", "-1.25", "1250.123"), or nothing. No exponent.
std::optional<double> decimalValue(std::string_view text);

// Where a file stops being readable: its line (1-based; 0 for the file as a whole) and why.
struct DataError {
    qint64 line = 0;
    QString message;
};

// Receives the rows of a data file as they are read. Cells are trimmed; an empty cell is a gap
// (the file had "**N.C.**", "Timeout", nothing, or a value out of range there), any other cell is
// a valid number text.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Called once at the start and again whenever a later session of a continuous file names
    // other channels: the rows that follow have the new session's channels.
    virtual void begin(DataFileKind kind, const QStringList& channels) = 0;
    virtual void row(qint64 time, const std::string_view* cells, int count) = 0;
};

// Reads a data file a piece at a time, so that a file of any length is read in little memory.
// The first malformed line stops it; rows already handed over stay with the sink.
class DataFileParser {
public:
    // `longestLine` is for the fuzzer, which reaches a short limit where it never builds 1 MiB.
    explicit DataFileParser(RowSink& sink, qsizetype longestLine = kLongestLine);

    bool feed(QByteArrayView bytes); // false once an error was found
    bool finish();                   // the last line may lack its line end
    const std::optional<DataError>& error() const { return m_error; }
    std::optional<DataFileKind> kind() const { return m_kind; }
    // Cells read as gaps because their value is out of range (beyond ±kLargestValue).
    qint64 outOfRange() const { return m_outOfRange; }

private:
    bool line(std::string_view text);
    bool firstLine(std::string_view text);
    bool temperatureRow(std::string_view text);
    bool continuousRow(std::string_view text);
    bool sensorRow(std::string_view text);
    bool timedRow(std::string_view text, const QString& timeLayout);
    bool cells(std::string_view text, char separator);
    bool fail(const QString& message);
    bool tooLong();
    bool tooManyChannels();
    bool session(const QStringList& names);
    bool header(std::string_view text);

    RowSink& m_sink;
    qsizetype m_longestLine;
    QByteArray m_carry;
    qint64 m_line = 0;
    std::optional<DataFileKind> m_kind;
    bool m_awaitingHeader = false; // continuous file: "[INIZIO DATI]" seen, header not yet
    bool m_started = false;        // begin() was called
    int m_channels = -1;
    qint64 m_outOfRange = 0;
    QStringList m_sessionNames; // the channels of the continuous file's current session
    QStringList m_allNames;     // every session's channels, as the columns of a DataSet
    char m_separator = ',';
    std::vector<std::string_view> m_cells;
    std::optional<DataError> m_error;
};

// A whole data file held column by column: one time per row, one array of values per channel,
// NaN for a gap.
struct DataSet {
    DataFileKind kind = DataFileKind::Temperature;
    // "CH 0", "CH 1", ... (the continuous file's own header names). A later session that names
    // other channels adds its own columns; a name met again continues its column.
    QStringList channels;
    qint64 outOfRange = 0; // cells whose value was out of range, kept as gaps
    std::vector<qint64> times;
    std::vector<std::vector<double>> values; // values[channel][row]

    qint64 rows() const { return qint64(times.size()); }
    bool timesAscending() const;
    // Puts the rows in time order (a logger clock set back leaves them out of order); the order
    // within equal times is kept.
    void sortByTime();
};

// The whole file in memory. An error names the line.
link::Result<DataSet> parseDataFile(QByteArrayView bytes, DataError* where = nullptr);
// Read from disk a piece at a time. Only a regular file is read: a fifo or a device is refused.
link::Result<DataSet> readDataFile(const QString& path, DataError* where = nullptr);
// Opens a data file for reading; a fifo, a device or a folder is refused with the reason.
link::Status openDataFile(QFile& file, const QString& path);

// Where each channel of a session goes among the columns of all sessions: a name already there
// and not yet taken by this session continues its column, any other name gets a new one.
std::vector<int> sessionColumns(QStringList& all, const QStringList& session);

// The kind of the file from its first lines, without reading it all; nothing when no kind fits
// (a sensor data file whose layout the program does not know). A temperature or continuous file
// with a malformed line further on is still of its kind.
std::optional<DataFileKind> sniffDataFile(QByteArrayView head);

QString kindName(DataFileKind kind);

} // namespace stazione::data
