#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

#include <array>
#include <functional>

// The alarm of each analog channel (its state and two limits) and the personal SMS text.
namespace stazione::alarms {

// Row i owns entries 3i (state), 3i+1 (upper limit), 3i+2 (lower limit).
struct AlarmRow {
    QString state;
    QString upper;
    QString lower;
};
inline constexpr int kAlarmRows = 16;
inline const QString kNotActive = QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Non Attivo"));

// "J" for the three entries of rows 0 to n-1: the state as received, the limits trimmed.
link::Result<QList<AlarmRow>>
readAlarmRows(link::Link& link, int rows, const std::function<void(int row, const AlarmRow&)>& rowRead = {});

// "j" for each entry (state, upper, lower) with its text trimmed; goes on after a refusal.
link::Result<QList<std::array<bool, 3>>>
writeAlarmRows(link::Link& link, const QList<AlarmRow>& rows,
               const std::function<void(int row, int entry, bool accepted)>& answered = {});

// The alarm window's caption after an accepted entry of row i: "Trasmissione parametro 3OK".
QString alarmSentCaption(int row);

inline constexpr int kPersonalLines = 5;
// "X": the five lines of the personal text.
link::Result<QStringList>
readPersonalText(link::Link& link, const std::function<void(int line, const QString&)>& lineRead = {});
// "x", then each line as its own transmission followed by ",", then "X" (its answer is left for
// the next command to drop). Nothing is read.
link::Status writePersonalText(link::Link& link, const QStringList& lines);

} // namespace stazione::alarms
