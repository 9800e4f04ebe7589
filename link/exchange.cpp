#include "link/exchange.h"

#include "link/timing.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace stazione::link {

Status send(Link& link, const cmd::Command& command)
{
    return link.Invia_Comando(command.text, command.params);
}

Status sendKeepingInput(Link& link, const cmd::Command& command)
{
    return link.Invia_Comando(command.text, command.params, Link::Input::Keep);
}

Status send(Link& link, const cmd::TwoStep& command, int pauseHundredths)
{
    if (auto s = send(link, command.first); !s)
        return s;
    link.Ritardo(pauseHundredths);
    return send(link, command.second);
}

Result<QStringList> request(Link& link, const cmd::Command& command, int fields)
{
    if (auto s = send(link, command); !s)
        return s.error();
    QStringList out;
    for (int i = 0; i < fields; ++i) {
        auto field = link.Leggi_Risposta();
        if (!field)
            return field.error();
        out << *field;
    }
    return out;
}

Result<QString> requestField(Link& link, const cmd::Command& command)
{
    if (auto s = send(link, command); !s)
        return s.error();
    return link.Leggi_Risposta();
}

Result<bool> write(Link& link, const cmd::Command& command)
{
    auto field = requestField(link, command);
    if (!field)
        return field.error();
    return *field == kAccepted;
}

Status drainStream(Link& link, std::optional<char> endMark, std::chrono::milliseconds limit,
                   const std::function<void(std::chrono::seconds)>& tick)
{
    CommPort& port = link.port();
    // The limit is the line's own time (a full memory at 9600 baud), not the logger's pauses.
    const QDeadlineTimer giveUp(limit, Qt::PreciseTimer);
    // What the reads of the stream had taken but not used is part of what is dropped.
    bool ended = endMark && link.Accumulo().contains(*endMark);
    std::chrono::seconds lastTick{-1};
    while (!ended) {
        auto chunk = port.inputAll();
        if (!chunk)
            return chunk.error();
        if (!chunk->isEmpty()) {
            ended = endMark && chunk->contains(*endMark);
            continue;
        }
        if (giveUp.hasExpired()) {
            Error error = Error::timedOut(QStringLiteral("The logger on COM%1 was still sending after %2 s.")
                                              .arg(port.commPort())
                                              .arg(double(limit.count()) / 1000.0));
            error.number = timeout_reason::kStillSending;
            error.comPort = port.commPort();
            error.device = port.devicePath();
            error.waitedMs = limit.count();
            return error;
        }
        if (tick) {
            const auto left =
                std::chrono::ceil<std::chrono::seconds>(std::chrono::milliseconds(giveUp.remainingTime()));
            if (left != lastTick) {
                lastTick = left;
                tick(left);
            }
        }
        // The port hands a slow stream over in gathered pieces: a silence shorter than a few of
        // them is only the gap between two pieces, whatever the time scale.
        QDeadlineTimer quiet(
            std::max(scaled(kDrainQuiet), std::chrono::milliseconds(4 * CommPort::kGatherTime)),
            Qt::PreciseTimer);
        if (quiet.deadline() > giveUp.deadline())
            quiet = giveUp;
        const auto wait = port.waitForMoreInput(quiet);
        if (wait == CommPort::Wait::TimedOut && !giveUp.hasExpired())
            break; // a second of silence: the stream is over
        if (wait == CommPort::Wait::Cancelled)
            return Error::cancelled(
                QStringLiteral("The wait for the logger on COM%1 was cancelled.").arg(port.commPort()));
        if (wait == CommPort::Wait::LineLost) {
            Error error =
                Error::lineLost(QStringLiteral("The connection on COM%1 was lost.").arg(port.commPort()));
            error.comPort = port.commPort();
            error.device = port.devicePath();
            return error;
        }
    }
    port.clearCut(); // the stream ran out: the line is clean again
    return link.Svuota_Buffer();
}

} // namespace stazione::link
