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
    return onLogger(options, [&](Run& run) {
        live::AllInputScope allInput(run.link.port());
        auto channels = live::requestSessionChannels(run.link);
        if (!channels)
            return fail(channels.error());
        if (*channels <= 0) {
            message(coreText(live::kNoChannel));
            return Verdict::Failed;
        }
        if (!options.file.isEmpty()) {
            if (live::fileIsBusy(options.file, [] { return false; })) {
                message(
                    QStringLiteral("%1 is in use: close the programs that have it open.").arg(options.file));
                return Verdict::Failed;
            }
            live::deleteQuietly(options.file);
        }
        // Ctrl-C ends the session after the set being read; a logger fallen silent in the middle
        // of a set does not hold it up for the reply time-out: the wait is cancelled soon after.
        Interrupt interrupt;
        QTimer grace;
        grace.setSingleShot(true);
        QObject::connect(&grace, &QTimer::timeout, [&run] { run.link.cancel(); });
        QObject::connect(&interrupt, &Interrupt::triggered, [&grace] { grace.start(kInterruptGrace); });
        int sets = 0;
        // The command line shows each line as it is written: only the set being read is kept.
        live::SessionTable table;
        table.setRowStore(live::SessionTable::RowStore::None);
        const live::SessionEnd end = live::runSession(
            run.link, table, *channels, options.file,
            {[&] { return interrupt.requested() || (options.count > 0 && sets >= options.count); },
             [&] { ++sets; }, [](const QString& line) { out(printable(line, false)); }});
        return end.error ? fail(*end.error) : Verdict::Printed;
    });
}

int runLive(const Options& options)
{
    return onLogger(options, [&](Run& run) {
        link::Link& link = run.link;
        auto channels = config::readChannelCount(link);
        if (!channels)
            return fail(channels.error());
        const int perGroup =
            live::readingsPerGroup(run.logger.id.Modello, static_cast<int>(link::integerValue(*channels)));
        if (perGroup <= 0) {
            message(coreText(config::kNoChannelMessage));
            return Verdict::Failed;
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
                out(printable(QStringLiteral("%1 %2 %3").arg(r.index).arg(r.label, r.value), false));
            },
            [&] {
                if (options.count > 0 && readings >= options.count * perGroup)
                    stop();
                return stopSent;
            });
        return outcome ? Verdict::Printed : fail(outcome.error());
    });
}

} // namespace stazione::cli
