// The station archive (lines appended once, whole, in the order received, whatever interrupted the
// last merge), the collection report, and the lock that keeps two programs off one port.

#include "data/downloads.h"
#include "data/file_names.h"
#include "link/comm_port.h"
#include "link/port_lock.h"
#include "link/qt_serial_device.h"
#include "modem/collection.h"
#include "network/archive.h"
#include "network/collection_report.h"
#include "network/data_root.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <pty.h>
#include <random>
#include <sys/stat.h>
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
        EXPECT_EQ(merged->repaired, wholeLines ? data::TailRepair::None : data::TailRepair::Replaced)
            << "cut at " << cut;
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

// The logger's memory as the merge meets it night after night: records come, a full memory drops
// its oldest, an erase empties it; a download is the whole memory or, when the call drops, a
// beginning of it; a kill -9 can stop the archive's write at any byte. Whatever the sequence, the
// archive holds each line received once, in the order recorded, whole (a piece of a line only
// where the logger no longer had the line), and every line of a merge that was not killed.
namespace model {

QByteArray lineOf(int id)
{
    const QDateTime stamp = QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(qint64(id) * 600);
    return stamp.toString("dd/MM/yyyy hh:mm:ss").toLatin1() + ";" + QByteArray::number(id % 97) + ".25";
}

int idOf(const QByteArray& line, const QHash<QByteArray, int>& ids)
{
    return ids.value(line, -1);
}

struct Memory {
    int capacity = 10;
    QList<int> records;
    int next = 0;
    QHash<QByteArray, int> ids; // every line ever recorded
    void record(int count)
    {
        for (int i = 0; i < count; ++i) {
            ids.insert(lineOf(next), next);
            records << next++;
        }
        while (records.size() > capacity)
            records.removeFirst();
    }
    QList<QByteArray> download(qsizetype count) const
    {
        QList<QByteArray> lines;
        for (qsizetype i = 0; i < count; ++i)
            lines << lineOf(records[i]);
        return lines;
    }
};

} // namespace model

TEST(ArchiveTest, NoSequenceOfCutCompleteErasedOrKilledDownloadsArchivesALineTwice)
{
    QTemporaryDir dir;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        std::mt19937 random(seed);
        auto chance = [&](int percent) { return int(random() % 100) < percent; };
        auto between = [&](qsizetype low, qsizetype high) {
            return low + qsizetype(random() % (high - low + 1));
        };
        const QString path = dir.filePath(QStringLiteral("s%1_archivio.txt").arg(seed));
        write(path, {});
        model::Memory memory;
        memory.capacity = int(between(3, 25));
        memory.record(int(between(0, memory.capacity)));
        QSet<int> archived; // whole lines the archive held after the last step
        QString story;
        for (int step = 0; step < 40; ++step) {
            const int event = int(random() % 100);
            if (event < 25) {
                const int count = int(between(1, 8));
                memory.record(count);
                story += QStringLiteral(" rec%1").arg(count);
                continue;
            }
            if (event < 32) {
                memory.records.clear();
                story += QStringLiteral(" erase");
                continue;
            }
            const bool complete = event < 66;
            const qsizetype count = complete ? memory.records.size()
                                             : between(0, std::max<qsizetype>(0, memory.records.size() - 1));
            const QList<QByteArray> lines = memory.download(count);
            data::DownloadFacts facts;
            facts.complete = complete;
            facts.possible = memory.capacity;
            facts.available = memory.capacity - memory.records.size();
            const QByteArray before = contents(path);
            auto merged = data::mergeIntoArchive(path, lines, facts);
            ASSERT_TRUE(merged.ok()) << merged.error().message.toStdString();
            const QByteArray after = contents(path);
            ASSERT_TRUE(after.startsWith(before)) << "seed " << seed << story.toStdString();
            bool killed = chance(15) && after.size() > before.size();
            if (killed) {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::ReadWrite));
                ASSERT_TRUE(f.resize(between(before.size(), after.size() - 1)));
            }
            story += QStringLiteral(" %1%2%3")
                         .arg(QLatin1String(complete ? "full" : "cut"))
                         .arg(count)
                         .arg(QLatin1String(killed ? "+kill" : ""));

            // The archive: whole lines in the order recorded, each once; pieces only of lines lost.
            const QByteArray text = contents(path);
            QList<QByteArray> all = text.split('\n');
            all.removeLast(); // after the last line end: empty, or a line a kill cut short
            QSet<int> whole;
            int last = -1;
            for (QByteArray line : all) {
                ASSERT_TRUE(line.endsWith('\r')) << "seed " << seed << story.toStdString();
                line.chop(1);
                const int id = model::idOf(line, memory.ids);
                if (id < 0) {
                    const bool piece = std::any_of(memory.ids.keyBegin(), memory.ids.keyEnd(),
                                                   [&](const QByteArray& l) { return l.startsWith(line); });
                    ASSERT_TRUE(piece) << "seed " << seed << ": not a line: " << line.constData();
                    continue;
                }
                ASSERT_GT(id, last) << "seed " << seed << " twice or out of order:" << story.toStdString();
                last = id;
                whole.insert(id);
            }
            // Nothing archived is ever lost again.
            for (int id : archived)
                ASSERT_TRUE(whole.contains(id)) << "seed " << seed << " lost " << id << story.toStdString();
            if (!killed) {
                for (const QByteArray& line : lines)
                    ASSERT_TRUE(whole.contains(memory.ids.value(line)))
                        << "seed " << seed << " not archived:" << story.toStdString();
                EXPECT_EQ(merged->total, all.size()) << "seed " << seed << story.toStdString();
            }
            archived = whole;
        }
    }
}

// A last line that lacks its line end is completed when the logger still has it, kept with a line
// end when the logger no longer has it, and never dropped.
TEST(ArchiveTest, ATornLastLineIsReplacedOrKeptNeverDropped)
{
    QTemporaryDir dir;
    const QList<QByteArray> memory = records(0, 6);
    const QByteArray torn = text(records(0, 4)) + memory[4].left(22);

    const QString replaced = dir.filePath("r.txt");
    write(replaced, torn);
    auto r = data::mergeIntoArchive(replaced, memory);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->repaired, data::TailRepair::Replaced);
    EXPECT_EQ(contents(replaced), text(memory));
    EXPECT_EQ(r->added, 2);

    // The memory was erased since: the piece is all there is of that line.
    const QString kept = dir.filePath("k.txt");
    write(kept, torn);
    auto k = data::mergeIntoArchive(kept, records(200, 202));
    ASSERT_TRUE(k.ok());
    EXPECT_EQ(k->repaired, data::TailRepair::Kept);
    EXPECT_EQ(contents(kept), torn + "\r\n" + text(records(200, 202)));
    EXPECT_EQ(k->total, 7);
    // The next download goes on after its lines, the piece between does not stop it.
    auto next = data::mergeIntoArchive(kept, records(200, 204));
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(next->added, 2);
    EXPECT_EQ(contents(kept), torn + "\r\n" + text(records(200, 204)));

    // A cut download that ends before the line leaves the piece for one that holds more.
    const QString waiting = dir.filePath("w.txt");
    write(waiting, torn);
    data::DownloadFacts cut;
    cut.complete = false;
    auto w = data::mergeIntoArchive(waiting, records(0, 3), cut);
    ASSERT_TRUE(w.ok());
    EXPECT_EQ(w->repaired, data::TailRepair::None);
    EXPECT_EQ(w->added, 0);
    EXPECT_EQ(contents(waiting), torn);
}

// The night: 100 lines archived, a call dropped after 20, then a complete one.
TEST(ArchiveTest, ACutPieceInsideTheArchiveAppendsNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(data::mergeIntoArchive(path, records(0, 100)).ok());
    data::DownloadFacts cut;
    cut.complete = false;
    cut.possible = 1000;
    cut.available = 900;
    auto piece = data::mergeIntoArchive(path, records(0, 20), cut);
    ASSERT_TRUE(piece.ok());
    EXPECT_EQ(piece->added, 0);
    EXPECT_EQ(piece->total, 100);
    auto full = data::mergeIntoArchive(path, records(0, 100));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full->added, 0);
    EXPECT_EQ(contents(path), text(records(0, 100)));
    // A piece that reaches past the archive's end adds what is past it.
    auto longer = data::mergeIntoArchive(path, records(10, 105), cut);
    ASSERT_TRUE(longer.ok());
    EXPECT_EQ(longer->added, 5);
    EXPECT_EQ(contents(path), text(records(0, 105)));
}

// No line in common: the counters say whether the memory was erased or overwrote records; a
// download older than the archive's end is not appended.
TEST(ArchiveTest, ADownloadWithNoArchivedLineIsJudgedByCountersAndDates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(data::mergeIntoArchive(path, {"02/03/2026 10:00:00;1", "02/03/2026 11:00:00;2"}).ok());
    data::DownloadFacts facts;
    facts.possible = 100;
    facts.available = 99;
    auto erased = data::mergeIntoArchive(path, {"03/03/2026 08:00:00;3"}, facts);
    ASSERT_TRUE(erased.ok());
    EXPECT_EQ(erased->change, data::MemoryChange::Erased);
    EXPECT_EQ(erased->added, 1);
    facts.available = 0;
    auto full = data::mergeIntoArchive(path, {"05/03/2026 08:00:00;5"}, facts);
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full->change, data::MemoryChange::Overwritten);
    const QByteArray before = contents(path);
    auto older = data::mergeIntoArchive(path, {"01/03/2026 08:00:00;0", "01/03/2026 09:00:00;0"}, facts);
    ASSERT_TRUE(older.ok());
    EXPECT_EQ(older->change, data::MemoryChange::Refused);
    EXPECT_EQ(older->added, 0);
    EXPECT_EQ(contents(path), before);
    // A piece of a download from the end of the memory: what lies before it is not known.
    data::DownloadFacts fromEnd;
    fromEnd.complete = false;
    fromEnd.newestFirst = true;
    auto newest = data::mergeIntoArchive(path, {"09/03/2026 08:00:00;9"}, fromEnd);
    ASSERT_TRUE(newest.ok());
    EXPECT_EQ(newest->added, 0);
    EXPECT_EQ(contents(path), before);
}

// A link or a FIFO under the archive's or the report's name is refused, its target untouched,
// and nothing waits on the FIFO.
TEST(ArchiveTest, LinksAndNonRegularFilesAreRefused)
{
    QTemporaryDir dir;
    write(dir.filePath("target.txt"), "keep me\n");
    ASSERT_TRUE(QFile::link(dir.filePath("target.txt"), dir.filePath("L_archivio.txt")));
    auto linked = data::mergeIntoArchive(dir.filePath("L_archivio.txt"), {"a"});
    ASSERT_FALSE(linked.ok());
    EXPECT_TRUE(linked.error().message.contains("symbolic link")) << qPrintable(linked.error().message);
    EXPECT_EQ(contents(dir.filePath("target.txt")), "keep me\n");

    const QByteArray fifo = QFile::encodeName(dir.filePath("F_archivio.txt"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    auto piped = data::mergeIntoArchive(dir.filePath("F_archivio.txt"), {"a"});
    ASSERT_FALSE(piped.ok());
    EXPECT_TRUE(piped.error().message.contains("not a regular file")) << qPrintable(piped.error().message);
    EXPECT_FALSE(data::readCompleteLines(dir.filePath("F_archivio.txt")).ok());

    data::StationOutcome o;
    o.row = 1;
    ASSERT_TRUE(QFile::link(dir.filePath("target.txt"), dir.filePath("raccolta.jsonl")));
    EXPECT_FALSE(data::appendReport(dir.filePath("raccolta.jsonl"), o).ok());
    EXPECT_EQ(contents(dir.filePath("target.txt")), "keep me\n");
    const auto full = data::appendReport("/dev/full", o);
    ASSERT_FALSE(full.ok());
    EXPECT_TRUE(full.error().message.contains("/dev/full")) << qPrintable(full.error().message);
}

// Hostile station names never leave the data root and never make one folder of two stations.
TEST(CollectionTest, StationFoldersStayInsideTheRootAndNeverCollide)
{
    EXPECT_EQ(data::safeFolderName("..", 3), "stazione_3");
    EXPECT_EQ(data::safeFolderName(".", 3), "stazione_3");
    EXPECT_EQ(data::safeFolderName(" . . ", 4), "stazione_4");
    EXPECT_EQ(data::safeFolderName("", 5), "stazione_5");
    EXPECT_EQ(data::safeFolderName("/", 5), "_");
    EXPECT_EQ(data::safeFolderName("a/../../x", 5), "a_.._.._x");
    EXPECT_EQ(data::safeFolderName("Pozzo 1", 5), "Pozzo 1");
    const QString longName = QString(300, QChar(0xe0)); // 2 bytes each in a file name
    EXPECT_LE(QFile::encodeName(data::safeFolderName(longName, 1)).size(), 200);
    EXPECT_GT(QFile::encodeName(data::safeFolderName(longName, 1)).size(), 190);
    const QString notUtf8 = QString::fromUtf8("\xff\xfe/..\x01");
    EXPECT_FALSE(data::safeFolderName(notUtf8, 1).contains('/'));
    EXPECT_EQ(data::sensorFileName("..", QDate(2026, 5, 4)), ".._04_05_26_SENS.txt");

    modem::StationDirectory d;
    d[0] = {"A/B", "1", {}, {}};
    d[1] = {"A_B", "2", {}, {}};
    d[2] = {"Solo", "3", {}, {}};
    d[3] = {"Same", "4", {}, {}};
    d[4] = {"Same", "5", {}, {}};
    d[5] = {"Same_5", "6", {}, {}};
    d[6] = {"stazione_9", "7", {}, {}}; // row 9 is empty: no station takes that name from it
    d[7] = {"..", "8", {}, {}};
    const auto f = modem::stationFolders(d);
    EXPECT_EQ(f[0], "A_B_1");
    EXPECT_EQ(f[1], "A_B_2");
    EXPECT_EQ(f[2], "Solo");
    EXPECT_EQ(f[3], "Same_4");
    EXPECT_EQ(f[4], "Same_5_5");
    EXPECT_EQ(f[5], "Same_5");
    EXPECT_EQ(f[6], "stazione_9");
    EXPECT_EQ(f[7], "stazione_8");
    EXPECT_EQ(QSet<QString>(f.begin(), f.begin() + 8).size(), 8); // the rows that are stations
    EXPECT_EQ(modem::stationFolder("/d", {.row = 2, .name = "A_B", .number = "2", .folder = f[1]}),
              "/d/A_B_2");
    EXPECT_EQ(modem::stationFolder("/d", {.row = 0, .name = ".."}), "/d/stazione_0");
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
    EXPECT_FALSE(first.contains("unended_line")); // only when it applies

    // A report line cut short by a crash: the next line starts on its own line, the broken one
    // is skipped when read.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("{\"station\":5,\"result\":\"busy\",\"na");
    f.close();
    data::StationOutcome later = ok;
    later.newLines = 3;
    later.unendedLine = true;
    ASSERT_TRUE(data::appendReport(path, later).ok());

    const QMap<int, data::StationOutcome> last = data::lastOutcomes(path);
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[5].newLines, 3);
    EXPECT_EQ(last[5].name, "Pozzo \"1\"");
    EXPECT_EQ(last[5].start, ok.start);
    EXPECT_EQ(last[5].clockDrift, -75);
    EXPECT_TRUE(last[5].unendedLine);
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
    EXPECT_EQ(modem::stationFolder("/d", {.row = 5, .name = "Pozzo/1", .number = "123"}), "/d/Pozzo_1");
    EXPECT_EQ(modem::stationFolder("/d", {.row = 5, .name = "  ", .number = "123"}), "/d/stazione_5");
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
        link, {modem::CollectTarget{.row = 0, .name = QStringLiteral("Cavo")}}, settings,
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
