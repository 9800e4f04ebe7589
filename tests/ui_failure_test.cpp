// The windows when something goes wrong: a read that fails after the scan, a reading without
// channels, a session file that cannot be made, a download cancelled in the middle, the modem
// window opened twice, and the folder choosers on the kernel's folders.

#include "data/downloads.h"
#include "link/timing.h"
#include "modem/stations.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/data/download_handlers.h"
#include "ui/live/measurement_window.h"
#include "ui/live/reading_handlers.h"
#include "ui/main/connection.h"
#include "ui/main/main_window_session.h"
#include "ui/mis_cont.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"

#include <QAction>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace stazione;
using namespace std::chrono_literals;
using testing::commands;
using testing::ConnectedProgram;
using testing::contents;
using testing::Program;
using testing::SimBench;

namespace {

link::Status timedOut()
{
    return link::Error::timedOut(QStringLiteral("The logger on COM3 did not answer within 0.3 s."));
}

// The retrieval after the scan fails once (its first read times out), then runs.
void failRetrievalOnce(Program& p)
{
    auto failures = std::make_shared<int>(1);
    p.app.connection().setRetrieval([failures](session::RetrievalStep) -> link::Status {
        if ((*failures)-- > 0)
            return timedOut();
        return {};
    });
}

} // namespace

class FailureWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    // After a read of the connection failed, the port is free again for what the connection
    // window does next: the scan on the saved port, the connection without a scan, the reset.
    void aFailedReadAfterTheScanLeavesThePortFree()
    {
        SimBench bench;
        sim::PtyServer& other = bench.add(1);
        sim::PtyServer& logger = bench.add(3);
        testing::write(bench.savedPortFile(), " 3 \r\n");

        {
            Program p;
            failRetrievalOnce(p);
            auto first = p.app.connection().Command1_Click();
            QVERIFY(first.ok() && !*first);
            QVERIFY(p.app.form2().Label2->text().contains("Informazione Sensori: NON RIUSCITO"));
            QVERIFY(!p.app.session().port().portOpen());
            auto second = p.app.connection().Command1_Click();
            QVERIFY(second.ok() && *second);
            QCOMPARE(other.timesOpened(), 0); // the saved port answered first
            QCOMPARE(logger.timesOpened(), 2);
        }
        {
            // The same after the GSM reads a GSM model gets at the adaptation.
            Program p;
            p.app.connection().setRetrieval([](session::RetrievalStep) { return link::Status(); });
            p.app.connection().setGsmReads([] { return timedOut(); });
            auto first = p.app.connection().Command1_Click();
            QVERIFY(first.ok() && !*first);
            QVERIFY(p.app.form2().Label2->text().contains("GSM/GPRS: NON RIUSCITO"));
            p.app.connection().setGsmReads([] { return link::Status(); });
            auto second = p.app.connection().Command1_Click();
            QVERIFY(second.ok() && *second);
            QCOMPARE(other.timesOpened(), 0);
        }
        {
            Program p;
            failRetrievalOnce(p);
            QVERIFY(!*p.app.connection().Command1_Click());
            p.app.connection().No_conn_Click();
            QCOMPARE(p.app.form2().Label2->text(), QString(" Telemonitor trovato"));
            QVERIFY(p.app.form1().isVisible());
        }
        {
            Program p;
            failRetrievalOnce(p);
            QVERIFY(!*p.app.connection().Command1_Click());
            logger.clearReceived();
            p.dialogs.answers << true;
            p.app.connection().Command3_Click();
            QVERIFY2(logger.received().startsWith("z839,"), logger.received().constData());
            QVERIFY(p.dialogs.shown.size() == 1 && p.dialogs.shown[0].kind == "ask");
            QCOMPARE(p.dialogs.shown[0].parent.data(), &p.app.form2());
        }
    }

    // Without a channel there is nothing to wait for: the reading is refused instead of spinning.
    void aLiveReadingWithoutChannelsIsRefused()
    {
        ConnectedProgram c;
        for (const QString& none : {QString(), QStringLiteral("0")}) {
            c.p.dialogs.shown.clear();
            c.f().MUX[0]->setText(none);
            c.f().MISCONTINUA[0]->click();
            QCOMPARE(c.p.dialogs.shown.size(), 1);
            QCOMPARE(c.p.dialogs.shown[0].text, QString("Seleziona almeno un canale!"));
            QCOMPARE(c.p.dialogs.shown[0].parent.data(), &c.f());
            QVERIFY(c.f().leggi_nome->isEnabled());
        }
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());

        // A reading that fails tells the operator over the main window too.
        c.p.dialogs.shown.clear();
        c.f().MUX[0]->setText("4");
        c.p.app.session().link().setReplyTimeout(300ms);
        c.logger->hangUp();
        c.f().MISCONTINUA[0]->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QCOMPARE(c.p.dialogs.shown[0].parent.data(), &c.f());
    }

    // A session file that cannot be made ends the session with nothing asked of the logger: "a"
    // would start the counted download on an idle logger.
    void aSessionFileThatCannotBeMadeSendsNothing()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        const QString path = folder.filePath("no/such/folder/mc.txt");
        c.p.dialogs.savePaths << path;
        c.p.app.measurement().cmdGrafico();
        const auto outcome = c.p.app.measurement().cmdStart();
        QVERIFY(outcome.ok());
        QCOMPARE(commands(*c.logger), QStringList{"H 0"});
        QVERIFY(!QFile::exists(path));
        const testing::ScriptedDialogs::Shown shown = c.p.dialogs.shown.last();
        QVERIFY2(shown.text.contains(path), qPrintable(shown.text));
        QCOMPARE(shown.parent.data(), &c.p.app.misCont());
        QVERIFY(c.p.app.misCont().cmdStart->isEnabled());

        // The logger is idle and answers the next read.
        c.f().leggi_nome->click();
        QCOMPARE(c.f().Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(c.p.dialogs.shown.last().text, shown.text);
    }

    // RESTORE in the middle of a download: the logger's stream runs out before the controls
    // unlock, and the next read gets its own answer.
    void aCancelledDownloadLeavesTheLineQuiet()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 40;
            o.pace = true; // the stream takes about a second and a half
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        // The wait for the line is told in the strip; "Nome File" keeps naming the file.
        QStringList shownTexts;
        connect(&c.p.app.session().progress(), &session::Progress::changed, this,
                [&] { shownTexts << c.p.app.session().progress().text(); });
        QStringList named;
        connect(c.f().Nome_File_Dati, &QLineEdit::textChanged, this,
                [&named](const QString& t) { named << t; });
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (c.f().NREC->text().toInt() >= 3) {
                watch.stop();
                c.f().RIPRISTINA_DA_ERRORI->click();
                QVERIFY(!c.f().leggi_nome->isEnabled()); // the download unlocks once drained
            }
        });
        watch.start(5);
        c.f().Acquisisci->click();
        QVERIFY(!watch.isActive());
        QVERIFY(c.f().NREC->text().toInt() < 40);
        QVERIFY(std::any_of(shownTexts.begin(), shownTexts.end(),
                            [](const QString& t) { return t.startsWith(data::kDraining); }));
        QVERIFY2(std::none_of(named.begin(), named.end(),
                              [](const QString& t) { return t.startsWith(data::kDraining); }),
                 qPrintable(named.join(" | ")));
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QCOMPARE(c.p.dialogs.shown[0].parent.data(), &c.f());
        QVERIFY(c.f().leggi_nome->isEnabled());

        c.logger->clearReceived();
        c.f().leggi_nome->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QCOMPARE(c.f().Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(c.logger->received(), QByteArray("Q"));
    }

    void theTemperatureDownloadSaysWaitPlease()
    {
        ConnectedProgram c([](sim::Options& o) { o.records = 5; });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        QStringList shownTexts;
        connect(c.f().Nome_File_Dati, &QLineEdit::textChanged, this,
                [&shownTexts](const QString& t) { shownTexts << t; });
        c.f().Acquisisci_Temp->click();
        const qsizetype wait = shownTexts.indexOf("Wait Please");
        QVERIFY2(wait > 0, qPrintable(shownTexts.join(" | ")));
        QVERIFY(shownTexts.at(wait - 1).endsWith("_TEMP.txt"));
        QVERIFY(wait < shownTexts.indexOf("Registrazione eseguita"));
    }

    // Opened a second time the window finds its modem again, and a dial goes out on it; the
    // cable's port (`Porta`) is never the modem's.
    void theModemWindowOpenedAgainDialsAndLeavesThePortAlone()
    {
        SimBench bench;
        sim::PtyServer& station = bench.add(3, [](sim::Options& o) {
            o.modem = true;
            o.dialResult = sim::DialResult::Busy; // the call itself is not the point here
        });
        bench.add(5);
        testing::write(bench.savedPortFile(), " 5 \r\n");
        modem::StationDirectory directory;
        directory[0] = {"Pozzo", "0471123456", "", ""};
        QVERIFY(modem::saveStations(directory, modem::stationsFile(), modem::lastCallsFile()));
        testing::write(modem::modemPortFile(), " 3 \r\n");

        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        QCOMPARE(p.app.session().link().Porta, qint16(5));
        p.app.form2().Command2->click();
        QVERIFY(w.Text1->text().startsWith("Modem Trovato su Com 3"));
        w.close();
        QVERIFY(!p.app.session().port().portOpen());

        p.app.form2().Command2->click();
        QVERIFY2(w.Text1->text().startsWith("Modem Trovato su Com 3"), qPrintable(w.Text1->text()));
        QVERIFY(p.app.session().port().portOpen());
        w.Sel[0]->click();
        w.Connetti->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(station.dialledNumbers(), QStringList{"0471123456"}, 5000);
        QCOMPARE(p.app.session().link().Porta, qint16(5));

        // Back in the connection window, the connection without a scan keeps the cable's port.
        w.close();
        p.app.connection().No_conn_Click();
        QCOMPARE(contents(bench.savedPortFile()), QByteArray(" 5 \r\n"));
        QCOMPARE(p.app.form2().Label2->text(), QString(" Telemonitor trovato"));
    }

    // The folder tree leaves the kernel's folders out, and listing files never opens them.
    void theChoosersNeverReadFiles()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        // Names that do not tell the type: the default icons would look inside.
        testing::write(folder.filePath("noname"), "#!/bin/sh\necho hello\n");
        testing::write(folder.filePath("report.xq9"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(folder.path()).constData(), IN_OPEN | IN_ACCESS) >=
                0);

        c.p.app.downloads().chooseFolder(folder.path());
        QCOMPARE(c.f().dataFolder(), folder.path());
        QListView* list = c.f().File1;
        auto* files = qobject_cast<QFileSystemModel*>(list->model());
        QVERIFY(files);
        QTRY_COMPARE(files->rowCount(list->rootIndex()), 2);
        list->show();
        for (int row = 0; row < 2; ++row) {
            const QModelIndex index = files->index(row, 0, list->rootIndex());
            (void)files->data(index, Qt::DecorationRole);
            (void)files->fileIcon(index);
            (void)files->type(index);
            (void)files->data(files->index(row, 2, list->rootIndex()), Qt::DisplayRole);
        }
        QTest::qWait(300); // the model's reader works in the background
        QStringList opened;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0)
                    opened << QString::fromLocal8Bit(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        }
        ::close(watch);
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(", ")));

        // The tree, at the top of the volume, does not show the kernel's folders.
        auto* tree = c.f().Dir1->model();
        c.p.app.downloads().chooseFolder("/");
        const QModelIndex top = c.f().Dir1->rootIndex();
        QTRY_VERIFY(tree->rowCount(top) > 0);
        QStringList names;
        for (int row = 0; row < tree->rowCount(top); ++row)
            names << tree->index(row, 0, top).data().toString();
        QVERIFY2(names.contains("tmp") || names.contains("usr"), qPrintable(names.join(",")));
        for (const char* pseudo : {"proc", "sys", "dev"})
            QVERIFY2(!names.contains(pseudo), qPrintable(names.join(",")));
        c.p.app.downloads().chooseFolder("/proc");
        QCOMPARE(c.f().dataFolder(), QString("/"));
    }
};

QTEST_MAIN(FailureWindowsTest)
#include "ui_failure_test.moc"
