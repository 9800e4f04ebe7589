// Reading the data files back: the temperature file and the continuous measurement file told apart
// by their content, gaps, two-digit years, malformed lines named by their number, the sensor data
// file when its lines read "date time, values"; and the thinning of long columns for charts.

#include "data/csv_export.h"
#include "data/data_file.h"
#include "data/decimation.h"
#include "support/files.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace stazione;
using data::DataError;
using data::DataFileKind;

namespace {

qint64 at(int y, int mo, int d, int h, int mi, int s)
{
    return data::wallMilliseconds(y, mo, d, h, mi, s);
}

const QByteArray kTemperatureFile =
    "DATA ACQ.: 05/12/2026  14:30:00,Numero Canali Attivi: 3 ,Numero Dati per Canale:      3\r\n"
    "\r\n\r\n\r\n\r\n\r\n"
    "05/03/26 07.04.09   ,023.5     ,**N.C.**  ,-003.0    \r\n"
    "05/03/26 07.14.09   ,024.0     ,080.0     ,-030.0    \r\n"
    "31/12/2026 23.59.59   ,000.5     ,001.0     ,**N.C.**  \r\n";

const QByteArray kSessionFile = "[INIZIO DATI]\r\n"
                                "Date,CH 0,CH 1\r\n"
                                "05/12/2026 14:07:09,1250.123,1500.5\r\n"
                                "05/12/2026 14:07:10,,1501\r\n"
                                "05/12/2026 14:07:11,1251,Timeout\r\n"
                                "[FINE DATI]\r\n";

TEST(DataFileTest, TemperatureFileColumnsGapsAndYears)
{
    auto parsed = data::parseDataFile(kTemperatureFile);
    ASSERT_TRUE(parsed) << parsed.error().message.toStdString();
    const data::DataSet& set = *parsed;
    EXPECT_EQ(set.kind, DataFileKind::Temperature);
    EXPECT_EQ(set.channels, QStringList({"CH 0", "CH 1", "CH 2"}));
    ASSERT_EQ(set.rows(), 3);
    // Two-digit years are this century; a four-digit year is kept.
    EXPECT_EQ(set.times[0], at(2026, 3, 5, 7, 4, 9));
    EXPECT_EQ(set.times[1], at(2026, 3, 5, 7, 14, 9));
    EXPECT_EQ(set.times[2], at(2026, 12, 31, 23, 59, 59));
    EXPECT_EQ(set.values[0], (std::vector<double>{23.5, 24.0, 0.5}));
    EXPECT_TRUE(std::isnan(set.values[1][0])); // **N.C.** is a gap, never a zero
    EXPECT_EQ(set.values[1][1], 80.0);
    EXPECT_EQ(set.values[2][0], -3.0);
    EXPECT_EQ(set.values[2][1], -30.0);
    EXPECT_TRUE(std::isnan(set.values[2][2]));
    EXPECT_EQ(data::isoText(set.times[0]), "2026-03-05T07:04:09");
}

TEST(DataFileTest, TemperatureFileWithoutChannelsOrRecords)
{
    auto none = data::parseDataFile("DATA ACQ.: 05/12/2026  14:30:00,Numero Canali Attivi: 0 ,Numero Dati "
                                    "per Canale:      1\r\n\r\n\r\n\r\n\r\n\r\n05/03/2026 07.04.09   \r\n");
    ASSERT_TRUE(none) << none.error().message.toStdString();
    EXPECT_EQ(none->channels.size(), 0);
    EXPECT_EQ(none->rows(), 1);
    auto empty = data::parseDataFile("DATA ACQ.: 05/12/2026  14:30:00,Numero Canali Attivi: 2 ,Numero Dati "
                                     "per Canale:      0\r\n\r\n\r\n\r\n\r\n\r\n");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->rows(), 0);
    EXPECT_EQ(empty->values.size(), 2u);
}

TEST(DataFileTest, ContinuousFileHeaderGapsAndMarkers)
{
    auto parsed = data::parseDataFile(kSessionFile);
    ASSERT_TRUE(parsed) << parsed.error().message.toStdString();
    EXPECT_EQ(parsed->kind, DataFileKind::Continuous);
    EXPECT_EQ(parsed->channels, QStringList({"CH 0", "CH 1"}));
    ASSERT_EQ(parsed->rows(), 3);
    EXPECT_EQ(parsed->times[2], at(2026, 12, 5, 14, 7, 11));
    EXPECT_EQ(parsed->values[0][0], 1250.123);
    EXPECT_TRUE(std::isnan(parsed->values[0][1])); // an empty cell
    EXPECT_EQ(parsed->values[1][1], 1501.0);
    EXPECT_TRUE(std::isnan(parsed->values[1][2])); // Timeout
    // A session that broke off, with bare LF line ends and no line end at the very end.
    auto broken = data::parseDataFile("[INIZIO DATI]\nDate,CH 0\n05/12/26 14:07:09,1.5\n[FINE DATI]\n"
                                      "[FILE TERMINATO INASPETTATAMENTE]");
    ASSERT_TRUE(broken) << broken.error().message.toStdString();
    EXPECT_EQ(broken->rows(), 1);
    EXPECT_EQ(broken->times[0], at(2026, 12, 5, 14, 7, 9));
}

TEST(DataFileTest, KindComesFromTheContentNotTheName)
{
    EXPECT_EQ(data::sniffDataFile(kTemperatureFile.left(200)), DataFileKind::Temperature);
    EXPECT_EQ(data::sniffDataFile(kSessionFile.left(40)), DataFileKind::Continuous);
    EXPECT_EQ(data::sniffDataFile("05/12/2026 14:07:09;1.250;2.500\r\n"), DataFileKind::Sensor);
    EXPECT_EQ(data::sniffDataFile("REC 1 T=23.5 P=1.2\r\n"), std::nullopt);
    EXPECT_EQ(data::sniffDataFile(""), std::nullopt);
    // A malformed line further on does not change the kind.
    EXPECT_EQ(data::sniffDataFile(kSessionFile.left(60) + "x\r\n"), DataFileKind::Continuous);
    EXPECT_EQ(data::sniffDataFile("05/12/2026 14:07:09;1.250\r\nREC 2\r\n"), std::nullopt);
}

TEST(DataFileTest, MalformedLinesAreNamedByNumber)
{
    struct Case {
        QByteArray text;
        qint64 line;
        const char* says;
    };
    const QByteArray head = kTemperatureFile.left(kTemperatureFile.indexOf("05/03/26"));
    const std::vector<Case> cases{
        // A value that is not a number, a missing column, a column too many, a bad date.
        {head + "05/03/26 07.04.09   ,023.5     ,abc       ,001.0     \r\n", 7, "abc"},
        {head + "05/03/26 07.04.09   ,023.5     ,001.0     \r\n", 7, "2 valori invece di 3"},
        {head + "05/03/26 07.04.09   ,1,2,3\r\n05/03/26 07.04.09   ,1,2,3,4\r\n", 8, "4 valori invece di 3"},
        {head + "31/02/26 07.04.09   ,1,2,3\r\n", 7, "data e l'ora"},
        {head + "05/03/26 24.00.00   ,1,2,3\r\n", 7, "data e l'ora"},
        {head + "05/03/126 07.04.09   ,1,2,3\r\n", 7, "data e l'ora"},
        {"DATA ACQ.: 05/12/2026  14:30:00\r\n", 1, "canali"},
        {"[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 14:07:09,1.5\r\n05/12/2026 14:07:10,1.5,2\r\n", 4,
         "2 valori invece di 1"},
        {"[INIZIO DATI]\r\n05/12/2026 14:07:09,1.5\r\n", 2, "intestazione"},
        {"05/12/2026 14:07:09;1.5\r\nREC 2\r\n", 2, "data ora"},
        // A line with the time alone once gave a row without values: columns shorter than the
        // times, read past their end by the chart and the export (found by fuzz_data_file).
        {"[INIZIO DATI]\r\nDate,CH 0,CH 1\r\n05/12/2026 14:0.17", 3, "0 valori invece di 2"},
        {head + "05/03/26 07.04.09\r\n", 7, "0 valori invece di 3"},
    };
    for (const Case& c : cases) {
        data::DataError where;
        auto parsed = data::parseDataFile(c.text, &where);
        ASSERT_FALSE(parsed) << c.text.toStdString();
        EXPECT_EQ(where.line, c.line) << c.text.toStdString();
        EXPECT_TRUE(parsed.error().message.startsWith(QStringLiteral("Riga %1:").arg(c.line)))
            << parsed.error().message.toStdString();
        EXPECT_TRUE(parsed.error().message.contains(QString::fromUtf8(c.says)))
            << parsed.error().message.toStdString();
    }
}

TEST(DataFileTest, SensorFileLinesAsTheSimulatorWritesThem)
{
    auto parsed = data::parseDataFile("05/12/2026 14:00:00;1.250;-2.500\r\n"
                                      "05/12/2026 14:10:00;1.300;-2.400\r\n");
    ASSERT_TRUE(parsed) << parsed.error().message.toStdString();
    EXPECT_EQ(parsed->kind, DataFileKind::Sensor);
    EXPECT_EQ(parsed->channels.size(), 2);
    EXPECT_EQ(parsed->values[1], (std::vector<double>{-2.5, -2.4}));
    auto commas = data::parseDataFile("05/12/26 14:00:00, 1.25, 7\r\n");
    ASSERT_TRUE(commas);
    EXPECT_EQ(commas->values[1][0], 7.0);
}

TEST(DataFileTest, PiecesMayCutLinesAnywhere)
{
    struct Rows : data::RowSink {
        QStringList got;
        void begin(DataFileKind, const QStringList& channels) override { got << channels.join('|'); }
        void row(qint64 time, const std::string_view* cells, int count) override
        {
            QStringList line{QString::fromLatin1(data::isoText(time))};
            for (int c = 0; c < count; ++c)
                line << QString::fromLatin1(cells[c].data(), qsizetype(cells[c].size()));
            got << line.join('|');
        }
    };
    Rows whole;
    data::DataFileParser one(whole);
    ASSERT_TRUE(one.feed(kTemperatureFile) && one.finish());
    for (qsizetype piece : {1, 2, 7, 64}) {
        Rows pieces;
        data::DataFileParser parser(pieces);
        for (qsizetype i = 0; i < kTemperatureFile.size(); i += piece)
            ASSERT_TRUE(parser.feed(
                QByteArrayView(kTemperatureFile).sliced(i, std::min(piece, kTemperatureFile.size() - i))));
        ASSERT_TRUE(parser.finish());
        EXPECT_EQ(pieces.got, whole.got);
    }
    EXPECT_EQ(whole.got.at(1), "2026-03-05T07:04:09|023.5||-003.0");
}

TEST(DataFileTest, NumbersConvertExactly)
{
    EXPECT_EQ(*data::decimalValue("023.5"), 23.5);
    EXPECT_EQ(*data::decimalValue("-0.1"), -0.1);
    EXPECT_EQ(*data::decimalValue("+7"), 7.0);
    EXPECT_EQ(*data::decimalValue(".5"), 0.5);
    EXPECT_EQ(*data::decimalValue("1250.123"), 1250.123);
    EXPECT_EQ(*data::decimalValue("0.1234567890123456789"), 0.1234567890123456789);
    EXPECT_EQ(*data::decimalValue("12345678901234567890"), 12345678901234567890.0);
    EXPECT_FALSE(data::decimalValue("1e5"));
    EXPECT_FALSE(data::decimalValue("."));
    EXPECT_FALSE(data::decimalValue("1.2.3"));
    EXPECT_FALSE(data::decimalValue(""));
}

TEST(DataFileTest, RowsOutOfOrderAreSortedByTime)
{
    auto parsed = data::parseDataFile("[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 14:00:02,2\r\n"
                                      "05/12/2026 14:00:00,0\r\n05/12/2026 14:00:01,1\r\n");
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->timesAscending());
    data::DataSet set = *parsed;
    set.sortByTime();
    EXPECT_TRUE(set.timesAscending());
    EXPECT_EQ(set.values[0], (std::vector<double>{0, 1, 2}));
}

QByteArray exported(const QByteArray& file, const data::ExportOptions& options = {})
{
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    auto done = data::exportCsv(in, out, options);
    EXPECT_TRUE(done) << (done ? "" : done.error().message.toStdString());
    return out.data();
}

TEST(CsvExportTest, TableBytes)
{
    EXPECT_EQ(exported(kSessionFile), "time,CH 0,CH 1\r\n"
                                      "2026-12-05T14:07:09,1250.123,1500.5\r\n"
                                      "2026-12-05T14:07:10,,1501\r\n"
                                      "2026-12-05T14:07:11,1251,\r\n");
    data::ExportOptions late;
    late.from = at(2026, 3, 5, 7, 14, 9);
    late.channels = {2, 1};
    EXPECT_EQ(exported(kTemperatureFile, late), "time,CH 2,CH 1\r\n"
                                                "2026-03-05T07:14:09,-30.0,80.0\r\n"
                                                "2026-12-31T23:59:59,,1.0\r\n");
    // Channel names with a comma or a quote are quoted as RFC 4180 says.
    EXPECT_EQ(exported("Date,\"P1\" pozzo,T aria\r\n05/12/2026 14:07:09,1,2\r\n"),
              "time,\"\"\"P1\"\" pozzo\",T aria\r\n2026-12-05T14:07:09,1,2\r\n");
}

TEST(CsvExportTest, NumbersKeepTheirDigitsWithoutPadding)
{
    auto text = [](std::string_view number) {
        QByteArray out;
        data::appendNumber(out, number);
        return out;
    };
    EXPECT_EQ(text("023.5"), "23.5");
    EXPECT_EQ(text("-003.0"), "-3.0");
    EXPECT_EQ(text("000.5"), "0.5");
    EXPECT_EQ(text(".5"), "0.5");
    EXPECT_EQ(text("+7"), "7");
    EXPECT_EQ(text("5."), "5");
    EXPECT_EQ(text("000"), "0");
    EXPECT_EQ(text("1250.120"), "1250.120");
    EXPECT_EQ(text(""), "");
}

std::vector<qint64> rowsOf(const std::vector<data::TracePoint>& points)
{
    std::vector<qint64> rows;
    rows.reserve(points.size());
    for (const auto& p : points)
        rows.push_back(p.row);
    return rows;
}

TEST(DecimationTest, ASingleRowSpikeInAMillionRowsStaysVisible)
{
    constexpr qint64 kRows = 1000000;
    std::vector<double> values(kRows);
    auto* random = QRandomGenerator::global();
    for (auto& v : values)
        v = 20.0 + random->bounded(1.0);
    const qint64 spike = 654321;
    values[spike] = 95.0;
    values[123457] = -40.0;
    data::MinMaxIndex index;
    index.update(values.data(), kRows);
    const data::MinMaxIndex* const scanOrIndex[] = {nullptr, &index};
    for (const data::MinMaxIndex* with : scanOrIndex) {
        const auto points = data::decimate(values.data(), kRows, with, data::rowBounds(0, kRows, 800));
        EXPECT_LE(points.size(), 2u * 800u);
        double highest = -1e9;
        double lowest = 1e9;
        for (const auto& p : points) {
            ASSERT_FALSE(p.isBreak());
            highest = std::max(highest, p.value);
            lowest = std::min(lowest, p.value);
        }
        EXPECT_EQ(highest, 95.0);
        EXPECT_EQ(lowest, -40.0);
        // Points are in row order, so the line never runs backwards.
        EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                                   [](const auto& a, const auto& b) { return a.row < b.row; }));
    }
    // Zoomed on a few rows around the spike: every row is its own column, drawn as it is.
    const auto close =
        data::decimate(values.data(), kRows, &index, data::rowBounds(spike - 2, spike + 3, 800));
    EXPECT_EQ(rowsOf(close),
              (std::vector<qint64>{spike - 3, spike - 2, spike - 1, spike, spike + 1, spike + 2, spike + 3}));
}

TEST(DecimationTest, GapsStayGaps)
{
    std::vector<double> values(1000, 1.0);
    for (int r = 400; r < 500; ++r)
        values[size_t(r)] = data::kGap;
    values[750] = data::kGap; // a one-row gap
    data::MinMaxIndex index;
    index.update(values.data(), 1000);
    // One column per row: the line breaks at both gaps and nowhere else.
    const auto rows = data::decimate(values.data(), 1000, &index, data::rowBounds(0, 1000, 1000));
    int breaks = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].isBreak())
            continue;
        ++breaks;
        ASSERT_GT(i, 0u);
        ASSERT_LT(i + 1, rows.size());
        EXPECT_TRUE((rows[i - 1].row == 399 && rows[i + 1].row == 500) ||
                    (rows[i - 1].row == 749 && rows[i + 1].row == 751));
    }
    EXPECT_EQ(breaks, 2);
    // Ten columns of 100 rows: the empty column is a break; the one-row gap lies inside a column
    // and is narrower than a pixel.
    const auto coarse = data::decimate(values.data(), 1000, &index, data::rowBounds(0, 1000, 10));
    EXPECT_EQ(std::count_if(coarse.begin(), coarse.end(), [](const auto& p) { return p.isBreak(); }), 1);
    // A gap on a column boundary breaks the line even when both columns have values.
    std::vector<double> edge(200, 2.0);
    edge[100] = data::kGap;
    const auto split = data::decimate(edge.data(), 200, nullptr, data::rowBounds(0, 200, 2));
    EXPECT_EQ(std::count_if(split.begin(), split.end(), [](const auto& p) { return p.isBreak(); }), 1);
    // A column of nothing but gaps gives no points.
    std::vector<double> none(50, data::kGap);
    EXPECT_TRUE(data::decimate(none.data(), 50, nullptr, data::rowBounds(0, 50, 5)).empty());
}

TEST(DecimationTest, IndexGivesTheSameExtentsAsAScan)
{
    std::vector<double> values(5000);
    auto* random = QRandomGenerator::global();
    for (auto& v : values)
        v = random->bounded(10) == 0 ? data::kGap : random->generateDouble();
    data::MinMaxIndex index;
    index.update(values.data(), 3000); // a column that grows
    index.update(values.data(), 5000);
    for (int i = 0; i < 200; ++i) {
        const qint64 a = random->bounded(5000);
        const qint64 b = a + random->bounded(5000 - a) + 1;
        const data::Extent scanned = data::extentOf(values.data(), a, b);
        const data::Extent indexed = index.extent(values.data(), a, b);
        ASSERT_EQ(scanned.first, indexed.first);
        ASSERT_EQ(scanned.last, indexed.last);
        ASSERT_EQ(scanned.minAt, indexed.minAt);
        ASSERT_EQ(scanned.maxAt, indexed.maxAt);
    }
}

TEST(DecimationTest, TimeBoundsFollowTheClock)
{
    const std::vector<qint64> times{0, 10, 20, 30, 40, 50};
    EXPECT_EQ(data::timeBounds(times, 0, 50, 5), (std::vector<qint64>{0, 1, 2, 3, 4, 6}));
    EXPECT_EQ(data::timeBounds(times, 15, 35, 2), (std::vector<qint64>{2, 3, 4}));
    EXPECT_EQ(data::rowBounds(0, 3, 10), (std::vector<qint64>{0, 1, 2, 3}));
}

} // namespace

namespace {

// Files from anywhere: endless lines, too many channels, values no sensor gives, names a
// spreadsheet would run, outputs that fail or are the input itself.

QByteArray sessionHeader(int channels)
{
    QByteArray header = "[INIZIO DATI]\r\nDate";
    for (int c = 0; c < channels; ++c)
        header += ",CH " + QByteArray::number(c);
    return header + "\r\n";
}

QByteArray valuesLine(const QByteArray& time, int channels, char separator = ',')
{
    QByteArray line = time;
    for (int c = 0; c < channels; ++c)
        line += separator + QByteArray::number(c);
    return line + "\r\n";
}

TEST(BoundedReadTest, ALineLongerThanTheLimitEndsTheReadWithItsNumber)
{
    // Fed in small pieces, as a file or a pipe gives them: the read ends on the piece that takes
    // the line past the limit, not at the end of the input.
    struct Count : data::RowSink {
        void begin(DataFileKind, const QStringList&) override {}
        void row(qint64, const std::string_view*, int) override { ++rows; }
        int rows = 0;
    } sink;
    data::DataFileParser parser(sink);
    const QByteArray first = sessionHeader(1) + "05/12/2026 14:07:09,1\r\n";
    ASSERT_TRUE(parser.feed(first));
    const QByteArray piece(64 << 10, '7');
    int fed = 0;
    while (fed < 64 && parser.feed(piece))
        ++fed;
    EXPECT_EQ(fed, 16); // 16 pieces make 1 MiB, the 17th passes it
    ASSERT_TRUE(parser.error());
    EXPECT_EQ(parser.error()->line, 4);
    EXPECT_TRUE(parser.error()->message.contains("1 MiB")) << parser.error()->message.toStdString();
    EXPECT_EQ(sink.rows, 1);

    // The same in one piece, and a line of exactly the limit is not refused for its length.
    DataError where;
    EXPECT_FALSE(data::parseDataFile(QByteArray(data::kLongestLine + 2, '\0'), &where));
    EXPECT_EQ(where.line, 1);
    EXPECT_TRUE(where.message.contains("1 MiB"));
    const QByteArray longest = "05/12/2026 14:07:09,1" + QByteArray(data::kLongestLine - 21, ' ') + "\r\n";
    auto fits = data::parseDataFile(longest);
    ASSERT_TRUE(fits) << fits.error().message.toStdString();
    EXPECT_EQ(fits->rows(), 1);
}

TEST(BoundedReadTest, EveryKindHasAtMost128ChannelsWithTheSameMessage)
{
    const QByteArray time = "05/12/2026 14:07:09";
    const auto temperature = [](int channels) {
        return "DATA ACQ.: 05/12/2026  14:30:00,Numero Canali Attivi: " + QByteArray::number(channels) +
               " ,Numero Dati per Canale: 1\r\n" + valuesLine("05/03/26 07.04.09   ", channels);
    };
    const auto continuous = [&time](int channels) {
        return sessionHeader(channels) + valuesLine(time, channels);
    };
    const auto sensor = [&time](int channels) { return valuesLine(time, channels, ';'); };
    QStringList messages;
    for (const auto& make : std::vector<std::function<QByteArray(int)>>{temperature, continuous, sensor}) {
        auto most = data::parseDataFile(make(128));
        ASSERT_TRUE(most) << most.error().message.toStdString();
        EXPECT_EQ(most->channels.size(), 128);
        DataError where;
        EXPECT_FALSE(data::parseDataFile(make(129), &where));
        EXPECT_EQ(where.line, 1 + (make(1).startsWith("[INIZIO") ? 1 : 0));
        messages << where.message.mid(where.message.indexOf(':'));
        EXPECT_FALSE(data::parseDataFile(make(5000)));
    }
    EXPECT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[0].contains("128")) << messages[0].toStdString();
    EXPECT_EQ(messages.count(messages[0]), 3) << messages.join(" | ").toStdString();
}

TEST(BoundedReadTest, OnlyARegularFileIsRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A fifo without a writer would block a plain open for ever.
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
        auto read = data::readDataFile(path);
        ASSERT_FALSE(read) << path.toStdString();
        EXPECT_EQ(read.error().kind, link::ErrorKind::File);
        EXPECT_TRUE(read.error().message.contains(path)) << read.error().message.toStdString();
    }
    const QString good = dir.filePath("good.txt");
    stazione::testing::write(good, kSessionFile);
    const QString linked = dir.filePath("linked.txt");
    ASSERT_TRUE(QFile::link(good, linked));
    auto read = data::readDataFile(linked);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rows(), 3);
}

TEST(BoundedReadTest, ValuesOutOfRangeAreCountedGaps)
{
    const QByteArray huge = "178" + QByteArray(306, '0');         // 1.78e308
    const QByteArray endless = "9" + QByteArray(399, '9') + ".5"; // 400 digits
    const QByteArray edge = "3" + QByteArray(38, '0');            // 3e38: 39 digits, in range
    const QByteArray beyond = "4" + QByteArray(38, '0');          // 4e38: 39 digits, out of range
    auto parsed = data::parseDataFile(sessionHeader(2) + "05/12/2026 14:07:09," + huge + ",-" + huge +
                                      "\r\n05/12/2026 14:07:10," + endless +
                                      ",2\r\n"
                                      "05/12/2026 14:07:11," +
                                      edge + ",-" + beyond + "\r\n05/12/2026 14:07:12,1.5,-0.25\r\n");
    ASSERT_TRUE(parsed) << parsed.error().message.toStdString();
    EXPECT_EQ(parsed->outOfRange, 4);
    const auto& v = parsed->values;
    EXPECT_TRUE(data::isGap(v[0][0]));
    EXPECT_TRUE(data::isGap(v[1][0]));
    EXPECT_TRUE(data::isGap(v[0][1]));
    EXPECT_EQ(v[1][1], 2);
    EXPECT_EQ(v[0][2], 3e38);
    EXPECT_TRUE(data::isGap(v[1][2]));
    EXPECT_EQ(v[0][3], 1.5);
    EXPECT_EQ(v[1][3], -0.25);

    // The table leaves them empty and says how many.
    QBuffer in;
    in.setData(sessionHeader(1) + "05/12/2026 14:07:09," + endless + "\r\n05/12/2026 14:07:10,-7\r\n");
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    auto done = data::exportCsv(in, out);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->outOfRange, 1);
    EXPECT_EQ(out.data(), "time,CH 0\r\n2026-12-05T14:07:09,\r\n2026-12-05T14:07:10,-7\r\n");
}

TEST(SessionsTest, ASessionWithOtherChannelsIsNeverRenamed)
{
    const QByteArray file = "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\n05/12/2026 14:07:09,1,2\r\n[FINE DATI]\r\n"
                            "[INIZIO DATI]\r\nDate,CH 0,Vento\r\n05/12/2026 15:00:00,3,4\r\n[FINE DATI]\r\n"
                            "[INIZIO DATI]\r\nDate,CH 0,Vento\r\n05/12/2026 16:00:00,5,6\r\n[FINE DATI]\r\n";
    // The table: a new table for the session with other names, none for the same names again.
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    auto done = data::exportCsv(in, out);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->tables, 2);
    EXPECT_EQ(out.data(), "time,CH 0,CH 1\r\n2026-12-05T14:07:09,1,2\r\n"
                          "\r\ntime,CH 0,Vento\r\n2026-12-05T15:00:00,3,4\r\n2026-12-05T16:00:00,5,6\r\n");

    // The data set: a column per name, a gap where a session has no such channel.
    auto parsed = data::parseDataFile(file);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->channels, (QStringList{"CH 0", "CH 1", "Vento"}));
    EXPECT_EQ(parsed->values[0], (std::vector<double>{1, 3, 5}));
    EXPECT_EQ(parsed->values[1][0], 2);
    EXPECT_TRUE(data::isGap(parsed->values[1][1]));
    EXPECT_TRUE(data::isGap(parsed->values[2][0]));
    EXPECT_EQ(parsed->values[2][2], 6);

    // Chosen by name, each table has the channels of that name.
    data::ExportOptions byName;
    byName.channelNames = QStringList{"Vento"};
    EXPECT_EQ(exported(file, byName), "time\r\n2026-12-05T14:07:09\r\n"
                                      "\r\ntime,Vento\r\n2026-12-05T15:00:00,4\r\n2026-12-05T16:00:00,6\r\n");
}

TEST(CsvExportTest, FormulaLikeNamesAreInertAndNumbersStayNumbers)
{
    const struct {
        QString name;
        QByteArray cell;
    } cases[] = {
        {"=1+1", "\"'=1+1\""},
        {"+SUM(2;3)", "\"'+SUM(2;3)\""},
        {"-2+3", "\"'-2+3\""},
        {"@SUM(1)", "\"'@SUM(1)\""},
        {"\tX", "\"'\tX\""},
        {"\r=1", "\"'\r=1\""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"T aria", "T aria"},
        {"a=b", "a=b"},
    };
    for (const auto& c : cases) {
        QByteArray cell;
        data::appendText(cell, c.name);
        EXPECT_EQ(cell, c.cell) << c.name.toStdString();
    }
    // From a file's header; the values, negative ones too, are numbers.
    EXPECT_EQ(exported("[INIZIO DATI]\r\nDate,=1+1,+SUM(2;3),-2+3,@SUM(1),\r=1\r\n"
                       "05/12/2026 14:07:09,-1.5,+2,-003.0,4,-0.5\r\n"),
              "time,\"'=1+1\",\"'+SUM(2;3)\",\"'-2+3\",\"'@SUM(1)\",\"'\r=1\"\r\n"
              "2026-12-05T14:07:09,-1.5,2,-3.0,4,-0.5\r\n");
}

TEST(CsvExportTest, AFailedWriteNamesTheOutputAndTheSystemsReason)
{
    // Several pieces of input, so that the write fails with a line of the input cut in two.
    QByteArray file = sessionHeader(4);
    for (int r = 0; r < 200000; ++r)
        file += valuesLine("05/12/2026 14:07:09", 4);
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    DataError where;
    auto done = data::exportCsv(in, full, {}, &where);
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, link::ErrorKind::File);
    EXPECT_TRUE(done.error().message.contains("/dev/full")) << done.error().message.toStdString();
    EXPECT_TRUE(done.error().message.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
        << done.error().message.toStdString();
    EXPECT_FALSE(done.error().message.contains("Riga"));
    EXPECT_EQ(where.line, 0);
}

TEST(CsvExportTest, TheTargetIsNeverTheInputNorADevice)
{
    QTemporaryDir dir;
    const QString input = dir.filePath("data.txt");
    stazione::testing::write(input, kSessionFile);
    const QString soft = dir.filePath("soft.csv");
    const QString hard = dir.filePath("hard.csv");
    ASSERT_TRUE(QFile::link(input, soft));
    ASSERT_EQ(::link(QFile::encodeName(input).constData(), QFile::encodeName(hard).constData()), 0);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    using data::ExportTarget;
    EXPECT_EQ(data::exportTarget(input, input), ExportTarget::SameAsInput);
    EXPECT_EQ(data::exportTarget(input, dir.path() + "/./data.txt"), ExportTarget::SameAsInput);
    EXPECT_EQ(data::exportTarget(input, soft), ExportTarget::SameAsInput);
    EXPECT_EQ(data::exportTarget(input, hard), ExportTarget::SameAsInput);
    EXPECT_EQ(data::exportTarget(input, "/dev/null"), ExportTarget::NotRegular);
    EXPECT_EQ(data::exportTarget(input, fifo), ExportTarget::NotRegular);
    EXPECT_EQ(data::exportTarget(input, dir.path()), ExportTarget::NotRegular);
    EXPECT_EQ(data::exportTarget(input, dir.filePath("new.csv")), ExportTarget::Fine);
    stazione::testing::write(dir.filePath("old.csv"), "x");
    EXPECT_EQ(data::exportTarget(input, dir.filePath("old.csv")), ExportTarget::Fine);
}

} // namespace
