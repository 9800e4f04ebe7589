#pragma once

#include <chrono>

class QObject;

namespace stazione::link {

// Factor applied to every pause of the program, read once from STAZIONE_TIME_SCALE (default 1).
// The test suite runs with a small factor so that the logger's multi-second pauses take
// milliseconds; the simulator reads the same variable so both sides stay in step.
double timeScale();

// Overrides the factor for this process (tests).
void setTimeScale(double factor);

// A duration of the logger's timing, scaled.
std::chrono::milliseconds scaled(std::chrono::milliseconds real);

// Pause for the given (already scaled) time. Timers and painting go on; user input is held back
// (the controls must not react in the middle of a command) except what goes to a control marked
// with markAsCancel() and a window being closed: an operator who cancels or leaves is heard at
// once. False when abortPauses() ended the pause early, or while pauses are aborted.
bool sleepKeepingPaint(std::chrono::milliseconds duration);

// Ends every pause that is running and every pause started before clearAbortedPauses(): the
// operation under way is being cancelled. The waits for the logger are ended by their port.
void abortPauses();
void clearAbortedPauses();
bool pausesAborted();
// A pause is running now.
bool pausing();

// The object (a button, a window) takes user input during a pause: "Annulla", "RESTORE".
void markAsCancel(QObject* control);

// The pauses asked of sleepKeepingPaint so far in this process, the time they were meant to last
// (the floor a benchmark holds the program's time against).
std::chrono::milliseconds pausesRequested();

} // namespace stazione::link
