#pragma once

#include "link/commands.h"
#include "link/link.h"

#include <QList>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

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

// A table of acknowledged writes, row by row and cell by cell, going on after a refusal. The
// logger needs 10 ms after an accepted cell before the next command; `rowPause` hundredths
// follow each row. `commandOf(row, cell)` gives the write of one cell; `answered` hears each
// answer as it comes. Which cells were accepted, row by row.
template<std::size_t Cells>
Result<QList<std::array<bool, Cells>>>
writeTable(Link& link, qsizetype rows, const std::function<cmd::Command(int row, int cell)>& commandOf,
           const std::function<void(int row, int cell, bool accepted)>& answered, int rowPause = 0)
{
    QList<std::array<bool, Cells>> outcome;
    for (int i = 0; i < rows; ++i) {
        std::array<bool, Cells> accepted{};
        for (int k = 0; k < int(Cells); ++k) {
            auto ok = write(link, commandOf(i, k));
            if (!ok)
                return ok.error();
            accepted[k] = *ok;
            if (answered)
                answered(i, k, *ok);
            if (*ok)
                link.Ritardo(10);
        }
        outcome.append(accepted);
        if (rowPause > 0)
            link.Ritardo(rowPause);
    }
    return outcome;
}

// After a stream was cut short on this side (a cancel, a count the program refuses, a file that
// failed), the logger goes on sending to its end and would answer the next command in the middle
// of it. This reads and drops what comes until `endMark` has arrived (none: a stream without one)
// or the line has been quiet for about a second, at most for `limit`. A TimedOut error when the
// logger is still sending at the limit.
inline constexpr std::chrono::milliseconds kDrainQuiet{1000};  // before the time scale
inline constexpr std::chrono::milliseconds kDrainLimit{60000}; // the line's time, not scaled
// The next command waits out the rest of a stream that was given up: as long as a full memory
// takes over the line (8000 records of 70 characters at 960 characters a second, with room for
// a logger that sends slower than the line), shown to the operator with its "Annulla".
inline constexpr std::chrono::milliseconds kCutDrainLimit{15 * 60 * 1000};
// `tick` hears, about once a second, how long the drain may still take.
Status drainStream(Link& link, std::optional<char> endMark, std::chrono::milliseconds limit = kDrainLimit,
                   const std::function<void(std::chrono::seconds left)>& tick = {});

} // namespace stazione::link
