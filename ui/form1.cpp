#include "ui/form1.h"

#include "link/timing.h"
#include "ui/colours.h"
#include "ui/tab_order.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace stazione::ui {

namespace {

QWidget* makePage(const QString& name)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    return page;
}

QFrame* makeLine(QWidget* parent, QFrame::Shape shape)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The picture of the download tab: a logger with its display showing a trace.
QPixmap loggerPicture()
{
    QPixmap picture(120, 90);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor outline(70, 70, 80);
    painter.setPen(QPen(outline, 2));
    painter.drawLine(QPointF(94, 18), QPointF(106, 3));
    painter.setBrush(QColor(205, 210, 218));
    painter.drawRoundedRect(QRectF(6, 18, 108, 66), 7, 7);
    painter.setBrush(kConfirmed);
    painter.drawRect(QRectF(16, 27, 88, 38));

    QPainterPath trace;
    trace.moveTo(19, 46);
    for (int x = 0; x <= 82; x += 2)
        trace.lineTo(19 + x, 46 - 11 * std::sin(x / 9.0) * std::exp(-x / 90.0));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 110, 40), 2));
    painter.drawPath(trace);

    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawRoundedRect(QRectF(44, 71, 32, 7), 2, 2);
    return picture;
}

// A box as wide as `characters` digits plus one, so that the values the logger sends fit without
// scrolling and the row of boxes stays compact.
QLineEdit* makeNumberBox(QWidget* parent, const QString& name, int characters = 0)
{
    QLineEdit* edit = makeEdit(parent, name);
    if (characters > 0)
        fixWidth(edit, QString(characters + 1, u'0'));
    return edit;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form1"));
    closeOnKeys(this, QKeySequence(Qt::CTRL | Qt::Key_Q));
    setWindowTitle(tr("Stazione"));

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    // All eight captions stay in sight; the window's minimum width follows from them.
    SSTab1->tabBar()->setUsesScrollButtons(false);
    SSTab1->addTab(buildDataModalitaTab(), tr("DATA-MODALITA'"));
    SSTab1->addTab(buildTimersTab(), tr("TIMERS"));
    SSTab1->addTab(buildGestioneCanaliTab(), tr("GESTIONE CANALI"));
    SSTab1->addTab(buildDatiGeneraliTab(), tr("DATI GENERALI"));
    SSTab1->addTab(buildAcquisizioneTab(), tr("ACQUISIZ. DATI"));
    SSTab1->addTab(buildLetturaContinuaTab(), tr("LETTURA CONTINUA"));
    SSTab1->addTab(buildGprsTab(), tr("GPRS"));
    SSTab1->addTab(buildAllarmiTab(), tr("ALLARMI"));

    // Outside the tabs, so that it can be reached whatever tab a stuck exchange left showing.
    RIPRISTINA_DA_ERRORI = makeButton(this, QStringLiteral("RIPRISTINA_DA_ERRORI"), tr("RESTORE"));
    link::markAsCancel(RIPRISTINA_DA_ERRORI); // heard during the logger's pauses too

    TracciaComunicazione =
        makeCheck(this, QStringLiteral("TracciaComunicazione"), tr("Traccia comunicazione"));

    InLinea = makeLabel(this, QStringLiteral("InLinea"), QString());
    InLinea->setVisible(false);
    Riaggancia = makeButton(this, QStringLiteral("Riaggancia"), tr("Riaggancia"));
    Riaggancia->setVisible(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(TracciaComunicazione);
    bottom->addStretch();
    bottom->addWidget(InLinea);
    bottom->addWidget(Riaggancia);
    bottom->addWidget(RIPRISTINA_DA_ERRORI);
    // The tabs above, the activity pane below (Application puts it in); the operator moves the
    // divide.
    Divisore = new QSplitter(Qt::Vertical, this);
    Divisore->setObjectName(QStringLiteral("Divisore"));
    Divisore->setChildrenCollapsible(false);
    Divisore->addWidget(SSTab1);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(Divisore, 1);
    m_layout->addLayout(bottom);

    applyDesignTimeState();
    m_dataFolder = QDir::currentPath();
    resize(980, 640);
}

void Form1::showEvent(QShowEvent* event)
{
    // The walk of the Tab key follows the rows as laid out, so it is set once they are placed.
    if (!m_tabsOrdered) {
        m_tabsOrdered = true;
        for (int i = 0; i < SSTab1->count(); ++i)
            orderTabsByRows(SSTab1->widget(i));
    }
    QWidget::showEvent(event);
}

void Form1::setProgressStrip(QWidget* strip)
{
    m_layout->insertWidget(1, strip);
}

void Form1::setActivityPane(QWidget* pane)
{
    Divisore->addWidget(pane);
    Divisore->setStretchFactor(0, 1);
    Divisore->setStretchFactor(1, 0);
    // Taller by the pane, but no taller than a 1280x800 screen holds below a desktop panel and
    // the title bar: the tabs give up what is missing, and they have room to spare.
    constexpr int kMostHeight = 700;
    resize(width(), std::min(height() + 140, kMostHeight));
    Divisore->setSizes({SSTab1->sizeHint().height(), 140});
}

QWidget* Form1::buildDataModalitaTab()
{
    QWidget* page = makePage(QStringLiteral("tabDataModalita"));

    Frame3 = makeFrame(page, QStringLiteral("Frame3"), tr("Date"));
    auto* dates = new QGridLayout(Frame3);
    dates->setHorizontalSpacing(8);
    static const char* const kHeadings[] = {QT_TR_NOOP("Giorno"), QT_TR_NOOP("Mese"), QT_TR_NOOP("Anno"),
                                            QT_TR_NOOP("Ore"),    QT_TR_NOOP("Min"),  QT_TR_NOOP("Sec")};
    for (int i = 0; i < 6; ++i) {
        const QString heading = QString::fromLatin1(kHeadings[i]);
        dates->addWidget(makeLabel(Frame3, QStringLiteral("label") + heading, tr(kHeadings[i])), 0, i + 1,
                         Qt::AlignHCenter | Qt::AlignBottom);
        // The year is written with four digits, the other parts with two.
        const int width = i == 2 ? 4 : 2;
        data[i] = makeNumberBox(Frame3, indexedName(u"data", i), width);
        data_allarme[i] = makeNumberBox(Frame3, indexedName(u"data_allarme", i), width);
        dates->addWidget(data[i], 1, i + 1, Qt::AlignHCenter);
        dates->addWidget(data_allarme[i], 2, i + 1, Qt::AlignHCenter);
    }
    dates->addWidget(makeLabel(Frame3, QStringLiteral("labelDataAttuale"), tr("Data Attuale")), 1, 0);
    dates->addWidget(makeLabel(Frame3, QStringLiteral("labelDataStart"), tr("Data Start")), 2, 0);
    dates->setColumnMinimumWidth(7, 24);
    leggidata = makeButton(Frame3, QStringLiteral("leggidata"), tr("Leggi la Data Attuale"));
    impostadata = makeButton(Frame3, QStringLiteral("impostadata"), tr("Scrivi la Data Attuale"));
    LeggiDataAllarme = makeButton(Frame3, QStringLiteral("LeggiDataAllarme"), tr("Leggi la Data Start"));
    ScriviDataAllarme = makeButton(Frame3, QStringLiteral("ScriviDataAllarme"), tr("Scrivi la Data Start"));
    Subito = makeButton(Frame3, QStringLiteral("Subito"), tr("Esegui Subito La Misura"));
    // Technicians set the logger's clock from the PC: this fills the boxes, the write sends them.
    dataPC = makeButton(Frame3, QStringLiteral("dataPC"), tr("Data e Ora del PC"));
    dates->addWidget(leggidata, 1, 8);
    dates->addWidget(impostadata, 1, 9);
    dates->addWidget(dataPC, 1, 10);
    dates->addWidget(LeggiDataAllarme, 2, 8);
    dates->addWidget(ScriviDataAllarme, 2, 9);
    dates->addWidget(Subito, 3, 8, 1, 2);
    dates->setColumnStretch(11, 1);

    Frame5 = makeFrame(page, QStringLiteral("Frame5"), QString());
    data_logging =
        makeCheck(Frame5, QStringLiteral("data_logging"), tr("Datalogger Abilitato per Acquisizione"));
    ReadSt = makeButton(Frame5, QStringLiteral("ReadSt"), tr("Leggi il parametro"));
    Telefono = makeCheck(Frame5, QStringLiteral("Telefono"), tr("Datalogger Abilitato per GSM"));
    Immediata = makeCheck(Frame5, QStringLiteral("Immediata"), tr("Immediate Conversion"));
    auto* modes = new QGridLayout(Frame5);
    modes->setHorizontalSpacing(24);
    modes->addWidget(data_logging, 0, 0);
    modes->addWidget(ReadSt, 0, 1);
    modes->addWidget(Telefono, 1, 0);
    modes->addWidget(Immediata, 2, 0);
    modes->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame3);
    layout->addWidget(Frame5);
    layout->addStretch();
    return page;
}

QWidget* Form1::buildTimersTab()
{
    QWidget* page = makePage(QStringLiteral("tabTimers"));

    Frame1 = makeFrame(page, QStringLiteral("Frame1"), tr("Tempo di Acquisizione"));
    auto* interval = new QGridLayout(Frame1);
    static const char* const kUnits[] = {QT_TR_NOOP("Hh"), QT_TR_NOOP("Mm"), QT_TR_NOOP("Ss")};
    for (int i = 0; i < 3; ++i) {
        const QString unit = QString::fromLatin1(kUnits[i]);
        interval->addWidget(makeLabel(Frame1, QStringLiteral("label") + unit, tr(kUnits[i])), 0, i,
                            Qt::AlignHCenter);
        // Written back with three digits (005) before they are sent.
        conversione[i] = makeNumberBox(Frame1, indexedName(u"conversione", i), 3);
        interval->addWidget(conversione[i], 1, i, Qt::AlignHCenter);
    }
    Command2 = makeButton(Frame1, QStringLiteral("Command2"), tr("Leggi i tempi di acquisizione"));
    Command1 = makeButton(Frame1, QStringLiteral("Command1"), tr("Scrivi i tempi di acquisizione"));
    interval->setColumnMinimumWidth(3, 24);
    interval->addWidget(Command2, 1, 4);
    interval->addWidget(Command1, 1, 5);
    interval->setColumnStretch(6, 1);

    Frame2 = makeFrame(page, QStringLiteral("Frame2"), tr("Preaccensione Strumenti"));
    preaccensione = makeNumberBox(Frame2, QStringLiteral("preaccensione"), 5);
    preacc = makeButton(Frame2, QStringLiteral("preacc"), tr("Leggi Preaccensione"));
    impostapreacc = makeButton(Frame2, QStringLiteral("impostapreacc"), tr("Scrivi Preaccensione"));
    auto* preheating = new QHBoxLayout(Frame2);
    preheating->addWidget(preaccensione);
    preheating->addWidget(makeLabel(Frame2, QStringLiteral("labelPreaccensione"), tr("x 10^-3 Sec")));
    preheating->addSpacing(24);
    preheating->addWidget(preacc);
    preheating->addWidget(impostapreacc);
    preheating->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addStretch();
    return page;
}

QWidget* Form1::buildGestioneCanaliTab()
{
    QWidget* page = makePage(QStringLiteral("tabGestioneCanali"));

    auto* counts = new QGridLayout;
    static const char* const kCaptions[] = {QT_TR_NOOP("# CANALI ATTIVI"), QT_TR_NOOP("CH MUX1"),
                                            QT_TR_NOOP("CH MUX2"), QT_TR_NOOP("CH MUX3")};
    for (int i = 0; i < 4; ++i) {
        Label3[i] = makeLabel(page, indexedName(u"Label3", i), tr(kCaptions[i]));
        MUX[i] = makeNumberBox(page, indexedName(u"MUX", i), 2);
        counts->addWidget(Label3[i], i, 0);
        counts->addWidget(MUX[i], i, 1);
    }

    leggicanali = makeButton(page, QStringLiteral("leggicanali"), tr("Leggi il numero dei canali"));
    Scrivicanali = makeButton(page, QStringLiteral("Scrivicanali"), tr("Scrivi il numero dei canali"));
    auto* countButtons = new QVBoxLayout;
    countButtons->addWidget(leggicanali);
    countButtons->addWidget(Scrivicanali);

    auto* channels = new QHBoxLayout;
    channels->addLayout(counts);
    channels->addSpacing(32);
    channels->addLayout(countButtons);
    channels->setAlignment(countButtons, Qt::AlignTop);
    channels->addStretch();

    PLUVIOMETRO = makeCheck(page, QStringLiteral("PLUVIOMETRO"),
                            tr("Abilitazione del contatore di eventi (Ingresso Pluviometro)"));
    Leggi_poprietà =
        makeButton(page, QStringLiteral("Leggi_poprietà"), tr("Accedi alle proprietà dei sensori"));
    Azzera_memoria = makeButton(page, QStringLiteral("Azzera_memoria"), tr("Azzera la memoria"));
    Resetta = makeButton(page, QStringLiteral("Resetta"), tr("Resetta il datalogger"));

    // The two commands that destroy data stand apart from the everyday ones.
    auto* destructive = new QHBoxLayout;
    destructive->addStretch();
    destructive->addWidget(Azzera_memoria);
    destructive->addWidget(Resetta);

    auto* sensors = new QHBoxLayout;
    sensors->addWidget(Leggi_poprietà);
    sensors->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(channels);
    layout->addSpacing(12);
    layout->addWidget(PLUVIOMETRO);
    layout->addSpacing(12);
    layout->addLayout(sensors);
    layout->addStretch();
    layout->addWidget(makeLine(page, QFrame::HLine));
    layout->addLayout(destructive);
    return page;
}

QWidget* Form1::buildDatiGeneraliTab()
{
    QWidget* page = makePage(QStringLiteral("tabDatiGenerali"));

    nome = makeFrame(page, QStringLiteral("nome"), tr("Identificazione"));
    Nome_Centralina = makeNumberBox(nome, QStringLiteral("Nome_Centralina"), 20);
    leggi_nome = makeButton(nome, QStringLiteral("leggi_nome"), tr("Leggi Identificativo"));
    imposta_nome = makeButton(nome, QStringLiteral("imposta_nome"), tr("Scrivi Identificativo"));
    auto* identity = new QGridLayout(nome);
    identity->addWidget(makeLabel(nome, QStringLiteral("labelNomeDatalogger"), tr("Nome Datalogger")), 0, 0);
    identity->addWidget(Nome_Centralina, 0, 1);
    identity->setColumnMinimumWidth(2, 16);
    identity->addWidget(leggi_nome, 0, 3);
    identity->addWidget(imposta_nome, 0, 4);
    identity->setColumnStretch(5, 1);

    Prossima = makeFrame(page, QStringLiteral("Prossima"), tr("Next Acquisition Date"));
    auto* next = new QHBoxLayout(Prossima);
    // Day / month / year, then hour : minute.
    static const char* const kSeparators[] = {"/", "/", "", ":"};
    for (int i = 0; i < 5; ++i) {
        Prox[i] = makeNumberBox(Prossima, indexedName(u"Prox", i), i == 2 ? 4 : 2);
        next->addWidget(Prox[i]);
        if (i < 4) {
            const QString separator = QString::fromLatin1(kSeparators[i]);
            if (separator.isEmpty())
                next->addSpacing(12);
            else
                next->addWidget(makeLabel(Prossima, indexedName(u"separatoreProx", i), separator));
        }
    }
    leggiprox = makeButton(Prossima, QStringLiteral("leggiprox"), tr("NEW CONVERSION DATE"));
    next->addSpacing(16);
    next->addWidget(leggiprox);
    next->addStretch();

    Frame4 = makeFrame(page, QStringLiteral("Frame4"), tr("Stato Memoria"));
    auto* memory = new QGridLayout(Frame4);
    // One label heads both boxes; each box is made as wide as its word, so the words stand over them.
    auto* heading = makeLabel(Frame4, QStringLiteral("labelPossibiliDisponibili"),
                              tr("Possibili             Disponibili"));
    Acq_possibili = makeNumberBox(Frame4, QStringLiteral("Acq_possibili"), 8);
    acq_disponibili = makeNumberBox(Frame4, QStringLiteral("acq_disponibili"), 8);
    const int spacing = 8;
    memory->setHorizontalSpacing(spacing);
    Acq_possibili->setFixedWidth(
        heading->fontMetrics().horizontalAdvance(QStringLiteral("Possibili             ")) - spacing);
    memory->addWidget(heading, 0, 0, 1, 2);
    memory->addWidget(Acq_possibili, 1, 0, Qt::AlignLeft);
    memory->addWidget(acq_disponibili, 1, 1, Qt::AlignLeft);
    Aggiorna_acq = makeButton(Frame4, QStringLiteral("Aggiorna_acq"), tr("Stato Memoria"));
    // Whoever fills the two boxes, a nearly full memory stands out.
    connect(Acq_possibili, &QLineEdit::textChanged, this, &Form1::showMemoryLeft);
    connect(acq_disponibili, &QLineEdit::textChanged, this, &Form1::showMemoryLeft);
    memory->setColumnMinimumWidth(2, 16);
    memory->addWidget(Aggiorna_acq, 1, 3);
    memory->setColumnStretch(4, 1);

    Frame6 = makeFrame(page, QStringLiteral("Frame6"), tr("Modello Batteria"));
    BATTPBX = makeCheck(Frame6, QStringLiteral("BATTPBX"), tr("Batteria al Piombo"));
    BATTPB_READ = makeButton(Frame6, QStringLiteral("BATTPB_READ"), tr("Leggi il parametro"));
    auto* battery = new QVBoxLayout(Frame6);
    battery->addWidget(BATTPBX);
    battery->addWidget(BATTPB_READ);

    Frame7 = makeFrame(page, QStringLiteral("Frame7"), tr("Minipannello"));
    minipan = makeCheck(Frame7, QStringLiteral("minipan"), tr("Minipannello"));
    minipan_read = makeButton(Frame7, QStringLiteral("minipan_read"), tr("Leggi il parametro"));
    auto* panel = new QVBoxLayout(Frame7);
    panel->addWidget(minipan);
    panel->addWidget(minipan_read);

    leggifs = makeButton(page, QStringLiteral("leggifs"), tr("leggifs"));

    auto* left = new QVBoxLayout;
    left->addWidget(nome);
    left->addWidget(Prossima);
    left->addWidget(Frame4);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(Frame6);
    right->addWidget(Frame7);
    right->addWidget(leggifs);
    right->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 3);
    layout->addSpacing(8);
    layout->addLayout(right, 1);
    return page;
}

QWidget* Form1::buildAcquisizioneTab()
{
    QWidget* page = makePage(QStringLiteral("tabAcquisizioneDati"));

    Registrazione_file = makeFrame(page, QStringLiteral("Registrazione_file"), tr("FILE"));
    Drive1 = new QComboBox(Registrazione_file);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setMinimumContentsLength(12);
    Dir1 = new QTreeView(Registrazione_file);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setHeaderHidden(true);
    // Room for a dozen folders; this sets how low the window may be made.
    Dir1->setMinimumHeight(Dir1->fontMetrics().lineSpacing() * 12);
    File1 = new QListView(Registrazione_file);
    File1->setObjectName(QStringLiteral("File1"));
    Nome_File_Dati = makeNumberBox(Registrazione_file, QStringLiteral("Nome_File_Dati"));
    Text3 = makeNumberBox(Registrazione_file, QStringLiteral("Text3"));
    stopacq = makeButton(Registrazione_file, QStringLiteral("stopacq"), tr("Blocca l'acquisizione"));
    Crea_Tabella = makeButton(Registrazione_file, QStringLiteral("Crea_Tabella"), tr("Crea Tabella"));
    QLabel* records = makeLabel(Registrazione_file, QStringLiteral("labelRecords"), tr("#RECORDS"));

    auto* folders = new QGridLayout;
    folders->addWidget(Drive1, 0, 0);
    folders->addWidget(Dir1, 1, 0);
    folders->addWidget(File1, 0, 1, 2, 1);
    folders->setRowStretch(1, 1);

    auto* names = new QGridLayout;
    names->addWidget(makeLabel(Registrazione_file, QStringLiteral("labelNomeFileDati"), tr("Nome File")), 0,
                     0);
    names->addWidget(Nome_File_Dati, 0, 1);
    names->addWidget(makeLabel(Registrazione_file, QStringLiteral("labelUltimoRecord"), tr("Ultimo Record")),
                     1, 0);
    names->addWidget(Text3, 1, 1);

    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(stopacq);
    fileButtons->addWidget(Crea_Tabella);
    fileButtons->addStretch();
    fileButtons->addWidget(records);

    auto* file = new QVBoxLayout(Registrazione_file);
    file->addLayout(folders, 1);
    file->addLayout(names);
    file->addLayout(fileButtons);

    Image1 = new QLabel(page);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(loggerPicture());
    Image1->setAlignment(Qt::AlignCenter);

    Acquisisci = makeButton(page, QStringLiteral("Acquisisci"), tr("Acquisisci i dati"));
    ModoAcq = new QRadioButton(tr("Acquisisci i dati dal fondo della memoria"), page);
    ModoAcq->setObjectName(QStringLiteral("ModoAcq"));
    // A lone option: it must still be possible to clear it by clicking it again.
    ModoAcq->setAutoExclusive(false);
    Acquisisci_Temp = makeButton(page, QStringLiteral("Acquisisci_Temp"), tr("Acquisisci le Temperature"));
    // How far the temperature download has come.
    Progresso = new QProgressBar(page);
    Progresso->setObjectName(QStringLiteral("Progresso"));
    Progresso->setRange(0, 100);
    Progresso->setValue(0);
    Progresso->setFormat(QStringLiteral("%p %"));
    back = makeButton(page, QStringLiteral("back"), tr("Backup"));
    Grafico = makeButton(page, QStringLiteral("Grafico"), tr("Grafici"));
    CONTAIMP = makeButton(page, QStringLiteral("CONTAIMP"), tr("Leggi il contatore di eventi"));
    Text2 = makeNumberBox(page, QStringLiteral("Text2"), 8);
    NREC = makeNumberBox(page, QStringLiteral("NREC"), 6);

    auto* events = new QHBoxLayout;
    events->addWidget(CONTAIMP);
    events->addWidget(Text2);

    auto* others = new QHBoxLayout;
    others->addWidget(back);
    others->addWidget(Grafico);

    auto* commands = new QVBoxLayout;
    commands->addWidget(Image1);
    commands->addSpacing(8);
    commands->addWidget(Acquisisci);
    commands->addWidget(ModoAcq);
    commands->addSpacing(8);
    commands->addWidget(Acquisisci_Temp);
    commands->addWidget(Progresso);
    commands->addSpacing(8);
    commands->addLayout(others);
    commands->addSpacing(8);
    commands->addLayout(events);
    commands->addStretch();
    // The record count sits level with its "#RECORDS" label at the foot of the FILE frame.
    commands->addWidget(NREC, 0, Qt::AlignLeft);
    commands->addSpacing(page->style()->pixelMetric(QStyle::PM_LayoutBottomMargin));

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(Registrazione_file, 1);
    layout->setSpacing(2);
    layout->addLayout(commands);
    return page;
}

QWidget* Form1::buildLetturaContinuaTab()
{
    QWidget* page = makePage(QStringLiteral("tabLetturaContinua"));

    auto* readings = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        LABCANALI[i] = makeLabel(page, indexedName(u"LABCANALI", i), tr("CH") + QString::number(i));
        // Wide enough for the value and the label text the logger sends in place of "CHn".
        LABCANALI[i]->setMinimumWidth(
            LABCANALI[i]->fontMetrics().horizontalAdvance(QStringLiteral("CH00000000")));
        continua[i] = makeNumberBox(page, indexedName(u"continua", i), 12);
        readings->addWidget(LABCANALI[i], i, 0);
        readings->addWidget(continua[i], i, 1);
    }

    MISCONTINUA[0] = makeButton(page, indexedName(u"MISCONTINUA", 0), tr("Esegui la misura continua"));
    constop = makeButton(page, QStringLiteral("constop"), tr("Termina la misura continua"));
    cmdGrafico = makeButton(page, QStringLiteral("cmdGrafico"), tr("Grafici"));
    auto* commands = new QVBoxLayout;
    commands->addWidget(MISCONTINUA[0]);
    commands->addWidget(constop);
    commands->addSpacing(16);
    commands->addWidget(cmdGrafico);

    auto* live = new QHBoxLayout;
    live->addLayout(readings);
    live->setAlignment(readings, Qt::AlignTop);
    live->addSpacing(32);
    live->addLayout(commands);
    live->setAlignment(commands, Qt::AlignTop);
    live->addStretch();

    para[2] = makeLabel(page, indexedName(u"para", 2), tr("Tensione di batteria"));
    parameters[2] = makeNumberBox(page, indexedName(u"parameters", 2), 5);
    Status = makeButton(page, QStringLiteral("Status"), tr("VBATT"));
    auto* battery = new QHBoxLayout;
    battery->addWidget(para[2]);
    battery->addWidget(parameters[2]);
    battery->addWidget(Status);
    battery->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(live);
    layout->addStretch();
    layout->addWidget(makeLine(page, QFrame::HLine));
    layout->addLayout(battery);
    return page;
}

QWidget* Form1::buildGprsTab()
{
    QWidget* page = makePage(QStringLiteral("tabGprs"));

    static const char* const kSettings[] = {QT_TR_NOOP("GPRS USERNAME"),  QT_TR_NOOP("GPRS PASSWORD"),
                                            QT_TR_NOOP("APN SERVER"),     QT_TR_NOOP("FTP SERVER"),
                                            QT_TR_NOOP("FTP USERNAME"),   QT_TR_NOOP("FTP PASSWORD"),
                                            QT_TR_NOOP("FTP DIRECTORY"),  QT_TR_NOOP("FTP PORTA"),
                                            QT_TR_NOOP("TRASMETTI OGNI"), QT_TR_NOOP("INVIA SEMPRE TUTTO")};
    auto* settings = new QGridLayout;
    for (int i = 0; i < 10; ++i) {
        GPRSLABEL[i] = makeLabel(page, indexedName(u"GPRSLABEL", i), tr(kSettings[i]));
        GPRS[i] = makeNumberBox(page, indexedName(u"GPRS", i), 32);
        settings->addWidget(GPRSLABEL[i], i, 0);
        settings->addWidget(GPRS[i], i, 1);
    }

    // The passwords are not for whoever looks over the operator's shoulder.
    for (int i : {kGprsPassword, kFtpPassword})
        GPRS[size_t(i)]->setEchoMode(QLineEdit::Password);
    MostraPassword = makeCheck(page, QStringLiteral("MostraPassword"), tr("Mostra le password"));
    connect(MostraPassword, &QCheckBox::toggled, this, [this](bool shown) {
        for (int i : {kGprsPassword, kFtpPassword})
            GPRS[size_t(i)]->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });

    LeggiGPRS = makeButton(page, QStringLiteral("LeggiGPRS"), tr("Leggi Parametri GPRS"));
    ScriviGPRS = makeButton(page, QStringLiteral("ScriviGPRS"), tr("Scrivi Parametri GPRS"));
    auto* commands = new QVBoxLayout;
    commands->addWidget(LeggiGPRS);
    commands->addWidget(ScriviGPRS);
    commands->addWidget(MostraPassword);

    auto* gprs = new QHBoxLayout;
    gprs->addLayout(settings);
    gprs->addSpacing(32);
    gprs->addLayout(commands);
    gprs->setAlignment(commands, Qt::AlignTop);
    gprs->addStretch();

    nonattivo[1] = makeLabel(page, indexedName(u"nonattivo", 1), tr("FUNZIONE NON DISPONIBILE"));
    nonattivo[1]->setAlignment(Qt::AlignCenter);

    // With the GPRS controls hidden the two stretches hold the notice in the middle of the page.
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(gprs);
    layout->addStretch();
    layout->addWidget(nonattivo[1]);
    layout->addStretch();
    return page;
}

QWidget* Form1::buildAllarmiTab()
{
    QWidget* page = makePage(QStringLiteral("tabAllarmi"));

    Rubrica = makeLabel(page, QStringLiteral("Rubrica"), tr("Numeri di Telefono"));
    auto* numbers = new QGridLayout;
    for (int i = 0; i < 10; ++i) {
        Label6[i] = makeLabel(page, indexedName(u"Label6", i), QString::number(i + 1));
        NUMERO_ALLARME_SMS[i] = makeNumberBox(page, indexedName(u"NUMERO_ALLARME_SMS", i), 18);
        numbers->addWidget(Label6[i], i, 0, Qt::AlignRight);
        numbers->addWidget(NUMERO_ALLARME_SMS[i], i, 1, Qt::AlignLeft);
    }
    Label6[10] = makeLabel(page, indexedName(u"Label6", 10), tr("Numero di sms da inviare"));
    NUMERO_ALLARMI_SMS = makeNumberBox(page, QStringLiteral("NUMERO_ALLARMI_SMS"), 3);
    numbers->addWidget(Label6[10], 10, 0, Qt::AlignRight);
    numbers->addWidget(NUMERO_ALLARMI_SMS, 10, 1, Qt::AlignLeft);
    numbers->setColumnStretch(2, 1);

    LEGGI_GSM = makeButton(page, QStringLiteral("LEGGI_GSM"), tr("Leggi"));
    SCRIVI_GSM = makeButton(page, QStringLiteral("SCRIVI_GSM"), tr("Scrivi"));
    auto* gsmButtons = new QHBoxLayout;
    gsmButtons->addWidget(LEGGI_GSM);
    gsmButtons->addWidget(SCRIVI_GSM);
    gsmButtons->addStretch();

    nonattivo[0] = makeLabel(page, indexedName(u"nonattivo", 0), tr("FUNZIONE NON DISPONIBILE"));
    nonattivo[0]->setAlignment(Qt::AlignCenter);

    // The phone book on the left; with it hidden the notice stands in the middle of its column.
    auto* book = new QVBoxLayout;
    book->addWidget(Rubrica);
    book->addLayout(numbers);
    book->addLayout(gsmButtons);
    book->addStretch();
    book->addWidget(nonattivo[0]);
    book->addStretch();

    NUMERO_ALLARME_TELEFONO = makeNumberBox(page, QStringLiteral("NUMERO_ALLARME_TELEFONO"), 18);
    Abilita_SMS = makeCheck(page, QStringLiteral("Abilita_SMS"), tr("Abilita Allarme SMS"));
    Abilita_Telefono = makeCheck(page, QStringLiteral("Abilita_Telefono"), tr("Abilita Allarme TELEFONO"));
    EMAIL = makeCheck(page, QStringLiteral("EMAIL"), tr("Datalogger Abilitato per invio EMAIL"));
    Leggi_Email = makeButton(page, QStringLiteral("Leggi_Email"), tr("Leggi_Email"));
    mmpioggia = makeNumberBox(page, QStringLiteral("mmpioggia"), 8);
    mmpioggialeggi = makeButton(page, QStringLiteral("mmpioggialeggi"), tr("leggi mm pioggia"));
    mmpioggiatastoscrivi = makeButton(page, QStringLiteral("mmpioggiatastoscrivi"), tr("scrivi mm pioggia"));
    Leggi_Allarmi =
        makeButton(page, QStringLiteral("Leggi_Allarmi"), tr("Accedi alle proprietà di allarme dei sensori"));

    auto* phone = new QHBoxLayout;
    phone->addWidget(makeLabel(page, QStringLiteral("labelNumeroTelefono"), tr("Numero Telefono")));
    phone->addWidget(NUMERO_ALLARME_TELEFONO);
    phone->addStretch();

    auto* email = new QHBoxLayout;
    email->addWidget(EMAIL);
    email->addStretch();
    email->addWidget(Leggi_Email);

    auto* rain = new QHBoxLayout;
    rain->addWidget(makeLabel(page, QStringLiteral("labelMmPioggia"), tr("mm pioggia")));
    rain->addWidget(mmpioggia);
    rain->addStretch();
    rain->addWidget(mmpioggialeggi);
    rain->addWidget(mmpioggiatastoscrivi);

    auto* alarms = new QVBoxLayout;
    alarms->addLayout(phone);
    alarms->addWidget(Abilita_SMS);
    alarms->addWidget(Abilita_Telefono);
    alarms->addWidget(makeLine(page, QFrame::HLine));
    alarms->addLayout(email);
    alarms->addWidget(makeLine(page, QFrame::HLine));
    alarms->addLayout(rain);
    alarms->addWidget(makeLine(page, QFrame::HLine));
    alarms->addWidget(Leggi_Allarmi, 0, Qt::AlignLeft);
    alarms->addStretch();

    auto* layout = new QHBoxLayout(page);
    layout->addLayout(book, 1);
    layout->addWidget(makeLine(page, QFrame::VLine));
    layout->addLayout(alarms, 1);
    return page;
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (m_closeCheck && !m_closeCheck()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void Form1::applyDesignTimeState()
{
    // No value box starts green: green means read from the logger or accepted by it.
    restoreModelVisibility();
}

void Form1::showMemoryLeft()
{
    bool possibleOk = false;
    bool availableOk = false;
    const qint64 possible = Acq_possibili->text().trimmed().toLongLong(&possibleOk);
    const qint64 available = acq_disponibili->text().trimmed().toLongLong(&availableOk);
    const bool low = possibleOk && availableOk && possible > 0 && available * 10 < possible;
    if (low) {
        setBackColour(acq_disponibili, kMemoryLow);
    } else if (backColour(acq_disponibili) == kMemoryLow) {
        acq_disponibili->setPalette(QPalette());
        acq_disponibili->setAutoFillBackground(false);
    }
    acq_disponibili->setToolTip(low ? tr("Memoria quasi piena: %1 acquisizioni libere su %2. Scarica i dati.")
                                          .arg(available)
                                          .arg(possible)
                                    : QString());
}

void Form1::restoreModelVisibility()
{
    // The base model's window: what the other models add is hidden until the model adaptation
    // shows it, and what the vibrating-wire model lacks is back.
    for (int i = 2; i < 6; ++i) {
        LABCANALI[i]->setVisible(false);
        continua[i]->setVisible(false);
    }
    for (int i = 0; i < 10; ++i) {
        GPRSLABEL[i]->setVisible(false);
        GPRS[i]->setVisible(false);
        NUMERO_ALLARME_SMS[i]->setVisible(false);
    }
    for (QLabel* label : Label6)
        label->setVisible(false);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{NUMERO_ALLARMI_SMS, LEGGI_GSM, SCRIVI_GSM, Leggi_Allarmi, LeggiGPRS,
                                         ScriviGPRS, MostraPassword, Rubrica})
        widget->setVisible(false);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{nonattivo[0], nonattivo[1], Frame2, Frame6, Frame7, cmdGrafico})
        widget->setVisible(true);
}

} // namespace stazione::ui
