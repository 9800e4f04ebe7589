#include "ui/colours.h"
#include "ui/form1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QWidgetItem>

#include <array>
#include <memory>

using stazione::ui::Form1;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

QString captionOf(const QWidget* widget)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget))
        return frame->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    return {};
}

// "tabN" is page N of SSTab1, "Form1" the window itself, anything else a frame's object name.
QWidget* container(Form1& form, const QString& where)
{
    if (where == QLatin1String("Form1"))
        return &form;
    if (where.startsWith(QLatin1String("tab")))
        return form.SSTab1->widget(where.mid(3).toInt());
    return form.findChild<QWidget*>(where);
}

QWidget* pageOf(Form1& form, QWidget* widget)
{
    for (QWidget* ancestor = widget; ancestor != nullptr; ancestor = ancestor->parentWidget()) {
        if (form.SSTab1->indexOf(ancestor) >= 0)
            return ancestor;
    }
    return nullptr;
}

template<typename T, std::size_t N> QList<QWidget*> widgets(const std::array<T*, N>& array)
{
    return QList<QWidget*>(array.begin(), array.end());
}

QStringList numbered(const QString& base, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QStringLiteral("%1_%2").arg(base).arg(i);
    return names;
}

QStringList designTimeHidden()
{
    return numbered(QStringLiteral("LABCANALI"), 2, 5) + numbered(QStringLiteral("continua"), 2, 5) +
           numbered(QStringLiteral("GPRSLABEL"), 0, 9) + numbered(QStringLiteral("GPRS"), 0, 9) +
           numbered(QStringLiteral("NUMERO_ALLARME_SMS"), 0, 9) + numbered(QStringLiteral("Label6"), 0, 10) +
           QStringList{QStringLiteral("NUMERO_ALLARMI_SMS"), QStringLiteral("LEGGI_GSM"),
                       QStringLiteral("SCRIVI_GSM"), QStringLiteral("Leggi_Allarmi"),
                       QStringLiteral("LeggiGPRS"), QStringLiteral("ScriviGPRS"), QStringLiteral("Rubrica"),
                       QStringLiteral("MostraPassword"),
                       // shown while a modem call holds the line
                       QStringLiteral("InLinea"), QStringLiteral("Riaggancia")};
}

// Every named control the window places: on the window itself, on a tab page or in a frame. The
// parts Qt builds inside its own widgets (scroll buttons, viewports) live elsewhere.
QList<QWidget*> namedWidgets(Form1& form)
{
    QList<QWidget*> named;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        QWidget* parent = widget->parentWidget();
        const bool placed = parent == &form || form.SSTab1->indexOf(parent) >= 0 ||
                            qobject_cast<QGroupBox*>(parent) != nullptr;
        if (placed && !widget->objectName().isEmpty())
            named << widget;
    }
    return named;
}

// What the six-channel model shows: everything, the notices and the frames it lacks aside.
void showEverything(Form1& form)
{
    for (const QString& name : designTimeHidden())
        form.findChild<QWidget*>(name)->setVisible(true);
    for (QLabel* label : form.nonattivo)
        label->setVisible(false);
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_form = std::make_unique<Form1>(); }

    void windowAndTabs()
    {
        Form1& form = *m_form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Stazione"));
        QVERIFY(form.isWindow());
        QCOMPARE(form.SSTab1->objectName(), QStringLiteral("SSTab1"));
        const QStringList captions{QStringLiteral("DATA-MODALITA'"),
                                   QStringLiteral("TIMERS"),
                                   QStringLiteral("GESTIONE CANALI"),
                                   QStringLiteral("DATI GENERALI"),
                                   QStringLiteral("ACQUISIZ. DATI"),
                                   QStringLiteral("LETTURA CONTINUA"),
                                   QStringLiteral("GPRS"),
                                   QStringLiteral("ALLARMI")};
        QCOMPARE(form.SSTab1->count(), captions.size());
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(form.SSTab1->tabText(i), captions.at(i));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QVariant>("caption");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QWidget*>("member");

        Form1& f = *m_form;
        const QVariant none;
        const auto row = [](const char* name, const char* type, const QVariant& caption, const char* where,
                            QWidget* member) {
            QTest::newRow(name) << QString::fromLatin1(type) << caption << QString::fromLatin1(where)
                                << member;
        };
        const auto text = [](const char* caption) { return QVariant(QString::fromUtf8(caption)); };

        row("SSTab1", "QTabWidget", none, "Divisore", f.SSTab1); // above the activity pane
        row("RIPRISTINA_DA_ERRORI", "QPushButton", text("RESTORE"), "Form1", f.RIPRISTINA_DA_ERRORI);

        row("Frame3", "QGroupBox", text("Date"), "tab0", f.Frame3);
        row("Frame5", "QGroupBox", text(""), "tab0", f.Frame5);
        row("leggidata", "QPushButton", text("Leggi la Data Attuale"), "Frame3", f.leggidata);
        row("impostadata", "QPushButton", text("Scrivi la Data Attuale"), "Frame3", f.impostadata);
        row("LeggiDataAllarme", "QPushButton", text("Leggi la Data Start"), "Frame3", f.LeggiDataAllarme);
        row("ScriviDataAllarme", "QPushButton", text("Scrivi la Data Start"), "Frame3", f.ScriviDataAllarme);
        row("Subito", "QPushButton", text("Esegui Subito La Misura"), "Frame3", f.Subito);
        row("labelGiorno", "QLabel", text("Giorno"), "Frame3", nullptr);
        row("labelMese", "QLabel", text("Mese"), "Frame3", nullptr);
        row("labelAnno", "QLabel", text("Anno"), "Frame3", nullptr);
        row("labelOre", "QLabel", text("Ore"), "Frame3", nullptr);
        row("labelMin", "QLabel", text("Min"), "Frame3", nullptr);
        row("labelSec", "QLabel", text("Sec"), "Frame3", nullptr);
        row("labelDataStart", "QLabel", text("Data Start"), "Frame3", nullptr);
        row("data_logging", "QCheckBox", text("Datalogger Abilitato per Acquisizione"), "Frame5",
            f.data_logging);
        row("ReadSt", "QPushButton", text("Leggi il parametro"), "Frame5", f.ReadSt);
        row("Telefono", "QCheckBox", text("Datalogger Abilitato per GSM"), "Frame5", f.Telefono);
        row("Immediata", "QCheckBox", text("Immediate Conversion"), "Frame5", f.Immediata);

        row("Frame1", "QGroupBox", text("Tempo di Acquisizione"), "tab1", f.Frame1);
        row("Frame2", "QGroupBox", text("Preaccensione Strumenti"), "tab1", f.Frame2);
        row("labelHh", "QLabel", text("Hh"), "Frame1", nullptr);
        row("labelMm", "QLabel", text("Mm"), "Frame1", nullptr);
        row("labelSs", "QLabel", text("Ss"), "Frame1", nullptr);
        row("Command2", "QPushButton", text("Leggi i tempi di acquisizione"), "Frame1", f.Command2);
        row("Command1", "QPushButton", text("Scrivi i tempi di acquisizione"), "Frame1", f.Command1);
        row("preaccensione", "QLineEdit", text(""), "Frame2", f.preaccensione);
        row("labelPreaccensione", "QLabel", text("x 10^-3 Sec"), "Frame2", nullptr);
        row("preacc", "QPushButton", text("Leggi Preaccensione"), "Frame2", f.preacc);
        row("impostapreacc", "QPushButton", text("Scrivi Preaccensione"), "Frame2", f.impostapreacc);

        row("leggicanali", "QPushButton", text("Leggi il numero dei canali"), "tab2", f.leggicanali);
        row("Scrivicanali", "QPushButton", text("Scrivi il numero dei canali"), "tab2", f.Scrivicanali);
        row("Leggi_poprietà", "QPushButton", text("Accedi alle proprietà dei sensori"), "tab2",
            f.Leggi_poprietà);
        row("Azzera_memoria", "QPushButton", text("Azzera la memoria"), "tab2", f.Azzera_memoria);
        row("Resetta", "QPushButton", text("Resetta il datalogger"), "tab2", f.Resetta);
        row("PLUVIOMETRO", "QCheckBox", text("Abilitazione del contatore di eventi (Ingresso Pluviometro)"),
            "tab2", f.PLUVIOMETRO);

        row("nome", "QGroupBox", text("Identificazione"), "tab3", f.nome);
        row("Prossima", "QGroupBox", text("Next Acquisition Date"), "tab3", f.Prossima);
        row("Frame4", "QGroupBox", text("Stato Memoria"), "tab3", f.Frame4);
        row("Frame6", "QGroupBox", text("Modello Batteria"), "tab3", f.Frame6);
        row("Frame7", "QGroupBox", text("Minipannello"), "tab3", f.Frame7);
        row("leggifs", "QPushButton", text("leggifs"), "tab3", f.leggifs);
        row("Nome_Centralina", "QLineEdit", text(""), "nome", f.Nome_Centralina);
        row("labelNomeDatalogger", "QLabel", text("Nome Datalogger"), "nome", nullptr);
        row("leggi_nome", "QPushButton", text("Leggi Identificativo"), "nome", f.leggi_nome);
        row("imposta_nome", "QPushButton", text("Scrivi Identificativo"), "nome", f.imposta_nome);
        row("leggiprox", "QPushButton", text("NEW CONVERSION DATE"), "Prossima", f.leggiprox);
        row("separatoreProx_0", "QLabel", text("/"), "Prossima", nullptr);
        row("separatoreProx_1", "QLabel", text("/"), "Prossima", nullptr);
        row("separatoreProx_3", "QLabel", text(":"), "Prossima", nullptr);
        row("Acq_possibili", "QLineEdit", text(""), "Frame4", f.Acq_possibili);
        row("acq_disponibili", "QLineEdit", text(""), "Frame4", f.acq_disponibili);
        row("labelPossibiliDisponibili", "QLabel", text("Possibili             Disponibili"), "Frame4",
            nullptr);
        row("Aggiorna_acq", "QPushButton", text("Stato Memoria"), "Frame4", f.Aggiorna_acq);
        row("BATTPBX", "QCheckBox", text("Batteria al Piombo"), "Frame6", f.BATTPBX);
        row("BATTPB_READ", "QPushButton", text("Leggi il parametro"), "Frame6", f.BATTPB_READ);
        row("minipan", "QCheckBox", text("Minipannello"), "Frame7", f.minipan);
        row("minipan_read", "QPushButton", text("Leggi il parametro"), "Frame7", f.minipan_read);

        row("Image1", "QLabel", none, "tab4", f.Image1);
        row("Registrazione_file", "QGroupBox", text("FILE"), "tab4", f.Registrazione_file);
        row("Drive1", "QComboBox", none, "Registrazione_file", f.Drive1);
        row("Dir1", "QTreeView", none, "Registrazione_file", f.Dir1);
        row("File1", "QListView", none, "Registrazione_file", f.File1);
        row("Nome_File_Dati", "QLineEdit", text(""), "Registrazione_file", f.Nome_File_Dati);
        row("Text3", "QLineEdit", text(""), "Registrazione_file", f.Text3);
        row("labelRecords", "QLabel", text("#RECORDS"), "Registrazione_file", nullptr);
        row("stopacq", "QPushButton", text("Blocca l'acquisizione"), "Registrazione_file", f.stopacq);
        row("Crea_Tabella", "QPushButton", text("Crea Tabella"), "Registrazione_file", f.Crea_Tabella);
        row("Acquisisci", "QPushButton", text("Acquisisci i dati"), "tab4", f.Acquisisci);
        row("back", "QPushButton", text("Backup"), "tab4", f.back);
        row("NREC", "QLineEdit", text(""), "tab4", f.NREC);
        row("Grafico", "QPushButton", text("Grafici"), "tab4", f.Grafico);
        row("Acquisisci_Temp", "QPushButton", text("Acquisisci le Temperature"), "tab4", f.Acquisisci_Temp);
        row("ModoAcq", "QRadioButton", text("Acquisisci i dati dal fondo della memoria"), "tab4", f.ModoAcq);
        row("Text2", "QLineEdit", text(""), "tab4", f.Text2);
        row("CONTAIMP", "QPushButton", text("Leggi il contatore di eventi"), "tab4", f.CONTAIMP);

        row("Status", "QPushButton", text("VBATT"), "tab5", f.Status);
        row("constop", "QPushButton", text("Termina la misura continua"), "tab5", f.constop);
        row("cmdGrafico", "QPushButton", text("Grafici"), "tab5", f.cmdGrafico);

        row("LeggiGPRS", "QPushButton", text("Leggi Parametri GPRS"), "tab6", f.LeggiGPRS);
        row("ScriviGPRS", "QPushButton", text("Scrivi Parametri GPRS"), "tab6", f.ScriviGPRS);

        row("mmpioggia", "QLineEdit", text(""), "tab7", f.mmpioggia);
        row("mmpioggialeggi", "QPushButton", text("leggi mm pioggia"), "tab7", f.mmpioggialeggi);
        row("mmpioggiatastoscrivi", "QPushButton", text("scrivi mm pioggia"), "tab7", f.mmpioggiatastoscrivi);
        row("Rubrica", "QLabel", text("Numeri di Telefono"), "tab7", f.Rubrica);
        row("NUMERO_ALLARMI_SMS", "QLineEdit", text(""), "tab7", f.NUMERO_ALLARMI_SMS);
        row("NUMERO_ALLARME_TELEFONO", "QLineEdit", text(""), "tab7", f.NUMERO_ALLARME_TELEFONO);
        row("Abilita_SMS", "QCheckBox", text("Abilita Allarme SMS"), "tab7", f.Abilita_SMS);
        row("Abilita_Telefono", "QCheckBox", text("Abilita Allarme TELEFONO"), "tab7", f.Abilita_Telefono);
        row("LEGGI_GSM", "QPushButton", text("Leggi"), "tab7", f.LEGGI_GSM);
        row("SCRIVI_GSM", "QPushButton", text("Scrivi"), "tab7", f.SCRIVI_GSM);
        row("Leggi_Allarmi", "QPushButton", text("Accedi alle proprietà di allarme dei sensori"), "tab7",
            f.Leggi_Allarmi);
        row("EMAIL", "QCheckBox", text("Datalogger Abilitato per invio EMAIL"), "tab7", f.EMAIL);
        row("Leggi_Email", "QPushButton", text("Leggi_Email"), "tab7", f.Leggi_Email);
    }

    void controls()
    {
        QFETCH(QString, type);
        QFETCH(QVariant, caption);
        QFETCH(QString, where);
        QFETCH(QWidget*, member);
        const QString name = QString::fromUtf8(QTest::currentDataTag());

        const QList<QWidget*> found = m_form->findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QWidget* widget = found.first();
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), type);
        QWidget* expectedParent = container(*m_form, where);
        QVERIFY2(expectedParent != nullptr, qPrintable(where));
        QCOMPARE(widget->parentWidget(), expectedParent);
        if (caption.isValid())
            QCOMPARE(captionOf(widget), caption.toString());
        if (member != nullptr)
            QCOMPARE(member, widget);
    }

    void arrays_data()
    {
        QTest::addColumn<QList<QWidget*>>("elements");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("where");
        QTest::addColumn<QStringList>("captions");

        Form1& f = *m_form;
        const QStringList noCaptions;
        const auto row = [](const char* name, const QList<QWidget*>& elements, const char* type,
                            const QStringList& where, const QStringList& captions) {
            QTest::newRow(name) << elements << QString::fromLatin1(type) << where << captions;
        };
        QStringList channels;
        for (int i = 0; i < 6; ++i)
            channels << QStringLiteral("CH%1").arg(i);
        QStringList smsLabels;
        for (int i = 1; i <= 10; ++i)
            smsLabels << QString::number(i);
        smsLabels << QStringLiteral("Numero di sms da inviare");
        const QStringList gprsLabels{QStringLiteral("GPRS USERNAME"),  QStringLiteral("GPRS PASSWORD"),
                                     QStringLiteral("APN SERVER"),     QStringLiteral("FTP SERVER"),
                                     QStringLiteral("FTP USERNAME"),   QStringLiteral("FTP PASSWORD"),
                                     QStringLiteral("FTP DIRECTORY"),  QStringLiteral("FTP PORTA"),
                                     QStringLiteral("TRASMETTI OGNI"), QStringLiteral("INVIA SEMPRE TUTTO")};

        row("data", widgets(f.data), "QLineEdit", {QStringLiteral("Frame3")}, noCaptions);
        row("data_allarme", widgets(f.data_allarme), "QLineEdit", {QStringLiteral("Frame3")}, noCaptions);
        row("conversione", widgets(f.conversione), "QLineEdit", {QStringLiteral("Frame1")}, noCaptions);
        row("Label3", widgets(f.Label3), "QLabel", {QStringLiteral("tab2")},
            {QStringLiteral("# CANALI ATTIVI"), QStringLiteral("CH MUX1"), QStringLiteral("CH MUX2"),
             QStringLiteral("CH MUX3")});
        row("MUX", widgets(f.MUX), "QLineEdit", {QStringLiteral("tab2")}, noCaptions);
        row("Prox", widgets(f.Prox), "QLineEdit", {QStringLiteral("Prossima")}, noCaptions);
        row("LABCANALI", widgets(f.LABCANALI), "QLabel", {QStringLiteral("tab5")}, channels);
        row("continua", widgets(f.continua), "QLineEdit", {QStringLiteral("tab5")}, noCaptions);
        row("MISCONTINUA", widgets(f.MISCONTINUA), "QPushButton", {QStringLiteral("tab5")},
            {QStringLiteral("Esegui la misura continua")});
        row("GPRSLABEL", widgets(f.GPRSLABEL), "QLabel", {QStringLiteral("tab6")}, gprsLabels);
        row("GPRS", widgets(f.GPRS), "QLineEdit", {QStringLiteral("tab6")}, noCaptions);
        row("Label6", widgets(f.Label6), "QLabel", {QStringLiteral("tab7")}, smsLabels);
        row("NUMERO_ALLARME_SMS", widgets(f.NUMERO_ALLARME_SMS), "QLineEdit", {QStringLiteral("tab7")},
            noCaptions);
        row("nonattivo", widgets(f.nonattivo), "QLabel", {QStringLiteral("tab7"), QStringLiteral("tab6")},
            {QStringLiteral("FUNZIONE NON DISPONIBILE"), QStringLiteral("FUNZIONE NON DISPONIBILE")});
    }

    void arrays()
    {
        QFETCH(QList<QWidget*>, elements);
        QFETCH(QString, type);
        QFETCH(QStringList, where);
        QFETCH(QStringList, captions);
        const QString base = QString::fromLatin1(QTest::currentDataTag());

        if (!captions.isEmpty())
            QCOMPARE(elements.size(), captions.size());
        for (int i = 0; i < elements.size(); ++i) {
            const QString name = QStringLiteral("%1_%2").arg(base).arg(i);
            QWidget* element = elements.at(i);
            QVERIFY2(element != nullptr, qPrintable(name));
            QCOMPARE(element->objectName(), name);
            QCOMPARE(m_form->findChildren<QWidget*>(name).size(), 1);
            QCOMPARE(QString::fromLatin1(element->metaObject()->className()), type);
            QCOMPARE(element->parentWidget(),
                     container(*m_form, where.size() == 1 ? where.first() : where.at(i)));
            if (!captions.isEmpty())
                QCOMPARE(captionOf(element), captions.at(i));
        }
        // No element beyond the end of the array hides under the same name.
        QCOMPARE(m_form->findChild<QWidget*>(QStringLiteral("%1_%2").arg(base).arg(elements.size())),
                 nullptr);
    }

    void arraySizes()
    {
        Form1& f = *m_form;
        QCOMPARE(f.data.size(), 6u);
        QCOMPARE(f.data_allarme.size(), 6u);
        QCOMPARE(f.conversione.size(), 3u);
        QCOMPARE(f.Label3.size(), 4u);
        QCOMPARE(f.MUX.size(), 4u);
        QCOMPARE(f.Prox.size(), 5u);
        QCOMPARE(f.LABCANALI.size(), 6u);
        QCOMPARE(f.continua.size(), 6u);
        QCOMPARE(f.MISCONTINUA.size(), 1u);
        QCOMPARE(f.GPRSLABEL.size(), 10u);
        QCOMPARE(f.GPRS.size(), 10u);
        QCOMPARE(f.Label6.size(), 11u);
        QCOMPARE(f.NUMERO_ALLARME_SMS.size(), 10u);
        QCOMPARE(f.nonattivo.size(), 2u);
    }

    // `para` and `parameters` keep the index 2 they have in the handlers; 0 and 1 do not exist.
    void onlySecondBatteryElements()
    {
        Form1& f = *m_form;
        QWidget* page = f.SSTab1->widget(5);
        QCOMPARE(f.para[0], nullptr);
        QCOMPARE(f.para[1], nullptr);
        QCOMPARE(f.parameters[0], nullptr);
        QCOMPARE(f.parameters[1], nullptr);
        QVERIFY(f.para[2] != nullptr);
        QVERIFY(f.parameters[2] != nullptr);
        QCOMPARE(f.para[2]->objectName(), QStringLiteral("para_2"));
        QCOMPARE(f.para[2]->text(), QStringLiteral("Tensione di batteria"));
        QCOMPARE(f.para[2]->parentWidget(), page);
        QCOMPARE(f.parameters[2]->objectName(), QStringLiteral("parameters_2"));
        QCOMPARE(f.parameters[2]->parentWidget(), page);
        QCOMPARE(f.findChild<QWidget*>(QStringLiteral("para_0")), nullptr);
        QCOMPARE(f.findChild<QWidget*>(QStringLiteral("parameters_1")), nullptr);
    }

    void objectNamesAreUnique()
    {
        QSet<QString> seen;
        for (QWidget* widget : namedWidgets(*m_form)) {
            QVERIFY2(!seen.contains(widget->objectName()), qPrintable(widget->objectName()));
            seen.insert(widget->objectName());
        }
        QVERIFY(seen.size() > 150);
    }

    // Exactly the controls that the model adaptation shows start hidden; everything else, the two
    // notices included, is visible on its page.
    void designTimeVisibility()
    {
        Form1& form = *m_form;
        const QStringList hiddenNames = designTimeHidden();
        for (const QString& name : hiddenNames)
            QVERIFY2(form.findChild<QWidget*>(name) != nullptr, qPrintable(name));

        int hiddenSeen = 0;
        for (QWidget* widget : namedWidgets(form)) {
            QWidget* page = pageOf(form, widget);
            QWidget* reference = page != nullptr ? page : &form;
            if (hiddenNames.contains(widget->objectName())) {
                ++hiddenSeen;
                QVERIFY2(widget->isHidden(), qPrintable(widget->objectName()));
                QVERIFY2(!widget->isVisibleTo(reference), qPrintable(widget->objectName()));
            } else {
                QVERIFY2(widget->isVisibleTo(reference), qPrintable(widget->objectName()));
            }
        }
        QCOMPARE(hiddenSeen, hiddenNames.size());

        QVERIFY(form.nonattivo[0]->isVisibleTo(form.SSTab1->widget(7)));
        QVERIFY(form.nonattivo[1]->isVisibleTo(form.SSTab1->widget(6)));
    }

    void startColours()
    {
        Form1& f = *m_form;
        QList<QWidget*> green = widgets(f.NUMERO_ALLARME_SMS) + widgets(f.GPRS) + widgets(f.data_allarme);
        green << f.NUMERO_ALLARMI_SMS << f.NUMERO_ALLARME_TELEFONO;
        for (QWidget* box : green)
            QVERIFY2(stazione::ui::backColour(box) == stazione::ui::kConfirmed,
                     qPrintable(box->objectName()));

        // Values not read yet keep the plain colour: green there would claim the logger confirmed them.
        QList<QWidget*> plain =
            widgets(f.data) + widgets(f.conversione) + widgets(f.MUX) + widgets(f.Prox) + widgets(f.continua);
        plain << f.preaccensione << f.Nome_Centralina << f.mmpioggia << f.Acq_possibili << f.Nome_File_Dati;
        for (QWidget* box : plain) {
            QVERIFY2(stazione::ui::backColour(box) != stazione::ui::kConfirmed,
                     qPrintable(box->objectName()));
            QVERIFY2(stazione::ui::backColour(box) != stazione::ui::kEdited, qPrintable(box->objectName()));
        }
    }

    // 192 of 8192 free is time to download: the box says so; a memory half free is plain again.
    void aNearlyFullMemoryStandsOut()
    {
        Form1 f;
        f.Acq_possibili->setText("8192");
        f.acq_disponibili->setText("192");
        QCOMPARE(stazione::ui::backColour(f.acq_disponibili), stazione::ui::kMemoryLow);
        QVERIFY(f.acq_disponibili->toolTip().contains("192"));
        f.acq_disponibili->setText("4000");
        QVERIFY(stazione::ui::backColour(f.acq_disponibili) != stazione::ui::kMemoryLow);
        QVERIFY(f.acq_disponibili->toolTip().isEmpty());
        // Read in the other order, or with nothing known, it is the same.
        f.acq_disponibili->setText("800");
        QCOMPARE(stazione::ui::backColour(f.acq_disponibili), stazione::ui::kMemoryLow);
        f.Acq_possibili->setText("");
        QVERIFY(stazione::ui::backColour(f.acq_disponibili) != stazione::ui::kMemoryLow);
    }

    // The two passwords are masked until the operator asks to see them; the other boxes never are.
    void thePasswordsAreMaskedUntilShown()
    {
        Form1 f;
        for (int i = 0; i < 10; ++i) {
            const bool password = i == Form1::kGprsPassword || i == Form1::kFtpPassword;
            QCOMPARE(f.GPRS[size_t(i)]->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
        }
        QVERIFY(f.GPRSLABEL[Form1::kGprsPassword]->text().contains("PASSWORD"));
        QVERIFY(f.GPRSLABEL[Form1::kFtpPassword]->text().contains("PASSWORD"));
        f.MostraPassword->setChecked(true);
        QCOMPARE(f.GPRS[Form1::kGprsPassword]->echoMode(), QLineEdit::Normal);
        QCOMPARE(f.GPRS[Form1::kFtpPassword]->echoMode(), QLineEdit::Normal);
        f.MostraPassword->setChecked(false);
        QCOMPARE(f.GPRS[Form1::kFtpPassword]->echoMode(), QLineEdit::Password);
    }

    void smallControls()
    {
        Form1& f = *m_form;
        QVERIFY(!f.ModoAcq->autoExclusive());
        QVERIFY(!f.Image1->pixmap().isNull());
        // Four-digit years get wider boxes than the two-digit parts beside them.
        QVERIFY(f.data[2]->width() > f.data[0]->width());
        QVERIFY(f.data_allarme[2]->width() > f.data_allarme[1]->width());
        QVERIFY(f.Prox[2]->width() > f.Prox[3]->width());
        for (QLineEdit* box : f.data)
            QCOMPARE(box->minimumWidth(), box->maximumWidth());
        for (QLineEdit* box : f.MUX)
            QCOMPARE(box->minimumWidth(), box->maximumWidth());
    }

    void layout_data()
    {
        QTest::addColumn<bool>("everything");
        QTest::newRow("base model") << false;
        QTest::newRow("all controls shown") << true;
    }

    // At the starting size and at the minimum size, both within a 1280x800 screen, every tab shows
    // its controls whole, inside the page and without one covering another.
    void layout()
    {
        QFETCH(bool, everything);
        Form1 form;
        if (everything)
            showEverything(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QVERIFY(form.frameGeometry().width() <= kUsableScreen.width());
        QVERIFY(form.frameGeometry().height() <= kUsableScreen.height());
        const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize());
        QVERIFY(minimum.width() <= kUsableScreen.width());
        QVERIFY(minimum.height() <= kUsableScreen.height());
        QVERIFY(form.width() >= minimum.width());
        QVERIFY(form.height() >= minimum.height());

        for (const QSize size : {form.size(), minimum}) {
            form.resize(size);
            for (int tab = 0; tab < form.SSTab1->count(); ++tab) {
                form.SSTab1->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                checkPage(form.SSTab1->widget(tab));
                if (QTest::currentTestFailed())
                    return;
            }
            QVERIFY(form.SSTab1->tabBar()->width() >= form.SSTab1->tabBar()->sizeHint().width());
            QVERIFY(form.rect().contains(form.RIPRISTINA_DA_ERRORI->geometry()));
            QVERIFY(!form.RIPRISTINA_DA_ERRORI->geometry().intersects(form.SSTab1->geometry()));
        }
    }

private:
    static void checkPage(QWidget* page)
    {
        QList<QWidget*> parents{page};
        for (QGroupBox* frame : page->findChildren<QGroupBox*>())
            parents << frame;
        for (QWidget* parent : parents) {
            if (!parent->isVisibleTo(page) && parent != page)
                continue;
            QList<QWidget*> children;
            for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisibleTo(page))
                    children << child;
            }
            for (int i = 0; i < children.size(); ++i) {
                QWidget* child = children.at(i);
                const QString name = page->objectName() + QLatin1Char('/') + child->objectName();
                const QRect onPage(child->mapTo(page, QPoint(0, 0)), child->size());
                QVERIFY2(page->rect().contains(onPage), qPrintable(name));
                const QSize needed = QWidgetItem(child).minimumSize();
                QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                         qPrintable(name));
                for (int j = i + 1; j < children.size(); ++j) {
                    QVERIFY2(!child->geometry().intersects(children.at(j)->geometry()),
                             qPrintable(name + QLatin1String(" overlaps ") + children.at(j)->objectName()));
                }
            }
        }
    }

    std::unique_ptr<Form1> m_form;
};

QTEST_MAIN(Form1Test)
#include "ui_form1_test.moc"
