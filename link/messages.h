#pragma once

#include "link/result.h"

#include <QString>

namespace stazione::link {

// The one place where a failure becomes the operator's words, in the language of the run. Keyed
// by the error's kind (and, for the port, by the component's error number); every port message
// names the port and the device it leads to. Lower case, to follow "what: " in a status line.
QString operatorMessage(const Error& error);

// The same, as a sentence of its own (a message box).
QString operatorSentence(const Error& error);

// "COM3 (/dev/ttyUSB0)", or "COM3" while the device is not known.
QString portName(int comPort, const QString& device);

} // namespace stazione::link
