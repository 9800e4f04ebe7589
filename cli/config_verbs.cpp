#include "alarms/start_date.h"
#include "cli/cli.h"
#include "config/channels.h"
#include "config/clock_schedule.h"
#include "config/preheating.h"
#include "config/station.h"
#include "link/numbers.h"
#include "session/models.h"
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
        return put(report, QStringLiteral("data_allarme"), alarms::readStartDate(link));
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
            message(config::kNoChannelMessage);
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
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    link::Link& link = *logger->link;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto retrieved = session::runRetrieval(
        link, logger->id.Modello,
        [&](session::RetrievalStep step) { return retrievalStep(link, step, report); },
        [](const QString& line) { message(line); },
        options.modemPort ? session::RetrievalKind::Remote : session::RetrievalKind::Direct);
    if (failed(retrieved))
        return kExitFailure;
    logger->close();
    report.print();
    return kExitOk;
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
        if (refused(link::typedArray("data", boxes)))
            return kExitUsage;
    }
    if (!config::timeIsValid(boxes[3], boxes[4])) {
        message(config::kCheckDataMessage);
        return kExitUsage;
    }
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    link::Link& link = *logger->link;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto written = config::writeClock(link, boxes);
    if (failed(written))
        return kExitFailure;
    report.add(QStringLiteral("accepted"), written->accepted);
    if (written->clock)
        report.add(QStringLiteral("data"), textArray(*written->clock));
    if (written->startDate)
        report.add(QStringLiteral("data_allarme"), textArray(*written->startDate));
    if (logger->id.Modello == session::kModelVibratingWire) {
        auto start = alarms::readStartDate(link);
        if (failed(start))
            return kExitFailure;
        report.add(QStringLiteral("data_allarme"), textArray(*start));
    }
    logger->close();
    return finish(report, written->accepted);
}

int runSetInterval(const Options& options)
{
    if (options.arguments.size() != 3) {
        message(QStringLiteral("stazione-cli: set-interval takes hours, minutes and seconds."));
        return kExitUsage;
    }
    if (refused(link::typedArray("conversione", options.arguments)))
        return kExitUsage;
    const auto check = config::checkInterval(
        {options.arguments[0], options.arguments[1], options.arguments[2]}, options.gsm);
    if (!check.ok) {
        message(config::kIntervalMessage);
        return kExitUsage;
    }
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto written = config::writeInterval(*logger->link, check.boxes);
    if (failed(written))
        return kExitFailure;
    logger->close();
    report.add(QStringLiteral("conversione"), textArray(check.boxes));
    QJsonArray accepted;
    for (bool a : *written)
        accepted.append(a);
    report.add(QStringLiteral("accepted"), accepted);
    report.print();
    if (!allAccepted(*written)) {
        message(QStringLiteral("Parametro non registrato"));
        return kExitFailure;
    }
    return kExitOk;
}

int runSetName(const Options& options)
{
    if (options.arguments.size() != 1) {
        message(QStringLiteral("stazione-cli: set-name takes the station name."));
        return kExitUsage;
    }
    const QString name = options.arguments[0].trimmed();
    if (refused({{QStringLiteral("Nome_Centralina"), name}}))
        return kExitUsage;
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto accepted = config::writeStationName(*logger->link, name);
    if (failed(accepted))
        return kExitFailure;
    logger->close();
    report.add(QStringLiteral("Nome_Centralina"), name);
    report.add(QStringLiteral("accepted"), *accepted);
    return finish(report, *accepted);
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
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto written = config::writeChannelCount(*logger->link, count);
    if (failed(written))
        return kExitFailure;
    logger->link->Ritardo(200);
    logger->close();
    report.add(QStringLiteral("accepted"), written->accepted);
    report.add(QStringLiteral("MUX"), written->channels);
    if (written->memory) {
        report.add(QStringLiteral("Acq_possibili"), written->memory->possible);
        report.add(QStringLiteral("acq_disponibili"), written->memory->available);
    } else {
        message(config::kNoChannelMessage);
    }
    return finish(report, written->accepted);
}

int runSetEnabled(const Options& options, bool enabled)
{
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    Report report(options.json);
    addIdentification(report, logger->id);
    auto state = config::setAcquisitionEnabled(*logger->link, enabled);
    if (failed(state))
        return kExitFailure;
    logger->close();
    report.add(QStringLiteral("data_logging"), double(*state));
    report.print();
    return *state == (enabled ? 1 : 0) ? kExitOk : kExitFailure;
}

} // namespace stazione::cli
