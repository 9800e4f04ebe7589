// What the activity pane, "Nome File" and the title say after each way a long operation or a
// write can end against the simulated logger: done, refused, failed, cancelled. A line claims
// only what happened on the wire and on disk.

#include "app/application.h"
#include "data/downloads.h"
#include "link/timing.h"
#include "session/activity.h"
#include "session/progress.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/activity_pane.h"
#include "ui/data/download_handlers.h"
#include "ui/progress_strip.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace stazione;
using namespace std::chrono_literals;
using testing::ConnectedProgram;

namespace {

struct Line {
    QString text; // without the time
    QColor colour;
};

Line lastLine(ui::Form1& form)
{
    auto* pane = form.findChild<ui::ActivityPane*>();
    if (!pane || pane->Attivita->count() == 0)
        return {QStringLiteral("<no line>"), {}};
    QListWidgetItem* item = pane->Attivita->item(pane->Attivita->count() - 1);
    return {item->text().mid(10), item->foreground().color()};
}

QColor doneColour(ui::Form1& form)
{
    return form.findChild<ui::ActivityPane*>()->Attivita->palette().color(QPalette::Text);
}

// Presses "Annulla" of the progress strip once `ready` holds, and again when the strip says the
// line is being drained, as an operator in a hurry does.
struct Annulla {
    QTimer poll;
    int clicks = 0;
    Annulla(ui::Form1& form, session::Progress& progress, std::function<bool()> ready)
    {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this, &form, &progress, ready = std::move(ready)] {
            auto* strip = form.findChild<ui::ProgressStrip*>();
            if (!strip || !strip->isVisible())
                return;
            if ((clicks == 0 && ready()) || (clicks == 1 && progress.text().startsWith(data::kDraining))) {
                ++clicks;
                QTest::mouseClick(strip->Annulla, Qt::LeftButton);
            }
        });
        poll.start();
    }
};

// A paced download cancelled after ten lines, and the wait for the rest of its stream given up
// too: the logger is still sending.
void cutADownloadAndItsDrain(ConnectedProgram& c, const QString& folder)
{
    c.p.app.downloads().chooseFolder(folder);
    Annulla annulla(c.f(), c.p.app.session().progress(), [&] { return c.f().NREC->text().toInt() >= 10; });
    c.f().Acquisisci->click();
    QCOMPARE(annulla.clicks, 2);
}

} // namespace

class OutcomeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void aRefusedIntervalIsAnOrangeLineWithItsReasonAndNothingIsSent()
    {
        ConnectedProgram c;
        c.f().setWindowTitle(QStringLiteral("Trasmissione parametro OK")); // an earlier write
        testing::type(c.f().conversione[0], "0");
        testing::type(c.f().conversione[1], "0");
        testing::type(c.f().conversione[2], "30");
        c.f().Command1->click();
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
        const Line line = lastLine(c.f());
        QVERIFY2(line.text.startsWith("Tempo di Acquisizione: Controlla il tempo di conversione"),
                 qPrintable(line.text));
        QVERIFY(!line.text.contains("scritto"));
        QCOMPARE(line.colour, ui::ActivityPane::kRefused);
        QCOMPARE(c.f().windowTitle(), QString("Parametro non registrato"));
        QCOMPARE(c.p.dialogs.shown.size(), 1); // the window's own message, once
    }

    // After one refusal the next writes that were stored say so, and the title names the logger
    // again with the next exchange.
    void aRefusalStaysInTheTitleOnlyUntilTheNextExchange()
    {
        ConnectedProgram c;
        const QString model = c.f().windowTitle();
        testing::type(c.f().conversione[0], "0");
        testing::type(c.f().conversione[1], "0");
        testing::type(c.f().conversione[2], "30");
        c.f().Command1->click();
        QCOMPARE(c.f().windowTitle(), QString("Parametro non registrato"));
        c.f().leggi_nome->click();
        QCOMPARE(c.f().windowTitle(), model);

        c.f().Command1->click();
        QCOMPARE(c.f().windowTitle(), QString("Parametro non registrato"));
        c.f().imposta_nome->click();
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro OK"));
        c.f().leggi_nome->click();
        QCOMPARE(c.f().windowTitle(), model);
    }

    void anUnansweredQuestionSendsNothingAndIsNoWrite()
    {
        ConnectedProgram c;
        c.p.dialogs.answers = {false}; // "No" to writing the channel count
        c.f().Scrivicanali->click();
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
        const Line line = lastLine(c.f());
        QCOMPARE(line.text, QString("Numero dei canali: annullato"));
        QCOMPARE(line.colour, ui::ActivityPane::kCancelled);
    }

    void theDataDownloadDoneFailedAndCancelled()
    {
        QTemporaryDir folder;
        const QString name = data::sensorFileName("STAZ1", QDate::currentDate());
        const QString final = QDir(folder.path()).filePath(name);
        {
            ConnectedProgram c([](sim::Options& o) { o.records = 30; });
            c.p.app.downloads().chooseFolder(folder.path());
            c.f().Acquisisci->click();
            const Line line = lastLine(c.f());
            QCOMPARE(line.text, QString("Scarico dei dati concluso: 30 righe"));
            QCOMPARE(line.colour, doneColour(c.f()));
            QCOMPARE(c.f().Nome_File_Dati->text(), name);
            QVERIFY(QFileInfo::exists(final));
            QVERIFY(QFile::remove(final));
        }
        {
            ConnectedProgram c([](sim::Options& o) {
                o.records = 50;
                o.stopAfter = 1000;
            });
            c.p.app.session().link().setReplyTimeout(300ms);
            c.p.app.downloads().chooseFolder(folder.path());
            c.f().Acquisisci->click();
            const Line line = lastLine(c.f());
            QVERIFY2(line.text.startsWith("Scarico dei dati: nessuna risposta da COM3 in 0.3 s; "),
                     qPrintable(line.text));
            QVERIFY2(line.text.endsWith(" righe salvate in " + final + ".part"), qPrintable(line.text));
            QCOMPARE(line.colour, ui::ActivityPane::kFailed);
            QCOMPARE(c.f().Nome_File_Dati->text(), name + ".part");
            QVERIFY(!QFileInfo::exists(final));
        }
        {
            ConnectedProgram c([](sim::Options& o) {
                o.records = 2000;
                o.pace = true;
            });
            c.p.app.downloads().chooseFolder(folder.path());
            Annulla annulla(c.f(), c.p.app.session().progress(),
                            [&] { return c.f().NREC->text().toInt() >= 20; });
            // The .part of the download that failed before stays as it was.
            const QByteArray earlier = testing::contents(final + ".part");
            QStringList named;
            connect(c.f().Nome_File_Dati, &QLineEdit::textChanged, this,
                    [&named](const QString& t) { named << t; });
            c.f().Acquisisci->click();
            QCOMPARE(annulla.clicks, 2);
            const Line line = lastLine(c.f());
            const QString kept = c.f().NREC->text();
            QCOMPARE(line.text,
                     "Scarico dei dati: annullato; " + kept + " righe salvate in " + final + ".2.part");
            QCOMPARE(line.colour, ui::ActivityPane::kCancelled);
            QCOMPARE(testing::contents(final + ".part"), earlier);
            // "Nome File" named the file being written, then the file that holds the lines.
            QVERIFY(!named.isEmpty());
            QCOMPARE(named.last(), name + ".2.part");
            for (const QString& t : named)
                QVERIFY2(t == name || t == name + ".2.part", qPrintable(t));
            QVERIFY(!QFileInfo::exists(final));
            QCOMPARE(QString::number(testing::contents(final + ".2.part").count("\r\n")), kept);
            // The message says where the data went.
            QCOMPARE(c.p.dialogs.shown.size(), 1);
            QVERIFY(c.p.dialogs.shown[0].text.endsWith(kept + " righe salvate in " + final + ".2.part"));
        }
    }

    // The logger goes on sending a download it was not told to stop; the next read must not take
    // that tail for its reply.
    void aReadAfterACutDownloadWaitsForTheTailAndSucceeds()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 150;
            o.pace = true;
        });
        QTemporaryDir folder;
        cutADownloadAndItsDrain(c, folder.path());
        c.logger->clearReceived();
        // What is checked is that the tail is not taken for the reply, not how soon the reply
        // comes: on a loaded machine the simulated logger may answer later than the short
        // time-out of these tests. And the tail is over after the line's real second of silence:
        // at the tests' time scale that second is 0.2 s, which a simulated logger starved by a
        // loaded machine can leave in the middle of its stream.
        c.p.app.session().link().setReplyTimeout(std::chrono::seconds(10));
        const double scale = link::timeScale();
        link::setTimeScale(1.0);
        const auto restore = qScopeGuard([scale] { link::setTimeScale(scale); });
        // The wait for the tail is shown, with its countdown and "Annulla", and said in the pane.
        QStringList strip;
        connect(&c.p.app.session().progress(), &session::Progress::changed, this,
                [&] { strip << c.p.app.session().progress().text(); });
        c.f().leggi_nome->click();
        QCOMPARE(c.logger->received(), QByteArray("Q"));
        QVERIFY2(!strip.isEmpty() && strip.first().startsWith(session::drainWaitText()),
                 qPrintable(strip.join(" | ")));
        QVERIFY2(std::any_of(strip.begin(), strip.end(),
                             [](const QString& t) { return t.contains("ancora al massimo"); }),
                 qPrintable(strip.join(" | ")));
        QVERIFY(!c.p.app.session().progress().active());
        auto* pane = c.f().findChild<ui::ActivityPane*>();
        QStringList said;
        for (int i = 0; i < pane->Attivita->count(); ++i)
            said << pane->Attivita->item(i)->text();
        QVERIFY2(std::any_of(said.begin(), said.end(),
                             [](const QString& t) { return t.contains(session::drainWaitText()); }),
                 qPrintable(said.join("\n")));
        const Line line = lastLine(c.f());
        QCOMPARE(line.text, QString("Nome Datalogger letto: STAZ1"));
        QCOMPARE(line.colour, doneColour(c.f()));

        // RESTORE with nothing running still answers in the pane.
        c.f().RIPRISTINA_DA_ERRORI->click();
        QVERIFY2(lastLine(c.f()).text.startsWith("RESTORE: nessuno scambio in corso"),
                 qPrintable(lastLine(c.f()).text));
        c.f().Status->click();
        QVERIFY2(lastLine(c.f()).text.startsWith("Tensione di Batteria letta: "),
                 qPrintable(lastLine(c.f()).text));
    }

    // "Annulla" on that wait ends the read it held up, as a cancel: the controls come back and
    // nothing is taken for the name.
    void theWaitForATailCanBeCancelled()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 3000;
            o.pace = true;
        });
        QTemporaryDir folder;
        cutADownloadAndItsDrain(c, folder.path());
        QTimer giveUp;
        giveUp.setInterval(10);
        connect(&giveUp, &QTimer::timeout, this, [&] {
            session::Progress& progress = c.p.app.session().progress();
            if (progress.active() && progress.text().startsWith(session::drainWaitText())) {
                giveUp.stop();
                QTest::mouseClick(c.f().findChild<ui::ProgressStrip*>()->Annulla, Qt::LeftButton);
            }
        });
        giveUp.start();
        c.f().leggi_nome->click();
        QVERIFY(!giveUp.isActive());
        const Line line = lastLine(c.f());
        QVERIFY2(line.text.startsWith("Nome Datalogger: "), qPrintable(line.text));
        QCOMPARE(line.colour, ui::ActivityPane::kCancelled);
        QVERIFY(c.f().leggi_nome->isEnabled());
        QVERIFY(!c.p.app.session().progress().active());
    }

    void closingTheMainWindowDuringADownloadAsksFirst()
    {
        QTemporaryDir folder;
        for (const bool yes : {false, true}) {
            ConnectedProgram c([](sim::Options& o) {
                o.records = 60;
                o.pace = true;
            });
            c.p.app.downloads().chooseFolder(folder.path());
            c.p.dialogs.answers = {yes};
            QSignalSpy finished(&c.p.app, &session::Application::finished);
            auto* closer = new QTimer(&c.f());
            connect(closer, &QTimer::timeout, &c.f(), [&c, closer] {
                if (c.f().NREC->text().toInt() >= 5) {
                    closer->stop();
                    c.f().close();
                }
            });
            closer->start(10);
            c.f().Acquisisci->click();
            QVERIFY(!closer->isActive());
            QCOMPARE(c.p.dialogs.shown.size(), yes ? 2 : 1); // with "Yes", the cut download's message too
            QCOMPARE(c.p.dialogs.shown[0].kind, QString("ask"));
            QVERIFY2(c.p.dialogs.shown[0].text.startsWith("Uno scambio con il datalogger è in corso."),
                     qPrintable(c.p.dialogs.shown[0].text));
            if (yes) {
                QTRY_COMPARE(finished.count(), 1);
                QVERIFY(c.f().NREC->text().toInt() < 60);
            } else {
                QVERIFY(c.f().isVisible());
                QCOMPARE(lastLine(c.f()).text, QString("Scarico dei dati concluso: 60 righe"));
                QCOMPARE(finished.count(), 0);
            }
        }
    }

    void theTemperatureDownloadDoneFailedAndCancelled()
    {
        QTemporaryDir folder;
        const QString name = data::temperatureFileName("STAZ1", QDate::currentDate());
        const QString final = QDir(folder.path()).filePath(name);
        {
            ConnectedProgram c([](sim::Options& o) { o.records = 20; });
            c.p.app.downloads().chooseFolder(folder.path());
            // "Registrazione eseguita" only once the download is over.
            bool saidDoneEarly = false;
            bool saidDone = false;
            connect(c.f().Nome_File_Dati, &QLineEdit::textChanged, this, [&](const QString& text) {
                if (text != "Registrazione eseguita")
                    return;
                saidDone = true;
                saidDoneEarly = saidDoneEarly || c.p.app.session().progress().active();
            });
            c.f().Acquisisci_Temp->click();
            QVERIFY(saidDone);
            QVERIFY(!saidDoneEarly);
            const Line line = lastLine(c.f());
            QCOMPARE(line.text, QString("Scarico delle temperature concluso"));
            QCOMPARE(line.colour, doneColour(c.f()));
            QVERIFY(QFile::remove(final));
        }
        {
            ConnectedProgram c([](sim::Options& o) {
                o.records = 50;
                o.stopAfter = 1000;
            });
            c.p.app.session().link().setReplyTimeout(300ms);
            c.p.app.downloads().chooseFolder(folder.path());
            c.f().Acquisisci_Temp->click();
            const Line line = lastLine(c.f());
            QVERIFY2(line.text.startsWith("Scarico delle temperature: ") &&
                         line.text.contains(" da COM3 in 0.3 s"),
                     qPrintable(line.text));
            QVERIFY2(line.text.endsWith(" su 50 salvati in " + final + ".part"), qPrintable(line.text));
            QCOMPARE(line.colour, ui::ActivityPane::kFailed);
            QCOMPARE(c.f().Nome_File_Dati->text(), name + ".part");
            QVERIFY(!QFileInfo::exists(final));
        }
        {
            ConnectedProgram c([](sim::Options& o) {
                o.records = 3000;
                o.pace = true;
            });
            c.p.app.downloads().chooseFolder(folder.path());
            session::Progress& progress = c.p.app.session().progress();
            Annulla annulla(c.f(), progress, [&] { return progress.value() >= 1; });
            c.f().Acquisisci_Temp->click();
            QCOMPARE(annulla.clicks, 2);
            const Line line = lastLine(c.f());
            QVERIFY2(line.text.startsWith("Scarico delle temperature: annullato; "), qPrintable(line.text));
            // The .part of the download that failed before it is kept: this one is the second.
            QVERIFY2(line.text.endsWith(" su 3000 salvati in " + final + ".2.part"), qPrintable(line.text));
            QCOMPARE(line.colour, ui::ActivityPane::kCancelled);
            QCOMPARE(c.f().Nome_File_Dati->text(), name + ".2.part");
            QVERIFY(!QFileInfo::exists(final));
        }
    }
};

QTEST_MAIN(OutcomeTest)
#include "ui_outcome_test.moc"
