// The modem window's files, the dial strings, how a connection is recognised, the remote
// identification and the retry read.

#include "link/exchange.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "session/retrieval.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::contents;

namespace {

using ModemTest = stazione::testing::ScriptedConnection;

TEST(StationFilesTest, OneValueALineInTheirExactLayout)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    modem::StationDirectory d;
    d[0] = {"Pozzo 1", "0471123456", "31/12/2027", "05/12/2026"};
    d[69] = {"Ultima", "3331234567", "", "01/01/2026"};
    ASSERT_TRUE(modem::saveStations(d, stations, last));

    const QByteArray s = contents(stations);
    EXPECT_EQ(s.count("\r\n"), 210);
    EXPECT_TRUE(s.startsWith("Pozzo 1\r\n0471123456\r\n31/12/2027\r\n\r\n\r\n\r\n"));
    EXPECT_TRUE(s.endsWith("Ultima\r\n3331234567\r\n\r\n"));
    const QByteArray l = contents(last);
    EXPECT_EQ(l.count("\r\n"), 70);
    EXPECT_TRUE(l.startsWith("05/12/2026\r\n\r\n"));
    EXPECT_TRUE(l.endsWith("\r\n01/01/2026\r\n"));
}

TEST(StationFilesTest, AwkwardValuesComeBackUnchanged)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    modem::StationDirectory d;
    d[0] = {"Rossi, Mario", "  0471 123", "\"fine\" 2027", " 05/12/2026"};
    d[1] = {QString::fromUtf8("Località Ñ €"), "+39 333,1", "a,b,c", ""};
    d[2] = {"next", "row", "kept", "in place"};
    ASSERT_TRUE(modem::saveStations(d, stations, last));
    const modem::StationDirectory loaded = modem::loadStations(stations, last);
    for (int i = 0; i < modem::kStations; ++i) {
        EXPECT_EQ(loaded[i].Nome, d[i].Nome) << i;
        EXPECT_EQ(loaded[i].Telefono, d[i].Telefono) << i;
        EXPECT_EQ(loaded[i].Scadenza, d[i].Scadenza) << i;
        EXPECT_EQ(loaded[i].Uldata, d[i].Uldata) << i;
    }
}

TEST(StationFilesTest, FilesOfTheOlderToolsAndMissingFilesLoad)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    // Written by the older tools: Windows code page, fewer rows than seventy.
    stazione::testing::write(stations, "Citt\xE0 alta\r\n0461 99\r\n\r\nSecond\r\n123\r\n2028\r\n");
    const modem::StationDirectory d = modem::loadStations(stations, last);
    EXPECT_EQ(d[0].Nome, QString::fromUtf8("Città alta"));
    EXPECT_EQ(d[1].Scadenza, "2028");
    EXPECT_EQ(d[2].Nome, "");
    EXPECT_TRUE(QFile::exists(last)); // created empty
    EXPECT_EQ(contents(last), "");

    const QString missing = dir.filePath("sub/modem.ini");
    const modem::StationDirectory empty = modem::loadStations(missing, dir.filePath("sub/last.ini"));
    EXPECT_TRUE(QFile::exists(missing));
    EXPECT_EQ(empty[5].Telefono, "");
}

// The directory is shared with programs that read it as Latin-1: it is written so whenever every
// character fits, in UTF-8 only when one does not, and the caller is told which value forced it.
TEST(StationFilesTest, WrittenInLatin1WheneverEveryCharacterFits)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    modem::StationDirectory d;
    d[0] = {QString::fromUtf8("Città Alta"), "0461 99", QString::fromUtf8("è già"), "05/12/2026"};
    ASSERT_TRUE(modem::saveStations(d, stations, last));
    EXPECT_TRUE(contents(stations).startsWith("Citt\xE0 Alta\r\n0461 99\r\n\xE8 gi\xE0\r\n"))
        << contents(stations).left(40).toHex().constData();
    EXPECT_EQ(modem::notLatin1(d), std::nullopt);
    EXPECT_EQ(modem::loadStations(stations, last)[0].Nome, QString::fromUtf8("Città Alta"));

    d[2].Nome = QString::fromUtf8("Zürich ☀");
    ASSERT_TRUE(modem::saveStations(d, stations, last));
    EXPECT_TRUE(contents(stations).startsWith("Citt\xC3\xA0 Alta\r\n"));
    EXPECT_EQ(modem::notLatin1(d), QString::fromUtf8("\"Zürich ☀\" of station 3"));
    const modem::StationDirectory loaded = modem::loadStations(stations, last);
    EXPECT_EQ(loaded[0].Nome, QString::fromUtf8("Città Alta"));
    EXPECT_EQ(loaded[2].Nome, QString::fromUtf8("Zürich ☀"));
}

// A directory file that is there but cannot be read whole is an error for whoever would change
// it, not an empty directory to write over.
TEST(StationFilesTest, ADirectoryThatCannotBeReadWholeIsAnError)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    QByteArray big = "Pozzo 1\r\n0471\r\n\r\n";
    big += QByteArray(1024 * 1024, 'x') + "\r\n";
    stazione::testing::write(stations, big);
    const auto read = modem::readStations(stations, last);
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.error().message.contains("more than")) << qPrintable(read.error().message);
    EXPECT_EQ(modem::loadStations(stations, last)[0].Nome, ""); // shown empty, but not for writing

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(modem::readStations(dir.filePath("folder.ini"), last));
    EXPECT_TRUE(modem::readStations(dir.filePath("none.ini"), last)); // missing: created empty
}

TEST(ModemTextsTest, DialStringsAndConnections)
{
    EXPECT_EQ(modem::dialString("1234567", false), "ATD1234567\r");
    EXPECT_EQ(modem::dialString("1234567", true), "ATD1,234567\r");
    EXPECT_EQ(modem::dialString("5", true), "ATD5,\r");
    EXPECT_EQ(modem::dialString("0471 12,3", false), "ATD0471 12,3\r");

    EXPECT_TRUE(modem::isConnect("\r\nCONNECT\r\n"));
    EXPECT_TRUE(modem::isConnect("\r\nCONNECT 9600\r\n"));
    EXPECT_FALSE(modem::isConnect("ATD1234567\r\r\nCONNECT\r\n")); // the echo came first
    EXPECT_FALSE(modem::isConnect("\r\nBUSY\r\n"));
    EXPECT_FALSE(modem::isConnect("CONNECT"));
    EXPECT_EQ(modem::shownReply("\r\nOK\r\n"), "OK\r\n");
    EXPECT_EQ(modem::shownReply("x"), "");

    EXPECT_EQ(modem::foundText(3, "\r\nModem 1.0\r\n"), "Modem Trovato su Com 3\r\nModem 1.0\r\n\r");
    EXPECT_EQ(modem::remoteFoundText("V3.2"), "Dispositivo  M410-M610 V3.2 rilevato");
    EXPECT_EQ(modem::remoteModel("KVE_M410_M610"), modem::RemoteModel::Family);
    EXPECT_EQ(modem::remoteModel("KVE_M610_M410"), modem::RemoteModel::Family);
    EXPECT_EQ(modem::remoteModel("KVE_M510HX"), modem::RemoteModel::VibratingWire);
    EXPECT_EQ(modem::remoteModel("OTHER_HX"), modem::RemoteModel::VibratingWire);
    EXPECT_EQ(modem::remoteModel("MODEM"), modem::RemoteModel::Other);
}

TEST_F(ModemTest, DiallingAndHangingUp)
{
    ASSERT_TRUE(modem::dial(link, "0471123456", false).ok());
    EXPECT_EQ(logger.received, "atx0\rATD0471123456\r");
    auto none = modem::dial(link, "", true);
    ASSERT_FALSE(none.ok());
    EXPECT_TRUE(logger.received.endsWith("atx0\r")); // nothing dialled

    logger.received.clear();
    fx.device->writes.clear();
    ASSERT_TRUE(modem::hangUp(link).ok());
    EXPECT_EQ(logger.received, "+++ATH\r");
    const auto& w = fx.device->writes;
    ASSERT_EQ(w.size(), 9); // the empty command text, three "+", the empty text, A, T, H, CR
    // The guard times: a second of silence before "+++", five seconds after it (scaled).
    EXPECT_GE(w[5].atMs - w[3].atMs, link::scaled(5000ms).count());
}

TEST_F(ModemTest, TheRemoteLoggerIsIdentifiedTwice)
{
    link.Porta = 4;
    logger.expect("V", "KVE_M510HX,V1,");
    logger.expect("V", "KVE_M510HX,V2,");
    auto id = modem::remoteStartup(link);
    ASSERT_TRUE(id.ok()) << id.error().message.toStdString();
    EXPECT_EQ(id->Modello, "KVE_M510HX");
    EXPECT_EQ(id->Versione, "V2");
    EXPECT_EQ(fx.port->inputLen(), 1);
    EXPECT_EQ(logger.received, "VV");
}

TEST_F(ModemTest, TheRemoteRetrievalOfAnHxModel)
{
    QStringList lines;
    QList<session::RetrievalStep> done;
    auto outcome = session::runRetrieval(
        link, "KVE_M510HX",
        [&](session::RetrievalStep s) {
            done << s;
            return link::Status();
        },
        [&](const QString& l) { lines << l; }, session::RetrievalKind::Remote);
    ASSERT_TRUE(outcome.ok());
    EXPECT_FALSE(done.contains(session::RetrievalStep::Preheating));
    EXPECT_FALSE(done.contains(session::RetrievalStep::BatteryType));
    EXPECT_FALSE(done.contains(session::RetrievalStep::MiniPanel));
    EXPECT_EQ(lines.first(), "Informazione Sensori: OK");
    EXPECT_EQ(lines.size(), 8);

    lines.clear();
    auto family = session::runRetrieval(
        link, "KVE_M410_M610", [](session::RetrievalStep) { return link::Status(); },
        [&](const QString& l) { lines << l; }, session::RetrievalKind::Remote);
    ASSERT_TRUE(family.ok());
    EXPECT_TRUE(lines.contains("Modello Batteria: OK"));
    EXPECT_EQ(lines.size(), 11);
}

TEST_F(ModemTest, TheRetryReadCutsTheRepliesAtTheirPlaces)
{
    logger.expect("G", "005,012,015,014,030,");
    logger.expect("C", "001,000,030,");
    logger.expect("E", "01500,");
    logger.expect("H", "4,001,");
    logger.expect("H", "4,001,001,001,001,000,");
    logger.expect("Q", "POZZO1,");
    logger.expect("N", " 06, 12, 26, 08, 10,");
    logger.expect("M", "08192,08072,");
    logger.expect("T", "12,3,");
    auto v = modem::Recupera_Dati(link);
    ASSERT_TRUE(v.ok()) << v.error().message.toStdString();
    EXPECT_EQ(logger.received, "GCEHHQNMT");
    EXPECT_EQ(v->data, (std::array<QString, 5>{"05", "12", "2015", "14", "30"}));
    EXPECT_EQ(v->conversione, (std::array<QString, 3>{"1", "0", "30"}));
    EXPECT_EQ(v->preaccensione, "01500");
    EXPECT_EQ(v->channels, 4);
    EXPECT_EQ(v->Nome_Centralina, "POZZO");
    EXPECT_EQ(v->Prox, (std::array<QString, 5>{"06", "12", "2026", "08", "10"}));
    EXPECT_EQ(v->Acq_possibili, std::optional<QString>("08192"));
    EXPECT_EQ(v->acq_disponibili, std::optional<QString>("08072"));
}

TEST_F(ModemTest, TheRetryReadWithoutChannels)
{
    logger.expect("G", "005,012,015,014,030,");
    logger.expect("C", "001,000,030,");
    logger.expect("E", "01500,");
    logger.expect("H", "0,000,");
    logger.expect("Q", "POZZO1,");
    logger.expect("N", " 06, 12, 26, 08, 10,");
    logger.expect("T", "12,3,");
    auto v = modem::Recupera_Dati(link);
    ASSERT_TRUE(v.ok()) << v.error().message.toStdString();
    EXPECT_EQ(logger.received, "GCEHQNT");
    EXPECT_EQ(v->channels, 0);
    EXPECT_FALSE(v->Acq_possibili.has_value());
}

} // namespace
