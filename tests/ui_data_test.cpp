// The download tab against the simulated logger: the files both buttons write, the folder
// choosers, and the failures the operator must hear about.

#include "data/downloads.h"
#include "data/file_names.h"
#include "link/timing.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/colours.h"
#include "ui/data/download_handlers.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace stazione;
using namespace std::chrono_literals;
using testing::commands;
using testing::ConnectedProgram;
using testing::contents;

class DownloadWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void leggifsClickedDuringADownloadIsRefusedAndNoLineIsLost()
    {
        // A line at 9600 baud, so that the download lasts while the button is clicked.
        ConnectedProgram c([](sim::Options& o) {
            o.records = 40;
            o.pace = true;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        int linesAtClick = -1;
        QTimer::singleShot(300, &c.p.app, [&c, &linesAtClick] {
            linesAtClick = c.f().NREC->text().toInt();
            c.f().leggifs->click();
        });
        c.f().Acquisisci->click();

        QVERIFY2(linesAtClick > 0 && linesAtClick < 40, qPrintable(QString::number(linesAtClick)));
        const QString name = data::sensorFileName("STAZ1", QDate::currentDate());
        QCOMPARE(contents(QDir(folder.path()).filePath(name)).count("\r\n"), 40);
        QCOMPARE(c.f().NREC->text(), QString("40"));
        // Nothing of the refused read reached the line, and it stored nothing.
        QCOMPARE(c.logger->received(), QByteArray("A0,"));
        QVERIFY(!c.p.app.session().record.fsRead);
        QCOMPARE(c.p.dialogs.beeps, 3); // the refusal, then the two of the finished download
        QVERIFY(c.p.dialogs.shown.isEmpty());

        // Once the download is over, the button works.
        c.f().leggifs->click();
        QVERIFY(c.p.app.session().record.fsRead);
        QCOMPARE(c.logger->received(), QByteArray("A0,T"));
    }

    void theRecordedDataGoIntoTheChosenFolder()
    {
        ConnectedProgram c([](sim::Options& o) { o.records = 30; });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        QCOMPARE(c.f().dataFolder(), folder.path());
        c.f().Acquisisci->click();

        const QString name = data::sensorFileName("STAZ1", QDate::currentDate());
        const QByteArray file = contents(QDir(folder.path()).filePath(name));
        QCOMPARE(file.count("\r\n"), 30);
        QCOMPARE(file.count('\n'), 30);
        QCOMPARE(c.f().NREC->text(), QString("30"));
        QCOMPARE(c.f().Text3->text().toLatin1(), file.split('\n').at(29).trimmed());
        QCOMPARE(c.f().Nome_File_Dati->text(), name);
        QCOMPARE(c.p.dialogs.beeps, 2);
        QVERIFY(c.p.dialogs.shown.isEmpty());
        QCOMPARE(c.logger->received(), QByteArray("A0,"));
        QVERIFY(c.f().Acquisisci->isEnabled());

        // From the end of the memory: the mode digit changes, the lines come newest first.
        c.logger->clearReceived();
        c.f().ModoAcq->setChecked(true);
        c.f().Acquisisci->click();
        QCOMPARE(c.logger->received(), QByteArray("A1,"));
        const QByteArray reversed = contents(QDir(folder.path()).filePath(name));
        QCOMPARE(reversed.split('\n').first(), file.split('\n').at(29));
    }

    // A name the logger refused names no file; a name it took names the next ones, and the
    // session log too.
    void filesAreNamedFromTheNameTheLoggerHolds()
    {
        ConnectedProgram c([](sim::Options& o) { o.records = 3; });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        const QDate today = QDate::currentDate();
        c.f().Nome_Centralina->setText("POZZO,1");
        c.f().imposta_nome->click();
        QCOMPARE(c.logger->received(), QByteArray()); // refused before sending
        c.f().Acquisisci->click();
        QStringList files = QDir(folder.path()).entryList(QDir::Files);
        QCOMPARE(files, QStringList{data::sensorFileName("STAZ1", today)});
        QCOMPARE(c.f().Nome_File_Dati->text(), data::sensorFileName("STAZ1", today));

        c.f().Nome_Centralina->setText("POZZO2");
        c.f().imposta_nome->click();
        c.f().Acquisisci->click();
        QVERIFY(QFile::exists(folder.filePath(data::sensorFileName("POZZO2", today))));

        // Typed again but never sent: the log names and records the name the logger holds.
        c.f().Nome_Centralina->setText("POZZO,1");
        c.f().close();
        files = QDir(folder.path()).entryList(QDir::Files);
        QVERIFY2(!files.join(' ').contains(','), qPrintable(files.join(' ')));
        const QString log = folder.filePath("LOGOUT_" + data::sensorFileName("POZZO2", today));
        QVERIFY2(contents(log).startsWith("ID TELEMONITOR: POZZO2\r\n"), qPrintable(files.join(' ')));
    }

    // Closed in the middle of a download: the file box names the file being written, and the
    // log takes that name.
    void closingMidDownloadNamesTheLogAfterTheDataFile()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 400;
            o.pace = true;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        QString shownAtClose;
        c.p.dialogs.answers = {true}; // yes, close during the download
        QTimer::singleShot(300, &c.p.app, [&c, &shownAtClose] {
            shownAtClose = c.f().Nome_File_Dati->text();
            c.f().close();
        });
        c.f().Acquisisci->click();
        QCOMPARE(shownAtClose, data::sensorFileName("STAZ1", QDate::currentDate()));
        const QStringList logs = QDir(folder.path()).entryList({"LOGOUT_*"}, QDir::Files);
        QCOMPARE(logs, QStringList{"LOGOUT_" + data::sensorFileName("STAZ1", QDate::currentDate())});
    }

    void aNameFromTheLoggerStaysInTheFolder()
    {
        ConnectedProgram c([](sim::Options& o) { o.records = 3; });
        c.logger->withState([](sim::State& s) { s.stationName = "../evil/x"; });
        c.f().leggi_nome->click();
        QTemporaryDir parent;
        QDir(parent.path()).mkdir("data");
        c.p.app.downloads().chooseFolder(parent.filePath("data"));
        c.f().Acquisisci->click();
        const QString safe = data::sensorFileName("../evil/x", QDate::currentDate());
        QVERIFY(!safe.contains('/'));
        QVERIFY(QFile::exists(QDir(parent.filePath("data")).filePath(safe)));
        QCOMPARE(QDir(parent.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
    }

    void aFolderThatIsGoneIsReportedAndNothingIsAsked()
    {
        ConnectedProgram c;
        auto folder = std::make_unique<QTemporaryDir>();
        c.p.app.downloads().chooseFolder(folder->path());
        const QString gone = folder->path();
        folder.reset(); // the stick was pulled out
        c.f().Acquisisci->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QCOMPARE(c.p.dialogs.shown[0].title, QString("Attenzione"));
        QVERIFY(c.p.dialogs.shown[0].text.startsWith("Dispositivo non presente!"));
        QVERIFY(c.p.dialogs.shown[0].text.contains(gone));
        QVERIFY(c.f().Nome_File_Dati->text() != "Registrazione eseguita");
        QVERIFY(c.f().Acquisisci->isEnabled());
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
    }

    void aTemperatureFileThatCannotBeMadeEmptiesTheName()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        const QString name = data::temperatureFileName("STAZ1", QDate::currentDate());
        QVERIFY(QDir(folder.path()).mkdir(name)); // a folder stands where the file would go
        c.f().Acquisisci_Temp->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QVERIFY(c.p.dialogs.shown[0].text.startsWith("Nome " + QDir(folder.path()).filePath(name) +
                                                     " non valido"));
        QCOMPARE(c.f().Nome_File_Dati->text(), QString());
        QVERIFY(c.f().Acquisisci_Temp->isEnabled());
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
    }

    void aLoggerThatStopsMidStreamLeavesEveryLineItSent()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 50;
            o.stopAfter = 1000; // bytes of the stream
        });
        c.p.app.session().link().setReplyTimeout(300ms);
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        c.f().Acquisisci->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QVERIFY(c.p.dialogs.shown[0].text.contains("ha smesso di inviare dati"));
        const QString path =
            QDir(folder.path()).filePath(data::sensorFileName("STAZ1", QDate::currentDate())) + ".part";
        const QByteArray file = contents(path);
        QVERIFY(file.size() > 0 && file.size() <= 1000 + 50);
        QCOMPARE(QString::number(file.count("\r\n")), c.f().NREC->text());
        QVERIFY(c.p.dialogs.shown[0].text.contains(c.f().NREC->text() + " righe salvate in " + path));
        QVERIFY(c.f().Nome_File_Dati->text() != "Registrazione eseguita");
    }

    void theTemperatureFile()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 20;
            o.outOfRange = 7;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        c.f().Acquisisci_Temp->click();
        QVERIFY2(c.p.dialogs.shown.isEmpty(),
                 c.p.dialogs.shown.isEmpty() ? "" : qPrintable(c.p.dialogs.shown[0].text));
        const QString name = data::temperatureFileName("STAZ1", QDate::currentDate());
        const QList<QByteArray> lines = contents(QDir(folder.path()).filePath(name)).split('\n');
        QCOMPARE(lines.size(), 1 + 5 + 20 + 1);
        QVERIFY(lines[0].startsWith("DATA ACQ.: "));
        QVERIFY(lines[0].endsWith(",Numero Canali Attivi: 4 ,Numero Dati per Canale:      20\r"));
        QVERIFY(lines[7].contains("**N.C.**  ")); // the 7th value: second record, third channel
        QCOMPARE(lines[6].count(','), 4);
        QCOMPARE(c.f().Progresso->value(), 100);
        QCOMPARE(c.f().Nome_File_Dati->text(), name);
        QCOMPARE(ui::backColour(c.f().Nome_File_Dati), QColor(0, 255, 0));
        QCOMPARE(c.p.dialogs.beeps, 2);
        QCOMPARE(c.logger->received(), QByteArray("a"));
    }

    void theChoosers()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        testing::write(folder.filePath("old_file.txt"), "x");
        c.p.app.downloads().chooseFolder(folder.path());
        auto* files = qobject_cast<QFileSystemModel*>(c.f().File1->model());
        QVERIFY(files);
        QTRY_VERIFY(files->rowCount(c.f().File1->rootIndex()) == 1);
        c.p.app.downloads().File1_Click(files->index(0, 0, c.f().File1->rootIndex()));
        QCOMPARE(c.f().Nome_File_Dati->text(), QString("old_file.txt"));

        // A volume that cannot be used gives way to the system's own.
        c.f().Drive1->addItem("/no/such/volume");
        c.f().Drive1->setCurrentIndex(c.f().Drive1->count() - 1);
        c.p.app.downloads().Drive1_Change();
        QCOMPARE(c.f().dataFolder(), QString("/"));
    }
};

QTEST_MAIN(DownloadWindowsTest)
#include "ui_data_test.moc"
