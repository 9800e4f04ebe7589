#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// The two downloads of the recorded data: the logger's own text lines into the sensor data file,
// and the counted download decoded and checked into the temperature file.
namespace stazione::data {

// station_DD_MM_YY_SENS.txt and station_DD_MM_YY_TEMP.txt.
QString sensorFileName(const QString& station, const QDate& date);
QString temperatureFileName(const QString& station, const QDate& date);

// Messages for a file that cannot be created.
inline const QString kDeviceMissing =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Dispositivo non presente!"));
QString invalidNameMessage(const QString& path); // "Nome <path> non valido"
// Error::number of a File error: which of the two it is.
inline constexpr int kFolderMissing = 1;
inline constexpr int kInvalidName = 2;

struct RecordedDownload {
    QString path;
    qint64 lines = 0; // lines written to the file
    // Why the stream ended before its end mark; the lines received until then are in the file.
    std::optional<link::Error> stopped;
    // The text that came after the last line end, just before the end mark (CRs dropped).
    QByteArray unended;
};

// What becomes of the text after the last line end when the end mark comes: the download
// window leaves it out; the collection keeps it as a line of its own (the record is the logger's,
// only its line end is missing) and reports it.
enum class UnendedText { Dropped, Kept };

// "A" with the mode ("1": from the end of the memory), then every line the logger sends, each
// written to the file as it completes (CR LF or a bare LF end a line; a line is written without
// them). The stream ends with the character code 3; text after the last line end is returned in
// `unended` and, when `unended` is Kept, written as a last line with its line end.
// A logger that falls silent for the link's reply time-out, a cancel, or a lost line end the
// download early, with every complete line kept. An error is returned only when the file cannot
// be created, and then nothing is sent.
// After a download stopped on this side (a cancel, a file that failed, counts refused) the line is
// drained (link::drainStream) before the download returns, so that the next command finds the
// logger listening; `notice` gets the status texts meanwhile.
link::Result<RecordedDownload>
downloadRecords(link::Link& link, const QString& path, bool fromEnd,
                const std::function<void(qint64 lines, const QString& last)>& progress = {},
                const std::function<void(const QString&)>& notice = {},
                UnendedText unended = UnendedText::Dropped);

inline const QString kWaitPlease = QStringLiteral("Wait Please");
inline const QString kDraining =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Attendo la fine dei dati dal datalogger..."));
// The drain's notice with how long it may still take, and how to give it up.
QString drainingText(std::chrono::seconds left);
inline constexpr const char* kDrainingContext = "stazione::data::Downloads";
inline constexpr const char* kDrainingLeft = QT_TRANSLATE_NOOP(
    "stazione::data::Downloads", "ancora al massimo %1 s. Premi di nuovo Annulla per interrompere subito");

inline constexpr int kMaxRecords = 5000;
inline constexpr int kMaxChannels = 128;

struct TemperatureDownload {
    QString path;
    int records = 0;  // announced by the logger
    int channels = 0; // announced by the logger
    int received = 0; // complete records received and written
    std::optional<link::Error> stopped;
};

// "a": the number of records N and of channels C, then N records of six time fields and C values.
// The values are checked (below -30 or above 80 reads "**N.C.**") and written in fixed columns
// under a header with the date and time of `now`, into "<name>.part" renamed as in
// downloadRecords. A download cut short writes the complete records received until then into the
// .part and says why in `stopped`. An error is returned when the file cannot be created (nothing
// is sent), cannot be written whole, or the logger announces counts outside 0-5000 records and
// 0-128 channels (checked before anything is reserved or written).
// "Wait Please" goes to `notice` once "a" is sent.
link::Result<TemperatureDownload>
downloadTemperatures(link::Link& link, const QString& path, const QDateTime& now,
                     const std::function<void(int percent)>& progress = {},
                     const std::function<void(const QString&)>& notice = {});

// One value as the temperature file shows it: "000.0" with a decimal point, 10 characters wide;
// "**N.C.**" when it is out of range or not a number.
QString temperatureColumn(QStringView received);

} // namespace stazione::data
