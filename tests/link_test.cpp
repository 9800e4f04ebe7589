#include "link/link.h"
#include "link/timing.h"
#include "link/trace.h"
#include "support/fake_device.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using stazione::link::ErrorKind;
using stazione::link::Link;
using stazione::testing::FakePortFixture;

namespace {

// The tests run at a known scale so that pause lengths can be checked.
constexpr double kScale = 0.05;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stazione::link::setTimeScale(kScale);
        link.setReplyTimeout(1000ms);
    }

    // A connection as the port scan leaves it: port open, held open between exchanges.
    void connect(int porta = 3)
    {
        ASSERT_TRUE(fx.port->setCommPort(porta).ok());
        ASSERT_TRUE(fx.port->setPortOpen(true).ok());
        link.Porta = static_cast<qint16>(porta);
        link.Porta_Aperta = true;
    }

    FakePortFixture fx;
    Link link{*fx.port};
};

TEST_F(LinkTest, FieldsOfOneBurstComeOutOneByOneWithoutReadingThePortAgain)
{
    connect();
    fx.device->deliver("OK,12,");
    auto first = link.Leggi_Risposta();
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(*first, "OK");
    EXPECT_EQ(link.Risposta, "OK");
    EXPECT_EQ(link.Accumulo(), "12,");

    const int readsBefore = fx.device->readCount;
    auto second = link.Leggi_Risposta();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*second, "12");
    EXPECT_EQ(fx.device->readCount, readsBefore);
    EXPECT_TRUE(link.Accumulo().isEmpty());
}

TEST_F(LinkTest, FieldsSplitAcrossArrivalsAndEmptyFields)
{
    connect();
    fx.device->deliver(",KVE_M");
    fx.device->deliverLater(20, "510HX,");
    fx.device->deliverLater(40, "V2");
    fx.device->deliverLater(60, ".1,");

    auto empty = link.Leggi_Risposta();
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(*empty, "");

    auto model = link.Leggi_Risposta();
    ASSERT_TRUE(model.ok());
    EXPECT_EQ(*model, "KVE_M510HX");
    auto version = link.Leggi_Risposta();
    ASSERT_TRUE(version.ok());
    EXPECT_EQ(*version, "V2.1");
}

TEST_F(LinkTest, BytesAboveAsciiSurviveTheRoundTrip)
{
    connect();
    fx.device->deliver(QByteArray("Pozzo\xB0"
                                  "1,"));
    auto field = link.Leggi_Risposta();
    ASSERT_TRUE(field.ok());
    EXPECT_EQ(field->size(), 7);
    EXPECT_EQ(field->at(5).unicode(), 0xB0);
    ASSERT_TRUE(link.Invia_Comando("q", *field + ",").ok());
    EXPECT_EQ(fx.device->written(), QByteArray("qPozzo\xB0"
                                               "1,"));
}

TEST_F(LinkTest, SvuotaBufferDropsAHalfReadFieldAndWaitingInput)
{
    connect();
    fx.device->deliver("AB,CD");
    ASSERT_EQ(*link.Leggi_Risposta(), "AB");
    EXPECT_EQ(link.Accumulo(), "CD");
    fx.device->deliver("stale");

    ASSERT_TRUE(link.Svuota_Buffer().ok());
    EXPECT_TRUE(link.Accumulo().isEmpty());
    EXPECT_EQ(fx.device->bytesAvailable(), 0);

    fx.device->deliverLater(10, "EF,");
    auto next = link.Leggi_Risposta();
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(*next, "EF");
}

TEST_F(LinkTest, InviaComandoWritesTheLetterWholeThenEachParameterCharacterWithAPause)
{
    connect();
    ASSERT_TRUE(link.Invia_Comando("V", "").ok());
    ASSERT_EQ(fx.device->writes.size(), 1);
    EXPECT_EQ(fx.device->writes[0].bytes, "V");

    fx.device->writes.clear();
    QElapsedTimer sending;
    sending.start();
    const qint64 start = fx.device->nowMs();
    ASSERT_TRUE(link.Invia_Comando("u", " 1,").ok());
    const qint64 end = fx.device->nowMs();

    const auto& w = fx.device->writes;
    ASSERT_EQ(w.size(), 4);
    EXPECT_EQ(w[0].bytes, "u");
    EXPECT_EQ(w[1].bytes, " ");
    EXPECT_EQ(w[2].bytes, "1");
    EXPECT_EQ(w[3].bytes, ",");
    // The letter and the first parameter character go out together; each parameter character
    // is followed by a pause of one hundredth (scaled), the last one included.
    const qint64 pause = stazione::link::scaled(10ms).count();
    EXPECT_GE(w[2].atMs - w[1].atMs, pause);
    EXPECT_GE(w[3].atMs - w[2].atMs, pause);
    EXPECT_GE(end - w[3].atMs, pause);
    EXPECT_GE(end - start, 3 * pause);
}

TEST_F(LinkTest, InviaComandoDropsStaleInputSoTheReplyStartsClean)
{
    connect();
    fx.device->deliver("junk,from,before,");
    ASSERT_EQ(*link.Leggi_Risposta(), "junk");
    ASSERT_TRUE(link.Invia_Comando("Q", "").ok());
    fx.device->deliver("STAZ1,");
    auto name = link.Leggi_Risposta();
    ASSERT_TRUE(name.ok());
    EXPECT_EQ(*name, "STAZ1");
}

TEST_F(LinkTest, AReplyThatNeverComesEndsWithATimeoutNotAnEmptyField)
{
    connect();
    link.setReplyTimeout(200ms);
    fx.device->deliver("12");
    QElapsedTimer t;
    t.start();
    auto field = link.Leggi_Risposta();
    ASSERT_FALSE(field.ok());
    EXPECT_EQ(field.error().kind, ErrorKind::TimedOut);
    EXPECT_GE(t.elapsed(), 190);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(field.error().message.contains("COM3"));
    EXPECT_TRUE(field.error().message.contains("\"12\""));
    // The partial field stays where it was: nothing was invented or thrown away.
    EXPECT_EQ(link.Accumulo(), "12");
}

TEST_F(LinkTest, ACancelEndsThePendingWait)
{
    connect();
    link.setReplyTimeout(10s);
    QTimer::singleShot(30, &link, [this] { link.cancel(); });
    QElapsedTimer t;
    t.start();
    auto field = link.Leggi_Risposta();
    ASSERT_FALSE(field.ok());
    EXPECT_EQ(field.error().kind, ErrorKind::Cancelled);
    EXPECT_LT(t.elapsed(), 5000);

    // A cancel with nothing pending does not spoil the next exchange.
    link.cancel();
    fx.device->deliverLater(10, "OK,");
    auto next = link.Leggi_Risposta();
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(*next, "OK");
}

TEST_F(LinkTest, AFieldIsFoundEvenWhenTheReceivedTextChangedDuringTheWait)
{
    connect();
    // The wait starts with a long half field, "0123456789", already searched for a comma.
    fx.device->deliver("0123456789");
    // Something run during the wait drops it, reads a reply of its own and takes one field.
    QString inner;
    QTimer::singleShot(20, [&] {
        ASSERT_TRUE(link.Svuota_Buffer().ok());
        fx.device->deliver("ab,cd,ef");
        auto field = link.Leggi_Risposta();
        ASSERT_TRUE(field.ok());
        inner = *field;
        // More text, still without a comma, arrives after it.
        fx.device->deliverLater(20, "g");
    });
    QElapsedTimer t;
    t.start();
    auto outer = link.Leggi_Risposta();
    EXPECT_EQ(inner, "ab");
    // "cd," was already there: no time-out, and nothing of the dropped half field.
    ASSERT_TRUE(outer.ok()) << outer.error().message.toStdString();
    EXPECT_EQ(*outer, "cd");
    EXPECT_LT(t.elapsed(), 900);
    EXPECT_EQ(link.Accumulo(), "ef");
}

// The counted download takes its fields with nextFields, which drops the consumed text to keep the
// buffer small; a wait below or above it must not search from where the text used to be.
TEST_F(LinkTest, AFieldIsFoundWhenNextFieldsDropsConsumedTextDuringAWait)
{
    connect();
    fx.device->deliver("aaaaaaaa,bb");
    auto first = link.nextFields();
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(QByteArray(first->data(), first->size()), "aaaaaaaa,");

    // Leggi_Risposta waits on the half field "bb"; meanwhile a nested nextFields takes "bb,c," and
    // leaves "d" at the start of a buffer it has compacted; ",e," comes later.
    QByteArray inner;
    QTimer::singleShot(20, [&] {
        fx.device->deliver(",c,d");
        auto fields = link.nextFields();
        ASSERT_TRUE(fields.ok());
        inner = QByteArray(fields->data(), fields->size());
        fx.device->deliverLater(20, ",e,");
    });
    QElapsedTimer t;
    t.start();
    auto outer = link.Leggi_Risposta();
    EXPECT_EQ(inner, "bb,c,");
    ASSERT_TRUE(outer.ok()) << outer.error().message.toStdString();
    EXPECT_EQ(*outer, "d");
    EXPECT_LT(t.elapsed(), 900);
    EXPECT_EQ(link.Accumulo(), "e,");

    // The other way round: nextFields waits on "xy" while a nested Leggi_Risposta takes "xyz".
    ASSERT_TRUE(link.Svuota_Buffer().ok());
    fx.device->deliver("xy");
    QString nested;
    QTimer::singleShot(20, [&] {
        fx.device->deliver("z,w,v");
        auto field = link.Leggi_Risposta();
        ASSERT_TRUE(field.ok());
        nested = *field;
    });
    t.restart();
    auto next = link.nextFields();
    EXPECT_EQ(nested, "xyz");
    ASSERT_TRUE(next.ok()) << next.error().message.toStdString();
    EXPECT_EQ(QByteArray(next->data(), next->size()), "w,");
    EXPECT_LT(t.elapsed(), 900);
    EXPECT_EQ(link.Accumulo(), "v");
    EXPECT_TRUE(link.waitingFields().isEmpty());
}

// A wait for a field is not ended by characters without its comma: they stay for the read that
// follows the wait, and the caller wakes once per field, not once per character.
TEST_F(LinkTest, AWaitForATerminatorSleepsThroughInputWithoutIt)
{
    connect();
    fx.device->deliverLater(10, "12");
    fx.device->deliverLater(40, "3,4");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(fx.port->waitForMoreInput(QDeadlineTimer(2s), ','), stazione::link::CommPort::Wait::Ready);
    EXPECT_GE(t.elapsed(), 35);
    EXPECT_EQ(*fx.port->inBufferCount(), 5);
    EXPECT_EQ(*fx.port->inputAll(), "123,4");

    // Without one, any input ends it; and a terminator already waiting ends it at once.
    fx.device->deliverLater(10, "5");
    EXPECT_EQ(fx.port->waitForMoreInput(QDeadlineTimer(2s)), stazione::link::CommPort::Wait::Ready);
    fx.device->deliver(",");
    t.restart();
    EXPECT_EQ(fx.port->waitForMoreInput(QDeadlineTimer(2s), ','), stazione::link::CommPort::Wait::Ready);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(*fx.port->inputAll(), "5,");

    // Input without the terminator until the deadline is a time-out, and the input is kept.
    fx.device->deliverLater(10, "67");
    EXPECT_EQ(fx.port->waitForMoreInput(QDeadlineTimer(100ms), ','),
              stazione::link::CommPort::Wait::TimedOut);
    EXPECT_EQ(*fx.port->inputAll(), "67");
}

// The waits of a link reuse one event loop and one timer per nesting depth, whatever their count.
TEST_F(LinkTest, WaitsReuseTheirEventLoopsAtEveryDepth)
{
    connect();
    for (int i = 0; i < 20; ++i) {
        fx.device->deliverLater(1, QByteArray::number(i) + ",");
        auto field = link.Leggi_Risposta();
        ASSERT_TRUE(field.ok());
        EXPECT_EQ(*field, QString::number(i));
    }
    EXPECT_EQ(fx.port->findChildren<QEventLoop*>().size(), 1);

    // A nested wait gets a second one; the outer wait still sees its own field.
    QString inner;
    QTimer::singleShot(10, [&] {
        fx.device->deliverLater(10, "in,");
        inner = link.Leggi_Risposta().valueOr(QString());
        fx.device->deliverLater(10, "out,");
    });
    auto outer = link.Leggi_Risposta();
    EXPECT_EQ(inner, "in");
    ASSERT_TRUE(outer.ok()) << outer.error().message.toStdString();
    EXPECT_EQ(*outer, "out");
    EXPECT_EQ(fx.port->findChildren<QEventLoop*>().size(), 2);
    EXPECT_EQ(fx.port->findChildren<QTimer*>().size(), 2);

    // A time-out and a cancel still end the reused waits.
    link.setReplyTimeout(50ms);
    auto late = link.Leggi_Risposta();
    ASSERT_FALSE(late.ok());
    EXPECT_EQ(late.error().kind, ErrorKind::TimedOut);
    link.setReplyTimeout(10s);
    QTimer::singleShot(20, &link, [this] { link.cancel(); });
    auto cancelled = link.Leggi_Risposta();
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.error().kind, ErrorKind::Cancelled);
    EXPECT_EQ(fx.port->findChildren<QEventLoop*>().size(), 2);
}

// A slow stream (a continuous measurement at 9600 baud) is gathered between wake-ups; the short
// reply to a command, and a fast stream, are not.
TEST_F(LinkTest, OnlyASlowStreamIsGatheredAndACommandEndsTheGathering)
{
    connect();
    // A reply of a few fields trickling in after a command.
    ASSERT_TRUE(link.Invia_Comando("H", "").ok());
    for (int i = 0; i < 12; ++i)
        fx.device->deliverLater(1 + i, i % 3 == 2 ? "," : "7");
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(link.Leggi_Risposta().ok());
    EXPECT_EQ(fx.device->holds, 0);

    // A fast stream: thousands of characters at once.
    QByteArray burst;
    for (int i = 0; i < 400; ++i)
        burst += "12.5,";
    fx.device->deliverLater(1, burst.left(1000));
    fx.device->deliverLater(2, burst.mid(1000));
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(link.Leggi_Risposta().ok());
    EXPECT_EQ(fx.device->holds, 0);

    // A slow one: a character every millisecond or so, for longer than a short reply.
    const QByteArray slow = burst.left(400);
    for (int i = 0; i < slow.size(); ++i)
        fx.device->deliverLater(1 + i, slow.mid(i, 1));
    for (int i = 0; i < 80; ++i) {
        auto field = link.Leggi_Risposta();
        ASSERT_TRUE(field.ok());
        ASSERT_EQ(*field, "12.5");
    }
    EXPECT_GT(fx.device->holds, 0);

    // The next command is answered as soon as its reply is there.
    ASSERT_TRUE(link.Invia_Comando("Q", "").ok());
    EXPECT_FALSE(fx.device->held);
}

TEST_F(LinkTest, ALostLineIsItsOwnErrorAndStaysLost)
{
    connect();
    fx.device->dropLineLater(20);
    auto field = link.Leggi_Risposta();
    ASSERT_FALSE(field.ok());
    EXPECT_EQ(field.error().kind, ErrorKind::LineLost);

    auto sent = link.Invia_Comando("V", "");
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().kind, ErrorKind::LineLost);
}

TEST_F(LinkTest, WithoutAConnectionEachRoutineOpensAndClosesThePortAroundItself)
{
    ASSERT_TRUE(fx.port->setCommPort(2).ok());
    ASSERT_FALSE(link.Porta_Aperta);
    ASSERT_TRUE(link.Invia_Comando("O", "").ok());
    EXPECT_EQ(fx.device->openCount, 1);
    EXPECT_FALSE(fx.port->portOpen());
    EXPECT_EQ(fx.device->written(), "O");

    // With the port opened by someone else, the routine leaves it open.
    ASSERT_TRUE(fx.port->setPortOpen(true).ok());
    ASSERT_TRUE(link.Invia_Comando("W", "").ok());
    EXPECT_TRUE(fx.port->portOpen());
    EXPECT_EQ(fx.device->openCount, 2);
}

TEST_F(LinkTest, InviaAttendiWaitsForTheCountAndReturnsEverythingWaiting)
{
    connect();
    fx.device->deliver("leftover");
    fx.device->deliverLater(10, " 05, 12, 26");
    fx.device->deliverLater(30, ", 14, 30,XY");
    auto reply = link.Invia_Attendi("D", 20);
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(*reply, " 05, 12, 26, 14, 30,XY");
    EXPECT_EQ(link.Risposta, *reply);
    EXPECT_EQ(fx.device->written(), "D");
    EXPECT_EQ(fx.device->bytesAvailable(), 0);

    link.setReplyTimeout(150ms);
    fx.device->deliverLater(10, "123");
    auto shortReply = link.Invia_Attendi("G", 19);
    ASSERT_FALSE(shortReply.ok());
    EXPECT_EQ(shortReply.error().kind, ErrorKind::TimedOut);
}

class ApriPortaTest : public LinkTest {};

TEST_F(ApriPortaTest, AMissingPortFailsAtOnceAndStaysClosed)
{
    QElapsedTimer t;
    t.start();
    auto none = link.Apri_Porta(9); // no COM9 in the folder
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error().number, 8002);
    EXPECT_FALSE(fx.port->portOpen());
    EXPECT_FALSE(link.Porta_Aperta);

    fx.device->missing.insert(fx.pathOf(4));
    auto gone = link.Apri_Porta(4);
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().number, 8006);

    fx.device->busy.insert(fx.pathOf(5));
    auto busy = link.Apri_Porta(5);
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().number, 8010);
    EXPECT_FALSE(fx.port->portOpen());

    // A port the user may not open says how to get the permission.
    fx.device->denied.insert(fx.pathOf(2));
    auto denied = link.Apri_Porta(2);
    ASSERT_FALSE(denied.ok());
    EXPECT_EQ(denied.error().number, stazione::link::port_error::kNoPermission);
    EXPECT_TRUE(denied.error().message.contains("sudo adduser $USER dialout"))
        << denied.error().message.toStdString();
    EXPECT_FALSE(busy.error().message.contains("dialout"));
    EXPECT_FALSE(fx.port->portOpen());
    EXPECT_LT(t.elapsed(), stazione::link::scaled(3000ms).count());
}

TEST_F(ApriPortaTest, ASilentPortGivesFalseAfterTheFullProbeAndStaysOpen)
{
    QElapsedTimer t;
    t.start();
    auto probe = link.Apri_Porta(3);
    ASSERT_TRUE(probe.ok());
    EXPECT_FALSE(*probe);
    EXPECT_GE(t.elapsed(), stazione::link::scaled(5000ms).count() - 5);
    EXPECT_TRUE(fx.port->portOpen());
    EXPECT_TRUE(link.Porta_Aperta);
    EXPECT_TRUE(fx.device->dtr);
    EXPECT_EQ(fx.port->inputLen(), 1);
    EXPECT_EQ(fx.device->openedSettings.toString(), "9600,N,8,1");
}

TEST_F(ApriPortaTest, ALoggerThatSpeaksIsHeardAndItsGreetingDiscarded)
{
    // The greeting arrives during the wake-up pause.
    fx.device->deliverLater(int(stazione::link::scaled(1000ms).count()), "\r\nREADY\r\n");
    QElapsedTimer t;
    t.start();
    auto probe = link.Apri_Porta(3);
    ASSERT_TRUE(probe.ok());
    EXPECT_TRUE(*probe);
    // Three seconds of wake-up, then at least one more since listening began.
    EXPECT_GE(t.elapsed(), stazione::link::scaled(4000ms).count() - 5);
    EXPECT_EQ(fx.device->bytesAvailable(), 0);
    EXPECT_TRUE(link.Porta_Aperta);
}

TEST_F(ApriPortaTest, ItFailsOnAPortThatIsAlreadyOpenAndClosesIt)
{
    ASSERT_TRUE(fx.port->setCommPort(3).ok());
    ASSERT_TRUE(fx.port->setPortOpen(true).ok());
    auto probe = link.Apri_Porta(3);
    ASSERT_FALSE(probe.ok());
    EXPECT_EQ(probe.error().number, 8005);
    EXPECT_FALSE(fx.port->portOpen());
}

TEST(CommPortTest, InputLengthLimitsOneReadButLosesNothing)
{
    FakePortFixture fx;
    ASSERT_TRUE(fx.port->setPortOpen(true).ok());
    fx.port->setInputLen(1);
    fx.device->deliver("ABC");
    EXPECT_EQ(*fx.port->inBufferCount(), 3);
    EXPECT_EQ(*fx.port->input(), "A");
    EXPECT_EQ(*fx.port->inBufferCount(), 2);
    fx.port->setInputLen(0);
    EXPECT_EQ(*fx.port->input(), "BC");
    EXPECT_EQ(*fx.port->input(), "");
}

TEST(CommPortTest, PropertiesKeepTheirRules)
{
    FakePortFixture fx;
    EXPECT_FALSE(fx.port->setSettings("9600,X,8,1").ok());
    EXPECT_FALSE(fx.port->setSettings("fast").ok());
    ASSERT_TRUE(fx.port->setSettings("19200,E,7,2").ok());
    EXPECT_EQ(fx.port->settings(), "19200,E,7,2");

    auto closedCount = fx.port->inBufferCount();
    ASSERT_FALSE(closedCount.ok());
    EXPECT_EQ(closedCount.error().number, 8012);
    EXPECT_EQ(fx.port->output("x").error().number, 8012);

    ASSERT_TRUE(fx.port->setCommPort(2).ok());
    ASSERT_TRUE(fx.port->setPortOpen(true).ok());
    EXPECT_EQ(fx.device->openedPath, fx.pathOf(2));
    EXPECT_EQ(fx.port->setCommPort(3).error().number, 8005);
    EXPECT_EQ(fx.port->setPortOpen(true).error().number, 8005);
    EXPECT_EQ(fx.port->commPort(), 2);

    // DTR follows the property while open; a change while closed waits for the next open.
    EXPECT_TRUE(fx.port->setRtsEnable(true).ok());
    EXPECT_TRUE(fx.device->rts);
}

} // namespace

// The trace of the line, as a person reads it: a block per command, the command set apart from
// its parameters, every byte received (also those dropped unread), non-printable bytes escaped.
TEST_F(LinkTest, TheTraceShowsEveryByteOfAnExchangeReadably)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("trace.txt");
    {
        stazione::link::Trace trace(path);
        ASSERT_TRUE(trace.isOpen());
        trace.setClock([] { return QStringLiteral("14:03:07.123"); });
        fx.port->setTrace(&trace);
        connect();

        ASSERT_TRUE(link.Invia_Comando("q", "POZZO1,").ok());
        fx.device->deliver("OK,");
        ASSERT_TRUE(link.Leggi_Risposta().ok());
        ASSERT_TRUE(link.Invia_Comando("H", "").ok());
        fx.device->deliver("4,1,0,");
        ASSERT_TRUE(link.Leggi_Risposta().ok());
        fx.device->deliver("late,");
        ASSERT_TRUE(link.Invia_Comando("c", " 0,001,").ok()); // drops what came late
        fx.device->deliver("line 1\r\nline<2>\x03");
        ASSERT_TRUE(fx.port->inputAll().ok());
        fx.port->setTrace(nullptr);
        ASSERT_TRUE(link.Invia_Comando("Q", "").ok()); // no longer traced
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), "14:03:07.123 - COM3 opened on " + fx.pathOf(3) +
                                                     "\n"
                                                     "\n"
                                                     "14:03:07.123 > q  POZZO1,\n"
                                                     "14:03:07.123 < OK,\n"
                                                     "\n"
                                                     "14:03:07.123 > H\n"
                                                     "14:03:07.123 < 4,1,0,\n"
                                                     "14:03:07.123 < late, (dropped)\n"
                                                     "\n"
                                                     "14:03:07.123 > c   0,001,\n"
                                                     "14:03:07.123 < line 1<0D><0A>\n"
                                                     "14:03:07.123 < line<3C>2><03>\n");
}

TEST(TraceTest, AFullDiskStopsTheTraceAndSaysSoOnce)
{
    stazione::link::Trace trace(QStringLiteral("/dev/full"));
    ASSERT_TRUE(trace.isOpen());
    QStringList told;
    trace.setOnFailure([&](const QString& why) { told << why; });
    trace.sent("q", stazione::link::Trace::Part::Command);
    trace.received("OK,");
    EXPECT_TRUE(trace.failed());
    EXPECT_FALSE(trace.isOpen());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains("/dev/full"));
}
