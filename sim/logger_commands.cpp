// What the simulated logger does with each command: one row of the table per command text, one
// handler per row. The engine in logger_model.cpp cuts the bytes into commands and calls these.

#include "sim/logger_model.h"

#include <algorithm>
#include <cmath>

namespace stazione::sim {

namespace {

std::optional<int> toInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<bool> toFlag(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("1"))
        return true;
    if (trimmed == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<int> toIndex(const QString& text, int size)
{
    const std::optional<int> index = toInt(text);
    return index && *index >= 0 && *index < size ? index : std::nullopt;
}

QString value(const Transmission& t, int i)
{
    return t.values.value(i);
}

QByteArray field(const QString& text)
{
    return text.toLatin1() + ',';
}

QByteArray flagField(bool on)
{
    return on ? QByteArrayLiteral("1,") : QByteArrayLiteral("0,");
}

} // namespace

using L = LoggerModel;

// Nothing ends a command on the wire: the logger knows from `counts` when it has the whole
// command, and where a text allows two counts it waits for the line to go quiet before it
// settles for the smaller one. The first steps of the two-step commands carry no values; the
// logger then waits for the second step, which the last column handles.
const QList<LoggerModel::CommandEntry>& LoggerModel::stockCommands()
{
    static const QList<CommandEntry> commands{
        // Identification and acquisition state.
        {"V", takes(0), &L::sendIdentification, nullptr},
        {"O", takes(0), &L::sendAcquisitionEnabled, nullptr},
        {"o", takes(0), nullptr, &L::setAcquisitionEnabled},
        {"B", takes(0), &L::stopAcquisitionOrReading, nullptr},
        // Clock, schedule and memory.
        {"G", takes(0) | takes(1), &L::sendClock, nullptr},
        {"g", takes(6), &L::setClock, nullptr},
        {"D", takes(0), &L::sendNextAcquisition, nullptr},
        {"N", takes(0), &L::sendNextAcquisition, nullptr},
        {"C", takes(0) | takes(1), &L::sendInterval, nullptr},
        {"c", takes(2), &L::setIntervalPart, nullptr},
        {"M", takes(0) | takes(1), &L::sendMemoryState, nullptr},
        {"E", takes(0) | takes(1), &L::sendPreheating, nullptr},
        {"e", takes(1), &L::setPreheating, nullptr},
        // Channels, erase and reset.
        {"H", takes(0) | takes(1), &L::sendChannelCount, nullptr},
        {"h", takes(0), nullptr, &L::setChannelCount},
        {"b", takes(1), &L::eraseMemory, nullptr},
        {"z", takes(1), &L::resetLogger, nullptr},
        {"R", takes(1), &L::sendProperty, nullptr},
        {"r", takes(2), &L::setProperty, nullptr},
        // Station, power supply and peripherals.
        {"Q", takes(0), &L::sendStationName, nullptr},
        {"q", takes(1), &L::setStationName, nullptr},
        {"W", takes(0), &L::sendBatteryVoltage, nullptr},
        {"F", takes(0), &L::sendBatteryType, nullptr},
        {"f", takes(1) | takes(2), &L::setBatteryTypeOrPhoneAlarm, nullptr},
        {"U", takes(0) | takes(1), &L::sendMiniPanel, nullptr},
        {"u", takes(1), &L::setMiniPanel, nullptr},
        {"<", takes(0), &L::sendRainAmount, nullptr},
        {">", takes(1), &L::setRainAmount, nullptr},
        {"L", takes(1), &L::sendEventCount, nullptr},
        {"T", takes(0), &L::sendFsValues, nullptr},
        // Messaging and alarms.
        {"I", takes(1), &L::sendGsmEntry, nullptr},
        {"i", takes(2) | takes(12), &L::setGsmEntries, nullptr},
        {"j", takes(1) | takes(2), &L::setGsmEnabledOrAlarmEntry, nullptr},
        {"J", takes(1), &L::sendAlarmEntry, nullptr},
        {"X", takes(0), &L::sendPersonalText, nullptr},
        {"x", takes(0), nullptr, &L::takePersonalLine},
        {"Y", takes(0) | takes(1), &L::sendEmailEnabledOrStartDate, nullptr},
        {"y", takes(1) | takes(6), &L::setEmailEnabledOrStartDate, nullptr},
        {"K", takes(1), &L::sendGprsSetting, nullptr},
        {"k", takes(2), &L::setGprsSetting, nullptr},
        // Data transfer and live measurement.
        {"A", takes(0), nullptr, &L::downloadRecords},
        {"a", takes(0), &L::downloadCountedOrEndMeasurement, nullptr},
        {"P", takes(0), &L::startContinuousMeasurement, nullptr},
        {"p", takes(0), &L::startContinuousReading, nullptr},
    };
    return commands;
}

void LoggerModel::addCommand(CommandEntry entry)
{
    const auto same = std::find_if(m_commands.begin(), m_commands.end(),
                                   [&entry](const CommandEntry& e) { return e.text == entry.text; });
    if (same != m_commands.end())
        *same = std::move(entry);
    else
        m_commands.append(std::move(entry));
}

const LoggerModel::CommandEntry* LoggerModel::findCommand(QByteArrayView text) const
{
    const auto entry = std::find_if(m_commands.cbegin(), m_commands.cend(),
                                    [text](const CommandEntry& e) { return e.text == text; });
    return entry == m_commands.cend() ? nullptr : &*entry;
}

bool LoggerModel::continuesCommand(QByteArrayView text) const
{
    return std::any_of(m_commands.cbegin(), m_commands.cend(), [text](const CommandEntry& e) {
        return e.text.size() > text.size() && e.text.startsWith(text);
    });
}

bool LoggerModel::startsCommand(char byte) const
{
    const char text[1] = {byte};
    const QByteArrayView first(text, 1);
    return findCommand(first) || continuesCommand(first);
}

void LoggerModel::reply(Transmission& t, const QByteArray& fields)
{
    t.reply = answer(fields, t.at);
}

void LoggerModel::accept(Transmission& t)
{
    reply(t, QByteArrayLiteral("OK,"));
}

void LoggerModel::refuse(Transmission& t)
{
    reply(t, QByteArrayLiteral("ER,"));
}

void LoggerModel::ignore(const QString& why)
{
    m_notes << QStringLiteral("ignored: ") + why;
}

bool LoggerModel::refusesWrites() const
{
    return m_options.refuseWrites;
}

void LoggerModel::sendIdentification(Transmission& t)
{
    reply(t, field(m_state.identification) + field(m_state.version));
}

void LoggerModel::sendAcquisitionEnabled(Transmission& t)
{
    reply(t, flagField(m_state.acquisitionEnabled));
}

bool LoggerModel::setAcquisitionEnabled(Transmission& t)
{
    const std::optional<bool> on = toFlag(t.command);
    if (!on) {
        log(t.at, QStringLiteral("o with %1: not 1 or 0, dropped").arg(quotedForLog(t.raw)));
        return false;
    }
    if (!refusesWrites())
        m_state.acquisitionEnabled = *on;
    return true;
}

void LoggerModel::stopAcquisitionOrReading(Transmission&)
{
    if (m_stream == Stream::Reading) {
        m_stream = Stream::None; // the group already under way still goes out
        m_notes << QStringLiteral("continuous reading ended");
    } else if (refusesWrites()) {
        ignore(QStringLiteral("writes refused"));
    } else {
        m_state.acquisitionEnabled = false;
    }
}

void LoggerModel::sendClock(Transmission& t)
{
    reply(t, clockReply(loggerClock(t.at), !t.values.isEmpty()));
}

void LoggerModel::setClock(Transmission& t)
{
    std::array<int, 6> f{};
    bool numbers = true;
    for (int i = 0; i < 6; ++i) {
        const std::optional<int> n = toInt(value(t, i));
        numbers = numbers && n.has_value();
        f[i] = n.value_or(-1);
    }
    const int year = f[2] + 1900;
    const QDate date(year, f[1], f[0]);
    const bool valid = numbers && date.isValid() && year >= 2000 && year <= 2099 && f[3] >= 0 && f[3] < 24 &&
                       f[4] >= 0 && f[4] < 60 && f[5] >= 0 && f[5] < 60;
    if (refusesWrites() || !valid) {
        refuse(t);
        return;
    }
    const QDateTime target(date, QTime(f[3], f[4], f[5]), Qt::UTC);
    m_state.clockOffsetMs += loggerClock(t.at).msecsTo(target);
    accept(t);
}

void LoggerModel::sendNextAcquisition(Transmission& t)
{
    reply(t, nextAcquisitionReply(t.at));
}

void LoggerModel::sendInterval(Transmission& t)
{
    const auto& iv = m_state.interval;
    if (t.values.isEmpty() || value(t, 0).trimmed().isEmpty())
        reply(t, QString::asprintf("%03d,%03d,%03d,", iv[0], iv[1], iv[2]).toLatin1());
    else if (const std::optional<int> index = toIndex(value(t, 0), 3))
        reply(t, QString::asprintf("%03d,", iv[*index]).toLatin1());
    else
        refuse(t);
}

void LoggerModel::setIntervalPart(Transmission& t)
{
    const std::optional<int> index = toIndex(value(t, 0), 3);
    const std::optional<int> n = toInt(value(t, 1));
    const int limit = index == 0 ? 23 : 59;
    if (refusesWrites() || !index || !n || *n < 0 || *n > limit) {
        refuse(t);
        return;
    }
    m_state.interval[*index] = *n;
    accept(t);
}

void LoggerModel::sendMemoryState(Transmission& t)
{
    reply(t, QString::asprintf("%05d,%05d,", m_state.possibleAcquisitions(), m_state.availableAcquisitions())
                 .toLatin1());
}

void LoggerModel::sendPreheating(Transmission& t)
{
    reply(t, QString::asprintf("%05d,", m_state.preheatMs).toLatin1());
}

void LoggerModel::setPreheating(Transmission& t)
{
    const std::optional<int> ms = toInt(value(t, 0));
    if (refusesWrites())
        ignore(QStringLiteral("writes refused"));
    else if (!ms || *ms < 0 || *ms > State::kMaxPreheatMs)
        ignore(QStringLiteral("pre-heating out of range"));
    else
        m_state.preheatMs = *ms;
}

void LoggerModel::sendChannelCount(Transmission& t)
{
    reply(t, channelReply());
}

bool LoggerModel::setChannelCount(Transmission& t)
{
    const std::optional<int> channels = toInt(t.command);
    if (refusesWrites() || !channels || *channels < 0 || *channels > State::kMaxChannels) {
        refuse(t);
    } else {
        m_state.channels = *channels;
        accept(t);
    }
    return true;
}

bool LoggerModel::confirmedDestructive(const Transmission& t)
{
    if (value(t, 0).trimmed() != QLatin1String("839")) {
        ignore(QStringLiteral("wrong confirmation code"));
        return false;
    }
    if (refusesWrites()) {
        ignore(QStringLiteral("writes refused"));
        return false;
    }
    return true;
}

void LoggerModel::eraseMemory(Transmission& t)
{
    if (confirmedDestructive(t))
        m_state.records.clear();
}

void LoggerModel::resetLogger(Transmission& t)
{
    if (!confirmedDestructive(t))
        return;
    const qint64 offset = m_state.clockOffsetMs;
    m_state = defaultState(m_options, loggerClock(t.at));
    m_state.clockOffsetMs = offset;
    m_state.records.clear();
    m_stream = Stream::None;
    // The client's pause after a reset runs from when the command reached the logger, which a
    // late look at the line can only have read later: the logger is busy from the earliest
    // moment it can have heard the command, so that a loaded host never makes it deaf to a
    // client that waited.
    m_busyUntil = std::min(t.at, m_heardSince) + resetBusyTime();
}

void LoggerModel::sendProperty(Transmission& t)
{
    if (const std::optional<int> slot = toIndex(value(t, 0), State::kPropertySlots))
        reply(t, field(m_state.properties.at(*slot)));
    else
        refuse(t);
}

void LoggerModel::setProperty(Transmission& t)
{
    if (const std::optional<int> slot = toIndex(value(t, 0), State::kPropertySlots);
        slot && !refusesWrites()) {
        m_state.properties[*slot] = value(t, 1);
        accept(t);
    } else {
        refuse(t);
    }
}

void LoggerModel::sendStationName(Transmission& t)
{
    reply(t, field(m_state.stationName));
}

void LoggerModel::setStationName(Transmission& t)
{
    if (refusesWrites() || value(t, 0).size() > State::kMaxNameLength) {
        refuse(t);
    } else {
        m_state.stationName = value(t, 0);
        accept(t);
    }
}

void LoggerModel::sendBatteryVoltage(Transmission& t)
{
    reply(t, field(m_state.batteryVoltage));
}

void LoggerModel::sendBatteryType(Transmission& t)
{
    reply(t, flagField(m_state.leadAcidBattery));
}

void LoggerModel::setBatteryTypeOrPhoneAlarm(Transmission& t)
{
    if (t.values.size() == 1) {
        const std::optional<bool> leadAcid = toFlag(value(t, 0));
        if (refusesWrites() || !leadAcid) {
            refuse(t);
        } else {
            m_state.leadAcidBattery = *leadAcid;
            accept(t);
        }
    } else if (refusesWrites()) {
        ignore(QStringLiteral("writes refused"));
    } else {
        m_state.phoneAlarmNumber = value(t, 0).trimmed();
        m_state.phoneAlarmFlag = value(t, 1).trimmed();
    }
}

void LoggerModel::sendMiniPanel(Transmission& t)
{
    reply(t, flagField(m_state.miniPanel));
}

void LoggerModel::setMiniPanel(Transmission& t)
{
    const std::optional<bool> on = toFlag(value(t, 0));
    if (refusesWrites() || !on) {
        refuse(t);
    } else {
        m_state.miniPanel = *on;
        accept(t);
    }
}

void LoggerModel::sendRainAmount(Transmission& t)
{
    reply(t, field(m_state.rainAmount));
}

void LoggerModel::setRainAmount(Transmission& t)
{
    if (refusesWrites())
        ignore(QStringLiteral("writes refused"));
    else
        m_state.rainAmount = value(t, 0).trimmed();
}

void LoggerModel::sendEventCount(Transmission& t)
{
    reply(t, QByteArray::number(m_state.eventCount) + ',');
}

void LoggerModel::sendFsValues(Transmission& t)
{
    reply(t, QByteArrayLiteral("12,3,1250000,2500000,500000,998000,"));
}

void LoggerModel::sendGsmEntry(Transmission& t)
{
    if (const std::optional<int> index = toIndex(value(t, 0), State::kGsmEntries))
        reply(t, field(m_state.gsmEntries.at(*index)));
    else
        refuse(t);
}

void LoggerModel::setGsmEntries(Transmission& t)
{
    if (t.values.size() == 2) {
        if (const std::optional<int> index = toIndex(value(t, 0), State::kGsmEntries);
            index && !refusesWrites()) {
            m_state.gsmEntries[*index] = value(t, 1).trimmed();
            accept(t);
        } else {
            refuse(t);
        }
    } else if (refusesWrites()) {
        ignore(QStringLiteral("writes refused"));
    } else {
        for (int k = 0; k < State::kGsmEntries; ++k)
            m_state.gsmEntries[k] = value(t, k).trimmed();
        m_state.smsFlag = value(t, 11).trimmed();
    }
}

void LoggerModel::setGsmEnabledOrAlarmEntry(Transmission& t)
{
    if (t.values.size() == 1) {
        const std::optional<bool> on = toFlag(value(t, 0));
        if (refusesWrites())
            ignore(QStringLiteral("writes refused"));
        else if (!on)
            ignore(QStringLiteral("GSM switch neither 1 nor 0"));
        else
            m_state.gsmEnabled = *on;
    } else if (const std::optional<int> index = toIndex(value(t, 0), State::kAlarmEntries);
               index && !refusesWrites()) {
        m_state.alarmEntries[*index] = value(t, 1).trimmed();
        accept(t);
    } else {
        refuse(t);
    }
}

void LoggerModel::sendAlarmEntry(Transmission& t)
{
    if (const std::optional<int> index = toIndex(value(t, 0), State::kAlarmEntries))
        reply(t, field(m_state.alarmEntries.at(*index)));
    else
        refuse(t);
}

void LoggerModel::sendPersonalText(Transmission& t)
{
    QByteArray fields;
    for (const QString& line : std::as_const(m_state.personalText))
        fields += field(line);
    reply(t, fields);
}

bool LoggerModel::takePersonalLine(Transmission& t)
{
    // Each line is a second step of its own; the logger stays in the second step until the
    // fifth has come, allowing each its own time.
    m_second.lines << t.command;
    m_second.deadline = t.at + secondStepTimeout();
    if (m_second.lines.size() == State::kPersonalLines) {
        if (!refusesWrites())
            m_state.personalText = m_second.lines;
        m_second = {};
    } else {
        m_phase = Phase::SecondStep;
    }
    return true;
}

void LoggerModel::sendEmailEnabledOrStartDate(Transmission& t)
{
    if (t.values.isEmpty()) {
        reply(t, flagField(m_state.emailEnabled));
    } else {
        const auto& d = m_state.startDate;
        reply(t, QString::asprintf("%02d,%02d,%04d,%02d,%02d,%02d,", d[0], d[1], d[2], d[3], d[4], d[5])
                     .toLatin1());
    }
}

void LoggerModel::setEmailEnabledOrStartDate(Transmission& t)
{
    if (refusesWrites()) {
        ignore(QStringLiteral("writes refused"));
    } else if (t.values.size() == 1) {
        if (const std::optional<bool> on = toFlag(value(t, 0)))
            m_state.emailEnabled = *on;
        else
            ignore(QStringLiteral("e-mail switch neither 1 nor 0"));
    } else {
        // Stored as given, past dates included: a start date in the past ("13,10,75,...")
        // is how the client asks for a measurement at once.
        for (int i = 0; i < 6; ++i)
            m_state.startDate[i] = toInt(value(t, i)).value_or(0) + (i == 2 ? 1900 : 0);
    }
}

void LoggerModel::sendGprsSetting(Transmission& t)
{
    if (const std::optional<int> index = toIndex(value(t, 0), State::kGprsSettings))
        reply(t, field(m_state.gprsSettings.at(*index)));
    else
        refuse(t);
}

void LoggerModel::setGprsSetting(Transmission& t)
{
    if (const std::optional<int> index = toIndex(value(t, 0), State::kGprsSettings);
        index && !refusesWrites()) {
        m_state.gprsSettings[*index] = value(t, 1);
        accept(t);
    } else {
        refuse(t);
    }
}

bool LoggerModel::downloadRecords(Transmission& t)
{
    const std::optional<bool> newestFirst = toFlag(t.command);
    if (!newestFirst) {
        log(t.at, QStringLiteral("A with %1: no such download mode, dropped").arg(quotedForLog(t.raw)));
        return false;
    }
    Download download{m_state.records, 0, m_options.stopAfter};
    if (*newestFirst)
        std::reverse(download.records.begin(), download.records.end());
    m_download = std::move(download);
    const qsizetype before = pendingOutputSize();
    refillDownload(t.at);
    if (!m_output.empty() && pendingOutputSize() > before)
        t.reply = m_output.back().bytes; // the first block: enough for the log
    return true;
}

void LoggerModel::downloadCountedOrEndMeasurement(Transmission& t)
{
    if (m_stream == Stream::Measurement) {
        m_stream = Stream::None; // the set already under way still goes out
        m_notes << QStringLiteral("continuous measurement ended");
    } else {
        qint64 budget = m_options.stopAfter;
        t.reply = sendStream(countedDownload(), t.at, budget);
    }
}

void LoggerModel::startContinuousMeasurement(Transmission& t)
{
    startStream(Stream::Measurement, t.at, t);
}

void LoggerModel::startContinuousReading(Transmission& t)
{
    startStream(Stream::Reading, t.at, t);
}

QByteArray LoggerModel::clockReply(const QDateTime& time, bool full) const
{
    const QDate d = time.date();
    const QTime t = time.time();
    if (full) {
        return QString::asprintf("%02d,%02d,%04d,%02d,%02d,%02d,", d.day(), d.month(), d.year(), t.hour(),
                                 t.minute(), t.second())
            .toLatin1();
    }
    // The short form is what a remote read takes by count: five three-digit fields.
    return QString::asprintf("%03d,%03d,%03d,%03d,%03d,", d.day(), d.month(), d.year() - 2000, t.hour(),
                             t.minute())
        .toLatin1();
}

QByteArray LoggerModel::nextAcquisitionReply(Instant at) const
{
    // Fixed width: the client cuts the digits out at positions 2, 6, 10, 14 and 18.
    const QDateTime next = m_state.nextAcquisitionAfter(loggerClock(at));
    const QDate d = next.date();
    const QTime t = next.time();
    return QString::asprintf(" %02d, %02d, %02d, %02d, %02d,", d.day(), d.month(), d.year() % 100, t.hour(),
                             t.minute())
        .toLatin1();
}

QByteArray LoggerModel::channelReply() const
{
    const QByteArray type = isVibratingWire(m_state.identification) ? "002," : "001,";
    QByteArray fields = QByteArray::number(m_state.channels) + ',';
    for (int i = 0; i < m_state.channels; ++i)
        fields += type;
    return fields + "000,";
}

QByteArray LoggerModel::downloadLine(const QDateTime& stamp) const
{
    QByteArray line = stamp.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
    for (int ch = 0; ch < m_state.channels; ++ch)
        line += ';' + QByteArray::number(recordedValue(stamp, ch), 'f', 3);
    return line + (m_options.lfOnly ? "\n" : "\r\n");
}

QByteArray LoggerModel::countedDownload() const
{
    QByteArray text =
        QByteArray::number(m_state.records.size()) + ',' + QByteArray::number(m_state.channels) + ',';
    int valueNumber = 0;
    for (const QDateTime& stamp : m_state.records) {
        const QDate d = stamp.date();
        const QTime t = stamp.time();
        text += QString::asprintf("%d,%d,%d,%d,%d,%d,", d.day(), d.month(), d.year(), t.hour(), t.minute(),
                                  t.second())
                    .toLatin1();
        for (int ch = 0; ch < m_state.channels; ++ch) {
            ++valueNumber;
            if (m_options.outOfRange > 0 && valueNumber % m_options.outOfRange == 0)
                text += "99.9,";
            else
                text += QByteArray::number(recordedValue(stamp, ch), 'f', 2) + ',';
        }
    }
    return text;
}

QByteArray LoggerModel::measurementSet(Instant at)
{
    ++m_setsSent;
    const int channels = m_state.channels;
    const int failing = channels >= 2 ? 2 : 1;
    const bool timedOut = m_options.pTimeoutAfter >= 0 && m_setsSent > m_options.pTimeoutAfter;
    QByteArray set =
        "\r\n" + loggerClock(at).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1() + ',';
    for (int k = 1; k <= channels; ++k) {
        set += "CH" + QByteArray(1, static_cast<char>('A' + k - 1)) + "%,mV,";
        if (timedOut && k == failing)
            set += "%%,";
        else
            set +=
                QByteArray::number(1000.0 + 250.0 * k + 25.0 * std::sin(m_setsSent * 0.4 + k), 'f', 3) + ',';
    }
    return set;
}

QByteArray LoggerModel::readingGroup()
{
    ++m_setsSent;
    QByteArray group;
    for (int i = 0; i < m_state.channels; ++i) {
        const double wobble = std::sin(m_setsSent * 0.3 + i);
        if (isVibratingWire(m_state.identification)) {
            group += QByteArray::number(2 * i) + ",F" + QByteArray::number(i) + ',' +
                     QByteArray::number(2500.123 + 10.0 * i + wobble, 'f', 3) + ',';
            group += QByteArray::number(2 * i + 1) + ",T" + QByteArray::number(i) + ',' +
                     QByteArray::number(20.5 + 0.5 * wobble, 'f', 2) + ',';
        } else {
            group += QByteArray::number(i) + ",CH" + QByteArray::number(i) + ',' +
                     QByteArray::number(12.345 + i + 0.1 * wobble, 'f', 3) + ',';
        }
    }
    return group;
}

} // namespace stazione::sim
