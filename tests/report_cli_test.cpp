// stazione-cli report and collect --report as a person runs them: the site it writes, the alerts it
// prints, the command it runs per change, and the pages as a real browser shows them.

#include "support/cli_run.h"
#include "support/italian_locale.h"
#include "support/program_env.h"
#include "support/synthetic_network.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace stazione;

namespace {

using Ran = stazione::testing::CliRun;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Report : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("STAZIONE_SYSTEM_PORTS", "0");
        ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network));
    }

    Ran run(const QStringList& arguments, const QString& workingFolder = {})
    {
        stazione::testing::CliStart start;
        start.env = env;
        start.workingFolder = workingFolder;
        return stazione::testing::runCli(arguments, start);
    }

    QStringList rules() const
    {
        return {"--alert-battery", "11.5", "--alert-memory", "90", "--alert-failures", "3",
                "--alert-stale",   "5",    "--alert-drift",  "300"};
    }

    synthetic::SyntheticNetwork network;
    QTemporaryDir dir;
    QTemporaryDir config;
    QProcessEnvironment env;
};

} // namespace

TEST_F(Report, PrintsTheOpenAlertsAndRunsTheCommandOncePerChange)
{
    const QString calls = dir.filePath("calls.jsonl");
    // The command's own output must not mix with the JSON lines of the alerts.
    const QStringList notify{"--on-alert", "cat >> '" + calls + "'; echo sent"};
    const Ran first = run(QStringList{"report", dir.path(), "--json"} + rules() + notify);
    EXPECT_EQ(first.err.count("sent"), 5);
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    QSet<QString> printed;
    for (const QString& line : first.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        for (const char* key : {"station", "name", "kind", "value", "threshold", "since"})
            EXPECT_TRUE(o.contains(key)) << key << qPrintable(line);
        printed << QStringLiteral("%1:%2").arg(o.value("station").toInt()).arg(o.value("kind").toString());
    }
    EXPECT_EQ(printed, (QSet<QString>{"2:battery", "3:memory", "4:failures", "5:stale", "6:drift"}));
    EXPECT_EQ(readAll(calls).count('\n'), 5);
    EXPECT_EQ(readAll(dir.filePath("allarmi.jsonl")).count('\n'), 5);
    EXPECT_TRUE(QFile::exists(dir.filePath("sito/index.html")));

    // Nothing changed: the alerts are printed again, no command runs.
    const Ran second = run(QStringList{"report", dir.path()} + rules() + notify);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out.count('\n'), 5) << qPrintable(second.out);
    EXPECT_TRUE(second.out.contains("2 Stazione 2: battery 10.9"));
    EXPECT_EQ(readAll(calls).count('\n'), 5);

    // A command that fails is told, the site is still built, and the run says it failed.
    const Ran failing = run(QStringList{"report", dir.path(), "--out", dir.filePath("altro"),
                                        "--alert-battery", "13", "--on-alert", "exit 4"});
    EXPECT_EQ(failing.exitCode, 1);
    EXPECT_TRUE(failing.err.contains("exited with status 4")) << qPrintable(failing.err);
    EXPECT_TRUE(QFile::exists(dir.filePath("altro/index.html")));
}

// A change the command could not take is not lost: each following run passes it on first, until
// the command takes it or has failed on it five times.
TEST_F(Report, AChangeTheCommandFailedOnIsPassedOnAgainUntilTakenOrGivenUp)
{
    const QString failed = dir.filePath("failed.jsonl");
    const QString taken = dir.filePath("taken.jsonl");
    const QString queue = dir.filePath("allarmi.da_inviare.jsonl");
    const QStringList battery{"report", dir.path(), "--alert-battery", "11.5"};
    const QStringList failing{"--on-alert", "cat >> '" + failed + "'; exit 3"};

    const Ran first = run(battery + failing);
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_TRUE(first.err.contains("exited with status 3")) << qPrintable(first.err);
    EXPECT_TRUE(first.err.contains("try 1 of 5")) << qPrintable(first.err);
    const QByteArray change = readAll(dir.filePath("allarmi.jsonl"));
    ASSERT_EQ(change.count('\n'), 1);
    const QJsonObject kept = QJsonDocument::fromJson(readAll(queue)).object();
    EXPECT_EQ(kept.value("tries").toInt(), 1);
    EXPECT_EQ(kept.value("station").toInt(), 2);
    EXPECT_EQ(kept.value("kind").toString(), "battery");

    // Nothing new, the command still failing: the kept change is tried again.
    const Ran second = run(battery + failing);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains("try 2 of 5")) << qPrintable(second.err);
    EXPECT_EQ(readAll(failed), change + change);
    EXPECT_EQ(readAll(dir.filePath("allarmi.jsonl")), change); // logged once

    // The command works again: it gets the change as it was logged, once, and nothing is kept.
    const QStringList working{"--on-alert", "cat >> '" + taken + "'"};
    const Ran third = run(battery + working);
    EXPECT_EQ(third.exitCode, 0) << qPrintable(third.err);
    EXPECT_EQ(readAll(taken), change);
    EXPECT_FALSE(QFile::exists(queue));
    ASSERT_EQ(run(battery + working).exitCode, 0);
    EXPECT_EQ(readAll(taken), change);

    // A change the command never takes is given up after five tries, and said so.
    const QStringList memory{"report", dir.path(), "--alert-battery", "11.5", "--alert-memory", "90"};
    QFile::remove(failed);
    for (int run_ = 1; run_ <= 4; ++run_) {
        const Ran again = run(memory + failing);
        EXPECT_EQ(again.exitCode, 1);
        EXPECT_TRUE(again.err.contains(QStringLiteral("try %1 of 5").arg(run_))) << qPrintable(again.err);
    }
    const Ran last = run(memory + failing);
    EXPECT_EQ(last.exitCode, 1);
    EXPECT_TRUE(last.err.contains("given up")) << qPrintable(last.err);
    EXPECT_FALSE(QFile::exists(queue));
    EXPECT_EQ(readAll(failed).count('\n'), 5);
    EXPECT_EQ(run(memory + failing).exitCode, 0);
    EXPECT_EQ(readAll(failed).count('\n'), 5);
}

TEST_F(Report, WrongUsageIsExitTwo)
{
    // Without DIR nothing is built in the current folder.
    QTemporaryDir here;
    EXPECT_EQ(run({"report"}, here.path()).exitCode, 2);
    EXPECT_TRUE(
        QDir(here.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(run({"report", dir.filePath("nessuna")}).exitCode, 2);
    EXPECT_EQ(run({"report", dir.path(), "--lang", "de"}).exitCode, 2);
    EXPECT_EQ(run({"report", dir.path(), "--days", "0"}).exitCode, 2);
    EXPECT_EQ(run({"report", dir.path(), "--alert-battery", "x"}).exitCode, 2);
    EXPECT_EQ(run({"report", dir.path(), "--on-alert", "true"}).exitCode, 2);
    EXPECT_EQ(run({"ports", "--alert-battery", "11"}).exitCode, 2);
    // A folder that is not a site is not replaced: exit 1, the data untouched.
    const Ran foreign = run({"report", dir.path(), "--out", dir.path()});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("raccolta.jsonl")));
}

// The pages in headless Chromium: what a person sees, with any name lookup made to fail so that a
// page asking for anything remote would show it in the log.
TEST_F(Report, ChromiumShowsEveryStationAndTheAlertsWithoutTheNetwork)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed (./dev installs it)";
    // Station 2's logger named its channels at its last call.
    data::StationSensors named{.read = network.lastNight, .channels = {}};
    for (const char* name : {"Piezometro P1", "Livello", "Temperatura", "Pressione"})
        named.channels.push_back({.channel = int(named.channels.size()),
                                  .name = QString::fromUtf8(name),
                                  .zeroVolts = "0.000",
                                  .fullVolts = "2.500",
                                  .zeroValue = "0.0",
                                  .fullValue = "100.0"});
    ASSERT_TRUE(data::writeSensors(dir.filePath(data::safeStationName(synthetic::syntheticName(2))), named));
    const Ran built = run(QStringList{"report", dir.path(), "--lang", "it"} + rules());
    ASSERT_EQ(built.exitCode, 0) << qPrintable(built.err);
    const QString index = dir.filePath("sito/index.html");
    QTemporaryDir profile;
    const QString netlog = profile.filePath("net.json");
    const QStringList common{"--headless",
                             "--no-sandbox", // the tests run as root in CI
                             "--disable-gpu",
                             "--no-first-run",
                             "--disable-background-networking",
                             "--disable-component-update",
                             "--disable-sync",
                             "--user-data-dir=" + profile.path(),
                             "--host-resolver-rules=MAP * ~NOTFOUND",
                             "--log-net-log=" + netlog};
    QProcess dom;
    dom.start(chromium, common + QStringList{"--dump-dom", "file://" + index});
    ASSERT_TRUE(dom.waitForFinished(120000));
    const QString page = QString::fromUtf8(dom.readAllStandardOutput());
    ASSERT_FALSE(page.isEmpty()) << dom.readAllStandardError().toStdString();
    EXPECT_EQ(page.count(QRegularExpression("<tr class=\"station[^\"]*\" data-station=")), 8);
    const qsizetype alerts = page.indexOf("id=\"alerts\"");
    const QString section = page.mid(alerts, page.indexOf("</section>", alerts) - alerts);
    EXPECT_EQ(section.count("<li class=\"alert\""), 5);
    for (const char* name : {"Stazione 2", "Stazione 3", "Stazione 4", "Stazione 5", "Stazione 6"})
        EXPECT_TRUE(section.contains(QString::fromUtf8(name))) << name;
    // The browser parsed the style sheet under the page's own policy: no violation reported.
    EXPECT_FALSE(dom.readAllStandardError().contains("Content Security Policy"));
    // Every request made was for a file of the site, or one of the browser's own services that
    // it calls whatever the page (updates, time, accounts); a page asking for anything else, even a
    // name that cannot be resolved, leaves its address in the log.
    const QString log = QString::fromUtf8(readAll(netlog));
    ASSERT_TRUE(log.contains("file://")) << "the net log records the page's own loads";
    const QRegularExpression url("\"url\":\"([a-z-]+)://([^/\"]*)");
    for (auto it = url.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        const QString scheme = m.captured(1);
        const QString host = m.captured(2).section(':', 0, 0);
        const bool browserOwn =
            host.endsWith(".google.com") || host.endsWith(".googleapis.com") || host.endsWith(".gvt1.com");
        EXPECT_TRUE(scheme == "file" || scheme == "data" || scheme == "chrome" || browserOwn)
            << qPrintable(m.captured(0));
    }

    // A station page as the browser reads it: the channels by name, their scaling, the thresholds.
    QProcess stationDom;
    stationDom.start(chromium,
                     common + QStringList{"--dump-dom", "file://" + dir.filePath("sito/stazione-02.html")});
    ASSERT_TRUE(stationDom.waitForFinished(120000));
    const QString stationPage = QString::fromUtf8(stationDom.readAllStandardOutput());
    EXPECT_TRUE(stationPage.contains("<th scope=\"row\">CH 0 Piezometro P1</th>"))
        << qPrintable(stationPage.left(4000));
    EXPECT_TRUE(stationPage.contains("<section id=\"sensors\">"));
    EXPECT_TRUE(stationPage.contains("soglia 11.50 V"));
    EXPECT_TRUE(stationPage.contains("soglia 90.00 %"));

    const QString shot = dir.filePath("rete.png");
    QProcess picture;
    picture.start(chromium,
                  common + QStringList{"--window-size=1280,900", "--screenshot=" + shot, "file://" + index});
    ASSERT_TRUE(picture.waitForFinished(120000));
    EXPECT_GT(QFileInfo(shot).size(), 10000);
    if (qEnvironmentVariableIsSet("STAZIONE_SCREENSHOTS")) {
        QFile::copy(shot, qEnvironmentVariable("STAZIONE_SCREENSHOTS") + "/rete.png");
        QProcess station;
        station.start(chromium,
                      common + QStringList{"--window-size=1280,1400",
                                           "--screenshot=" + qEnvironmentVariable("STAZIONE_SCREENSHOTS") +
                                               "/stazione.png",
                                           "file://" + dir.filePath("sito/stazione-02.html")});
        station.waitForFinished(120000);
    }
}

// The night as the timer runs it: a collection against the simulated network with --report and
// --on-alert runs the command once per change of an alert and leaves the site, and its exit status
// is the collection's own.
TEST(CollectReport, AlertCommandOncePerChangeAndTheSiteAtTheEnd)
{
    QTemporaryDir ports;
    QTemporaryDir config;
    QTemporaryDir locks;
    QTemporaryDir data;
    QProcessEnvironment env =
        stazione::testing::programEnvironment(ports.path(), config.path(), locks.path());
    QDir().mkpath(config.path() + "/stazione");
    QFile ini(config.path() + "/stazione/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("Alfa\r\n111\r\n\r\nBeta\r\n222\r\n\r\nGamma\r\n333\r\n\r\n");
    ini.close();

    QProcess sim;
    sim.setProcessEnvironment(env);
    sim.start(STAZIONE_SIM_PROGRAM, {"--port", "2", "--ports-dir", ports.path(), "--modem", "--station",
                                     "111=610,ALFA", "--station", "222=510,BETA"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const QString calls = data.filePath("calls.jsonl");
    const auto collect = [&] {
        // The simulated loggers report 12.60 V: below 13 V is an alert; Gamma is not in the network.
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli({"collect", "--dir", data.path(), "--modem-port", "2", "--retries",
                                          "0", "--report", "--alert-battery", "13", "--alert-failures", "1",
                                          "--on-alert", "cat >> '" + calls + "'"},
                                         start);
    };
    const Ran first = collect();
    EXPECT_EQ(first.exitCode, 1) << qPrintable(first.err); // Gamma failed: as without the report
    QSet<QString> changes;
    for (const QByteArray& line : readAll(calls).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        EXPECT_EQ(o.value("state").toString(), "raised");
        changes << QStringLiteral("%1:%2").arg(o.value("station").toInt()).arg(o.value("kind").toString());
    }
    EXPECT_EQ(changes, (QSet<QString>{"1:battery", "2:battery", "3:failures"})) << qPrintable(first.err);
    EXPECT_EQ(readAll(calls).count('\n'), 3);
    const QString index = QString::fromUtf8(readAll(data.filePath("sito/index.html")));
    EXPECT_EQ(index.count("<tr class=\"station"), 3);
    EXPECT_EQ(index.count("<li class=\"alert\""), 3);

    // The same night again: nothing changes, the command does not run.
    const Ran second = collect();
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(readAll(calls).count('\n'), 3);
    sim.terminate();
    sim.waitForFinished(5000);
}

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList everything(const QString& folder)
{
    QStringList out;
    for (const QFileInfo& e :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        out << e.fileName();
    return out;
}

bool pointsAreNumbers(const QString& html, int* count)
{
    const QRegularExpression attribute("points=\"([^\"]*)\"");
    const QRegularExpression pair("^-?\\d+(\\.\\d)?,-?\\d+(\\.\\d)?$");
    *count = 0;
    for (auto it = attribute.globalMatch(html); it.hasNext();) {
        for (const QString& xy : it.next().captured(1).split(' ', Qt::SkipEmptyParts)) {
            if (!pair.match(xy).hasMatch())
                return false;
            ++*count;
        }
    }
    return true;
}

} // namespace

// The data root, and what a site folder holds, are never replaced.
TEST_F(Report, TheDataRootAndFoldersOfOtherFilesAreNeverTheSite)
{
    QTemporaryDir root;
    const Ran intoRoot = run({"report", root.path(), "--out", root.path()});
    EXPECT_EQ(intoRoot.exitCode, 1);
    EXPECT_TRUE(intoRoot.err.contains("is the data root")) << qPrintable(intoRoot.err);
    EXPECT_TRUE(everything(root.path()).isEmpty()) << qPrintable(everything(root.path()).join(' '));

    QTemporaryDir www;
    write(www.filePath(".git/HEAD"), "ref: refs/heads/main\n");
    write(www.filePath(".env"), "SECRET=1\n");
    write(www.filePath(".htaccess"), "Options -Indexes\n");
    EXPECT_EQ(run({"report", dir.path(), "--out", www.path()}).exitCode, 1);
    EXPECT_EQ(everything(www.path()), (QStringList{".env", ".git", ".htaccess"}));

    // A site that held a site before and now holds the data root.
    QTemporaryDir site;
    ASSERT_EQ(run({"report", dir.path(), "--out", site.path()}).exitCode, 0);
    ASSERT_TRUE(QDir().mkpath(site.filePath("dati")));
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(site.filePath("dati"), network));
    const Ran around = run({"report", site.filePath("dati"), "--out", site.path()});
    EXPECT_EQ(around.exitCode, 1);
    EXPECT_TRUE(QFile::exists(site.filePath("dati/Stazione 1/Stazione 1_archivio.txt")));
    EXPECT_TRUE(QFile::exists(site.filePath("dati/raccolta.jsonl")));
}

// An alerts' log that cannot be read builds no site that would say "no open alert".
TEST_F(Report, NoSiteIsBuiltOnAlertsThatCouldNotBeRead)
{
    ASSERT_EQ(run(QStringList{"report", dir.path()} + rules()).exitCode, 0);
    const QByteArray before = readAll(dir.filePath("sito/index.html"));
    ASSERT_TRUE(before.contains("<li class=\"alert\""));
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::rename(dir.filePath("allarmi.jsonl"), elsewhere.filePath("allarmi.jsonl")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("allarmi.jsonl"), dir.filePath("allarmi.jsonl")));
    for (const QStringList& extra : {QStringList{}, rules()}) {
        const Ran linked = run(QStringList{"report", dir.path(), "--out", dir.filePath("nuovo")} + extra);
        EXPECT_EQ(linked.exitCode, 1);
        EXPECT_TRUE(linked.err.contains(dir.filePath("allarmi.jsonl"))) << qPrintable(linked.err);
        EXPECT_TRUE(linked.err.contains("no site was built")) << qPrintable(linked.err);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("nuovo")));
        EXPECT_TRUE(linked.out.isEmpty()) << qPrintable(linked.out);
    }
    EXPECT_EQ(readAll(dir.filePath("sito/index.html")), before);
}

// Under an Italian locale the numbers of the pages, the CSV and the export still have a dot.
TEST_F(Report, AnItalianLocaleWritesTheSameNumbers)
{
    const QString locales = stazione::testing::italianLocalePath();
    ASSERT_FALSE(locales.isEmpty()) << "localedef could not make it_IT.UTF-8";
    const Ran plain = run({"report", dir.path(), "--out", dir.filePath("c"), "--lang", "it"});
    ASSERT_EQ(plain.exitCode, 0) << qPrintable(plain.err);
    const QString archive = dir.filePath("Stazione 1/Stazione 1_archivio.txt");
    const Ran exportedPlain = run({"export", archive});
    ASSERT_EQ(exportedPlain.exitCode, 0) << qPrintable(exportedPlain.err);

    env.insert("LOCPATH", locales);
    env.insert("LC_ALL", stazione::testing::kItalianLocale);
    const Ran italian = run({"report", dir.path(), "--out", dir.filePath("it"), "--lang", "it"});
    ASSERT_EQ(italian.exitCode, 0) << qPrintable(italian.err);
    EXPECT_FALSE(italian.err.contains("locale")) << qPrintable(italian.err);
    for (const QString& name : QDir(dir.filePath("c")).entryList(QDir::Files | QDir::Hidden)) {
        const QString page = QString::fromUtf8(readAll(dir.filePath("it/" + name)));
        int points = 0;
        EXPECT_TRUE(pointsAreNumbers(page, &points)) << qPrintable(name);
        if (name.endsWith(".html")) {
            EXPECT_GT(points, 0) << qPrintable(name);
        }
        // The same pages but for the time each was made.
        QString c = QString::fromUtf8(readAll(dir.filePath("c/" + name)));
        const QRegularExpression made("(Rapporto generato il|Report made on) [0-9: -]+");
        EXPECT_EQ(QString(page).remove(made), c.remove(made)) << qPrintable(name);
    }
    const Ran exported = run({"export", archive});
    ASSERT_EQ(exported.exitCode, 0) << qPrintable(exported.err);
    EXPECT_EQ(exported.out, exportedPlain.out);
    EXPECT_TRUE(exported.out.contains("10.1")) << qPrintable(exported.out.left(200));
}

// A data root and a site folder with "%1" in their names: the paths printed are the real ones.
TEST_F(Report, PathsWithPercentSignsArePrintedAsTheyAre)
{
    QTemporaryDir parent;
    const QString root = parent.filePath("R%2 %L1");
    ASSERT_TRUE(QDir().mkpath(root));
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(root, network));
    const QString site = parent.filePath("E%3 %1");
    const Ran built = run({"report", root, "--out", site});
    ASSERT_EQ(built.exitCode, 0) << qPrintable(built.err);
    EXPECT_TRUE(
        built.err.contains(site + "/index.html: 8 stations, 7 ok, 1 failed (0 of them never reached)."))
        << qPrintable(built.err);
    EXPECT_TRUE(QFile::exists(site + "/index.html"));
}
