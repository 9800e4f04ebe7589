#include "cli/cli.h"
#include "cli/interrupt.h"
#include "config/channels.h"
#include "link/numbers.h"
#include "link/timing.h"
#include "live/continuous_reading.h"
#include "live/measurement.h"

#include <QTimer>

namespace stazione::cli {

using namespace std::chrono_literals;

namespace {
// How long a set may still take to complete after Ctrl-C: a set of 16 channels takes a fraction
// of this at 9600 baud.
constexpr auto kInterruptGrace = 400ms;
} // namespace

int runMonitor(const Options& options)
{
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    link::Link& link = *logger->link;
    live::AllInputScope allInput(link.port());
    auto channels = live::requestSessionChannels(link);
    if (failed(channels))
        return kExitFailure;
    if (*channels <= 0) {
        message(live::kNoChannel);
        return kExitFailure;
    }
    if (!options.file.isEmpty()) {
        const bool busy = live::fileIsBusy(options.file, [] { return false; });
        if (busy) {
            message(QStringLiteral("Il file ") + options.file +
                    QStringLiteral(" è occupato. Chiudere le applicazioni che utilizzano il file."));
            return kExitFailure;
        }
        live::deleteQuietly(options.file);
    }

    // Ctrl-C ends the session after the set being read; a logger that has fallen silent in the
    // middle of a set does not hold it up for the reply time-out: the wait is cancelled soon after.
    Interrupt interrupt;
    QTimer grace;
    grace.setSingleShot(true);
    QObject::connect(&grace, &QTimer::timeout, [&link] { link.cancel(); });
    QObject::connect(&interrupt, &Interrupt::triggered, [&grace] { grace.start(kInterruptGrace); });
    int sets = 0;
    live::SessionTable table;
    const live::SessionEnd end = live::runSession(
        link, table, *channels, options.file,
        {[&] { return interrupt.requested() || (options.count > 0 && sets >= options.count); },
         [&] { ++sets; }, [](const QString& line) { out(line); }});
    logger->close();
    if (end.error) {
        message(end.error->message);
        return kExitFailure;
    }
    return kExitOk;
}

int runLive(const Options& options)
{
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    link::Link& link = *logger->link;
    auto channels = config::readChannelCount(link);
    if (failed(channels))
        return kExitFailure;
    const int perGroup =
        live::readingsPerGroup(logger->id.Modello, static_cast<int>(link::integerValue(*channels)));
    if (perGroup <= 0) {
        message(config::kNoChannelMessage);
        return kExitFailure;
    }

    Interrupt interrupt;
    QTimer grace;
    grace.setSingleShot(true);
    QObject::connect(&grace, &QTimer::timeout, [&link] { link.cancel(); });
    bool stopSent = false;
    auto stop = [&] {
        if (stopSent)
            return;
        stopSent = true;
        (void)live::stopContinuousReading(link);
        grace.start(link::scaled(2000ms));
    };
    QObject::connect(&interrupt, &Interrupt::triggered, stop);

    int readings = 0;
    const auto outcome = live::runContinuousReading(
        link, perGroup,
        [&](const live::Reading& r) {
            ++readings;
            out(QStringLiteral("%1 %2 %3").arg(r.index).arg(r.label, r.value));
        },
        [&] {
            if (options.count > 0 && readings >= options.count * perGroup)
                stop();
            return stopSent;
        });
    logger->close();
    if (failed(outcome))
        return kExitFailure;
    return kExitOk;
}

} // namespace stazione::cli
