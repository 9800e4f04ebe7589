#pragma once

#include "link/commands.h"
#include "link/link.h"

#include <QStringList>

// The usual shapes of an exchange with the logger, over the link routines.
namespace stazione::link {

// Sends the command; nothing is read.
Status send(Link& link, const cmd::Command& command);

// Sends the command into a stream that is still being read: what was received stays.
Status sendKeepingInput(Link& link, const cmd::Command& command);

// Sends the letter, pauses, then sends the value (a two-step command).
Status send(Link& link, const cmd::TwoStep& command, int pauseHundredths);

// Sends the command and reads `fields` reply fields in order.
Result<QStringList> request(Link& link, const cmd::Command& command, int fields);

// Sends the command and reads its first reply field.
Result<QString> requestField(Link& link, const cmd::Command& command);

// An acknowledged write: sends the command and reads one field; true when the logger answered
// "OK", false when it answered anything else.
Result<bool> write(Link& link, const cmd::Command& command);

inline const QString kAccepted = QStringLiteral("OK");

} // namespace stazione::link
