#include "sim/logger_model.h"

#include <algorithm>
#include <bit>

namespace stazione::sim {

using namespace std::chrono_literals;

namespace {

int largestCount(quint32 counts)
{
    return static_cast<int>(std::bit_width(counts)) - 1;
}

QDateTime withoutZone(const QDateTime& local)
{
    return QDateTime(local.date(), local.time(), Qt::UTC);
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
    , m_commands(stockCommands())
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
    if (m_options.setPeriod)
        return std::chrono::duration_cast<Clock::duration>(*m_options.setPeriod);
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
    m_text.clear();
    m_command = {};
    m_second = {};
    m_stream = Stream::None;
    m_download.reset();
    m_output.clear();
    m_lineFreeAt = now;
}

void LoggerModel::receive(QByteArrayView bytes, Instant now, std::optional<Instant> since)
{
    if (bytes.isEmpty())
        return;
    m_heardSince = std::min(since.value_or(now), now);
    // Bytes waiting when the logger looks reached it before it looked: a late look (a loaded host)
    // must not end the command they continue, so the gap is judged after they are taken.
    update(now, false);
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
        if (m_phase == Phase::Idle && !startsCommand(byte)) {
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
    case Phase::Text:
        receiveText(byte, now);
        break;
    case Phase::Values:
        if (startsNextCommand(byte)) {
            complete(now);
            receiveText(byte, now);
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

void LoggerModel::receiveText(char byte, Instant now)
{
    m_text += byte;
    m_textAt = now;
    if (continuesCommand(m_text)) {
        m_phase = Phase::Text;
        return;
    }
    if (const CommandEntry* entry = findCommand(m_text)) {
        m_text.clear();
        m_phase = Phase::Idle;
        startCommand(*entry, now, now);
        return;
    }
    if (m_text.size() == 1) {
        m_text.clear();
        m_phase = Phase::Idle;
        log(now, QStringLiteral("noise %1 dropped").arg(quotedForLog(QByteArray(1, byte))));
        return;
    }
    // The byte does not continue the text: what came before it is a command of its own, and
    // the byte begins whatever follows.
    m_text.chop(1);
    settleText(now, now);
    if (m_lineOpen)
        receiveByte(byte, now);
}

void LoggerModel::settleText(Instant lastByte, Instant at)
{
    // The longest command the text begins with; the bytes after it are read again.
    const QByteArray text = std::exchange(m_text, {});
    m_phase = Phase::Idle;
    qsizetype length = text.size();
    const CommandEntry* entry = nullptr;
    while (length > 0 && !(entry = findCommand(text.left(length))))
        --length;
    if (entry) {
        startCommand(*entry, lastByte, at);
    } else {
        length = 1;
        log(at, QStringLiteral("noise %1 dropped").arg(quotedForLog(text.left(1))));
    }
    for (const char byte : text.mid(length)) {
        if (!m_lineOpen)
            return;
        receiveByte(byte, at);
    }
}

bool LoggerModel::startsNextCommand(char byte) const
{
    // Where a command may already be complete, the values that could still follow are numbers,
    // flags and phone numbers. A command text instead means the client has moved on sooner
    // than the gap: with short pauses (a scaled-down client) an unacknowledged "y" or "j" with
    // one value is followed by the next command within a few milliseconds.
    const bool letter =
        (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '<' || byte == '>';
    const int received = static_cast<int>(m_command.values.size());
    return letter && startsCommand(byte) && m_command.current.isEmpty() &&
           (m_command.counts & takes(received));
}

// `lastByte` is when the command's text ended, `at` when the logger knew it had the whole text
// (later than `lastByte` when it waited whether a longer text would follow).
void LoggerModel::startCommand(const CommandEntry& entry, Instant lastByte, Instant at)
{
    if (entry.text.size() == 1 && entry.text.at(0) == m_options.dropOn) {
        Transmission t;
        t.at = at;
        t.command = QString::fromLatin1(entry.text);
        t.raw = entry.text;
        m_notes << QStringLiteral("dropping the line");
        record(t);
        m_hangUp = true;
        lineClosed(at);
        return;
    }
    m_command = Command{entry.text, entry.counts, {}, {}, entry.text, lastByte};
    if (entry.counts == takes(0))
        complete(at);
    else
        m_phase = Phase::Values;
}

void LoggerModel::receiveSecondStep(char byte, Instant now)
{
    // The second step of "o", "h" and "A" is a number. A letter there means the client has
    // moved on to another command, which the logger takes as such.
    const bool numeric = (byte >= '0' && byte <= '9') || byte == ' ' || byte == '-';
    if (m_second.command != "x" && m_second.text.isEmpty() && !numeric) {
        log(now,
            QStringLiteral("%1 without its second step, dropped").arg(QString::fromLatin1(m_second.command)));
        m_phase = Phase::Idle;
        m_second = {};
        receiveText(byte, now);
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
    m_heardSince = now;
    update(now, true);
}

void LoggerModel::update(Instant now, bool expireCommand)
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
    if (expireCommand)
        expire(now);
    emitStreamSets(now);
    refillDownload(now);
}

void LoggerModel::expire(Instant now)
{
    // Nothing more came to make a longer command of the text: the shorter one it spells is
    // taken, and its values (if any) have had the same gap to come.
    if (m_phase == Phase::Text && now - m_textAt >= endOfCommandGap())
        settleText(m_textAt, m_textAt + endOfCommandGap());
    if (m_phase == Phase::Values && now - m_command.lastByte >= endOfCommandGap()) {
        const Instant at = m_command.lastByte + endOfCommandGap();
        const int received = static_cast<int>(m_command.values.size());
        if (m_command.current.isEmpty() && (m_command.counts & takes(received))) {
            complete(at);
        } else {
            log(at, QStringLiteral("malformed %1 with %2 value(s) %3, dropped")
                        .arg(QString::fromLatin1(m_command.text))
                        .arg(received)
                        .arg(quotedForLog(m_command.raw.mid(m_command.text.size()))));
            m_phase = Phase::Idle;
        }
    }
    if (m_phase == Phase::SecondStep && now >= m_second.deadline) {
        log(m_second.deadline,
            QStringLiteral("no second step for %1 in time, back to idle%2")
                .arg(QString::fromLatin1(m_second.command))
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
    if (m_phase == Phase::Text)
        consider(m_textAt + endOfCommandGap());
    if (m_phase == Phase::Values)
        consider(m_command.lastByte + endOfCommandGap());
    if (m_phase == Phase::SecondStep)
        consider(m_second.deadline);
    const bool streamSilent = m_options.silent || m_options.greetOnly || m_streamBudget == 0;
    if (m_stream != Stream::None && !streamSilent)
        consider(m_nextSet);
    if (m_download && pendingOutputSize() < kDownloadBlock)
        consider(m_lineFreeAt); // the line has room for the next block of the download now
    if (const std::optional<Instant> output = nextOutputAt())
        consider(*output);
    return next;
}

void LoggerModel::complete(Instant at)
{
    Transmission t;
    t.at = at;
    t.command = QString::fromLatin1(m_command.text);
    t.values = m_command.values;
    t.raw = m_command.raw;
    const QByteArray text = std::exchange(m_command, {}).text;
    m_phase = Phase::Idle;
    // A copy: a handler may change the table.
    const CommandEntry entry = *findCommand(text);
    if (entry.secondStep)
        beginSecondStep(entry.text, at);
    else if (entry.run)
        entry.run(*this, t);
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

void LoggerModel::beginSecondStep(const QByteArray& command, Instant at)
{
    m_second = SecondStep{command, {}, {}, {}, at + secondStepTimeout()};
    m_phase = Phase::SecondStep;
}

void LoggerModel::finishSecondStep(Instant at)
{
    Transmission t;
    t.at = at;
    t.command = QString::fromLatin1(m_second.text);
    t.values = QStringList{QString()};
    t.raw = m_second.raw;
    t.partOf = QString::fromLatin1(m_second.command);
    m_second.text.clear();
    m_second.raw.clear();

    // A second step ends the command unless its handler asks for another (the personal text).
    m_phase = Phase::Idle;
    const CommandEntry* found = findCommand(m_second.command);
    if (!found || !found->secondStep)
        return;
    const SecondStepHandler handler = found->secondStep;
    if (handler(*this, t))
        record(t);
}

QByteArray LoggerModel::answer(const QByteArray& fields, Instant at)
{
    if (m_options.silent || m_options.greetOnly)
        return {};
    QByteArray out = m_options.garbage ? garble(fields) : fields;
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
    // Back to back (a set period of 0) an unpaced line takes a set as soon as the one before has
    // gone out; a few are queued at a time so that the line never waits for the logger.
    const bool backToBack = streamPeriod() == Clock::duration::zero() && !m_options.pace;
    while (m_stream != Stream::None && now >= m_nextSet && !silent && m_streamBudget != 0) {
        if (backToBack && pendingOutputSize() >= kDownloadBlock / 4)
            break;
        const Instant at = backToBack ? now : m_nextSet;
        const QByteArray set = m_stream == Stream::Measurement ? measurementSet(at) : readingGroup();
        sendStream(set, at, m_streamBudget);
        // A paced line slower than the stream holds the next set back instead of piling up.
        m_nextSet = std::max(at + streamPeriod(), m_options.pace ? m_lineFreeAt : at);
    }
}

void LoggerModel::refillDownload(Instant now)
{
    if (!m_download || !m_lineOpen)
        return;
    const bool silent = m_options.silent || m_options.greetOnly;
    while (m_download && pendingOutputSize() < kDownloadBlock) {
        if (silent || m_download->budget == 0) {
            m_download.reset();
            return;
        }
        QByteArray block;
        while (block.size() < kDownloadBlock && m_download->next < m_download->records.size())
            block += downloadLine(m_download->records.at(m_download->next++));
        if (m_download->next == m_download->records.size()) {
            block += kEndOfText;
            qint64 budget = m_download->budget;
            m_download.reset();
            sendStream(block, now, budget);
            return;
        }
        sendStream(block, now, m_download->budget);
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
    // A command of the table is shown as it stands; the text of a second step in quotes, unless
    // it is a single character.
    const bool printable = !command.isEmpty() && std::all_of(command.begin(), command.end(), [](char c) {
        return c > ' ' && c < 0x7f && c != '"' && c != ',';
    });
    const bool bare = printable && (command.size() == 1 || transmission.partOf.isEmpty());
    text += bare ? transmission.command : quotedForLog(command);
    const QByteArray parameters = transmission.raw.mid(command.size());
    if (!parameters.isEmpty())
        text += QLatin1Char(' ') + quotedForLog(parameters);
    if (!transmission.reply.isEmpty())
        text += QStringLiteral(" | > ") + quotedForLog(transmission.reply);
    return text;
}

} // namespace stazione::sim
