#include "cli/cli.h"
#include "config/channels.h"
#include "config/clock_schedule.h"
#include "config/preheating.h"
#include "config/start_date.h"
#include "config/station.h"
#include "link/models.h"
#include "link/numbers.h"
#include "session/retrieval.h"

#include <QJsonArray>

#include <algorithm>
#include <type_traits>

namespace stazione::cli {

namespace {

// Puts a value read from the logger into the report under the name of the box that shows it.
template<class T> link::Status put(Report& report, const QString& key, const link::Result<T>& value)
{
    if (!value)
        return value.error();
    if constexpr (std::is_same_v<T, QString>)
        report.add(key, *value);
    else if constexpr (std::is_same_v<T, long long>)
        report.add(key, double(*value));
    else
        report.add(key, textArray(*value));
    return {};
}

// One step of the retrieval after connection, with the values put where the window shows them.
link::Status retrievalStep(link::Link& link, session::RetrievalStep step, Report& report)
{
    using session::RetrievalStep;
    switch (step) {
    case RetrievalStep::Channels: {
        auto count = put(report, QStringLiteral("MUX"), config::readChannelCount(link));
        link.Ritardo(20);
        return count;
    }
    case RetrievalStep::Clock:
        return put(report, QStringLiteral("data"), config::readClock(link));
    case RetrievalStep::StartDate:
        return put(report, QStringLiteral("data_allarme"), config::readStartDate(link));
    case RetrievalStep::Interval: {
        QStringList parts;
        for (int i = 0; i < 3; ++i) {
            auto part = config::readIntervalPart(link, i);
            if (!part)
                return part.error();
            parts << *part;
            link.Ritardo(10);
        }
        report.add(QStringLiteral("conversione"), textArray(parts));
        return {};
    }
    case RetrievalStep::Preheating:
        return put(report, QStringLiteral("preaccensione"), config::readPreheating(link));
    case RetrievalStep::BatteryVoltage:
        return put(report, QStringLiteral("parameters_2"), config::readBatteryVoltage(link));
    case RetrievalStep::Memory: {
        auto memory = config::readMemoryState(link);
        if (!memory)
            return memory.error();
        if (!*memory) {
            message(coreText(config::kNoChannelMessage));
            return {};
        }
        report.add(QStringLiteral("Acq_possibili"), (*memory)->possible);
        report.add(QStringLiteral("acq_disponibili"), (*memory)->available);
        return {};
    }
    case RetrievalStep::StationName:
        return put(report, QStringLiteral("Nome_Centralina"), config::readStationName(link));
    case RetrievalStep::NextAcquisition: {
        auto next = config::readNextAcquisition(link);
        if (!next)
            return next.error();
        report.add(QStringLiteral("Prox"), textArray(next->fields));
        return {};
    }
    case RetrievalStep::AcquisitionState:
        return put(report, QStringLiteral("data_logging"), config::readAcquisitionEnabled(link));
    case RetrievalStep::BatteryType:
        return put(report, QStringLiteral("BATTPBX"), config::readBatteryType(link));
    case RetrievalStep::MiniPanel:
        return put(report, QStringLiteral("minipan"), config::readMiniPanel(link));
    }
    return {};
}

} // namespace

int runParams(const Options& options)
{
    return onLogger(options, [](Run& run) {
        auto retrieved = session::runRetrieval(
            run.link, run.logger.id.Modello,
            [&](session::RetrievalStep step) { return retrievalStep(run.link, step, run.report); },
            [](const QString& line) { message(line); },
            run.options.modemPort ? session::RetrievalKind::Remote : session::RetrievalKind::Direct);
        return retrieved ? Verdict::Done : fail(retrieved.error());
    });
}

int runSetClock(const Options& options)
{
    config::DateFields boxes;
    if (options.now == (options.arguments.size() == 6)) {
        message(QStringLiteral("stazione-cli: set-clock takes --now, or day month year hour minute second."));
        return kExitUsage;
    }
    if (options.now) {
        boxes = config::dateFieldsOf(QDateTime::currentDateTime());
    } else {
        for (int i = 0; i < 6; ++i)
            boxes[i] = options.arguments[i];
        // Named as the verb's own arguments, D M Y h m s.
        const QStringList names{QStringLiteral("D"), QStringLiteral("M"), QStringLiteral("Y"),
                                QStringLiteral("h"), QStringLiteral("m"), QStringLiteral("s")};
        QList<link::TypedValue> typed;
        for (int i = 0; i < 6; ++i)
            typed.append({names[i], boxes[size_t(i)]});
        if (refused(typed) || dateRefused(options.verb, boxes))
            return kExitUsage;
    }
    if (!config::timeIsValid(boxes[3], boxes[4])) {
        message(config::kCheckDataMessage);
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto written = config::writeClock(run.link, boxes);
        if (!written)
            return fail(written.error());
        run.report.add(QStringLiteral("accepted"), written->accepted);
        if (written->clock)
            run.report.add(QStringLiteral("data"), textArray(*written->clock));
        if (written->startDate)
            run.report.add(QStringLiteral("data_allarme"), textArray(*written->startDate));
        if (run.logger.id.Modello == link::kModelVibratingWire) {
            auto start = config::readStartDate(run.link);
            if (!start)
                return fail(start.error());
            run.report.add(QStringLiteral("data_allarme"), textArray(*start));
        }
        return acceptedIf(written->accepted);
    });
}

int runSetInterval(const Options& options)
{
    if (options.arguments.size() != 3) {
        message(QStringLiteral("stazione-cli: set-interval takes hours, minutes and seconds."));
        return kExitUsage;
    }
    if (refused({{QStringLiteral("H"), options.arguments[0]},
                 {QStringLiteral("M"), options.arguments[1]},
                 {QStringLiteral("S"), options.arguments[2]}}))
        return kExitUsage;
    const auto check = config::checkInterval(
        {options.arguments[0], options.arguments[1], options.arguments[2]}, options.gsm);
    if (!check.ok) {
        message(config::kIntervalMessage);
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto written = config::writeInterval(run.link, check.boxes);
        if (!written)
            return fail(written.error());
        run.report.add(QStringLiteral("conversione"), textArray(check.boxes));
        QJsonArray accepted;
        for (bool a : *written)
            accepted.append(a);
        run.report.add(QStringLiteral("accepted"), accepted);
        return acceptedIf(allAccepted(*written));
    });
}

int runSetName(const Options& options)
{
    if (options.arguments.size() != 1) {
        message(QStringLiteral("stazione-cli: set-name takes the station name."));
        return kExitUsage;
    }
    const QString name = options.arguments[0].trimmed();
    if (refused({{QStringLiteral("NAME"), name}}))
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        auto accepted = config::writeStationName(run.link, name);
        if (!accepted)
            return fail(accepted.error());
        run.report.add(QStringLiteral("Nome_Centralina"), name);
        run.report.add(QStringLiteral("accepted"), *accepted);
        return acceptedIf(*accepted);
    });
}

int runSetChannels(const Options& options)
{
    bool isNumber = false;
    const int count = options.arguments.size() == 1 ? options.arguments[0].toInt(&isNumber) : -1;
    if (!isNumber || count < 0 || count > config::kMaxChannels) {
        message(QStringLiteral("stazione-cli: set-channels takes a number of channels from 0 to 16."));
        return kExitUsage;
    }
    if (!options.yes) {
        message(QStringLiteral(
            "stazione-cli: changing the channels erases the recorded data; add --yes to confirm."));
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto written = config::writeChannelCount(run.link, count);
        if (!written)
            return fail(written.error());
        run.link.Ritardo(200);
        run.report.add(QStringLiteral("accepted"), written->accepted);
        run.report.add(QStringLiteral("MUX"), written->channels);
        if (written->memory) {
            run.report.add(QStringLiteral("Acq_possibili"), written->memory->possible);
            run.report.add(QStringLiteral("acq_disponibili"), written->memory->available);
        } else {
            message(coreText(config::kNoChannelMessage));
        }
        return acceptedIf(written->accepted);
    });
}

int runSetEnabled(const Options& options, bool enabled)
{
    return onLogger(options, [&](Run& run) {
        auto state = config::setAcquisitionEnabled(run.link, enabled);
        if (!state)
            return fail(state.error());
        run.report.add(QStringLiteral("data_logging"), double(*state));
        if (*state == (enabled ? 1 : 0))
            return Verdict::Done;
        message(QStringLiteral("The logger did not change its acquisition state."));
        return Verdict::Incomplete;
    });
}

} // namespace stazione::cli
