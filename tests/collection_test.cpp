// The station archive (lines appended once, whole, in the order received, whatever interrupted the
// last merge), the collection report, and the lock that keeps two programs off one port.

#include "data/archive.h"
#include "data/collection_report.h"
#include "link/comm_port.h"
#include "link/port_lock.h"
#include "link/qt_serial_device.h"
#include "modem/collection.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace stazione;
using stazione::testing::contents;
using stazione::testing::write;

namespace {

QList<QByteArray> records(int from, int to)
{
    QList<QByteArray> lines;
    for (int i = from; i < to; ++i)
        lines << QByteArray("05/12/2026 ") + QByteArray::number(10 + i / 60) + ':' +
                     QByteArray::number(10 + i % 60) + ":00;1" + QByteArray::number(i % 7) + ".500";
    return lines;
}

QByteArray text(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

TEST(ArchiveTest, OnlyTheLinesNotYetArchivedAreAppended)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(data::archiveFileName("STAZ/1"));
    EXPECT_TRUE(path.endsWith("STAZ_1_archivio.txt"));

    auto first = data::mergeIntoArchive(path, records(0, 10));
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first->added, 10);
    EXPECT_EQ(first->total, 10);

    // The next night the memory still holds the old lines and has five new ones.
    auto second = data::mergeIntoArchive(path, records(0, 15));
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->added, 5);
    EXPECT_EQ(second->total, 15);
    EXPECT_EQ(contents(path), text(records(0, 15)));

    // The memory wrapped: the oldest lines are gone from it, the newest not yet archived.
    auto third = data::mergeIntoArchive(path, records(8, 20));
    ASSERT_TRUE(third.ok());
    EXPECT_EQ(third->added, 5);
    EXPECT_EQ(contents(path), text(records(0, 20)));

    // Nothing new: nothing written.
    auto again = data::mergeIntoArchive(path, records(8, 20));
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->added, 0);
    EXPECT_EQ(again->total, 20);
    EXPECT_EQ(contents(path), text(records(0, 20)));

    // The memory was erased: whatever comes is new.
    auto erased = data::mergeIntoArchive(path, records(100, 103));
    ASSERT_TRUE(erased.ok());
    EXPECT_EQ(erased->added, 3);
    EXPECT_EQ(contents(path), text(records(0, 20) + records(100, 103)));
}

TEST(ArchiveTest, OverlapIsTheLongestBeginningTheArchiveEndsWith)
{
    const QList<QByteArray> a{"x", "y", "x", "y"};
    EXPECT_EQ(data::overlap(a, {"x", "y", "x", "y", "z"}), 4);
    EXPECT_EQ(data::overlap(a, {"x", "y", "z"}), 2);
    EXPECT_EQ(data::overlap(a, {"y", "z"}), 1);
    EXPECT_EQ(data::overlap(a, {"z"}), 0);
    EXPECT_EQ(data::overlap({}, {"z"}), 0);
    EXPECT_EQ(data::overlap(a, {}), 0);
    // Lines repeated inside the download are kept as sent.
    EXPECT_EQ(data::overlap({"a", "b"}, {"b", "b", "c"}), 1);
    EXPECT_EQ(data::overlap({"a", "a", "a"}, {"a", "a"}), 2);
}

// A kill at any byte of the append leaves at worst a line cut short; the next merge of the same
// download (or of a longer one) ends with every line exactly once.
TEST(ArchiveTest, AMergeCutShortAtAnyByteIsCompletedByTheNext)
{
    QTemporaryDir dir;
    const QByteArray before = text(records(0, 6));
    const QByteArray after = text(records(0, 12));
    for (qsizetype cut = before.size(); cut <= after.size(); ++cut) {
        const QString path = dir.filePath(QStringLiteral("a%1.txt").arg(cut));
        write(path, after.left(cut));
        auto merged = data::mergeIntoArchive(path, records(3, 14));
        ASSERT_TRUE(merged.ok());
        ASSERT_EQ(contents(path), text(records(0, 14))) << "cut at " << cut;
        const bool wholeLines = cut == before.size() || after.at(cut - 1) == '\n';
        EXPECT_EQ(merged->repaired, !wholeLines) << "cut at " << cut;
        EXPECT_EQ(merged->total, 14);
    }
}

TEST(ArchiveTest, DownloadFilesGiveTheirCompleteLinesOnly)
{
    QTemporaryDir dir;
    write(dir.filePath("d.txt"), "one;1\r\ntwo;2\nthree;3\r\nfour, cut sh");
    auto lines = data::readCompleteLines(dir.filePath("d.txt"));
    ASSERT_TRUE(lines.ok());
    EXPECT_EQ(*lines, (QList<QByteArray>{"one;1", "two;2", "three;3"}));
    EXPECT_FALSE(data::readCompleteLines(dir.filePath("missing.txt")).ok());
    // A folder in the archive's place is a file error, not a crash or an empty archive.
    QDir(dir.path()).mkdir("X_archivio.txt");
    auto merged = data::mergeIntoArchive(dir.filePath("X_archivio.txt"), {"a"});
    ASSERT_FALSE(merged.ok());
    EXPECT_EQ(merged.error().kind, link::ErrorKind::File);
}

TEST(CollectionReportTest, OutcomesRoundTripAndTheLastOnePerStationIsFound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(data::kReportFileName);
    data::StationOutcome ok;
    ok.start = QDateTime(QDate(2026, 12, 6), QTime(2, 0, 1), Qt::UTC);
    ok.end = ok.start.addSecs(95);
    ok.row = 5;
    ok.name = "Pozzo \"1\"";
    ok.number = "0331123456";
    ok.attempts = 1;
    ok.newLines = 12;
    ok.totalLines = 300;
    ok.complete = true;
    ok.battery = "12.6";
    ok.memoryPossible = "32000";
    ok.memoryAvailable = "31700";
    ok.clockDrift = -75;
    ok.clockCorrected = true;
    ASSERT_TRUE(data::appendReport(path, ok).ok());

    data::StationOutcome busy;
    busy.row = 7;
    busy.name = "Frana";
    busy.result = data::CollectResult::Busy;
    busy.attempts = 3;
    busy.error = "BUSY";
    ASSERT_TRUE(data::appendReport(path, busy).ok());

    // Every line is one JSON object with the fields named.
    const QList<QByteArray> lines = contents(path).split('\n');
    ASSERT_EQ(lines.size(), 3);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(first.value("result").toString(), "ok");
    EXPECT_EQ(first.value("station").toInt(), 5);
    EXPECT_EQ(first.value("new_lines").toInt(), 12);
    EXPECT_EQ(first.value("clock_drift_s").toInt(), -75);
    EXPECT_TRUE(first.value("clock_corrected").toBool());
    EXPECT_EQ(first.value("start").toString(), "2026-12-06T02:00:01Z");
    // The battery is a number, as readers of the report compute with it.
    EXPECT_TRUE(first.value("battery").isDouble()) << lines[0].constData();
    EXPECT_DOUBLE_EQ(first.value("battery").toDouble(), 12.6);
    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(second.value("result").toString(), "busy");
    EXPECT_TRUE(second.value("clock_drift_s").isNull());
    EXPECT_TRUE(second.value("battery").isNull());

    // A report line cut short by a crash: the next line starts on its own line, the broken one
    // is skipped when read.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("{\"station\":5,\"result\":\"busy\",\"na");
    f.close();
    data::StationOutcome later = ok;
    later.newLines = 3;
    ASSERT_TRUE(data::appendReport(path, later).ok());

    const QMap<int, data::StationOutcome> last = data::lastOutcomes(path);
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[5].newLines, 3);
    EXPECT_EQ(last[5].name, "Pozzo \"1\"");
    EXPECT_EQ(last[5].start, ok.start);
    EXPECT_EQ(last[5].clockDrift, -75);
    EXPECT_EQ(last[7].result, data::CollectResult::Busy);
    // Only the end of a long report is read; a first line cut by that is skipped.
    const QList<QByteArray> all = contents(path).split('\n');
    const qint64 lastLine = all.at(all.size() - 2).size() + 1;
    EXPECT_EQ(data::lastOutcomes(path, lastLine + 10).size(), 1);

    const QString table = data::outcomeTable({ok, busy});
    const QStringList rows = table.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[1].contains("ok")) << qPrintable(table);
    EXPECT_TRUE(rows[1].contains("-75 s (corrected)")) << qPrintable(table);
    EXPECT_TRUE(rows[2].contains("busy")) << qPrintable(table);
    // The columns line up.
    EXPECT_EQ(rows[1].indexOf("0331123456"), rows[0].indexOf("Number"));
}

// Reports written before the battery was a number are still read; a text that is no number
// (nothing read) gives null, not a string.
TEST(CollectionReportTest, TheBatteryOfOlderReportsIsStillRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(data::kReportFileName);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"station\":3,\"result\":\"ok\",\"battery\":\"12.60\"}\n"
            "{\"station\":4,\"result\":\"cancelled\",\"battery\":11.8}\n");
    f.close();
    const QMap<int, data::StationOutcome> last = data::lastOutcomes(path);
    EXPECT_EQ(last[3].battery, "12.60");
    EXPECT_EQ(last[4].battery, "11.80");
    EXPECT_EQ(last[4].result, data::CollectResult::Cancelled);

    data::StationOutcome odd;
    odd.battery = "--.--";
    EXPECT_TRUE(data::toJson(odd).value("battery").isNull());
    data::StationOutcome refused;
    refused.result = data::CollectResult::Refused;
    EXPECT_EQ(data::toJson(refused).value("result").toString(), "refused");
}

TEST(CollectionTest, TheDialEndsWithTheModemsResultCode)
{
    QString word;
    EXPECT_EQ(modem::dialResult("\r\nOK\r\n"), std::nullopt);
    EXPECT_EQ(modem::dialResult("\r\nOK\r\n\r\nBUSY\r\n", &word), data::CollectResult::Busy);
    EXPECT_EQ(word, "BUSY");
    EXPECT_EQ(modem::dialResult("\r\nCONNECT 9600\r\n", &word), data::CollectResult::Ok);
    EXPECT_EQ(word, "CONNECT 9600");
    EXPECT_EQ(modem::dialResult("\r\nNO CARRIER\r\n"), data::CollectResult::NoCarrier);
    EXPECT_EQ(modem::dialResult("\r\nNO ANSWER\r\n"), data::CollectResult::NoAnswer);
    EXPECT_EQ(modem::dialResult("\r\nNO DIALTONE\r\n"), data::CollectResult::NoCarrier);
    // A result code still on its way is not one yet.
    EXPECT_EQ(modem::dialResult("\r\nOK\r\n\r\nBUS"), std::nullopt);
    // The folder of a station: its directory name made safe, or its number when it has none.
    EXPECT_EQ(modem::stationFolder("/d", {5, "Pozzo/1", "123", {}}), "/d/Pozzo_1");
    EXPECT_EQ(modem::stationFolder("/d", {5, "  ", "123", {}}), "/d/stazione_5");
}

// A collection told to stop while it waits to call a station again ends there, with the
// station's last outcome in the report, instead of running through the wait and calling again.
using CollectionStopTest = stazione::testing::ScriptedConnection;
TEST_F(CollectionStopTest, AStopDuringTheRetryWaitEndsWithTheLastOutcome)
{
    QTemporaryDir dir;
    // The collection remembers its report in the settings folder: a private one.
    QTemporaryDir config;
    const QByteArray settingsFolder = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    link.setReplyTimeout(std::chrono::milliseconds(100)); // the logger on the cable stays silent
    modem::CollectSettings settings;
    settings.dir = dir.path();
    settings.retries = 2;
    settings.retryWait = std::chrono::seconds(60); // 3 s at the tests' time scale
    QList<data::StationOutcome> outcomes;
    QElapsedTimer clock;
    clock.start();
    qint64 stopAt = -1;
    modem::collectAll(
        link, {modem::CollectTarget{0, QStringLiteral("Cavo"), {}, {}}}, settings,
        [&](const QString& line) {
            if (stopAt < 0 && line.contains(QStringLiteral("calling again"))) {
                stopAt = clock.elapsed();
                link::abortPauses();
            }
        },
        [&](const data::StationOutcome& o) { outcomes << o; });
    const qint64 stopToEnd = clock.elapsed() - stopAt;
    link::clearAbortedPauses();
    if (settingsFolder.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", settingsFolder);

    ASSERT_GE(stopAt, 0);
    EXPECT_LT(stopToEnd, 1000);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes[0].attempts, 1);
    EXPECT_EQ(outcomes[0].result, data::CollectResult::TimedOut);
    const auto reported = data::lastOutcomes(QDir(dir.path()).filePath(data::kReportFileName));
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported.first().attempts, 1);
    EXPECT_EQ(reported.first().result, data::CollectResult::TimedOut);
}

struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
};

TEST(PortLockTest, ASecondOpenOfTheSameDeviceIsRefusedAndNamesTheHolder)
{
    QTemporaryDir locks;
    qputenv("STAZIONE_LOCK_DIR", locks.path().toUtf8());
    QTemporaryDir ports;
    Pty pty;
    // COM1 is the device, COM2 a link to it: one lock.
    QFile::link(pty.path, ports.filePath("COM1"));
    QFile::link(ports.filePath("COM1"), ports.filePath("COM2"));
    auto makePort = [&](int n) {
        auto port = std::make_unique<link::CommPort>(std::make_unique<link::QtSerialDevice>(),
                                                     link::PortResolver(ports.path(), false));
        (void)port->setCommPort(n);
        return port;
    };
    auto first = makePort(1);
    ASSERT_TRUE(first->setPortOpen(true).ok());
    auto second = makePort(2);
    const auto refused = second->setPortOpen(true);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, link::port_error::kInUse);
    EXPECT_TRUE(refused.error().message.contains("in use by another Stazione program"))
        << qPrintable(refused.error().message);
    EXPECT_TRUE(
        refused.error().message.contains(QStringLiteral("pid %1").arg(QCoreApplication::applicationPid())))
        << qPrintable(refused.error().message);
    EXPECT_FALSE(second->portOpen());

    // Closing gives it up.
    ASSERT_TRUE(first->setPortOpen(false).ok());
    EXPECT_TRUE(second->setPortOpen(true).ok());
    first.reset();
    second.reset();

    // A lock left by a process that is gone is taken over.
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    write(link::PortLock::lockFilePath(pty.path),
          QByteArray::number(deadPid) + "\nstazione-cli\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    link::PortLock lock;
    EXPECT_TRUE(lock.lock(pty.path));
    qunsetenv("STAZIONE_LOCK_DIR");
}

} // namespace
