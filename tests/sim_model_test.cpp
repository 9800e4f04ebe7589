// The simulated logger's protocol, driven byte by byte with a clock of the test's own.

#include "sim/logger_model.h"

#include <QDateTime>

#include <gtest/gtest.h>
#include <optional>

using namespace std::chrono_literals;
using stazione::sim::Clock;
using stazione::sim::Instant;
using stazione::sim::LoggerModel;
using stazione::sim::Options;
using stazione::sim::State;
using stazione::sim::Stream;

namespace {

QList<QByteArray> fieldsOf(const QByteArray& reply)
{
    QList<QByteArray> fields = reply.split(',');
    if (!fields.isEmpty() && fields.constLast().isEmpty())
        fields.removeLast();
    return fields;
}

bool logMentions(const QList<stazione::sim::LogEntry>& log, const QString& text)
{
    for (const auto& entry : log) {
        if (entry.text.contains(text))
            return true;
    }
    return false;
}

// A client on the other end of the line, as the link layer writes: the command text in one
// piece, then each parameter character alone after a short pause.
class ModelFixture : public ::testing::Test {
protected:
    // Host time when the logger starts: 5 December 2026, 14:07:09 local time.
    static QDateTime hostStart() { return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)); }

    static Options unscaled()
    {
        Options options;
        options.timeScale = 1.0;
        return options;
    }

    void SetUp() override { open(unscaled()); }

    // A fresh logger with the line just opened and the greeting already consumed.
    void open(const Options& options)
    {
        model.emplace(options, t0, hostStart());
        now = t0;
        model->lineOpened(now);
        greeting = advance(model->wakeDelay());
        (void)model->takeLog();
    }

    QByteArray advance(Clock::duration by)
    {
        const Instant target = now + by;
        QByteArray out;
        for (int guard = 0;; ++guard) {
            const std::optional<Instant> next = model->nextWakeup();
            if (!next || *next > target)
                break;
            if (guard > 200000) {
                ADD_FAILURE() << "the model keeps asking for a wake-up without moving on";
                break;
            }
            now = std::max(now, *next);
            model->tick(now);
            out += model->takeOutput(now);
        }
        now = target;
        model->tick(now);
        out += model->takeOutput(now);
        return out;
    }

    QByteArray send(const QByteArray& text, const QByteArray& parameters = {})
    {
        model->receive(text, now);
        QByteArray out = model->takeOutput(now);
        for (const char c : parameters) {
            out += advance(kCharacterPause);
            model->receive(QByteArray(1, c), now);
            out += model->takeOutput(now);
        }
        return out;
    }

    // Sends and collects what comes back until the line has been quiet long enough to be sure.
    QByteArray exchange(const QByteArray& text, const QByteArray& parameters = {},
                        Clock::duration settle = 400ms)
    {
        QByteArray out = send(text, parameters);
        return out + advance(settle);
    }

    // The two transmissions of a two-step command, with the client's pause between them.
    QByteArray twoStep(const QByteArray& letter, const QByteArray& second)
    {
        QByteArray out = exchange(letter, {}, 500ms);
        return out + exchange(second, QByteArrayLiteral(","));
    }

    static constexpr auto kCharacterPause = 10ms;
    const Instant t0 = Instant{} + 1000s;
    std::optional<LoggerModel> model;
    Instant now;
    QByteArray greeting;
};

using SimModelGrammar = ModelFixture;
using SimModelReads = ModelFixture;
using SimModelWrites = ModelFixture;
using SimModelTwoStep = ModelFixture;
using SimModelStreams = ModelFixture;
using SimModelLine = ModelFixture;
using SimModelFaults = ModelFixture;

TEST_F(SimModelGrammar, LetterWithoutValuesIsAnsweredAtOnce)
{
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,");
    EXPECT_EQ(send("O"), "1,");
    ASSERT_EQ(model->transcript().size(), 2);
    EXPECT_EQ(model->transcript().at(0).command, "V");
    EXPECT_TRUE(model->transcript().at(0).values.isEmpty());
    EXPECT_EQ(model->transcript().at(0).raw, "V");
}

TEST_F(SimModelGrammar, OptionalValueIsAwaitedForTheGapOnly)
{
    EXPECT_EQ(send("G"), "");
    EXPECT_EQ(advance(model->endOfCommandGap() - 1ms), "") << "answered before the gap was over";
    EXPECT_EQ(advance(2ms), "005,012,026,014,007,");

    // With its value the command is complete at the comma, no gap needed.
    EXPECT_EQ(send("G", ","), "05,12,2026,14,07,09,");
    const auto& last = model->transcript().constLast();
    EXPECT_EQ(last.values, QStringList{QString()});
    EXPECT_EQ(last.raw, "G,");
}

TEST_F(SimModelGrammar, AmbiguousCountsAreSettledByTheGap)
{
    // "f" with one value is the battery type (acknowledged), with two the phone alarm (silent).
    EXPECT_EQ(send("f", " 0,"), "") << "answered before knowing whether a second value follows";
    EXPECT_EQ(advance(200ms), "OK,");
    EXPECT_FALSE(model->state().leadAcidBattery);

    EXPECT_EQ(exchange("f", "3331234567, 1,"), "");
    EXPECT_EQ(model->state().phoneAlarmNumber, "3331234567");
    EXPECT_EQ(model->state().phoneAlarmFlag, "1");
    EXPECT_FALSE(model->state().leadAcidBattery);

    // The largest count needs no gap: twelve values of "i" are taken at the last comma.
    model->clearTranscript();
    QByteArray list;
    for (int k = 0; k < 10; ++k)
        list += "55500" + QByteArray::number(k) + ',';
    list += "3,1,";
    send("i", list);
    ASSERT_EQ(model->transcript().size(), 1);
    EXPECT_EQ(model->transcript().at(0).values.size(), 12);
    EXPECT_EQ(model->transcript().at(0).at, now);
}

TEST_F(SimModelGrammar, CommandLetterEndsACommandThatMayBeComplete)
{
    // An e-mail switch read back sooner than the gap, as a scaled-down client does it.
    EXPECT_EQ(send("y", "1,"), "");
    advance(5ms);
    QByteArray out = send("Y");
    out += advance(200ms);
    EXPECT_EQ(out, "1,");
    EXPECT_TRUE(model->state().emailEnabled);

    out = send("G");
    out += send("V");
    EXPECT_EQ(out, "005,012,026,014,007,KVE_M610_M410,V3.2,");
    ASSERT_GE(model->transcript().size(), 2);
    EXPECT_EQ(model->transcript().constLast().command, "V");
    EXPECT_TRUE(model->transcript().at(model->transcript().size() - 2).values.isEmpty());
}

TEST_F(SimModelGrammar, CountOutsideTheGrammarIsDroppedAsMalformed)
{
    const auto before = model->state().startDate;
    EXPECT_EQ(exchange("y", "1,2,3,"), "");
    EXPECT_TRUE(model->transcript().isEmpty());
    EXPECT_EQ(model->state().startDate, before);
    EXPECT_TRUE(logMentions(model->takeLog(), "malformed y"));
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,") << "not back to idle after a malformed command";
}

TEST_F(SimModelGrammar, ValueThatNeverEndsIsDropped)
{
    EXPECT_EQ(exchange("q", "HALF"), "");
    EXPECT_EQ(model->state().stationName, "STAZ1");
    EXPECT_TRUE(model->transcript().isEmpty());
    EXPECT_EQ(send("Q"), "STAZ1,");
}

TEST_F(SimModelGrammar, NoiseBetweenCommandsIsDropped)
{
    EXPECT_EQ(exchange("\r\n,9"), "");
    EXPECT_TRUE(model->transcript().isEmpty());
    EXPECT_TRUE(logMentions(model->takeLog(), "noise \"\\r\\n,9\""));
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,");
}

TEST_F(SimModelGrammar, ValuesMayHoldCommandLettersAndArriveInOnePiece)
{
    EXPECT_EQ(exchange("q", "PVa Q,"), "OK,");
    EXPECT_EQ(model->state().stationName, "PVa Q");
    // A client that writes everything at once is understood as well.
    EXPECT_EQ(exchange("C 1,"), "010,");
    EXPECT_EQ(model->transcript().constLast().values, QStringList{" 1"});
}

TEST_F(SimModelGrammar, CommandTextsOfTwoLettersAreReadByTheLongestMatch)
{
    const QByteArray fs = exchange("T");
    ASSERT_FALSE(fs.isEmpty());
    // The stock logger knows no "Tt": it answers "T" and drops the "t".
    EXPECT_EQ(exchange("Tt"), fs);
    ASSERT_EQ(model->transcript().size(), 2);
    EXPECT_EQ(model->transcript().at(1).command, "T");
    EXPECT_TRUE(logMentions(model->takeLog(), "noise \"t\" dropped"));

    model->addCommand({"Tt", LoggerModel::takes(0),
                       [](LoggerModel& m, stazione::sim::Transmission& t) { m.reply(t, "42,"); }, nullptr});
    model->addCommand(
        {"Gt", LoggerModel::takes(1),
         [](LoggerModel& m, stazione::sim::Transmission& t) { m.reply(t, t.values.at(0).toLatin1() + ','); },
         nullptr});
    model->addCommand({"Zk", LoggerModel::takes(0),
                       [](LoggerModel& m, stazione::sim::Transmission& t) { m.reply(t, "ZK,"); }, nullptr});
    model->clearTranscript();

    // Written in one piece, as the link layer writes a command's text, or a byte at a time.
    EXPECT_EQ(send("Tt"), "42,");
    EXPECT_EQ(exchange("T", "t"), "42,");
    EXPECT_EQ(send("Zk"), "ZK,");
    EXPECT_EQ(exchange("Gt", "7,"), "7,");
    ASSERT_EQ(model->transcript().size(), 4);
    EXPECT_EQ(model->transcript().at(0).command, "Tt");
    EXPECT_EQ(model->transcript().at(0).raw, "Tt");
    EXPECT_EQ(model->transcript().at(3).command, "Gt");
    EXPECT_EQ(model->transcript().at(3).values, QStringList{"7"});
    EXPECT_FALSE(logMentions(model->takeLog(), "noise"));

    // "T" alone still gets its own answer: once the gap shows that no "t" follows, or at once when
    // the next command comes.
    EXPECT_EQ(send("T"), "");
    EXPECT_EQ(advance(model->endOfCommandGap() - 1ms), "");
    EXPECT_EQ(advance(2ms), fs);
    QByteArray out = send("T");
    out += send("V");
    EXPECT_EQ(out, fs + "KVE_M610_M410,V3.2,");
    // "G" keeps both its forms, the optional value settled by the same gap as before.
    EXPECT_TRUE(send("G", ",").startsWith("05,12,2026,14,07,"));
    EXPECT_EQ(exchange("G"), "005,012,026,014,007,");
    EXPECT_EQ(model->transcript().constLast().command, "G");

    // A byte that continues no text of the table ends "T" and is read on its own.
    EXPECT_EQ(exchange("T!"), fs);
    EXPECT_TRUE(logMentions(model->takeLog(), "noise \"!\" dropped"));
    // "Z" begins a command but is none: alone, or before another command, it is noise.
    EXPECT_EQ(exchange("Z"), "");
    EXPECT_EQ(exchange("ZV"), "KVE_M610_M410,V3.2,");
    const auto log = model->takeLog();
    EXPECT_TRUE(logMentions(log, "noise \"Z\" dropped"));
    EXPECT_EQ(model->transcript().constLast().command, "V");
    EXPECT_EQ(exchange("\r\n,9"), "") << "noise between commands is dropped as before";
    EXPECT_EQ(send("Tt"), "42,");
}

TEST_F(SimModelReads, ClockInBothForms)
{
    const QByteArray full = send("G", ",");
    EXPECT_EQ(full, "05,12,2026,14,07,09,");
    const QByteArray counted = exchange("G");
    // A remote read takes 19 characters and cuts at positions 1, 5, 9, 13 and 17.
    ASSERT_EQ(counted.size(), 20);
    EXPECT_EQ(counted.mid(0, 3), "005");
    EXPECT_EQ(counted.mid(4, 3), "012");
    EXPECT_EQ(counted.mid(8, 3), "026");
    EXPECT_EQ(counted.mid(12, 3), "014");
    EXPECT_EQ(counted.mid(16, 3), "007");
}

TEST_F(SimModelReads, NextAcquisitionIsFixedWidth)
{
    for (const QByteArray letter : {"D", "N"}) {
        const QByteArray reply = send(letter);
        ASSERT_EQ(reply.size(), 20) << letter.constData();
        // Interval 10 minutes, clock 14:07:09: the next acquisition is at 14:10.
        EXPECT_EQ(reply.mid(1, 2), "05");
        EXPECT_EQ(reply.mid(5, 2), "12");
        EXPECT_EQ(reply.mid(9, 2), "26");
        EXPECT_EQ(reply.mid(13, 2), "14");
        EXPECT_EQ(reply.mid(17, 2), "10");
    }
    // Just before midnight the next acquisition falls on the next day.
    ASSERT_EQ(exchange("g", "31,12, 126,23,55,00,"), "OK,");
    EXPECT_EQ(send("D"), " 01, 01, 27, 00, 00,");
}

TEST_F(SimModelReads, MemoryStateFollowsTheChannelsAndTheRecords)
{
    Options seven = unscaled();
    seven.records = 7;
    seven.channels = 4;
    open(seven);
    // A remote read takes the memory state by count and cuts characters 1-5 and 7-11.
    const QByteArray counted = exchange("M");
    EXPECT_EQ(counted.size(), 12);
    EXPECT_EQ(exchange("M", ","), counted);
    const QList<QByteArray> start = fieldsOf(counted);
    ASSERT_EQ(start.size(), 2);
    const int possible = start.at(0).toInt();
    EXPECT_EQ(possible - start.at(1).toInt(), 7);

    // Half the channels leave room for twice the acquisitions; an erase frees them all.
    ASSERT_EQ(twoStep("h", " 2"), "OK,");
    EXPECT_EQ(fieldsOf(exchange("M", ",")),
              (QList<QByteArray>{QByteArray::number(2 * possible).rightJustified(5, '0'),
                                 QByteArray::number(2 * possible - 7).rightJustified(5, '0')}));
    EXPECT_EQ(exchange("b", "839,"), "");
    const QList<QByteArray> erased = fieldsOf(exchange("M", ","));
    ASSERT_EQ(erased.size(), 2);
    EXPECT_EQ(erased.at(0), erased.at(1));
    EXPECT_EQ(exchange("a"), "0,2,") << "the counted download of an empty memory";
}

TEST_F(SimModelReads, ChannelReplyHasTheCountThenOneTypePerChannel)
{
    ASSERT_EQ(twoStep("h", " 3"), "OK,");
    const QByteArray channels = exchange("H");
    EXPECT_EQ(channels, "3,001,001,001,000,");
    EXPECT_GE(channels.size(), 4 * 3 + 4) << "a remote read waits for 4c+4 characters";
    EXPECT_EQ(exchange("H", "0,"), channels) << "the measurement session's form";

    // The vibrating-wire model tells its channels apart by their type.
    Options vibrating = unscaled();
    vibrating.model = "510";
    open(vibrating);
    ASSERT_EQ(twoStep("h", " 2"), "OK,");
    EXPECT_EQ(exchange("H"), "2,002,002,000,");
}

TEST_F(SimModelReads, IndexesOutsideTheTablesAreRefused)
{
    for (const auto& [command, index] : {std::pair{"C", " 3,"},
                                         {"R", " 80,"},
                                         {"R", "-1,"},
                                         {"I", " 11,"},
                                         {"J", " 48,"},
                                         {"K", " 10,"},
                                         {"C", "9,"}}) {
        EXPECT_EQ(exchange(command, index), "ER,") << command << index;
    }
    // The last entry of each table is still answered.
    for (const auto& [command, index] :
         {std::pair{"C", " 2,"}, {"R", " 79,"}, {"I", "10,"}, {"J", " 47,"}, {"K", " 9,"}}) {
        EXPECT_NE(exchange(command, index), "ER,") << command << index;
    }
}

TEST_F(SimModelWrites, ClockWriteIsValidatedAndReadBack)
{
    EXPECT_EQ(exchange("g", "5,12, 126,14,03,07,"), "OK,");
    EXPECT_EQ(send("G", ","), "05,12,2026,14,03,07,");
    const qint64 offset = model->state().clockOffsetMs;

    for (const QByteArray bad :
         {"5,12, 126,24,00,00,", "5,12,-1874,14,00,00,", "31,2, 126,14,00,00,", "5,13, 126,14,00,00,",
          "5,12, 126,14,60,00,", "5,12, 126,14,00,75,", "x,12, 126,14,00,00,"}) {
        EXPECT_EQ(exchange("g", bad), "ER,") << bad.constData();
    }
    EXPECT_EQ(model->state().clockOffsetMs, offset) << "a refused clock write changed the clock";
}

TEST_F(SimModelWrites, IntervalWriteIsValidatedAndReadBack)
{
    EXPECT_EQ(exchange("c", " 0,001,"), "OK,");
    EXPECT_EQ(exchange("c", " 1,000,"), "OK,");
    EXPECT_EQ(exchange("c", " 2,030,"), "OK,");
    EXPECT_EQ(exchange("C"), "001,000,030,");
    EXPECT_EQ(exchange("c", " 0,024,"), "ER,");
    EXPECT_EQ(exchange("c", " 1,060,"), "ER,");
    EXPECT_EQ(exchange("c", " 3,001,"), "ER,");
    EXPECT_EQ(exchange("C"), "001,000,030,");
    // The schedule follows: multiples of 1:00:30 from midnight fall at 14:07:00 and 15:07:30.
    EXPECT_EQ(send("D").mid(13, 2), "15");
}

TEST_F(SimModelWrites, PreheatingWriteIsUnacknowledged)
{
    EXPECT_EQ(exchange("e", "30000,"), "");
    EXPECT_EQ(exchange("E", ","), "30000,");
    EXPECT_EQ(exchange("E"), "30000,") << "the remote read by count";
    EXPECT_EQ(exchange("e", "30001,"), "");
    EXPECT_EQ(exchange("e", "-0005,"), "");
    EXPECT_EQ(exchange("E", ","), "30000,");
}

TEST_F(SimModelWrites, PropertiesNameAndSwitches)
{
    EXPECT_EQ(exchange("r", " 5,12.5,"), "OK,");
    EXPECT_EQ(exchange("R", " 5,"), "12.5,");
    EXPECT_EQ(exchange("r", " 80,1,"), "ER,");

    EXPECT_EQ(exchange("q", "NUOVA,"), "OK,");
    EXPECT_EQ(send("Q"), "NUOVA,");
    EXPECT_EQ(exchange("q", QByteArray(33, 'N') + ','), "ER,");
    EXPECT_EQ(send("Q"), "NUOVA,");

    EXPECT_EQ(exchange("f", " 0,"), "OK,");
    EXPECT_EQ(send("F"), "0,");
    EXPECT_EQ(exchange("f", " 7,"), "ER,");

    EXPECT_EQ(exchange("u", " 1,"), "OK,");
    EXPECT_EQ(exchange("U"), "1,");
    EXPECT_EQ(exchange("u", "0,"), "OK,");
    EXPECT_EQ(exchange("U", ","), "0,");

    EXPECT_EQ(exchange(">", "1.5,"), "");
    EXPECT_EQ(send("<"), "1.5,");
    EXPECT_EQ(exchange(">", ","), "");
    EXPECT_EQ(send("<"), ",");
}

TEST_F(SimModelWrites, GsmEntriesAlarmsAndGprs)
{
    EXPECT_EQ(exchange("i", " 3,3339998888,"), "OK,");
    EXPECT_EQ(exchange("I", " 3,"), "3339998888,");
    EXPECT_EQ(exchange("i", "10,5,"), "OK,");
    EXPECT_EQ(exchange("I", "10,"), "5,");
    EXPECT_EQ(exchange("i", " 11,5,"), "ER,");

    QByteArray list;
    for (int k = 0; k < 10; ++k)
        list += (k == 4 ? QByteArray() : "44400" + QByteArray::number(k)) + ',';
    list += "2,1,";
    EXPECT_EQ(exchange("i", list), "");
    EXPECT_EQ(exchange("I", " 9,"), "444009,");
    EXPECT_EQ(exchange("I", " 4,"), ",") << "a blank number is stored empty";
    EXPECT_EQ(exchange("I", "10,"), "2,");
    EXPECT_EQ(model->state().smsFlag, "1");

    EXPECT_EQ(exchange("j", "1,"), "");
    EXPECT_TRUE(model->state().gsmEnabled);
    EXPECT_EQ(exchange("j", " 46,55.5,"), "OK,");
    EXPECT_EQ(exchange("J", " 46,"), "55.5,");
    EXPECT_EQ(exchange("j", " 48,1,"), "ER,");

    EXPECT_EQ(exchange("k", " 7,2121,"), "OK,");
    EXPECT_EQ(exchange("K", " 7,"), "2121,");
    EXPECT_EQ(exchange("k", " 10,x,"), "ER,");
}

TEST_F(SimModelWrites, EmailSwitchAndStartDate)
{
    EXPECT_EQ(exchange("y", "1,"), "");
    EXPECT_EQ(exchange("Y"), "1,");
    EXPECT_EQ(exchange("y", "5,12, 115,8,30,0,"), "");
    EXPECT_EQ(exchange("Y", ","), "05,12,2015,08,30,00,");
    EXPECT_EQ(exchange("y", "13,10,75,00,00,00,"), "");
    EXPECT_EQ(exchange("Y", ","), "13,10,1975,00,00,00,");
    EXPECT_EQ(exchange("Y"), "1,") << "the start date write touched the e-mail switch";
}

TEST_F(SimModelWrites, AcquisitionSwitchAndStop)
{
    EXPECT_EQ(twoStep("o", "0"), "");
    EXPECT_EQ(send("O"), "0,");
    EXPECT_EQ(twoStep("o", "1"), "");
    EXPECT_EQ(send("O"), "1,");
    EXPECT_EQ(exchange("B"), "");
    EXPECT_EQ(send("O"), "0,");
}

TEST_F(SimModelWrites, EraseNeedsTheCode)
{
    EXPECT_EQ(exchange("b", "123,"), "");
    EXPECT_EQ(model->state().records.size(), 120);
    EXPECT_TRUE(logMentions(model->takeLog(), "wrong confirmation code"));
    EXPECT_EQ(exchange("b", "839,"), "");
    EXPECT_TRUE(model->state().records.isEmpty());
    EXPECT_EQ(exchange("M", ","), "08192,08192,");
    EXPECT_EQ(exchange("a"), "0,4,");
}

TEST_F(SimModelWrites, ResetRestoresDefaultsKeepsTheClockAndIsBusy)
{
    ASSERT_EQ(exchange("g", "1,1, 127,00,00,00,"), "OK,");
    ASSERT_EQ(exchange("q", "ALTRO,"), "OK,");
    ASSERT_EQ(twoStep("h", " 9"), "OK,");
    const qint64 offset = model->state().clockOffsetMs;

    EXPECT_EQ(exchange("z", "123,"), "");
    EXPECT_EQ(model->state().stationName, "ALTRO") << "reset without the code";

    EXPECT_EQ(send("z", "839,"), "");
    EXPECT_EQ(exchange("V", {}, model->resetBusyTime() - 50ms), "") << "answered while resetting";
    advance(100ms);
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,");
    EXPECT_EQ(send("Q"), "STAZ1,");
    EXPECT_EQ(exchange("H").left(2), "4,");
    EXPECT_TRUE(model->state().records.isEmpty());
    EXPECT_EQ(model->state().clockOffsetMs, offset);
}

// At the tests' time scale the client waits 20 ms after a reset and the logger is busy for 15.
// On a loaded host the look at the line that finds the reset's comma may come late: the busy
// time runs from the earliest moment the logger can have heard the comma (the look before), so
// a client that waited is answered however late the comma was read.
TEST_F(SimModelWrites, AResetReadLateStillLeavesTheClientItsPause)
{
    Options fast = unscaled();
    fast.timeScale = 0.05;
    open(fast);
    ASSERT_EQ(model->resetBusyTime(), 15ms);
    const Instant sent = now; // the last look found nothing; the comma leaves the client now
    now = sent + 8ms;         // and is read 8 ms later, with the rest of the command
    model->receive("z839,", now, sent);
    now = sent + 21ms; // the client's pause is over, and its next command read at once
    model->tick(now);
    EXPECT_EQ(exchange("V"), "KVE_M610_M410,V3.2,") << "deaf to a client that waited";

    // A client that does not wait is still not heard.
    model->receive("z839,", now, now);
    now += 2ms;
    EXPECT_EQ(exchange("V"), "") << "answered right after a reset";
}

TEST_F(SimModelTwoStep, ChannelCountWrite)
{
    EXPECT_EQ(twoStep("h", " 8"), "OK,");
    EXPECT_EQ(exchange("H"), "8,001,001,001,001,001,001,001,001,000,");
    EXPECT_EQ(twoStep("h", " 17"), "ER,");
    EXPECT_EQ(twoStep("h", " 0"), "OK,");
    EXPECT_EQ(exchange("H"), "0,000,");

    const auto& second = model->transcript().at(model->transcript().size() - 2);
    EXPECT_EQ(second.partOf, "h");
    EXPECT_EQ(second.command, " 0");
    EXPECT_EQ(second.raw, " 0,");
}

TEST_F(SimModelTwoStep, SecondStepThatComesTooLateIsNotTaken)
{
    exchange("o", {}, model->secondStepTimeout() + 10ms);
    EXPECT_EQ(exchange("0", ","), "");
    EXPECT_TRUE(model->state().acquisitionEnabled);
    EXPECT_TRUE(logMentions(model->takeLog(), "no second step for o"));
}

TEST_F(SimModelTwoStep, CommandInsteadOfSecondStepIsTakenAsCommand)
{
    exchange("o", {}, 50ms);
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,");
    EXPECT_EQ(exchange("0", ","), "");
    EXPECT_TRUE(model->state().acquisitionEnabled);
}

TEST_F(SimModelTwoStep, PersonalTextLinesMayHoldLetters)
{
    exchange("x", {}, 100ms);
    const QList<QByteArray> lines{"Vento forte", "Q", "", "  p a", "FINE"};
    for (const QByteArray& line : lines)
        EXPECT_EQ(exchange(line, ",", 100ms), "");
    EXPECT_EQ(send("X"), "Vento forte,Q,,  p a,FINE,");
    EXPECT_EQ(model->transcript().constLast().command, "X");
    EXPECT_EQ(model->transcript().at(model->transcript().size() - 2).partOf, "x");
}

TEST_F(SimModelTwoStep, PersonalTextCutShortChangesNothing)
{
    const QStringList before = model->state().personalText;
    exchange("x", {}, 100ms);
    exchange("UNO", ",", 100ms);
    exchange("DUE", ",", model->secondStepTimeout() + 10ms);
    EXPECT_EQ(model->state().personalText, before);
    EXPECT_EQ(send("V"), "KVE_M610_M410,V3.2,");
}

TEST_F(SimModelStreams, RecordedDownloadAsLines)
{
    for (const bool newestFirst : {false, true}) {
        const QByteArray text = twoStep("A", newestFirst ? "1" : "0");
        ASSERT_TRUE(text.endsWith("\r\n\x03")) << text.right(10).toStdString();
        QList<QByteArray> lines = text.chopped(1).split('\n');
        lines.removeLast(); // after the last LF
        ASSERT_EQ(lines.size(), 120);
        QList<QDateTime> stamps;
        for (const QByteArray& line : lines) {
            ASSERT_TRUE(line.endsWith('\r'));
            const QList<QByteArray> parts = line.chopped(1).split(';');
            ASSERT_EQ(parts.size(), 1 + 4) << line.constData();
            stamps << QDateTime::fromString(QString::fromLatin1(parts.at(0)), "dd/MM/yyyy hh:mm:ss");
            ASSERT_TRUE(stamps.constLast().isValid()) << line.constData();
        }
        EXPECT_EQ(stamps.first().secsTo(stamps.last()), (newestFirst ? -1 : 1) * 119 * 600);
        EXPECT_EQ(std::max(stamps.first(), stamps.last()), QDateTime(QDate(2026, 12, 5), QTime(14, 0)));
    }

    Options bare = unscaled();
    bare.lfOnly = true;
    bare.records = 3;
    open(bare);
    const QByteArray text = twoStep("A", "0");
    EXPECT_EQ(text.count('\n'), 3);
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_TRUE(text.endsWith("\n\x03"));
}

TEST_F(SimModelStreams, FullMemoryDownloadStartsBeforeItIsAllFormatted)
{
    Options full = unscaled();
    full.records = 5000;
    full.channels = 128;
    open(full);
    QByteArray text = send("A");
    text += advance(500ms);
    model->receive("0", now);
    text += model->takeOutput(now);
    model->receive(",", now);
    // The first block is ready at once; the rest is formatted as the line takes it.
    EXPECT_GT(model->pendingOutputSize(), 1000);
    EXPECT_LE(model->pendingOutputSize(), LoggerModel::kDownloadBlock + 2000);
    text += advance(400ms);
    ASSERT_TRUE(text.endsWith("\r\n\x03"));
    EXPECT_EQ(text.count('\n'), 5000);
    EXPECT_EQ(text.count(';'), 5000 * 128);
    EXPECT_EQ(model->pendingOutputSize(), 0);
}

TEST_F(SimModelStreams, MeasurementSetsBackToBack)
{
    Options fast = unscaled();
    fast.setPeriod = std::chrono::milliseconds(0);
    fast.channels = 16;
    open(fast);
    QByteArray out = send("P");
    // No time passes: the sets go out as fast as the line takes them.
    for (int i = 0; i < 20; ++i) {
        model->tick(now);
        out += model->takeOutput(now);
    }
    EXPECT_GE(out.count("CHA%"), 40);
    out += send("a"); // the sets queued before it still go out
    EXPECT_EQ(fieldsOf(out).size() % (1 + 16 * 3), 0) << "whole sets only";
    model->tick(now);
    EXPECT_EQ(model->takeOutput(now), "");
    EXPECT_EQ(model->activeStream(), Stream::None);
}

TEST_F(SimModelStreams, CountedDownload)
{
    const QList<QByteArray> fields = fieldsOf(exchange("a"));
    ASSERT_GE(fields.size(), 2);
    EXPECT_EQ(fields.at(0), "120");
    EXPECT_EQ(fields.at(1), "4");
    ASSERT_EQ(fields.size(), 2 + 120 * (6 + 4));
    // First record: 5 December 2026, 14:00 minus 119 intervals of 10 minutes = 18:10 on the 4th.
    EXPECT_EQ(fields.mid(2, 6), (QList<QByteArray>{"4", "12", "2026", "18", "10", "0"}));
    for (int r = 0; r < 120; ++r) {
        for (int c = 0; c < 4; ++c) {
            const double value = fields.at(2 + r * 10 + 6 + c).toDouble();
            EXPECT_GE(value, 15.0);
            EXPECT_LE(value, 25.0);
        }
    }
}

TEST_F(SimModelStreams, MeasurementSetsUntilEnded)
{
    Options two = unscaled();
    two.channels = 2;
    open(two);
    const QByteArray first = send("P");
    const QList<QByteArray> fields = fieldsOf(first);
    ASSERT_EQ(fields.size(), 1 + 2 * 3);
    EXPECT_EQ(fields.at(0), "\r\n05/12/2026 14:07:09");
    EXPECT_EQ(fields.at(1), "CHA%");
    EXPECT_EQ(fields.at(2), "mV");
    EXPECT_EQ(fields.at(4), "CHB%");
    bool number = false;
    fields.at(6).toDouble(&number);
    EXPECT_TRUE(number);
    EXPECT_EQ(model->activeStream(), Stream::Measurement);

    EXPECT_EQ(advance(model->streamPeriod() - 1ms), "");
    const QByteArray second = advance(2ms);
    EXPECT_EQ(fieldsOf(second).size(), 7);
    EXPECT_EQ(fieldsOf(second).at(0), "\r\n05/12/2026 14:07:10");
    EXPECT_EQ(fieldsOf(advance(3 * model->streamPeriod())).size(), 3 * 7);

    EXPECT_EQ(send("a"), "") << "a ends the measurement, it does not start a download";
    EXPECT_EQ(model->activeStream(), Stream::None);
    EXPECT_EQ(advance(5 * model->streamPeriod()), "");
}

TEST_F(SimModelStreams, MeasurementEndFinishesTheSetUnderWay)
{
    Options paced = unscaled();
    paced.pace = true;
    paced.channels = 4;
    open(paced);
    QByteArray out = send("P");
    out += advance(20ms); // part of the first set is on the wire
    ASSERT_FALSE(out.isEmpty());
    ASSERT_FALSE(out.endsWith(','));
    out += send("a");
    out += advance(5 * model->streamPeriod());
    EXPECT_TRUE(out.endsWith(',')) << out.toStdString();
    EXPECT_EQ(fieldsOf(out).size(), 1 + 4 * 3) << "exactly one whole set";
}

TEST_F(SimModelStreams, ReadingGroupsUntilStopped)
{
    const QByteArray first = send("p");
    const QList<QByteArray> fields = fieldsOf(first);
    ASSERT_EQ(fields.size(), 4 * 3);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fields.at(3 * k), QByteArray::number(k));
        EXPECT_EQ(fields.at(3 * k + 1), "CH" + QByteArray::number(k));
    }
    EXPECT_EQ(fieldsOf(advance(2 * model->streamPeriod())).size(), 2 * 12);

    EXPECT_EQ(exchange("B"), "");
    EXPECT_EQ(model->activeStream(), Stream::None);
    EXPECT_EQ(advance(3 * model->streamPeriod()), "");
    EXPECT_EQ(send("O"), "1,") << "B that ends the reading must not stop the acquisition";
}

TEST_F(SimModelStreams, VibratingWireReadsTwoPerChannel)
{
    Options vibrating = unscaled();
    vibrating.model = "510";
    open(vibrating);
    const QList<QByteArray> fields = fieldsOf(send("p"));
    ASSERT_EQ(fields.size(), 6 * 2 * 3);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(fields.at(6 * i), QByteArray::number(2 * i));
        EXPECT_EQ(fields.at(6 * i + 1), "F" + QByteArray::number(i));
        EXPECT_NEAR(fields.at(6 * i + 2).toDouble(), 2500.123 + 10 * i, 2.0);
        EXPECT_EQ(fields.at(6 * i + 3), QByteArray::number(2 * i + 1));
        EXPECT_EQ(fields.at(6 * i + 4), "T" + QByteArray::number(i));
    }
}

TEST_F(SimModelLine, GreetingAfterTheWakeDelay)
{
    EXPECT_EQ(greeting, "\r\nREADY\r\n");

    model.emplace(unscaled(), t0, hostStart());
    now = t0;
    model->lineOpened(now);
    EXPECT_EQ(advance(model->wakeDelay() - 1ms), "");
    EXPECT_EQ(advance(1ms), "\r\nREADY\r\n");
}

TEST_F(SimModelLine, CommandDuringWakeUpSkipsTheGreeting)
{
    model.emplace(unscaled(), t0, hostStart());
    now = t0;
    model->lineOpened(now);
    advance(model->wakeDelay() / 2);
    QByteArray out = send("V");
    out += advance(1s);
    EXPECT_EQ(out, "KVE_M610_M410,V3.2,");
}

TEST_F(SimModelLine, BytesWaitingWhenTheLoggerLooksLateStillContinueTheCommand)
{
    // On a loaded host the simulator may look at the line only after the gap has passed; what
    // was waiting there by then had reached the logger in time and continues the command.
    send("J", " 4");
    now += model->endOfCommandGap() + 50ms;
    model->receive("6,", now);
    model->tick(now);
    EXPECT_EQ(model->takeOutput(now), "80.0,");
    EXPECT_FALSE(logMentions(model->takeLog(), "malformed"));

    send("j", " 7,");
    now += model->endOfCommandGap() * 2;
    model->receive("55.5,", now);
    EXPECT_EQ(advance(1ms), "OK,") << "taken as the alarm entry, not as the GSM switch";
    EXPECT_EQ(exchange("J", " 7,"), "55.5,");

    // Looked at in time, the quiet line still ends the half command.
    send("J", " 4");
    advance(model->endOfCommandGap());
    EXPECT_EQ(exchange("6,"), "");
    EXPECT_TRUE(logMentions(model->takeLog(), "malformed J"));
}

TEST_F(SimModelLine, ClosingForgetsEverythingUnderWay)
{
    Options paced = unscaled();
    paced.pace = true;
    open(paced);
    send("a"); // a long download, mostly still to go out
    ASSERT_GT(model->pendingOutputSize(), 0);
    model->lineClosed(now);
    EXPECT_EQ(model->pendingOutputSize(), 0);

    model->lineOpened(now);
    EXPECT_EQ(advance(1s), "\r\nREADY\r\n");

    send("p");
    exchange("o", {}, 50ms);
    model->lineClosed(now);
    EXPECT_EQ(model->activeStream(), Stream::None);
    model->lineOpened(now);
    EXPECT_EQ(advance(1s), "\r\nREADY\r\n");
    EXPECT_EQ(exchange("0", ","), "");
    EXPECT_TRUE(model->state().acquisitionEnabled) << "a second step survived the closed line";
}

TEST_F(SimModelFaults, SilentLoggerSendsNothingButListens)
{
    Options silent = unscaled();
    silent.silent = true;
    open(silent);
    EXPECT_EQ(greeting, "");
    EXPECT_EQ(exchange("V"), "");
    EXPECT_EQ(exchange("p", {}, 3s), "");
    EXPECT_EQ(twoStep("A", "0"), "");
    EXPECT_EQ(exchange("q", "ZITTO,"), "");
    EXPECT_EQ(model->state().stationName, "ZITTO");
    EXPECT_EQ(model->transcript().size(), 5);
}

TEST_F(SimModelFaults, GreetOnlyNeverAnswers)
{
    Options greetOnly = unscaled();
    greetOnly.greetOnly = true;
    open(greetOnly);
    EXPECT_EQ(greeting, "\r\nREADY\r\n");
    EXPECT_EQ(exchange("V"), "");
    EXPECT_EQ(exchange("G", ","), "");
    EXPECT_EQ(exchange("P", {}, 3s), "");
}

TEST_F(SimModelFaults, GarbageKeepsTheFieldCountOnly)
{
    Options garbage = unscaled();
    garbage.garbage = true;
    open(garbage);
    EXPECT_EQ(greeting, "\r\nREADY\r\n");
    for (const auto& [command, parameters, count] :
         {std::tuple{"V", "", 2}, {"G", ",", 6}, {"M", ",", 2}, {"X", "", 5}, {"q", "N,", 1}}) {
        const QByteArray reply = exchange(command, parameters);
        const QList<QByteArray> fields = fieldsOf(reply);
        ASSERT_TRUE(reply.endsWith(',')) << command;
        ASSERT_EQ(fields.size(), count) << command << " " << reply.constData();
        for (const QByteArray& f : fields) {
            EXPECT_GE(f.size(), 3);
            EXPECT_LE(f.size(), 12);
            for (const char c : f)
                EXPECT_TRUE(c > ' ' && c < 0x7f) << command;
        }
        EXPECT_NE(fields.at(0), "KVE_M610_M410");
        EXPECT_NE(fields.at(0), "OK");
    }
}

TEST_F(SimModelFaults, StreamsFallSilentAfterTheByteLimit)
{
    Options limited = unscaled();
    limited.stopAfter = 50;
    open(limited);
    const QByteArray lines = twoStep("A", "0");
    EXPECT_EQ(lines.size(), 50);
    EXPECT_FALSE(lines.contains('\x03'));
    EXPECT_EQ(exchange("a").size(), 50);
    EXPECT_EQ(exchange("P", {}, 10 * model->streamPeriod()).size(), 50);
    send("a");
    EXPECT_EQ(exchange("p", {}, 10 * model->streamPeriod()).size(), 50);
    send("B");
    EXPECT_EQ(exchange("V"), "KVE_M610_M410,V3.2,") << "replies are not streams";
}

TEST_F(SimModelFaults, DropOnCommandHangsUp)
{
    Options drop = unscaled();
    drop.dropOn = 'G';
    open(drop);
    EXPECT_FALSE(model->takeHangUpRequest());
    EXPECT_EQ(exchange("G", ","), "");
    EXPECT_TRUE(model->takeHangUpRequest());
    EXPECT_FALSE(model->isLineOpen());
    EXPECT_EQ(model->transcript().constLast().command, "G");
}

TEST_F(SimModelFaults, RefusedWritesChangeNothing)
{
    Options refuse = unscaled();
    refuse.refuseWrites = true;
    open(refuse);
    const State before = model->state();
    EXPECT_EQ(exchange("q", "NUOVA,"), "ER,");
    EXPECT_EQ(exchange("g", "5,12, 126,14,03,07,"), "ER,");
    EXPECT_EQ(exchange("c", " 1,005,"), "ER,");
    EXPECT_EQ(twoStep("h", " 2"), "ER,");
    EXPECT_EQ(exchange("e", "00100,"), "");
    EXPECT_EQ(twoStep("o", "0"), "");
    EXPECT_EQ(exchange("b", "839,"), "");
    EXPECT_EQ(exchange("y", "1,"), "");

    const State& s = model->state();
    EXPECT_EQ(s.stationName, before.stationName);
    EXPECT_EQ(s.clockOffsetMs, before.clockOffsetMs);
    EXPECT_EQ(s.interval, before.interval);
    EXPECT_EQ(s.channels, before.channels);
    EXPECT_EQ(s.preheatMs, before.preheatMs);
    EXPECT_EQ(s.acquisitionEnabled, before.acquisitionEnabled);
    EXPECT_EQ(s.records, before.records);
    EXPECT_EQ(s.emailEnabled, before.emailEnabled);
    EXPECT_EQ(exchange("V"), "KVE_M610_M410,V3.2,") << "reads still answer";
}

TEST_F(SimModelFaults, PacedLineSendsNineHundredSixtyCharactersASecond)
{
    Options paced = unscaled();
    paced.pace = true;
    open(paced);
    QByteArray out = send("a");
    const qsizetype total = out.size() + model->pendingOutputSize();
    ASSERT_GT(total, 2000);
    out += advance(1s);
    EXPECT_GE(out.size(), 955);
    EXPECT_LE(out.size(), 965);
    out += advance(10s);
    EXPECT_EQ(out.size(), total);
}

TEST_F(SimModelFaults, EveryKthCountedValueOutOfRange)
{
    Options faulty = unscaled();
    faulty.outOfRange = 3;
    faulty.records = 5;
    open(faulty);
    const QList<QByteArray> fields = fieldsOf(exchange("a"));
    ASSERT_EQ(fields.size(), 2 + 5 * 10);
    int value = 0;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 4; ++c) {
            ++value;
            const QByteArray& f = fields.at(2 + r * 10 + 6 + c);
            if (value % 3 == 0)
                EXPECT_EQ(f, "99.9") << value;
            else
                EXPECT_LT(f.toDouble(), 30.0) << value;
        }
    }
}

TEST_F(SimModelFaults, MeasurementChannelTimesOut)
{
    Options faulty = unscaled();
    faulty.pTimeoutAfter = 2;
    faulty.channels = 3;
    open(faulty);
    QByteArray out = send("P");
    out += advance(model->streamPeriod() * 2 + 1ms);
    const QList<QByteArray> fields = fieldsOf(out);
    ASSERT_EQ(fields.size(), 3 * 10);
    EXPECT_NE(fields.at(6), "%%");
    EXPECT_NE(fields.at(10 + 6), "%%");
    EXPECT_EQ(fields.at(20 + 6), "%%") << "channel 2 of the third set";
    EXPECT_NE(fields.at(20 + 3), "%%");
    EXPECT_NE(fields.at(20 + 9), "%%");

    faulty.channels = 1;
    open(faulty);
    out = send("P");
    out += advance(model->streamPeriod() * 2 + 1ms);
    EXPECT_EQ(fieldsOf(out).constLast(), "%%");
}

TEST(SimModelTiming, PausesFollowTheTimeScaleWithTheirFloors)
{
    const Instant start{};
    Options options;
    options.timeScale = 1.0;
    LoggerModel real(options, start);
    EXPECT_EQ(real.wakeDelay(), 300ms);
    EXPECT_EQ(real.endOfCommandGap(), 150ms);
    EXPECT_EQ(real.secondStepTimeout(), 3s);
    EXPECT_EQ(real.streamPeriod(), 1s);
    EXPECT_EQ(real.resetBusyTime(), 300ms);

    options.timeScale = 0.05;
    LoggerModel fast(options, start);
    EXPECT_EQ(fast.wakeDelay(), 15ms);
    EXPECT_EQ(fast.endOfCommandGap(), 100ms);
    EXPECT_EQ(fast.secondStepTimeout(), 200ms);
    EXPECT_EQ(fast.streamPeriod(), 50ms);
    EXPECT_EQ(fast.resetBusyTime(), 15ms);

    options.timeScale = 0.001;
    LoggerModel fastest(options, start);
    EXPECT_EQ(fastest.wakeDelay(), 5ms);
    EXPECT_EQ(fastest.streamPeriod(), 20ms);
}

} // namespace
