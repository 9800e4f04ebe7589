// Reading the data files back: the temperature file and the continuous measurement file told apart
// by their content, gaps, two-digit years, malformed lines named by their number, the sensor data
// file when its lines read "date time, values"; and the thinning of long columns for charts.

#include "data/csv_export.h"
#include "data/data_file.h"
#include "data/decimation.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <cmath>
#include <gtest/gtest.h>

using namespace stazione;
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
