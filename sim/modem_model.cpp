#include "sim/modem_model.h"

#include <QScopeGuard>

#include <algorithm>

namespace stazione::sim {

using namespace std::chrono_literals;

namespace {

const QByteArray kOk = QByteArrayLiteral("\r\nOK\r\n");
const QByteArray kError = QByteArrayLiteral("\r\nERROR\r\n");
const QByteArray kNoCarrier = QByteArrayLiteral("\r\nNO CARRIER\r\n");

Clock::duration scaled(const Options& options, std::chrono::milliseconds base,
                       std::chrono::milliseconds floor)
{
    const double scale = options.timeScale > 0 ? options.timeScale : 1.0;
    const auto scaledBase = std::chrono::round<Clock::duration>(
        std::chrono::duration<double, std::milli>(static_cast<double>(base.count()) * scale));
    return std::max<Clock::duration>(scaledBase, floor);
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QByteArray framed(const QByteArray& word)
{
    return "\r\n" + word + "\r\n";
}

QString describe(const AtCommand& command)
{
    const bool at =
        command.line.size() >= 2 && upper(command.line.at(0)) == 'A' && upper(command.line.at(1)) == 'T';
    QString text = (at ? QStringLiteral("< AT ") : QStringLiteral("< ")) + quotedForLog(command.line);
    if (!command.reply.isEmpty())
        text += QStringLiteral(" | > ") + quotedForLog(command.reply);
    return text;
}

} // namespace

QByteArray dialledDigits(QByteArrayView number)
{
    QByteArray digits;
    for (const char c : number) {
        if (isDigit(c) || c == '*' || c == '#' || c == '+')
            digits += c;
    }
    return digits;
}

ModemModel::ModemModel(LoggerModel& logger)
    : m_default(logger)
    , m_logger(&logger)
{
    const Instant now = Clock::now();
    for (const NetworkStation& station : logger.options().network) {
        Options own = logger.options();
        own.network.clear();
        own.model = identificationFor(station.model);
        Remote remote;
        remote.digits = dialledDigits(station.number.toLatin1());
        remote.logger = std::make_unique<LoggerModel>(own, now);
        if (!station.name.isEmpty())
            remote.logger->state().stationName = station.name;
        remote.logger->state().clockOffsetMs = logger.options().clockOffsetSeconds * 1000;
        remote.busyLeft = station.busyCalls;
        remote.recordsUntil = now;
        m_network.push_back(std::move(remote));
    }
}

ModemModel::~ModemModel() = default;

LoggerModel* ModemModel::stationLogger(const QString& number)
{
    const QByteArray digits = dialledDigits(number.toLatin1());
    for (Remote& r : m_network) {
        if (r.digits == digits)
            return r.logger.get();
    }
    return nullptr;
}

LoggerModel* ModemModel::reach(const QByteArray& digits, QByteArray& word, QString& note)
{
    for (Remote& r : m_network) {
        if (r.digits != digits)
            continue;
        if (r.busyLeft != 0) {
            if (r.busyLeft > 0)
                --r.busyLeft;
            word = "BUSY";
            note = QStringLiteral("the station is busy");
            return nullptr;
        }
        word = options().connectWord.toLatin1();
        return r.logger.get();
    }
    word = "NO CARRIER";
    note = QStringLiteral("no station on %1").arg(QString::fromLatin1(digits));
    return nullptr;
}

void ModemModel::growRecords(Remote& remote, Instant now)
{
    // What the logger recorded since the last call, with the time stamps of its own clock.
    State& state = remote.logger->state();
    QList<QDateTime> added;
    const auto period = options().recordEvery;
    if (period.count() > 0) {
        while (remote.recordsUntil + period <= now) {
            remote.recordsUntil += period;
            QDateTime stamp = remote.logger->loggerClock(remote.recordsUntil);
            stamp.setTime(QTime(stamp.time().hour(), stamp.time().minute(), stamp.time().second()));
            added << stamp;
        }
    } else if (!state.records.isEmpty()) {
        const QDateTime loggerNow = remote.logger->loggerClock(now);
        for (QDateTime next = state.nextAcquisitionAfter(state.records.last()); next <= loggerNow;
             next = state.nextAcquisitionAfter(next))
            added << next;
        remote.recordsUntil = now;
    }
    if (!state.acquisitionEnabled || added.isEmpty())
        return;
    state.records += added;
    // A full memory overwrites its oldest records.
    const qsizetype room = std::max(1, state.possibleAcquisitions());
    if (state.records.size() > room)
        state.records.erase(state.records.begin(), state.records.begin() + (state.records.size() - room));
    log(now, QStringLiteral("%1 new records in the memory").arg(added.size()));
}

Clock::duration ModemModel::dialDelayFor(const Options& options)
{
    return scaled(options, options.dialDelay, 50ms);
}

Clock::duration ModemModel::escapeGuardFor(const Options& options)
{
    // The client sends its three "+" 10 ms apart and waits 5 s after them; a second is what
    // modems leave by default, and the floor keeps a scaled-down escape clear of scheduling
    // jitter between the pluses.
    return scaled(options, 1000ms, 50ms);
}

void ModemModel::log(Instant at, const QString& text)
{
    m_log.append({at, text});
}

void ModemModel::absorbLoggerLog()
{
    m_log += m_logger->takeLog();
}

QList<LogEntry> ModemModel::takeLog()
{
    absorbLoggerLog();
    // The logger's entries may carry times a little before the modem's (the end of a command
    // is settled after the gap): one time line reads better.
    std::stable_sort(m_log.begin(), m_log.end(),
                     [](const LogEntry& a, const LogEntry& b) { return a.at < b.at; });
    return std::exchange(m_log, {});
}

void ModemModel::clearCommands()
{
    m_commands.clear();
    m_dialCommand = -1;
}

void ModemModel::send(const QByteArray& bytes, Instant at)
{
    if (bytes.isEmpty() || !m_lineOpen)
        return;
    if (!m_output.empty() && m_output.back().at == at)
        m_output.back().bytes += bytes;
    else
        m_output.push_back({at, bytes});
}

void ModemModel::record(AtCommand command, const QString& note)
{
    QString text = describe(command);
    if (!note.isEmpty())
        text += QStringLiteral(" (%1)").arg(note);
    log(command.at, text);
    m_commands.append(std::move(command));
}

void ModemModel::lineOpened(Instant now)
{
    m_lineOpen = true;
    m_mode = Mode::Command;
    m_echo = true;
    m_line.clear();
    m_noise.clear();
    log(now, QStringLiteral("port opened: modem in command mode, echo on"));
}

void ModemModel::lineClosed(Instant now)
{
    if (!m_lineOpen)
        return;
    flushNoise(now);
    if (m_mode == Mode::Dialling)
        log(now, QStringLiteral("dial to %1 abandoned").arg(QString::fromLatin1(m_dialNumber)));
    callDown(now, QStringLiteral("the port was closed"));
    m_lineOpen = false;
    m_mode = Mode::Command;
    m_echo = true;
    m_line.clear();
    m_pluses = 0;
    m_output.clear();
    log(now, QStringLiteral("port closed"));
}

void ModemModel::receive(QByteArrayView bytes, Instant now, std::optional<Instant> since)
{
    if (bytes.isEmpty() || !m_lineOpen)
        return;
    tick(now);
    m_heardSince = since;
    const auto heard = qScopeGuard([this] { m_heardSince.reset(); });
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        switch (m_mode) {
        case Mode::Online:
            receiveOnline(bytes.sliced(i), now);
            return;
        case Mode::Dialling:
            // Any character stops a dial under way, as on a modem; a line end left over from
            // the dial line itself does not.
            if (bytes.at(i) != '\n')
                abortDial(now);
            break;
        case Mode::Command:
            receiveCommandByte(bytes.at(i), now);
            break;
        }
    }
}

void ModemModel::receiveCommandByte(char byte, Instant now)
{
    if (m_echo)
        send(QByteArray(1, byte), now);
    switch (byte) {
    case '\n':
        return;
    case '\r': {
        const QByteArray line = std::exchange(m_line, {});
        if (line.size() < 2) {
            m_noise += line;
            flushNoise(now);
            return;
        }
        flushNoise(now);
        execute(line, now);
        return;
    }
    case '\b':
    case '\x7f':
        if (!m_line.isEmpty())
            m_line.chop(1);
        return;
    default:
        break;
    }
    // Nothing counts before "AT": whatever precedes it is dropped, which is also what makes a
    // "+++" sent while no call is up harmless.
    if (m_line.isEmpty()) {
        if (upper(byte) == 'A')
            m_line += byte;
        else
            m_noise += byte;
    } else if (m_line.size() == 1 && upper(byte) != 'T') {
        m_noise += m_line;
        m_line.clear();
        if (upper(byte) == 'A')
            m_line += byte;
        else
            m_noise += byte;
    } else if (m_line.size() <= kMaxLine) {
        m_line += byte; // one over the limit is enough for the ERROR at the line end
    }
}

void ModemModel::flushNoise(Instant now)
{
    if (m_noise.isEmpty())
        return;
    log(now, QStringLiteral("noise %1 dropped").arg(quotedForLog(std::exchange(m_noise, {}))));
}

void ModemModel::execute(const QByteArray& line, Instant now)
{
    AtCommand command{now, line, {}, now};
    if (line.size() > kMaxLine) {
        command.reply = kError;
        send(command.reply, now);
        record(std::move(command), QStringLiteral("line too long"));
        return;
    }

    // Commands follow each other on one line ("ATE0X0"); blanks between them do not count.
    const QByteArray body = line.mid(2);
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < body.size() && body.at(i) == ' ')
            ++i;
    };
    auto number = [&] {
        skipBlanks();
        return i < body.size() && isDigit(body.at(i)) ? body.at(i++) - '0' : 0;
    };

    QByteArray information;
    QString hangUpBy;
    bool ok = true;
    for (skipBlanks(); ok && i < body.size(); skipBlanks()) {
        const char letter = upper(body.at(i++));
        switch (letter) {
        case 'E': {
            const int n = number();
            ok = n <= 1;
            if (ok)
                m_echo = n == 1;
            break;
        }
        case 'X':
            ok = number() <= 4;
            break;
        case 'I':
            ok = number() == 3;
            if (ok)
                information += framed(options().modemIdentification.toLatin1());
            break;
        case 'Z':
            ok = number() == 0;
            if (ok) {
                m_echo = true;
                if (m_callUp)
                    hangUpBy = QStringLiteral("ATZ");
            }
            break;
        case 'H':
            ok = number() == 0;
            if (ok && m_callUp)
                hangUpBy = QStringLiteral("ATH");
            break;
        case 'O':
            ok = number() == 0;
            if (!ok)
                break;
            if (!m_callUp) {
                command.reply = kNoCarrier;
                send(command.reply, now);
                record(std::move(command), QStringLiteral("no call to return to"));
                return;
            }
            command.reply = framed(options().connectWord.toLatin1());
            send(command.reply, now);
            m_mode = Mode::Online;
            m_lastOnlineByte = now;
            m_pluses = 0;
            record(std::move(command), QStringLiteral("back online"));
            return;
        case 'D':
            ok = !m_callUp && hangUpBy.isEmpty();
            if (ok) {
                startDial(line, line.mid(2 + i), now);
                return;
            }
            break;
        default:
            ok = false;
            break;
        }
    }

    command.reply = ok ? information + kOk : kError;
    send(command.reply, now);
    record(std::move(command));
    if (ok && !hangUpBy.isEmpty())
        callDown(now, hangUpBy);
}

void ModemModel::startDial(const QByteArray& line, const QByteArray& number, Instant now)
{
    m_mode = Mode::Dialling;
    m_dialNumber = number;
    m_dialAt = now;
    m_dialResultAt = now + dialDelay();
    m_dialled << QString::fromLatin1(number);
    m_dialCommand = m_commands.size();
    m_commands.append(AtCommand{now, line, {}, std::nullopt});
    log(now, QStringLiteral("< AT %1 (dialling %2, the result in %3 ms)")
                 .arg(quotedForLog(line), QString::fromLatin1(number),
                      QString::number(
                          std::chrono::duration_cast<std::chrono::milliseconds>(dialDelay()).count())));
}

void ModemModel::finishDial(Instant at)
{
    const QByteArray digits = dialledDigits(m_dialNumber);
    const QString expected = options().expectedNumber;
    QByteArray word;
    QString note;
    bool connects = false;
    if (!digits.isEmpty() && !m_network.empty()) {
        if (LoggerModel* reached = reach(digits, word, note)) {
            m_logger = reached;
            for (Remote& r : m_network) {
                if (r.logger.get() == reached)
                    growRecords(r, at);
            }
            connects = true;
            note = QStringLiteral("call up to %1").arg(QString::fromLatin1(m_dialNumber));
        }
    } else if (digits.isEmpty()) {
        word = "NO CARRIER";
        note = QStringLiteral("no number");
    } else if (!expected.isEmpty() && digits != dialledDigits(expected.toLatin1())) {
        word = "NO CARRIER";
        note = QStringLiteral("wrong number: the station is on %1").arg(expected);
    } else if (options().dialResult == DialResult::Connect) {
        word = options().connectWord.toLatin1();
        connects = true;
        note = QStringLiteral("call up to %1").arg(QString::fromLatin1(m_dialNumber));
    } else {
        word = dialResultText(options().dialResult).toLatin1();
    }

    m_mode = Mode::Command;
    AtCommand command{m_dialAt, {}, framed(word), at};
    if (m_dialCommand >= 0 && m_dialCommand < m_commands.size()) {
        m_commands[m_dialCommand].reply = command.reply;
        m_commands[m_dialCommand].answeredAt = at;
        command.line = m_commands.at(m_dialCommand).line;
    } else {
        command.line = "ATD" + m_dialNumber;
    }
    m_dialCommand = -1;
    send(command.reply, at);
    log(at, describe(command) + (note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(note)));
    if (connects)
        callUp(at);
}

void ModemModel::abortDial(Instant now)
{
    m_mode = Mode::Command;
    QByteArray line = "ATD" + m_dialNumber;
    if (m_dialCommand >= 0 && m_dialCommand < m_commands.size()) {
        m_commands[m_dialCommand].reply = kNoCarrier;
        m_commands[m_dialCommand].answeredAt = now;
        line = m_commands.at(m_dialCommand).line;
    }
    m_dialCommand = -1;
    send(kNoCarrier, now);
    log(now, describe(AtCommand{now, line, kNoCarrier, now}) +
                 QStringLiteral(" (dial aborted by a character from the line)"));
}

void ModemModel::callUp(Instant at)
{
    m_callUp = true;
    m_mode = Mode::Online;
    ++m_callsMade;
    m_lastOnlineByte = at;
    m_pluses = 0;
    m_logger->lineOpened(at);
    absorbLoggerLog();
}

void ModemModel::callDown(Instant at, const QString& why)
{
    if (!m_callUp)
        return;
    m_callUp = false;
    if (m_mode == Mode::Online)
        m_mode = Mode::Command;
    m_pluses = 0;
    log(at, QStringLiteral("call down: %1").arg(why));
    m_logger->lineClosed(at);
    absorbLoggerLog();
}

void ModemModel::receiveOnline(QByteArrayView bytes, Instant now)
{
    // A "+" may begin the escape only after the guard time of silence; the next two must
    // follow within the guard time each. Until the silence after the third has lasted the
    // guard time too, the pluses are held back: they may still turn out to be data.
    const Clock::duration guard = escapeGuard();
    QByteArray data;
    for (const char byte : bytes) {
        if (byte == '+') {
            const bool first = m_pluses == 0 && now - m_lastOnlineByte >= guard;
            const bool next = m_pluses > 0 && m_pluses < 3 && now - m_lastPlus < guard;
            if (first || next) {
                ++m_pluses;
                m_lastPlus = now;
                m_lastOnlineByte = now;
                continue;
            }
        }
        if (m_pluses > 0)
            data += QByteArray(std::exchange(m_pluses, 0), '+');
        data += byte;
        m_lastOnlineByte = now;
    }
    forward(data, now);
}

void ModemModel::forward(const QByteArray& bytes, Instant now)
{
    if (bytes.isEmpty() || !m_callUp)
        return;
    m_forwarded += bytes;
    m_logger->receive(bytes, now, m_heardSince);
    absorbLoggerLog();
    checkLoggerHangUp(now);
}

void ModemModel::releaseHeldPluses(Instant now)
{
    forward(QByteArray(std::exchange(m_pluses, 0), '+'), now);
}

void ModemModel::escape(Instant at)
{
    // What the logger sent up to this moment still goes out, ahead of the OK.
    m_logger->tick(at);
    absorbLoggerLog();
    send(m_logger->takeOutput(at), at);
    m_pluses = 0;
    m_mode = Mode::Command;
    m_line.clear();
    send(kOk, at);
    record(AtCommand{at, QByteArrayLiteral("+++"), kOk, at},
           QStringLiteral("escape: command mode, the call stays up"));
}

void ModemModel::checkLoggerHangUp(Instant now)
{
    if (!m_logger->takeHangUpRequest() || !m_callUp)
        return;
    callDown(now, QStringLiteral("the logger dropped the line"));
    send(kNoCarrier, now);
    log(now, QStringLiteral("> %1").arg(quotedForLog(kNoCarrier)));
}

void ModemModel::tick(Instant now)
{
    if (!m_lineOpen)
        return;
    if (m_mode == Mode::Dialling && now >= m_dialResultAt)
        finishDial(m_dialResultAt);
    if (m_mode == Mode::Online && m_pluses > 0 && now >= m_lastPlus + escapeGuard()) {
        const Instant at = m_lastPlus + escapeGuard();
        if (m_pluses == 3)
            escape(at);
        else
            releaseHeldPluses(at);
    }
    if (!m_callUp)
        return;
    m_logger->tick(now);
    absorbLoggerLog();
    checkLoggerHangUp(now);
    if (m_callUp && m_mode != Mode::Online) {
        // In command mode the modem does not pass the far end's data on.
        const QByteArray dropped = m_logger->takeOutput(now);
        if (!dropped.isEmpty())
            log(now, QStringLiteral("%1 bytes from the logger dropped in command mode").arg(dropped.size()));
    }
}

std::optional<Instant> ModemModel::nextWakeup() const
{
    if (!m_lineOpen)
        return std::nullopt;
    std::optional<Instant> next;
    auto consider = [&next](Instant at) {
        if (!next || at < *next)
            next = at;
    };
    if (!m_output.empty())
        consider(m_output.front().at);
    if (m_mode == Mode::Dialling)
        consider(m_dialResultAt);
    if (m_mode == Mode::Online && m_pluses > 0)
        consider(m_lastPlus + escapeGuard());
    if (m_callUp) {
        if (const std::optional<Instant> logger = m_logger->nextWakeup())
            consider(*logger);
    }
    return next;
}

QByteArray ModemModel::takeOutput(Instant now)
{
    QByteArray out;
    while (!m_output.empty() && m_output.front().at <= now) {
        out += m_output.front().bytes;
        m_output.pop_front();
    }
    if (m_callUp && m_mode == Mode::Online)
        out += m_logger->takeOutput(now);
    return out;
}

} // namespace stazione::sim
