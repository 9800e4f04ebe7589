// The Hayes modem in front of the simulated logger: first driven with a clock of the test's own,
// then on a real pseudo-terminal from a client that uses plain POSIX calls, with the pauses and
// reads the client program makes when it probes, dials and hangs up.

#include "sim/modem_model.h"

#include <QDateTime>

#include <gtest/gtest.h>
#include <optional>

using namespace std::chrono_literals;
using stazione::sim::AtCommand;
using stazione::sim::Clock;
using stazione::sim::DialResult;
using stazione::sim::Instant;
using stazione::sim::LoggerModel;
using stazione::sim::ModemModel;
using stazione::sim::Options;

namespace {

const QByteArray kOk = QByteArrayLiteral("\r\nOK\r\n");
const QByteArray kError = QByteArrayLiteral("\r\nERROR\r\n");
const QByteArray kConnect = QByteArrayLiteral("\r\nCONNECT\r\n");
const QByteArray kNoCarrier = QByteArrayLiteral("\r\nNO CARRIER\r\n");
const QByteArray kGreeting = QByteArrayLiteral("\r\nREADY\r\n");
const QByteArray kIdentification = QByteArrayLiteral("KVE_M610_M410,V3.2,");

// The client's test for a call that has come up: the 7 characters from position 3 of one read.
bool readsAsConnect(const QByteArray& read)
{
    return read.mid(2, 7) == "CONNECT";
}

qsizetype firstIndexOf(const QList<stazione::sim::LogEntry>& log, const QString& text)
{
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log.at(i).text.contains(text))
            return i;
    }
    return -1;
}

class ModemFixture : public ::testing::Test {
protected:
    static Options unscaled()
    {
        Options options;
        options.timeScale = 1.0;
        options.modem = true;
        return options;
    }

    void SetUp() override { start(unscaled()); }

    // A fresh modem and logger, with the port just opened.
    void start(const Options& options)
    {
        modem.reset();
        logger.emplace(options, t0, QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)));
        modem.emplace(*logger);
        now = t0;
        modem->lineOpened(now);
        (void)modem->takeLog();
    }

    QByteArray advance(Clock::duration by)
    {
        const Instant target = now + by;
        QByteArray out;
        for (int guard = 0;; ++guard) {
            const std::optional<Instant> next = modem->nextWakeup();
            if (!next || *next > target)
                break;
            if (guard > 200000) {
                ADD_FAILURE() << "the modem keeps asking for a wake-up without moving on";
                break;
            }
            now = std::max(now, *next);
            modem->tick(now);
            out += modem->takeOutput(now);
        }
        now = target;
        modem->tick(now);
        out += modem->takeOutput(now);
        return out;
    }

    QByteArray send(const QByteArray& bytes)
    {
        modem->receive(bytes, now);
        return modem->takeOutput(now);
    }

    // One character at a time, as the client writes the escape and the hang-up.
    QByteArray type(const QByteArray& bytes, Clock::duration pause = 10ms)
    {
        QByteArray out;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (i > 0)
                out += advance(pause);
            out += send(bytes.mid(i, 1));
        }
        return out;
    }

    // Echo off, a dial, the call up and the logger's greeting read: the logger is on the line.
    void connect(const QByteArray& number = "1234567")
    {
        send("ATE0\r");
        ASSERT_EQ(send("ATD" + number + '\r'), "");
        ASSERT_EQ(advance(modem->dialDelay()), kConnect);
        ASSERT_EQ(advance(logger->wakeDelay()), kGreeting);
        ASSERT_TRUE(modem->isOnline());
        (void)modem->takeForwarded();
        (void)modem->takeLog();
    }

    // The guarded "+++", the way the client sends it; returns what came back meanwhile.
    QByteArray escape()
    {
        QByteArray out = advance(modem->escapeGuard());
        out += type("+++");
        return out + advance(modem->escapeGuard());
    }

    const Instant t0 = Instant{} + 1000s;
    std::optional<LoggerModel> logger;
    std::optional<ModemModel> modem; // after the logger it refers to, so it goes first
    Instant now;
};

using SimModemCommands = ModemFixture;
using SimModemDial = ModemFixture;
using SimModemOnline = ModemFixture;
using SimModemLine = ModemFixture;

TEST_F(SimModemCommands, ProbeIsAnsweredWithTheIdentification)
{
    // The probe: echo off (the command itself is still echoed), then the identification.
    EXPECT_EQ(send("ATE0\r"), "ATE0\r" + kOk);
    EXPECT_EQ(advance(200ms), "");
    const QByteArray identification = send("ATI3\r");
    EXPECT_EQ(identification, "\r\nSimulated GSM modem rev 1.0\r\n\r\nOK\r\n");
    EXPECT_GT(identification.size(), 8) << "the client would take the port for one without a modem";

    Options named = unscaled();
    named.modemIdentification = "ACME 9000";
    start(named);
    EXPECT_EQ(send("ATI3\r"), "ATI3\r\r\nACME 9000\r\n\r\nOK\r\n");

    ASSERT_EQ(modem->commands().size(), 1);
    EXPECT_EQ(modem->commands().at(0).line, "ATI3");
    EXPECT_EQ(modem->commands().at(0).reply, "\r\nACME 9000\r\n\r\nOK\r\n");
    EXPECT_EQ(modem->takeForwarded(), "") << "a modem in command mode passed bytes to the logger";
    EXPECT_TRUE(logger->transcript().isEmpty());
    EXPECT_FALSE(logger->isLineOpen());
}

TEST_F(SimModemCommands, EchoFollowsE0E1AndZ)
{
    EXPECT_TRUE(modem->echo());
    EXPECT_EQ(send("AT\r"), "AT\r" + kOk);
    EXPECT_EQ(send("ATE0\r"), "ATE0\r" + kOk);
    EXPECT_FALSE(modem->echo());
    EXPECT_EQ(send("AT\r"), kOk);
    EXPECT_EQ(send("ATE1\r"), kOk);
    EXPECT_EQ(send("AT\r"), "AT\r" + kOk);

    send("ATE0\r");
    EXPECT_EQ(send("ATZ\r"), kOk);
    EXPECT_EQ(send("AT\r"), "AT\r" + kOk) << "ATZ left the echo off";

    send("ATE0\r");
    modem->lineClosed(now);
    modem->lineOpened(now);
    EXPECT_EQ(send("AT\r"), "AT\r" + kOk) << "a fresh line found the echo off";
}

TEST_F(SimModemDial, ResultComesAfterTheDialDelay)
{
    send("ATE0\r");
    EXPECT_EQ(send("ATD1,234567\r"), "") << "a dial is not answered with OK";
    EXPECT_TRUE(modem->isDialling());
    EXPECT_EQ(advance(modem->dialDelay() - 1ms), "") << "the result came before the dial delay";
    EXPECT_FALSE(logger->isLineOpen());
    EXPECT_EQ(advance(1ms), kConnect);
    EXPECT_TRUE(modem->isCallUp());
    EXPECT_TRUE(modem->isOnline());
    EXPECT_TRUE(logger->isLineOpen()) << "the logger did not see its line open with the call";
    EXPECT_EQ(modem->callsMade(), 1);
    EXPECT_EQ(modem->dialledNumbers(), QStringList{"1,234567"});

    const AtCommand dial = modem->commands().constLast();
    EXPECT_EQ(dial.line, "ATD1,234567");
    EXPECT_EQ(dial.reply, kConnect);
    ASSERT_TRUE(dial.answeredAt.has_value());
    EXPECT_EQ(*dial.answeredAt - dial.at, modem->dialDelay());

    // The logger greets the new call like a newly opened line.
    EXPECT_EQ(advance(logger->wakeDelay()), kGreeting);
}

TEST_F(SimModemDial, ClientsPollFindsConnectAtTheStartOfARead)
{
    // As the client dials: "atx0", half a second, the dial, then a read every 2 s. The OK of
    // "atx0" must be gone with the first read, and CONNECT must open a read of its own.
    send("ATE0\r");
    QByteArray waiting = send("atx0\r");
    waiting += advance(500ms);
    waiting += send("ATD1234567\r");
    waiting += advance(2s);
    EXPECT_EQ(waiting, kOk);
    EXPECT_FALSE(readsAsConnect(waiting));

    const QByteArray second = advance(2s);
    EXPECT_TRUE(readsAsConnect(second)) << second.constData();
    EXPECT_TRUE(second.startsWith(kConnect));
}

TEST_F(SimModemDial, CallsThatFailLeaveTheModemInCommandMode)
{
    for (const auto& [result, word] : {std::pair{DialResult::Busy, "\r\nBUSY\r\n"},
                                       {DialResult::NoCarrier, "\r\nNO CARRIER\r\n"},
                                       {DialResult::NoAnswer, "\r\nNO ANSWER\r\n"}}) {
        Options options = unscaled();
        options.dialResult = result;
        start(options);
        send("ATE0\r");
        EXPECT_EQ(send("ATD1234567\r"), "");
        EXPECT_EQ(advance(modem->dialDelay() - 1ms), "");
        EXPECT_EQ(advance(1ms), word);
        EXPECT_EQ(advance(10s), "") << "something came after the failed call: " << word;
        EXPECT_FALSE(modem->isCallUp());
        EXPECT_FALSE(logger->isLineOpen());
        EXPECT_EQ(send("AT\r"), kOk) << word;
        EXPECT_EQ(modem->callsMade(), 0);
    }
}

TEST_F(SimModemDial, OnlyTheStationsNumberConnects)
{
    Options options = unscaled();
    options.expectedNumber = "1234567";
    start(options);
    send("ATE0\r");
    send("ATD7654321\r");
    EXPECT_EQ(advance(modem->dialDelay()), kNoCarrier);
    EXPECT_FALSE(modem->isCallUp());

    // The dial pause and the tone prefix are no part of the number.
    send("ATDT1,234567\r");
    EXPECT_EQ(advance(modem->dialDelay()), kConnect);
    EXPECT_TRUE(modem->isCallUp());
    EXPECT_EQ(modem->dialledNumbers(), (QStringList{"7654321", "T1,234567"}));

    const QList<stazione::sim::LogEntry> log = modem->takeLog();
    EXPECT_GE(firstIndexOf(log, "dialling 7654321"), 0);
    EXPECT_GE(firstIndexOf(log, "wrong number"), 0);
    EXPECT_GE(firstIndexOf(log, "dialling T1,234567"), 0);
}

TEST_F(SimModemDial, ACharacterDuringTheDialAbortsIt)
{
    send("ATE0\r");
    send("ATD1234567\r");
    advance(modem->dialDelay() / 2);
    EXPECT_EQ(send("AT\r"), kNoCarrier);
    EXPECT_FALSE(modem->isDialling());
    EXPECT_EQ(advance(modem->dialDelay()), "") << "the aborted dial still came through";
    EXPECT_FALSE(modem->isCallUp());
    EXPECT_FALSE(logger->isLineOpen());
    EXPECT_EQ(modem->commands().constLast().reply, kNoCarrier);
    EXPECT_EQ(send("AT\r"), kOk);

    // The client's hang-up while the call is still being placed: the first "+" stops the
    // dial, the rest is dropped, and its ATH gets the OK.
    send("ATD1234567\r");
    advance(500ms);
    EXPECT_EQ(type("+++"), kNoCarrier);
    EXPECT_EQ(advance(5s), "");
    EXPECT_EQ(type("ATH\r"), kOk);
    EXPECT_FALSE(modem->isCallUp());
}

TEST_F(SimModemDial, NoDialWithoutANumberOrWhileACallIsUp)
{
    send("ATE0\r");
    send("ATD\r");
    EXPECT_EQ(advance(modem->dialDelay()), kNoCarrier);
    EXPECT_FALSE(modem->isCallUp());

    connect();
    escape();
    EXPECT_EQ(send("ATD7654321\r"), kError);
    EXPECT_FALSE(modem->isDialling());
    EXPECT_TRUE(modem->isCallUp());
    EXPECT_EQ(modem->dialledNumbers(), (QStringList{"", "1234567"}));
}

TEST_F(SimModemOnline, BytesReachTheLoggerAndItsRepliesComeBack)
{
    connect();
    EXPECT_EQ(send("V"), kIdentification);
    EXPECT_EQ(send("V"), kIdentification);
    ASSERT_EQ(logger->transcript().size(), 2);
    EXPECT_EQ(logger->transcript().at(0).command, "V");
    EXPECT_EQ(modem->takeForwarded(), "VV");

    // A "+" inside the logger's data, close behind other bytes, is data.
    QByteArray out = type("f+39333,");
    out += type(" 1,");
    out += advance(500ms);
    EXPECT_EQ(out, "");
    EXPECT_EQ(logger->state().phoneAlarmNumber, "+39333");
    EXPECT_EQ(logger->state().phoneAlarmFlag, "1");
    EXPECT_EQ(modem->takeForwarded(), "f+39333, 1,");
    EXPECT_TRUE(modem->isOnline());
}

TEST_F(SimModemOnline, GuardedEscapeReturnsToCommandModeWithTheCallUp)
{
    connect();
    EXPECT_EQ(send("V"), kIdentification);
    advance(modem->escapeGuard());
    EXPECT_EQ(type("+++"), "");
    EXPECT_EQ(advance(modem->escapeGuard() - 1ms), "") << "the escape came before the guard time after it";
    EXPECT_TRUE(modem->isOnline());
    EXPECT_EQ(advance(1ms), kOk);
    EXPECT_FALSE(modem->isOnline());
    EXPECT_TRUE(modem->isCallUp());
    EXPECT_TRUE(logger->isLineOpen()) << "the escape dropped the call";
    EXPECT_EQ(modem->takeForwarded(), "V") << "the escape reached the logger";
    EXPECT_EQ(logger->transcript().size(), 1);
    EXPECT_EQ(modem->commands().constLast().line, "+++");

    // Commands again, and no logger on the line.
    EXPECT_EQ(send("AT\r"), kOk);
    EXPECT_EQ(send("V"), "");
    EXPECT_EQ(advance(1s), "");
    EXPECT_EQ(logger->transcript().size(), 1);
}

TEST_F(SimModemOnline, PlusesRightAfterOtherDataAreData)
{
    connect();
    EXPECT_EQ(send("V"), kIdentification);
    advance(modem->escapeGuard() / 2);
    EXPECT_EQ(type("+++"), "");
    EXPECT_EQ(advance(3 * modem->escapeGuard()), "") << "an escape without the silence before it";
    EXPECT_TRUE(modem->isOnline());
    EXPECT_EQ(modem->takeForwarded(), "V+++");
    EXPECT_EQ(send("V"), kIdentification);
}

TEST_F(SimModemOnline, HangUpAfterTheEscapeClosesTheLoggersLine)
{
    connect();
    EXPECT_EQ(send("V"), kIdentification);
    // The client's hang-up: "+" every 10 ms, 5 s of guard, then ATH a character at a time.
    advance(2s);
    QByteArray out = type("+++");
    out += advance(5s);
    EXPECT_EQ(out, kOk);
    EXPECT_EQ(type("ATH\r"), kOk);
    EXPECT_FALSE(modem->isCallUp());
    EXPECT_FALSE(logger->isLineOpen()) << "the logger did not see its line close";

    const QList<stazione::sim::LogEntry> log = modem->takeLog();
    const qsizetype down = firstIndexOf(log, "call down: ATH");
    EXPECT_GE(down, 0);
    EXPECT_GT(firstIndexOf(log, "line closed"), down);

    // The modem can dial again, and the logger greets the new call.
    EXPECT_EQ(send("AT\r"), kOk);
    send("ATD1234567\r");
    EXPECT_EQ(advance(modem->dialDelay()), kConnect);
    EXPECT_EQ(advance(logger->wakeDelay()), kGreeting);
    EXPECT_EQ(modem->callsMade(), 2);
}

TEST_F(SimModemOnline, OnlineAgainWithTheLoggersStateKept)
{
    connect();
    EXPECT_EQ(type("qNUOVA,"), "OK,");
    escape();
    EXPECT_EQ(send("ATO\r"), kConnect);
    EXPECT_TRUE(modem->isOnline());
    EXPECT_EQ(send("Q"), "NUOVA,");

    // A second escape works the same, and the call ends with it.
    EXPECT_EQ(escape(), kOk);
    EXPECT_EQ(send("ATH\r"), kOk);
    EXPECT_EQ(send("ATO\r"), kNoCarrier) << "back online without a call";
    EXPECT_FALSE(modem->isOnline());
}

TEST_F(SimModemLine, ClosingThePortEndsTheCall)
{
    connect();
    modem->lineClosed(now);
    EXPECT_FALSE(modem->isCallUp());
    EXPECT_FALSE(logger->isLineOpen());

    modem->lineOpened(now);
    EXPECT_FALSE(modem->isOnline());
    EXPECT_EQ(send("AT\r"), "AT\r" + kOk) << "not back in command mode with the echo on";
    EXPECT_EQ(send("V"), "V");
    EXPECT_EQ(advance(1s), "");

    // A dial under way when the port closes comes to nothing.
    send("ATE0\r");
    send("ATD1234567\r");
    modem->lineClosed(now);
    modem->lineOpened(now);
    EXPECT_EQ(advance(2 * modem->dialDelay()), "");
    EXPECT_FALSE(modem->isCallUp());
}

TEST_F(SimModemLine, LoggerThatDropsTheLineEndsTheCall)
{
    Options options = unscaled();
    options.dropOn = 'G';
    start(options);
    connect();
    EXPECT_EQ(send("G"), kNoCarrier);
    EXPECT_FALSE(modem->isCallUp());
    EXPECT_FALSE(modem->takeHangUpRequest()) << "the port went with the call";
    EXPECT_TRUE(modem->isLineOpen());
    EXPECT_EQ(send("AT\r"), kOk);
}

} // namespace
