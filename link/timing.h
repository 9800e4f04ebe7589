#pragma once

#include <chrono>

namespace stazione::link {

// Factor applied to every pause of the program, read once from STAZIONE_TIME_SCALE (default 1).
// The test suite runs with a small factor so that the logger's multi-second pauses take
// milliseconds; the simulator reads the same variable so both sides stay in step.
double timeScale();

// Overrides the factor for this process (tests).
void setTimeScale(double factor);

// A duration of the logger's timing, scaled.
std::chrono::milliseconds scaled(std::chrono::milliseconds real);

// Pause for the given (already scaled) time. Timers and painting go on, user input waits
// until the pause is over: the controls must not react in the middle of a command.
void sleepKeepingPaint(std::chrono::milliseconds duration);

// The pauses asked of sleepKeepingPaint so far in this process, the time they were meant to last
// (the floor a benchmark holds the program's time against).
std::chrono::milliseconds pausesRequested();

} // namespace stazione::link
