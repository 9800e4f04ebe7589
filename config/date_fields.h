#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

namespace stazione::config {

// Day, month, year, hour, minute, second, as the date boxes show them: the first three as plain
// numbers (7), the last three with two digits (07).
using DateFields = std::array<QString, 6>;
DateFields dateFieldsForDisplay(const QStringList& received);

// The boxes filled from a date and time of the PC, shown as a read shows them.
DateFields dateFieldsOf(const QDateTime& when);

// Hour 0-23 and minute 0-59 by their numeric values; day, month, year and second go unchecked.
bool timeIsValid(const QString& hour, const QString& minute);
inline const QString kCheckDataMessage =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Controlla i dati inseriti! "));
inline const QString kCheckDataTitle =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Attenzione!!"));

} // namespace stazione::config
