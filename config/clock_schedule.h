#pragma once

#include "config/date_fields.h"
#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The logger's clock, its acquisition interval and schedule, and the acquisition switch: the
// exchanges behind the main window's clock and timer controls, and the command line.
namespace stazione::config {

// "G": the logger's clock.
link::Result<DateFields> readClock(link::Link& link);

struct ClockWrite {
    bool accepted = false;
    std::optional<DateFields> clock;     // read back after an accepted write
    std::optional<DateFields> startDate; // read back after an accepted write
};
// "g" with the boxes' texts as typed and the year counted from 1900; on "OK" the clock and the
// start date are read back. `boxes` must hold a valid time (timeIsValid).
link::Result<ClockWrite> writeClock(link::Link& link, const DateFields& boxes);

// How far the logger's clock `logger` (as readClock gives it) is from the PC's clock at `pcTime`,
// in seconds, logger minus PC; nothing when the fields are no valid date and time. The logger keeps
// local wall time without a zone, so the two are compared as wall times: in the hour that repeats
// at the end of summer time a reading matches the PC's whichever pass of the hour it is, and never
// picks the wrong offset.
std::optional<qint64> clockDrift(const DateFields& logger, const QDateTime& pcTime);

// "D": the next acquisition, five two-character fields of a 20-character reply. `complete` is
// false when the reply could not be taken apart (the year is not a number): the fields before
// the year are filled, the rest stay empty.
struct NextAcquisition {
    std::array<QString, 5> fields; // day, month, year (four digits), hour, minute
    bool complete = false;
};
link::Result<NextAcquisition> readNextAcquisition(link::Link& link);
NextAcquisition nextAcquisitionFromReply(const QString& reply);

// "C": one part of the acquisition interval (0 hours, 1 minutes, 2 seconds), as received.
link::Result<QString> readIntervalPart(link::Link& link, int index);

// The interval check. The minimum is 1 minute for stations without GSM and 10 minutes for GSM
// stations: a GSM station wakes its modem at every acquisition, and the message says so.
inline constexpr int kMinimumIntervalSeconds = 60;
inline constexpr int kMinimumGsmIntervalSeconds = 600;
inline const QString kIntervalMessage = QStringLiteral(QT_TRANSLATE_NOOP(
    "stazione::ui::Messages", "Controlla il tempo di conversione ( ore<=23, minuti e secondi <=59 e tempo di "
                              "conversione >= 1 min per la "
                              "versione non GSM e >= 10 min per la versione GSM)! "));
struct IntervalCheck {
    bool ok = false;
    // The boxes' texts as they stand after the check: padded to three digits once the ranges
    // passed (a failed range check leaves them as they were).
    std::array<QString, 3> boxes;
};
IntervalCheck checkInterval(const std::array<QString, 3>& boxes, bool gsmStation);

// "c" for each part in turn, whatever the logger answers to the previous one; true where it
// answered "OK".
link::Result<std::array<bool, 3>>
writeInterval(link::Link& link, const std::array<QString, 3>& padded,
              const std::function<void(int index, bool accepted)>& progress = {});

// "o", then the state digit after a pause, then the state read back with "O".
link::Result<long long> setAcquisitionEnabled(link::Link& link, bool enabled);
// "O" after a flush: 1 enabled, 0 disabled.
link::Result<long long> readAcquisitionEnabled(link::Link& link);
// "B": stops the acquisition (and a continuous reading); nothing is read.
link::Status stopAcquisition(link::Link& link);

struct MemoryState {
    QString possible;  // acquisitions the memory can hold
    QString available; // acquisitions still available
};
// "H", then (only when a channel is active) a pause and "M". Nothing when no channel is active.
link::Result<std::optional<MemoryState>> readMemoryState(link::Link& link);
inline const QString kNoChannelMessage =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Seleziona almeno un canale!"));

} // namespace stazione::config
