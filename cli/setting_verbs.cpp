// The small settings of the main window that each take one exchange or two: pre-heating, battery
// type, mini-panel and event counter, rain amount and event count, the stop, the start date, the
// SMS, phone-alarm and GSM switches, and the values behind "leggifs".

#include "alarms/messaging.h"
#include "cli/cli.h"
#include "config/clock_schedule.h"
#include "config/date_fields.h"
#include "config/preheating.h"
#include "config/start_date.h"
#include "config/station.h"
#include "link/commands.h"
#include "link/models.h"
#include "link/numbers.h"
#include "session/operations.h"
#include "session/session.h"

#include <QJsonArray>

namespace stazione::cli {

namespace {

// A switch's argument: "1"/"on" or "0"/"off"; nullopt (told on stderr) for anything else.
std::optional<bool> switchArgument(const Options& options)
{
    if (options.arguments.size() == 1) {
        const QString a = options.arguments[0].toLower();
        if (a == QLatin1String("1") || a == QLatin1String("on"))
            return true;
        if (a == QLatin1String("0") || a == QLatin1String("off"))
            return false;
    }
    message(QStringLiteral("stazione-cli: %1 takes 1 (on) or 0 (off).").arg(options.verb));
    return std::nullopt;
}

// The frames the vibrating-wire model's window hides: its logger has no such setting.
bool modelHasPowerFrames(const Run& run, const QString& what)
{
    if (run.logger.id.Modello != link::kModelVibratingWire)
        return true;
    message(QStringLiteral("stazione-cli: %1 has no %2; its window does not show it.")
                .arg(link::kModelVibratingWire, what));
    return false;
}

// The GSM controls the base model's window hides.
bool modelHasGsm(const Run& run)
{
    if (run.logger.id.Modello != link::kModelBase)
        return true;
    message(QStringLiteral("stazione-cli: %1 has no GSM; its window shows \"FUNZIONE NON DISPONIBILE\".")
                .arg(link::kModelBase));
    return false;
}

// A value the logger reads back after a switch: the run fails when it is not the one asked for.
Verdict switched(Run& run, const QString& box, long long readBack, bool wanted)
{
    run.report.add(box, double(readBack));
    if (readBack == (wanted ? 1 : 0))
        return Verdict::Done;
    message(QStringLiteral("The logger still reports %1 = %2.").arg(box).arg(readBack));
    return Verdict::Incomplete;
}

std::optional<config::DateFields> dateArguments(const Options& options)
{
    if (options.arguments.size() != 6) {
        message(
            QStringLiteral("stazione-cli: %1 takes day month year hour minute second.").arg(options.verb));
        return std::nullopt;
    }
    config::DateFields boxes;
    for (int i = 0; i < 6; ++i)
        boxes[i] = options.arguments[i];
    return boxes;
}

} // namespace

int runSetPreheating(const Options& options)
{
    if (options.arguments.size() != 1) {
        message(QStringLiteral("stazione-cli: set-preheating takes the time in milliseconds."));
        return kExitUsage;
    }
    if (refused({{QStringLiteral("preaccensione"), options.arguments[0].trimmed()}}))
        return kExitUsage;
    // Whole milliseconds, never negative: "-99999" or "abc" would go out as they stand.
    bool whole = false;
    const long long ms = options.arguments[0].trimmed().toLongLong(&whole);
    if (!whole || ms < 0) {
        message(
            QStringLiteral("stazione-cli: set-preheating takes milliseconds from 0 to %1. Nothing was sent.")
                .arg(link::cmd::kMaxPreheatingMs));
        return kExitUsage;
    }
    const auto text = config::preheatingToSend(options.arguments[0].trimmed());
    if (!text) {
        message(config::kPreheatingTooLong);
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        if (!modelHasPowerFrames(run, QStringLiteral("pre-heating")))
            return Verdict::Refusal;
        // The logger answers nothing; "params" shows what it holds.
        if (auto s = config::writePreheating(run.link, *text); !s)
            return fail(s.error());
        run.report.add(QStringLiteral("preaccensione"), *text);
        return Verdict::Done;
    });
}

int runSetBattery(const Options& options)
{
    const auto on = switchArgument(options);
    if (!on)
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        if (!modelHasPowerFrames(run, QStringLiteral("battery type")))
            return Verdict::Refusal;
        auto written = config::writeBatteryType(run.link, *on ? 1 : 0);
        if (!written)
            return fail(written.error());
        run.report.add(QStringLiteral("accepted"), written->accepted);
        if (!written->accepted) {
            run.report.add(QStringLiteral("BATTPBX"), double(written->readBack));
            return Verdict::Refused;
        }
        return switched(run, QStringLiteral("BATTPBX"), written->readBack, *on);
    });
}

int runSetMiniPanel(const Options& options)
{
    const auto on = switchArgument(options);
    if (!on)
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        if (!modelHasPowerFrames(run, QStringLiteral("mini-panel")))
            return Verdict::Refusal;
        auto written = config::writeMiniPanel(run.link, *on ? 1 : 0);
        if (!written)
            return fail(written.error());
        run.report.add(QStringLiteral("accepted"), written->accepted);
        if (!written->accepted) {
            run.report.add(QStringLiteral("minipan"), double(written->readBack));
            return Verdict::Refused;
        }
        return switched(run, QStringLiteral("minipan"), written->readBack, *on);
    });
}

int runSetCounter(const Options& options)
{
    const auto on = switchArgument(options);
    if (!on)
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        auto state = config::switchEventCounter(run.link, *on);
        if (!state)
            return fail(state.error());
        return switched(run, QStringLiteral("PLUVIOMETRO"), *state, *on);
    });
}

int runRain(const Options& options)
{
    return onLogger(options, [](Run& run) {
        auto amount = config::readRainAmount(run.link);
        if (!amount)
            return fail(amount.error());
        run.report.add(QStringLiteral("mmpioggia"), *amount);
        return Verdict::Done;
    });
}

int runSetRain(const Options& options)
{
    if (options.arguments.size() != 1) {
        message(QStringLiteral("stazione-cli: set-rain takes the rain amount in millimetres."));
        return kExitUsage;
    }
    const QString amount = options.arguments[0].trimmed();
    if (refused({{QStringLiteral("mmpioggia"), amount}}))
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        auto held = config::writeRainAmount(run.link, amount);
        if (!held)
            return fail(held.error());
        run.report.add(QStringLiteral("mmpioggia"), *held);
        return Verdict::Done;
    });
}

int runQueryVerb(const Options& options)
{
    const session::Operation* row = nullptr;
    for (const session::Operation& r : session::operations()) {
        if (r.kind == session::Kind::Query && r.verb && options.verb == QString::fromUtf8(r.verb))
            row = &r;
    }
    if (!row)
        return kExitUsage;
    return onLogger(options, [row](Run& run) {
        auto value = session::runQuery(run.link, *row);
        if (!value)
            return fail(value.error());
        run.report.add(QString::fromUtf8(row->boxes), *value);
        return Verdict::Done;
    });
}

int runEvents(const Options& options)
{
    return onLogger(options, [](Run& run) {
        auto count = config::readEventCount(run.link);
        if (!count)
            return fail(count.error());
        run.report.add(QStringLiteral("Text2"), *count);
        return Verdict::Done;
    });
}

int runStop(const Options& options)
{
    return onLogger(options, [](Run& run) {
        if (auto s = config::stopAcquisition(run.link); !s)
            return fail(s.error());
        run.report.add(QStringLiteral("stopped"), true);
        return Verdict::Done;
    });
}

int runSetStart(const Options& options)
{
    const auto boxes = dateArguments(options);
    if (!boxes)
        return kExitUsage;
    if (refused(link::typedArray("data_allarme", *boxes)) || dateRefused(options.verb, *boxes))
        return kExitUsage;
    if (!config::timeIsValid((*boxes)[3], (*boxes)[4])) {
        message(config::kCheckDataMessage);
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto held = config::writeStartDate(run.link, *boxes);
        if (!held)
            return fail(held.error());
        run.report.add(QStringLiteral("data_allarme"), textArray(*held));
        return Verdict::Done;
    });
}

int runStartNow(const Options& options)
{
    return onLogger(options, [](Run& run) {
        auto held = config::startNow(run.link);
        if (!held)
            return fail(held.error());
        run.report.add(QStringLiteral("data_allarme"), textArray(*held));
        return Verdict::Done;
    });
}

// The SMS and phone-alarm switches send the whole address book as the logger holds it, with the
// phone number and the other switch's flag as the window's boxes hold them: empty and 0 in a
// window that was just opened, or the values given with --set.
int runAlarmSwitch(const Options& options, AlarmSwitch which)
{
    const auto on = switchArgument(options);
    if (!on)
        return kExitUsage;
    const QString otherBox =
        which == AlarmSwitch::Sms ? QStringLiteral("Abilita_Telefono") : QStringLiteral("Abilita_SMS");
    QString phone;
    QString otherFlag = QStringLiteral("0");
    for (const QString& set : options.sets) {
        const QString key = set.section(QLatin1Char('='), 0, 0);
        const QString value = set.section(QLatin1Char('='), 1);
        if (key == QLatin1String("NUMERO_ALLARME_TELEFONO")) {
            phone = value.trimmed();
        } else if (key == otherBox && (value == QLatin1String("0") || value == QLatin1String("1"))) {
            otherFlag = value;
        } else {
            message(QStringLiteral("stazione-cli: --set here takes NUMERO_ALLARME_TELEFONO=NUMBER or %1=0|1.")
                        .arg(otherBox));
            return kExitUsage;
        }
    }
    const QString pressed = *on ? QStringLiteral("1") : QStringLiteral("0");
    const QString other = link::signedNotation(otherFlag.toLongLong());
    return onLogger(options, [&](Run& run) {
        if (!modelHasGsm(run))
            return Verdict::Refusal;
        auto entries = alarms::readGsmEntries(run.link);
        if (!entries)
            return fail(entries.error());
        const bool sms = which == AlarmSwitch::Sms;
        if (auto s = alarms::sendAlarmSwitches(run.link, *entries, sms ? pressed : other, phone,
                                               sms ? other : pressed);
            !s)
            return fail(s.error());
        run.link.Ritardo(50);
        entries = alarms::readGsmEntries(run.link);
        if (!entries)
            return fail(entries.error());
        run.report.add(sms ? QStringLiteral("Abilita_SMS") : QStringLiteral("Abilita_Telefono"), *on ? 1 : 0);
        run.report.add(QStringLiteral("NUMERO_ALLARME_TELEFONO"), phone);
        run.report.add(QStringLiteral("NUMERO_ALLARME_SMS"), textArray(entries->mid(0, 10)));
        run.report.add(QStringLiteral("NUMERO_ALLARMI_SMS"), entries->value(10));
        return Verdict::Done;
    });
}

int runSetGsm(const Options& options)
{
    const auto on = switchArgument(options);
    if (!on)
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        if (auto s = alarms::setGsmEnabled(run.link, *on); !s)
            return fail(s.error());
        // The window reads the acquisition state after the switch, as its box shows nothing else.
        run.link.Ritardo(50);
        auto state = config::readAcquisitionEnabled(run.link);
        if (!state)
            return fail(state.error());
        run.report.add(QStringLiteral("Telefono"), *on ? 1 : 0);
        run.report.add(QStringLiteral("data_logging"), double(*state));
        return Verdict::Done;
    });
}

int runFullScale(const Options& options)
{
    return onLogger(options, [](Run& run) {
        session::DeviceRecord record;
        if (auto s = session::readFsValues(run.link, record); !s)
            return fail(s.error());
        QJsonArray values;
        for (double v : record.fs)
            values.append(v);
        run.report.add(QStringLiteral("fs"), values);
        return Verdict::Done;
    });
}

} // namespace stazione::cli
