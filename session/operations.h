#pragma once

#include "link/result.h"

#include <QString>
#include <QStringList>

#include <vector>

// The main window's operations, one row each: the control, what it runs, what the activity pane
// says of it, whether an exchange locks it, and the command-line verb that does the same. The
// window's wiring, the pane's texts, the lock list, the verbs of the simple reads and the checks
// of the completion list and the manual page all come from these rows.
namespace stazione::link {
class Link;
}

namespace stazione::session {

// What the control does when it is used.
enum class Kind {
    Exchange, // runs `run` as one exchange of the session's guard, reported in the activity pane
    Query,    // the same for a read of one value: sends `query`, the reply goes into `boxes`
    Own,      // an exchange its window wires and reports itself (a confirmation comes first)
    Window,   // opens another window, whose own controls talk to the logger
    Local,    // no exchange: fills boxes, draws, writes a file
    Stop,     // stops or recovers an exchange: it never starts one and stays enabled
};

// Whether the control is switched off while an exchange runs (every row decides). Those that stay on are
// refused by the exchange guard when they are used meanwhile (a stop button is heard instead).
enum class Lock { Undecided, Locks, StaysOn };

struct Operation {
    const char* control; // the object name on the main window
    Kind kind;
    Lock lock;
    // Exchange: the handler's method (Q_INVOKABLE), taking the box's state at the press for a
    // check box, or the number at the end of the control's name for an element of an array.
    const char* run = nullptr;
    // The activity pane: the subject of a failure, refusal or cancel ("Nome Datalogger: nessuna
    // risposta"), and the line of success with %1 for the value shown.
    const char* subject = nullptr;
    const char* done = nullptr;
    // The value of %1: `format` over the texts of `boxes` (object names, blank-separated; a check
    // box gives "sì", "no" or "indeterminato"). No format: the boxes' texts joined by blanks.
    const char* boxes = nullptr;
    const char* format = nullptr;
    // The stazione-cli verb that does the same ("params" for the reads it makes); none: nullptr.
    const char* verb = nullptr;
    // Query: the command's text on the wire, and the verb's line for "stazione-cli --help".
    const char* query = nullptr;
    const char* summary = nullptr;
};

// Every operation of the main window, in the order of its tabs.
const std::vector<Operation>& operations();
// The row of a control; nullptr when it has none.
const Operation* findOperation(const QString& control);

// A Query's exchange: sends the row's command and returns its reply field, trimmed.
link::Result<QString> runQuery(link::Link& link, const Operation& row);

// The operations of the other windows that the activity pane names by what they do rather than
// by their captions.
const std::vector<Operation>& otherWindowOperations();

} // namespace stazione::session
