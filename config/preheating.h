#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

// The time the logger powers its instruments before each acquisition, in milliseconds.
namespace stazione::config {

// "E": the pre-heating time as received.
link::Result<QString> readPreheating(link::Link& link);

// The box's text as it is sent: five digits (1500 -> "01500"); nothing when the time is above
// the logger's limit of 30000 ms. A text that is not a number goes as typed.
std::optional<QString> preheatingToSend(const QString& box);
inline const QString kPreheatingTooLong =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Tempo di preaccensione troppo lungo "));

// "e" with the five-digit text; the logger answers nothing.
link::Status writePreheating(link::Link& link, const QString& fiveDigits);

} // namespace stazione::config
