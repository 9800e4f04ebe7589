// One language per run, on every window: in English no Italian text is left, and in Italian no
// English translation shows. The windows are built once in each language and their texts are
// compared place by place; a text that reads the same in both must be one of the few that do.

#include "app/application.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "support/sim_fixture.h"
#include "ui/activity_pane.h"
#include "ui/allarmi_an.h"
#include "ui/data/download_handlers.h"
#include "ui/data_viewer.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/grafici.h"
#include "ui/ini.h"
#include "ui/language.h"
#include "ui/mis_cont.h"
#include "ui/modem/modem_window.h"
#include "ui/sensori_an.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

using namespace stazione;

namespace {

// Texts that read the same in both languages: names of things, units, and the English captions
// the operators have always known on these windows.
const QSet<QString> kSameInBoth{"Stazione",
                                "GPRS",
                                "GSM",
                                "RESTORE",
                                "RS232",
                                "TIMERS",
                                "VBATT",
                                "CH",
                                "FILE",
                                "Backup",
                                "Start",
                                "Stop",
                                "Min",
                                "Sec",
                                "Hh",
                                "Mm",
                                "Ss",
                                "#RECORDS",
                                "Immediate Conversion",
                                "Next Acquisition Date",
                                "Date",
                                "NEW CONVERSION DATE",
                                "Download and Go",
                                "GSM CONNECTION",
                                "Modem Window",
                                "Zero_V/Digits",
                                "FS_V/Digits",
                                "GPRS USERNAME",
                                "GPRS PASSWORD",
                                "APN SERVER",
                                "FTP SERVER",
                                "FTP USERNAME",
                                "FTP PASSWORD",
                                "FTP DIRECTORY",
                                "CH MUX1",
                                "CH MUX2",
                                "CH MUX3",
                                "VALUE=((VOLT_OUT-ZERO_VOLT)/(FS_VOLT-ZERO_VOLT))*(FS_PH-ZERO_PH)+ZERO_PH"};

bool hasWords(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-zÀ-ÿ]{2,}"));
    return word.match(text).hasMatch();
}

// Logger data, ports and numbers are not the program's words.
bool isData(const QString& text)
{
    static const QRegularExpression data(QStringLiteral("^(COM\\d+.*|CH ?\\d+|MUX\\d+|[\\d\\s.,:/+-]*)$"));
    return data.match(text.trimmed()).hasMatch() || text.startsWith(QLatin1Char('/')) ||
           text.contains(QLatin1String("KVE_M"));
}

// Every text shown on the window, by the place that shows it.
void collect(QWidget* window, QMap<QString, QString>& texts)
{
    const QString name = window->objectName().isEmpty()
                             ? QString::fromLatin1(window->metaObject()->className())
                             : window->objectName();
    texts[name + "#title"] = window->windowTitle();
    int anonymous = 0;
    for (QObject* o : window->findChildren<QObject*>()) {
        const QString at =
            name + "/" +
            (o->objectName().isEmpty() ? QStringLiteral("#%1").arg(anonymous++) : o->objectName());
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->toolTip().isEmpty())
            texts[at + "#tip"] = w->toolTip();
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            texts[at] = b->text();
        else if (auto* l = qobject_cast<QLabel*>(o))
            texts[at] = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(o))
            texts[at] = g->title();
        else if (auto* e = qobject_cast<QLineEdit*>(o)) {
            texts[at] = e->text();
            texts[at + "#placeholder"] = e->placeholderText();
        } else if (auto* a = qobject_cast<QAction*>(o))
            texts[at] = a->text();
        else if (auto* t = qobject_cast<QTabWidget*>(o)) {
            for (int i = 0; i < t->count(); ++i)
                texts[at + QStringLiteral("#tab%1").arg(i)] = t->tabText(i);
        } else if (auto* c = qobject_cast<QComboBox*>(o)) {
            for (int i = 0; i < c->count(); ++i)
                texts[at + QStringLiteral("#item%1").arg(i)] = c->itemText(i);
        } else if (auto* h = qobject_cast<QHeaderView*>(o); h && h->model()) {
            for (int i = 0; i < h->count(); ++i)
                texts[at + QStringLiteral("#head%1").arg(i)] =
                    h->model()->headerData(i, h->orientation()).toString();
        }
    }
}

// The English texts of the translation file that differ from their Italian source.
QSet<QString> englishTranslations()
{
    QFile file(QStringLiteral(STAZIONE_SOURCE_DIR "/i18n/stazione_en.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QSet<QString> texts;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement())
            continue;
        if (xml.name() == QLatin1String("source"))
            source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (xml.name() == QLatin1String("translation")) {
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!text.isEmpty() && text != source)
                texts.insert(text);
        }
    }
    return texts;
}

QMap<QString, QString> everyWindow(const QString& language)
{
    ui::installLanguage(language);
    testing::Program p;
    session::Application& app = p.app;
    QMap<QString, QString> texts;
    for (QWidget* w : std::initializer_list<QWidget*>{&app.ini(), &app.form2(), &app.form1(), &app.sensori(),
                                                      &app.allarmi(), &app.misCont(), &app.grafici(),
                                                      &app.dataViewer(), &app.modemWindow()})
        collect(w, texts);
    return texts;
}

// Words of one language that the other never uses, as whole words: the internal names and the
// status texts that leaked before, and the grammar words of each sentence.
const QRegularExpression kItalianWords(
    QStringLiteral("\\b(Attendi|Attendo|datalogger|Nome_Centralina|Data e ora|leggifs|contiene|inviato|"
                   "annullato|Annullato|righe|salvate|della|sulla|sono|il|nessuna|porta|campo|valore)\\b"));
const QRegularExpression
    kEnglishWords(QStringLiteral("\\b(The|the|was|were|still|sending|after|cancelled|wait|port|busy|no-"
                                 "carrier|logger|Date|lines|saved)\\b"));

// The texts that come up after exchanges: the activity pane, the dialogs, the file box as it
// changes, and every window as it is left.
struct AfterExchanges {
    QStringList texts;

    explicit AfterExchanges(const QString& language)
    {
        ui::installLanguage(language);
        testing::ConnectedProgram c([](sim::Options& o) {
            o.records = 400;
            o.pace = true;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        ui::Form1& f = c.f();
        QObject::connect(f.Nome_File_Dati, &QLineEdit::textChanged, [this](const QString& t) { texts << t; });

        // A value the line cannot carry.
        f.Nome_Centralina->setText("POZZO,1");
        f.imposta_nome->click();
        // A download cut short, then its drain given up too.
        QTimer annulla;
        QObject::connect(&annulla, &QTimer::timeout, [&c] { c.p.app.session().progress().cancel(); });
        annulla.start(300);
        f.Acquisisci->click();
        annulla.stop();

        for (int i = 0; i < f.findChild<ui::ActivityPane*>()->Attivita->count(); ++i)
            texts << f.findChild<ui::ActivityPane*>()->Attivita->item(i)->text();
        for (const auto& shown : c.p.dialogs.shown)
            texts << ui::shown(shown.title) << ui::shown(shown.text);
        texts << f.windowTitle();
        QMap<QString, QString> windows;
        collect(&f, windows);
        collect(&c.p.app.form2(), windows);
        // The port list names the devices the system reports, the GPRS boxes hold what the logger
        // keeps (a user name): their words are not the program's.
        for (auto i = windows.cbegin(); i != windows.cend(); ++i)
            if (!kSameInBoth.contains(i.value()) && !i.key().contains("#item") && !i.key().contains("/GPRS_"))
                texts << i.value();
    }

    QStringList matching(const QRegularExpression& words) const
    {
        QStringList found;
        for (const QString& t : texts)
            if (words.match(t).hasMatch())
                found << t;
        return found;
    }
};
} // namespace

class LanguageWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ui::installLanguage(ui::kItalian); }

    void englishLeavesNoItalianAndItalianShowsNoEnglish()
    {
        testing::SimBench bench;
        const QMap<QString, QString> it = everyWindow(ui::kItalian);
        const QMap<QString, QString> en = everyWindow(ui::kEnglish);
        QCOMPARE(en.keys(), it.keys());
        QVERIFY(it.size() > 400); // every window was walked, not an empty one

        QStringList untranslated;
        int translated = 0;
        for (auto i = it.cbegin(); i != it.cend(); ++i) {
            if (!hasWords(i.value()) || isData(i.value()))
                continue;
            if (en.value(i.key()) != i.value())
                ++translated;
            else if (!kSameInBoth.contains(i.value()))
                untranslated << i.key() + ": " + i.value();
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable("still Italian in English:\n" + untranslated.join('\n')));
        QVERIFY(translated > 200);

        // The English texts of the translation are not shown in the Italian run.
        const QSet<QString> translations = englishTranslations();
        QVERIFY(translations.size() > 200);
        QStringList english;
        for (auto i = it.cbegin(); i != it.cend(); ++i) {
            if (translations.contains(i.value()) && !kSameInBoth.contains(i.value()))
                english << i.key() + ": " + i.value();
        }
        QVERIFY2(english.isEmpty(), qPrintable("English in Italian:\n" + english.join('\n')));
        QCOMPARE(it.value("Form1/SSTab1#tab0"), QStringLiteral("DATA-MODALITA'"));
        QCOMPARE(en.value("Form1/SSTab1#tab0"), QStringLiteral("DATE-MODE"));
    }

    // Not only the captions: what the windows say after a refusal and a cut download is in the
    // language of the run too, messages made by the exchanges included.
    void textsAfterExchangesSpeakTheLanguageOfTheRun()
    {
        const AfterExchanges en(ui::kEnglish);
        QVERIFY(en.texts.size() > 50);
        const QStringList italian = en.matching(kItalianWords);
        QVERIFY2(italian.isEmpty(), qPrintable("Italian in English:\n" + italian.join("\n---\n")));

        const AfterExchanges it(ui::kItalian);
        const QStringList english = it.matching(kEnglishWords);
        QVERIFY2(english.isEmpty(), qPrintable("English in Italian:\n" + english.join("\n---\n")));
        // Both runs did say something about the refusal and the cut.
        QVERIFY(it.matching(QRegularExpression("virgola")).size() > 0);
        QVERIFY(en.matching(QRegularExpression("comma")).size() > 0);
    }

    // The connection window's verdicts and the alarm rows of channels that are off were in one
    // language whatever the run's.
    void theConnectionAndTheAlarmWordsSpeakTheLanguageOfTheRun()
    {
        for (const QString& language : {ui::kItalian, ui::kEnglish}) {
            ui::installLanguage(language);
            const bool english = language == ui::kEnglish;
            {
                testing::SimBench bench;
                bench.add(3, [](sim::Options& o) { o.silent = true; });
                testing::write(bench.savedPortFile(), " 3 \r\n");
                testing::Program p;
                p.app.form2().No_conn->click();
                QCOMPARE(
                    p.app.form2().Label2->text(),
                    english ? QString("Telemonitor not found. Try to check if it is on and the connection")
                            : QString("Telemonitor non trovato. Controlla che sia acceso e il collegamento"));
            }
            testing::ConnectedProgram c;
            ui::Allarmi_An& alarms = c.p.app.allarmi();
            c.f().Leggi_Allarmi->click();
            alarms.Leggi_all[0]->click();
            QCOMPARE(alarms.AllarmeAttivo[9]->text(),
                     english ? QString("Not active") : QString("Non Attivo"));
            alarms.close();
        }
    }

    void messageBoxesSpeakTheLanguageOfTheRun()
    {
        ui::installLanguage(ui::kEnglish);
        QCOMPARE(ui::shown(QStringLiteral("Attenzione")), QStringLiteral("Warning"));
        QCOMPARE(ui::shown(QStringLiteral("Seleziona almeno un canale!")),
                 QStringLiteral("Select at least one channel!"));
        // A text that was never marked for translation stays as it is.
        QCOMPARE(ui::shown(QStringLiteral("POZZO1")), QStringLiteral("POZZO1"));
        ui::installLanguage(ui::kItalian);
        QCOMPARE(ui::shown(QStringLiteral("Attenzione")), QStringLiteral("Attenzione"));
    }
};

QTEST_MAIN(LanguageWindowsTest)
#include "ui_language_windows_test.moc"
