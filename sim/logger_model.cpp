#include "sim/logger_model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace stazione::sim {

using namespace std::chrono_literals;

namespace {

constexpr quint32 count(int n)
{
    return 1u << n;
}

// How many values each command letter may carry. Nothing ends a command on the wire: the
// logger knows from this table when it has the whole command, and where a letter allows two
// counts it waits for the line to go quiet before it settles for the smaller one.
struct Grammar {
    const char* letters;
    quint32 counts; // bit n set: the command may take n values
};

constexpr Grammar kGrammar[] = {
    // The first steps of the two-step commands "o", "h", "A" and "x" carry no values either.
    {"VOBQWF<XTDNPpaohAx", count(0)},
    {"GCEHMUY", count(0) | count(1)},
    {"qe>LRIJKubz", count(1)},
    {"crk", count(2)},
    {"fj", count(1) | count(2)},
    {"y", count(1) | count(6)},
    {"g", count(6)},
    {"i", count(2) | count(12)},
};

quint32 valueCounts(char letter)
{
    for (const Grammar& rule : kGrammar) {
        if (letter != '\0' && std::strchr(rule.letters, letter))
            return rule.counts;
    }
    return 0;
}

int largestCount(quint32 counts)
{
    return static_cast<int>(std::bit_width(counts)) - 1;
}

QDateTime withoutZone(const QDateTime& local)
{
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

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

QByteArray field(const QString& text)
{
    return text.toLatin1() + ',';
}

QByteArray flagField(bool on)
{
    return on ? QByteArrayLiteral("1,") : QByteArrayLiteral("0,");
}

bool isSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n' || c == LoggerModel::kEndOfText;
}

} // namespace

LoggerModel::LoggerModel(Options options, Instant start, const QDateTime& hostTimeAtStart)
    : m_options(std::move(options))
    , m_start(start)
    , m_hostAtStart(hostTimeAtStart)
    , m_random(m_options.seed)
    , m_nextSet(start)
    , m_lineFreeAt(start)
{
    if (!(m_options.timeScale > 0))
        m_options.timeScale = 1.0;
    m_state = defaultState(m_options, withoutZone(m_hostAtStart));
}

Clock::duration LoggerModel::scaled(std::chrono::milliseconds base, std::chrono::milliseconds floor) const
{
    const auto scaledBase = std::chrono::round<Clock::duration>(
        std::chrono::duration<double, std::milli>(base.count() * m_options.timeScale));
    return std::max<Clock::duration>(scaledBase, floor);
}

Clock::duration LoggerModel::wakeDelay() const
{
    return scaled(300ms, 5ms);
}

Clock::duration LoggerModel::endOfCommandGap() const
{
    return scaled(150ms, 100ms);
}

Clock::duration LoggerModel::secondStepTimeout() const
{
    return scaled(3000ms, 200ms);
}

Clock::duration LoggerModel::streamPeriod() const
{
    return scaled(1000ms, 20ms);
}

Clock::duration LoggerModel::resetBusyTime() const
{
    // Shorter than the 0.4 s the program waits after a reset before it reads again.
    return scaled(300ms, 0ms);
}

Clock::duration LoggerModel::characterTime()
{
    // Ten bits per character (start, eight data, stop) at 9600 baud.
    return std::chrono::nanoseconds(1'000'000'000 / 960);
}

QDateTime LoggerModel::hostTime(Instant at) const
{
    return m_hostAtStart.addMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(at - m_start).count());
}

QDateTime LoggerModel::loggerClock(Instant now) const
{
    return withoutZone(hostTime(now)).addMSecs(m_state.clockOffsetMs);
}

void LoggerModel::log(Instant at, const QString& text)
{
    m_log.append({at, text});
}

QList<LogEntry> LoggerModel::takeLog()
{
    return std::exchange(m_log, {});
}

bool LoggerModel::takeHangUpRequest()
{
    return std::exchange(m_hangUp, false);
}

void LoggerModel::lineOpened(Instant now)
{
    m_lineOpen = true;
    m_greetAt = now + wakeDelay();
    m_lineFreeAt = now;
    log(now, QStringLiteral("line opened"));
}

void LoggerModel::lineClosed(Instant now)
{
    if (!m_lineOpen)
        return;
    QString text = QStringLiteral("line closed");
    if (m_stream != Stream::None)
        text += QStringLiteral(", stream stopped");
    const qsizetype dropped = pendingOutputSize();
    if (dropped > 0)
        text += QStringLiteral(", %1 bytes not sent").arg(dropped);
    if (m_phase != Phase::Idle)
        text += QStringLiteral(", unfinished command dropped");
    log(now, text);

    // The logger forgets everything half-done when the cable goes: a client that comes back
    // starts from a quiet, idle logger.
    m_lineOpen = false;
    m_greetAt.reset();
    m_phase = Phase::Idle;
    m_command = {};
    m_second = {};
    m_stream = Stream::None;
    m_output.clear();
    m_lineFreeAt = now;
}

void LoggerModel::receive(QByteArrayView bytes, Instant now)
{
    if (bytes.isEmpty())
        return;
    tick(now);
    if (isBusy(now)) {
        log(now, QStringLiteral("busy after reset, ignored %1").arg(quotedForLog(bytes.toByteArray())));
        return;
    }
    // A logger that hears a command while it is still waking up gets on with the command
    // and never sends its greeting.
    m_greetAt.reset();

    QByteArray noise;
    auto flushNoise = [&] {
        if (!noise.isEmpty())
            log(now, QStringLiteral("noise %1 dropped").arg(quotedForLog(noise)));
        noise.clear();
    };
    for (const char byte : bytes) {
        if (m_phase == Phase::Idle && valueCounts(byte) == 0) {
            noise += byte;
            continue;
        }
        flushNoise();
        receiveByte(byte, now);
        if (!m_lineOpen)
            return; // hung up: whatever else came is lost with the line
    }
    flushNoise();
}

void LoggerModel::receiveByte(char byte, Instant now)
{
    switch (m_phase) {
    case Phase::Idle:
        startCommand(byte, now);
        break;
    case Phase::Values:
        if (startsNextCommand(byte)) {
            complete(now);
            startCommand(byte, now);
            break;
        }
        m_command.raw += byte;
        m_command.lastByte = now;
        if (byte == ',') {
            m_command.values << QString::fromLatin1(m_command.current);
            m_command.current.clear();
            if (m_command.values.size() == largestCount(m_command.counts))
                complete(now);
        } else {
            m_command.current += byte;
        }
        break;
    case Phase::SecondStep:
        receiveSecondStep(byte, now);
        break;
    }
}

bool LoggerModel::startsNextCommand(char byte) const
{
    // Where a command may already be complete, the values that could still follow are numbers,
    // flags and phone numbers. A command letter instead means the client has moved on sooner
    // than the gap: with short pauses (a scaled-down client) an unacknowledged "y" or "j" with
    // one value is followed by the next command within a few milliseconds.
    const bool letter =
        (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '<' || byte == '>';
    const int received = static_cast<int>(m_command.values.size());
    return letter && valueCounts(byte) != 0 && m_command.current.isEmpty() &&
           (m_command.counts & count(received));
}

void LoggerModel::startCommand(char letter, Instant now)
{
    const quint32 counts = valueCounts(letter);
    if (letter == m_options.dropOn) {
        Transmission t;
        t.at = now;
        t.command = QString(QLatin1Char(letter));
        t.raw = QByteArray(1, letter);
        m_notes << QStringLiteral("dropping the line");
        record(t);
        m_hangUp = true;
        lineClosed(now);
        return;
    }
    m_command = Command{letter, counts, {}, {}, QByteArray(1, letter), now};
    if (counts == count(0))
        complete(now);
    else
        m_phase = Phase::Values;
}

void LoggerModel::receiveSecondStep(char byte, Instant now)
{
    // The second step of "o", "h" and "A" is a number. A letter there means the client has
    // moved on to another command, which the logger takes as such.
    const bool numeric = (byte >= '0' && byte <= '9') || byte == ' ' || byte == '-';
    if (m_second.letter != 'x' && m_second.text.isEmpty() && !numeric) {
        log(now, QStringLiteral("%1 without its second step, dropped").arg(QLatin1Char(m_second.letter)));
        m_phase = Phase::Idle;
        if (valueCounts(byte) == 0)
            log(now, QStringLiteral("noise %1 dropped").arg(quotedForLog(QByteArray(1, byte))));
        else
            startCommand(byte, now);
        return;
    }
    m_second.raw += byte;
    m_second.deadline = std::max(m_second.deadline, now + endOfCommandGap());
    if (byte == ',')
        finishSecondStep(now);
    else
        m_second.text += byte;
}

void LoggerModel::tick(Instant now)
{
    if (!m_lineOpen)
        return;
    if (m_greetAt && now >= *m_greetAt) {
        const Instant at = *m_greetAt;
        m_greetAt.reset();
        if (!m_options.silent) {
            enqueue(QByteArrayLiteral("\r\nREADY\r\n"), at);
            log(at, QStringLiteral("greeting sent"));
        }
    }
    expire(now);
    emitStreamSets(now);
}

void LoggerModel::expire(Instant now)
{
    if (m_phase == Phase::Values && now - m_command.lastByte >= endOfCommandGap()) {
        const Instant at = m_command.lastByte + endOfCommandGap();
        const int received = static_cast<int>(m_command.values.size());
        if (m_command.current.isEmpty() && (m_command.counts & count(received))) {
            complete(at);
        } else {
            log(at, QStringLiteral("malformed %1 with %2 value(s) %3, dropped")
                        .arg(QLatin1Char(m_command.letter))
                        .arg(received)
                        .arg(quotedForLog(m_command.raw.mid(1))));
            m_phase = Phase::Idle;
        }
    }
    if (m_phase == Phase::SecondStep && now >= m_second.deadline) {
        log(m_second.deadline,
            QStringLiteral("no second step for %1 in time, back to idle%2")
                .arg(QLatin1Char(m_second.letter))
                .arg(m_second.raw.isEmpty() ? QString()
                                            : QStringLiteral(", dropped ") + quotedForLog(m_second.raw)));
        m_phase = Phase::Idle;
        m_second = {};
    }
}

std::optional<Instant> LoggerModel::nextWakeup() const
{
    std::optional<Instant> next;
    auto consider = [&next](Instant at) {
        if (!next || at < *next)
            next = at;
    };
    if (m_greetAt)
        consider(*m_greetAt);
    if (m_phase == Phase::Values)
        consider(m_command.lastByte + endOfCommandGap());
    if (m_phase == Phase::SecondStep)
        consider(m_second.deadline);
    const bool streamSilent = m_options.silent || m_options.greetOnly || m_streamBudget == 0;
    if (m_stream != Stream::None && !streamSilent)
        consider(m_nextSet);
    if (const std::optional<Instant> output = nextOutputAt())
        consider(*output);
    return next;
}

void LoggerModel::complete(Instant at)
{
    Transmission t;
    t.at = at;
    t.command = QString(QLatin1Char(m_command.letter));
    t.values = m_command.values;
    t.raw = m_command.raw;
    m_phase = Phase::Idle;
    m_command = {};
    execute(t, at);
    record(t);
}

void LoggerModel::record(Transmission t)
{
    QString text = describe(t);
    if (!m_notes.isEmpty())
        text += QStringLiteral(" (%1)").arg(m_notes.join(QStringLiteral("; ")));
    m_notes.clear();
    log(t.at, text);
    m_transcript.append(std::move(t));
}

void LoggerModel::beginSecondStep(char letter, Instant at)
{
    m_second = SecondStep{letter, {}, {}, {}, at + secondStepTimeout()};
    m_phase = Phase::SecondStep;
}

void LoggerModel::finishSecondStep(Instant at)
{
    Transmission t;
    t.at = at;
    t.command = QString::fromLatin1(m_second.text);
    t.values = QStringList{QString()};
    t.raw = m_second.raw;
    t.partOf = QString(QLatin1Char(m_second.letter));
    m_second.text.clear();
    m_second.raw.clear();

    const bool refuse = m_options.refuseWrites;
    switch (m_second.letter) {
    case 'o': {
        m_phase = Phase::Idle;
        const std::optional<bool> on = toFlag(t.command);
        if (!on) {
            log(at, QStringLiteral("o with %1: not 1 or 0, dropped").arg(quotedForLog(t.raw)));
            return;
        }
        if (!refuse)
            m_state.acquisitionEnabled = *on;
        break;
    }
    case 'h': {
        m_phase = Phase::Idle;
        const std::optional<int> channels = toInt(t.command);
        if (refuse || !channels || *channels < 0 || *channels > State::kMaxChannels) {
            t.reply = answer("ER,", at);
        } else {
            m_state.channels = *channels;
            t.reply = answer("OK,", at);
        }
        break;
    }
    case 'A': {
        m_phase = Phase::Idle;
        const std::optional<bool> newestFirst = toFlag(t.command);
        if (!newestFirst) {
            log(at, QStringLiteral("A with %1: no such download mode, dropped").arg(quotedForLog(t.raw)));
            return;
        }
        qint64 budget = m_options.stopAfter;
        t.reply = sendStream(downloadText(*newestFirst), at, budget);
        break;
    }
    case 'x':
        m_second.lines << t.command;
        m_second.deadline = at + secondStepTimeout();
        if (m_second.lines.size() == State::kPersonalLines) {
            if (!refuse)
                m_state.personalText = m_second.lines;
            m_phase = Phase::Idle;
            m_second = {};
        }
        break;
    default:
        m_phase = Phase::Idle;
        return;
    }
    record(t);
}

QByteArray LoggerModel::answer(const QByteArray& fields, Instant at)
{
    if (m_options.silent || m_options.greetOnly)
        return {};
    const QByteArray out = m_options.garbage ? garble(fields) : fields;
    enqueue(out, at);
    return out;
}

QByteArray LoggerModel::sendStream(const QByteArray& bytes, Instant at, qint64& budget)
{
    if (m_options.silent || m_options.greetOnly)
        return {};
    QByteArray out = m_options.garbage ? garble(bytes) : bytes;
    if (budget >= 0) {
        out.truncate(std::min<qint64>(budget, out.size()));
        budget -= out.size();
    }
    enqueue(out, at);
    return out;
}

void LoggerModel::enqueue(const QByteArray& bytes, Instant at)
{
    if (bytes.isEmpty() || !m_lineOpen)
        return;
    Instant start = at;
    if (!m_output.empty())
        start = std::max(start, m_output.back().start);
    if (m_options.pace) {
        start = std::max(start, m_lineFreeAt);
        m_lineFreeAt = start + characterTime() * static_cast<Clock::rep>(bytes.size());
    }
    m_output.push_back({start, bytes, 0});
}

QByteArray LoggerModel::takeOutput(Instant now)
{
    QByteArray out;
    while (!m_output.empty()) {
        Chunk& chunk = m_output.front();
        if (now < chunk.start)
            break;
        qsizetype due = chunk.bytes.size();
        if (m_options.pace)
            due = std::min<qsizetype>(due, (now - chunk.start) / characterTime() + 1);
        if (due > chunk.sent) {
            out += chunk.bytes.mid(chunk.sent, due - chunk.sent);
            chunk.sent = due;
        }
        if (chunk.sent < chunk.bytes.size())
            break;
        m_output.pop_front();
    }
    return out;
}

std::optional<Instant> LoggerModel::nextOutputAt() const
{
    if (m_output.empty())
        return std::nullopt;
    const Chunk& chunk = m_output.front();
    return m_options.pace ? chunk.start + characterTime() * static_cast<Clock::rep>(chunk.sent) : chunk.start;
}

qsizetype LoggerModel::pendingOutputSize() const
{
    qsizetype size = 0;
    for (const Chunk& chunk : m_output)
        size += chunk.bytes.size() - chunk.sent;
    return size;
}

QByteArray LoggerModel::garble(const QByteArray& bytes)
{
    // Keep the commas and line ends, so that a client still cuts as many fields as it
    // expects and finds out only from their content that something is wrong.
    QByteArray out;
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (isSeparator(bytes.at(i))) {
            out += bytes.at(i++);
            continue;
        }
        while (i < bytes.size() && !isSeparator(bytes.at(i)))
            ++i;
        const int length = static_cast<int>(m_random.bounded(3, 13));
        for (int k = 0; k < length; ++k) {
            char c = static_cast<char>(m_random.bounded(0x21, 0x7f));
            if (c == ',')
                c = '#';
            out += c;
        }
    }
    return out;
}

void LoggerModel::execute(Transmission& t, Instant at)
{
    const bool refuse = m_options.refuseWrites;
    auto value = [&t](int i) { return t.values.value(i); };
    auto accept = [&] { t.reply = answer("OK,", at); };
    auto refuseIt = [&] { t.reply = answer("ER,", at); };
    auto reply = [&](const QByteArray& fields) { t.reply = answer(fields, at); };
    auto ignored = [&](const QString& why) { m_notes << QStringLiteral("ignored: ") + why; };

    switch (t.command.at(0).toLatin1()) {
    case 'V':
        reply(field(m_state.identification) + field(m_state.version));
        break;
    case 'O':
        reply(flagField(m_state.acquisitionEnabled));
        break;
    case 'o':
    case 'h':
    case 'A':
    case 'x':
        beginSecondStep(t.command.at(0).toLatin1(), at);
        break;
    case 'B':
        if (m_stream == Stream::Reading) {
            m_stream = Stream::None; // the group already under way still goes out
            m_notes << QStringLiteral("continuous reading ended");
        } else if (refuse) {
            ignored(QStringLiteral("writes refused"));
        } else {
            m_state.acquisitionEnabled = false;
        }
        break;
    case 'G':
        reply(clockReply(loggerClock(at), !t.values.isEmpty()));
        break;
    case 'g': {
        std::array<int, 6> f{};
        bool numbers = true;
        for (int i = 0; i < 6; ++i) {
            const std::optional<int> n = toInt(value(i));
            numbers = numbers && n.has_value();
            f[i] = n.value_or(-1);
        }
        const int year = f[2] + 1900;
        const QDate date(year, f[1], f[0]);
        const bool valid = numbers && date.isValid() && year >= 2000 && year <= 2099 && f[3] >= 0 &&
                           f[3] < 24 && f[4] >= 0 && f[4] < 60 && f[5] >= 0 && f[5] < 60;
        if (refuse || !valid) {
            refuseIt();
            break;
        }
        const QDateTime target(date, QTime(f[3], f[4], f[5]), Qt::UTC);
        m_state.clockOffsetMs = withoutZone(hostTime(at)).msecsTo(target);
        accept();
        break;
    }
    case 'D':
    case 'N':
        reply(nextAcquisitionReply(at));
        break;
    case 'C': {
        const auto& iv = m_state.interval;
        if (t.values.isEmpty() || value(0).trimmed().isEmpty()) {
            reply(QString::asprintf("%03d,%03d,%03d,", iv[0], iv[1], iv[2]).toLatin1());
        } else if (const std::optional<int> index = toIndex(value(0), 3)) {
            reply(QString::asprintf("%03d,", iv[*index]).toLatin1());
        } else {
            refuseIt();
        }
        break;
    }
    case 'c': {
        const std::optional<int> index = toIndex(value(0), 3);
        const std::optional<int> n = toInt(value(1));
        const int limit = index == 0 ? 23 : 59;
        if (refuse || !index || !n || *n < 0 || *n > limit) {
            refuseIt();
            break;
        }
        m_state.interval[*index] = *n;
        accept();
        break;
    }
    case 'M':
        reply(QString::asprintf("%05d,%05d,", m_state.possibleAcquisitions(), m_state.availableAcquisitions())
                  .toLatin1());
        break;
    case 'E':
        reply(QString::asprintf("%05d,", m_state.preheatMs).toLatin1());
        break;
    case 'e': {
        const std::optional<int> ms = toInt(value(0));
        if (refuse)
            ignored(QStringLiteral("writes refused"));
        else if (!ms || *ms < 0 || *ms > State::kMaxPreheatMs)
            ignored(QStringLiteral("pre-heating out of range"));
        else
            m_state.preheatMs = *ms;
        break;
    }
    case 'H':
        reply(channelReply());
        break;
    case 'b':
    case 'z': {
        if (value(0).trimmed() != QLatin1String("839")) {
            ignored(QStringLiteral("wrong confirmation code"));
            break;
        }
        if (refuse) {
            ignored(QStringLiteral("writes refused"));
            break;
        }
        if (t.command == QLatin1String("b")) {
            m_state.records.clear();
            break;
        }
        const qint64 offset = m_state.clockOffsetMs;
        m_state = defaultState(m_options, loggerClock(at));
        m_state.clockOffsetMs = offset;
        m_state.records.clear();
        m_stream = Stream::None;
        m_busyUntil = at + resetBusyTime();
        break;
    }
    case 'R':
        if (const std::optional<int> slot = toIndex(value(0), State::kPropertySlots))
            reply(field(m_state.properties.at(*slot)));
        else
            refuseIt();
        break;
    case 'r':
        if (const std::optional<int> slot = toIndex(value(0), State::kPropertySlots); slot && !refuse) {
            m_state.properties[*slot] = value(1);
            accept();
        } else {
            refuseIt();
        }
        break;
    case 'Q':
        reply(field(m_state.stationName));
        break;
    case 'q':
        if (refuse || value(0).size() > State::kMaxNameLength) {
            refuseIt();
        } else {
            m_state.stationName = value(0);
            accept();
        }
        break;
    case 'W':
        reply(field(m_state.batteryVoltage));
        break;
    case 'F':
        reply(flagField(m_state.leadAcidBattery));
        break;
    case 'f':
        if (t.values.size() == 1) {
            const std::optional<bool> leadAcid = toFlag(value(0));
            if (refuse || !leadAcid) {
                refuseIt();
            } else {
                m_state.leadAcidBattery = *leadAcid;
                accept();
            }
        } else if (refuse) {
            ignored(QStringLiteral("writes refused"));
        } else {
            m_state.phoneAlarmNumber = value(0).trimmed();
            m_state.phoneAlarmFlag = value(1).trimmed();
        }
        break;
    case 'U':
        reply(flagField(m_state.miniPanel));
        break;
    case 'u': {
        const std::optional<bool> on = toFlag(value(0));
        if (refuse || !on) {
            refuseIt();
        } else {
            m_state.miniPanel = *on;
            accept();
        }
        break;
    }
    case '<':
        reply(field(m_state.rainAmount));
        break;
    case '>':
        if (refuse)
            ignored(QStringLiteral("writes refused"));
        else
            m_state.rainAmount = value(0).trimmed();
        break;
    case 'L':
        reply(QByteArray::number(m_state.eventCount) + ',');
        break;
    case 'T':
        reply(QByteArrayLiteral("12,3,1250000,2500000,500000,998000,"));
        break;
    case 'I':
        if (const std::optional<int> index = toIndex(value(0), State::kGsmEntries))
            reply(field(m_state.gsmEntries.at(*index)));
        else
            refuseIt();
        break;
    case 'i':
        if (t.values.size() == 2) {
            if (const std::optional<int> index = toIndex(value(0), State::kGsmEntries); index && !refuse) {
                m_state.gsmEntries[*index] = value(1).trimmed();
                accept();
            } else {
                refuseIt();
            }
        } else if (refuse) {
            ignored(QStringLiteral("writes refused"));
        } else {
            for (int k = 0; k < State::kGsmEntries; ++k)
                m_state.gsmEntries[k] = value(k).trimmed();
            m_state.smsFlag = value(11).trimmed();
        }
        break;
    case 'j':
        if (t.values.size() == 1) {
            const std::optional<bool> on = toFlag(value(0));
            if (refuse)
                ignored(QStringLiteral("writes refused"));
            else if (!on)
                ignored(QStringLiteral("GSM switch neither 1 nor 0"));
            else
                m_state.gsmEnabled = *on;
        } else if (const std::optional<int> index = toIndex(value(0), State::kAlarmEntries);
                   index && !refuse) {
            m_state.alarmEntries[*index] = value(1).trimmed();
            accept();
        } else {
            refuseIt();
        }
        break;
    case 'J':
        if (const std::optional<int> index = toIndex(value(0), State::kAlarmEntries))
            reply(field(m_state.alarmEntries.at(*index)));
        else
            refuseIt();
        break;
    case 'X': {
        QByteArray fields;
        for (const QString& line : std::as_const(m_state.personalText))
            fields += field(line);
        reply(fields);
        break;
    }
    case 'Y':
        if (t.values.isEmpty()) {
            reply(flagField(m_state.emailEnabled));
        } else {
            const auto& d = m_state.startDate;
            reply(QString::asprintf("%02d,%02d,%04d,%02d,%02d,%02d,", d[0], d[1], d[2], d[3], d[4], d[5])
                      .toLatin1());
        }
        break;
    case 'y':
        if (refuse) {
            ignored(QStringLiteral("writes refused"));
        } else if (t.values.size() == 1) {
            if (const std::optional<bool> on = toFlag(value(0)))
                m_state.emailEnabled = *on;
            else
                ignored(QStringLiteral("e-mail switch neither 1 nor 0"));
        } else {
            // Stored as given, past dates included: a start date in the past ("13,10,75,...")
            // is how the client asks for a measurement at once.
            for (int i = 0; i < 6; ++i)
                m_state.startDate[i] = toInt(value(i)).value_or(0) + (i == 2 ? 1900 : 0);
        }
        break;
    case 'K':
        if (const std::optional<int> index = toIndex(value(0), State::kGprsSettings))
            reply(field(m_state.gprsSettings.at(*index)));
        else
            refuseIt();
        break;
    case 'k':
        if (const std::optional<int> index = toIndex(value(0), State::kGprsSettings); index && !refuse) {
            m_state.gprsSettings[*index] = value(1);
            accept();
        } else {
            refuseIt();
        }
        break;
    case 'a':
        if (m_stream == Stream::Measurement) {
            m_stream = Stream::None; // the set already under way still goes out
            m_notes << QStringLiteral("continuous measurement ended");
        } else {
            qint64 budget = m_options.stopAfter;
            t.reply = sendStream(countedDownload(), at, budget);
        }
        break;
    case 'P':
        startStream(Stream::Measurement, at, t);
        break;
    case 'p':
        startStream(Stream::Reading, at, t);
        break;
    default:
        break;
    }
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

QByteArray LoggerModel::downloadText(bool newestFirst) const
{
    const QByteArray lineEnd = m_options.lfOnly ? "\n" : "\r\n";
    QList<QDateTime> records = m_state.records;
    if (newestFirst)
        std::reverse(records.begin(), records.end());
    QByteArray text;
    for (const QDateTime& stamp : std::as_const(records)) {
        text += stamp.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
        for (int ch = 0; ch < m_state.channels; ++ch)
            text += ';' + QByteArray::number(recordedValue(stamp, ch), 'f', 3);
        text += lineEnd;
    }
    return text + kEndOfText;
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

void LoggerModel::startStream(Stream stream, Instant at, Transmission& t)
{
    m_stream = stream;
    m_setsSent = 0;
    m_streamBudget = m_options.stopAfter;
    const QByteArray first = stream == Stream::Measurement ? measurementSet(at) : readingGroup();
    t.reply = sendStream(first, at, m_streamBudget);
    m_nextSet = std::max(at + streamPeriod(), m_options.pace ? m_lineFreeAt : at);
}

void LoggerModel::emitStreamSets(Instant now)
{
    const bool silent = m_options.silent || m_options.greetOnly;
    while (m_stream != Stream::None && now >= m_nextSet && !silent && m_streamBudget != 0) {
        const Instant at = m_nextSet;
        const QByteArray set = m_stream == Stream::Measurement ? measurementSet(at) : readingGroup();
        sendStream(set, at, m_streamBudget);
        // A paced line slower than the stream holds the next set back instead of piling up.
        m_nextSet = std::max(at + streamPeriod(), m_options.pace ? m_lineFreeAt : at);
    }
}

QString quotedForLog(const QByteArray& bytes, qsizetype limit)
{
    QString out = QStringLiteral("\"");
    const qsizetype shown = std::min(bytes.size(), limit);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(bytes.at(i));
        switch (c) {
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        default:
            if (c < 0x20 || (c >= 0x7f && c < 0xa0))
                out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
            else
                out += QChar(c);
        }
    }
    out += QLatin1Char('"');
    if (shown < bytes.size())
        out += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return out;
}

QString describe(const Transmission& transmission)
{
    QString text = QStringLiteral("< ");
    if (!transmission.partOf.isEmpty())
        text += transmission.partOf + QLatin1Char(':');
    const QByteArray command = transmission.command.toLatin1();
    const bool bare = command.size() == 1 && command.at(0) > ' ' && command.at(0) < 0x7f;
    text += bare ? transmission.command : quotedForLog(command);
    const QByteArray parameters = transmission.raw.mid(command.size());
    if (!parameters.isEmpty())
        text += QLatin1Char(' ') + quotedForLog(parameters);
    if (!transmission.reply.isEmpty())
        text += QStringLiteral(" | > ") + quotedForLog(transmission.reply);
    return text;
}

} // namespace stazione::sim
