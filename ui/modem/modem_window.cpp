#include "ui/modem/modem_window.h"

#include "ui/colours.h"
#include "ui/widgets.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace stazione::ui {

namespace {

QString pageCaption(int page)
{
    return page < 5 ? QCoreApplication::translate("stazione::ui::ModemWindow", "Centraline")
                    : QCoreApplication::translate("stazione::ui::ModemWindow", "Datalogger");
}

QString phoneCaption(int page)
{
    return page < 5 ? QCoreApplication::translate("stazione::ui::ModemWindow", "Telefono")
                    : QCoreApplication::translate("stazione::ui::ModemWindow", "GSM");
}

// Letter for letter as the operators have always read them, the slip on page 5 and the trailing
// blank on page 6 included.
QString dateCaption(int page)
{
    if (page < 5)
        return QCoreApplication::translate("stazione::ui::ModemWindow", "Scadenza");
    return page == 5 ? QCoreApplication::translate("stazione::ui::ModemWindow", "Data gine")
                     : QCoreApplication::translate("stazione::ui::ModemWindow", "Data fine ");
}

QAction* makeAction(QWidget* parent, const QString& name, const QString& caption)
{
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    return action;
}

// A column frame whose rows all share one height, so that the ten rows line up across the four
// frames of a page although the first frame also holds the option buttons.
QGridLayout* makeColumnGrid(QGroupBox* frame, int rowHeight)
{
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 2, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    for (int r = 0; r < ModemWindow::kRowsPerPage; ++r)
        grid->setRowMinimumHeight(r, rowHeight);
    return grid;
}

} // namespace

ModemWindow::ModemWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Modem"));
    closeOnKeys(this, QKeySequence(Qt::Key_Escape));
    setWindowTitle(tr("GSM CONNECTION"));

    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    Salva = makeAction(this, QStringLiteral("Salva"), tr("Salva i dati"));
    Connetti = makeAction(this, QStringLiteral("Connetti"), tr("Connetti"));
    Scarica_Vai = makeAction(this, QStringLiteral("Scarica_Vai"), tr("Download and Go"));
    Riprova = makeAction(this, QStringLiteral("Riprova"), tr("Riprova"));
    Interrompi = makeAction(this, QStringLiteral("Interrompi"), tr("Stop"));
    for (QAction* action : {Salva, Connetti, Scarica_Vai, Riprova, Interrompi})
        menuBar->addAction(action);
    // Nothing to dial before a row is chosen, nothing to stop before a dial, nothing to retry
    // before a connection.
    Connetti->setEnabled(false);
    Interrompi->setEnabled(false);
    Riprova->setEnabled(false);

    m_pageGroup = new QButtonGroup(this);
    auto* pageButtons = new QHBoxLayout;
    pageButtons->setSpacing(12);
    for (int p = 0; p < kPages; ++p) {
        const int first = p * kRowsPerPage + 1;
        Primi10[p] = new QRadioButton(QStringLiteral("%1-%2").arg(first).arg(first + kRowsPerPage - 1), this);
        Primi10[p]->setObjectName(indexedName(u"Primi10", p));
        m_pageGroup->addButton(Primi10[p], p);
        pageButtons->addWidget(Primi10[p]);
    }
    pageButtons->addStretch();

    // One group for the option buttons of all pages: a station stays selected while the operator
    // looks through the other pages, and the dial uses it.
    m_selGroup = new QButtonGroup(this);

    // Station names are mostly capitals; numbers and dates are digits and separators.
    const QString nameSample(20, u'N');
    const QString phoneSample(20, u'0');
    const QString dateSample(12, u'0');

    auto* pages = new QGridLayout;
    for (int p = 0; p < kPages; ++p) {
        QGroupBox* page = makeFrame(this, indexedName(u"Centraline", p), pageCaption(p));
        Centraline[p] = page;
        // The pages share one cell; a hidden page keeps its size so that the window does not
        // change shape from page to page.
        QSizePolicy policy = page->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        page->setSizePolicy(policy);
        pages->addWidget(page, 0, 0);

        Frame2[p] = makeFrame(page, indexedName(u"Frame2", p), tr("Nome"));
        Frame4[p] = makeFrame(page, indexedName(u"Frame4", p), phoneCaption(p));
        Frame5[p] = makeFrame(page, indexedName(u"Frame5", p), dateCaption(p));
        Frame6[p] = makeFrame(page, indexedName(u"Frame6", p), tr("Ultimo Controllo"));

        int rowHeight = 0;
        QGridLayout* names = nullptr;
        QGridLayout* phones = nullptr;
        QGridLayout* dates = nullptr;
        QGridLayout* calls = nullptr;
        for (int r = 0; r < kRowsPerPage; ++r) {
            const int i = p * kRowsPerPage + r;
            Sel[i] = new QRadioButton(Frame2[p]);
            Sel[i]->setObjectName(indexedName(u"Sel", i));
            m_selGroup->addButton(Sel[i], i);
            Nome[i] = makeEdit(Frame2[p], indexedName(u"Nome", i));
            fixWidth(Nome[i], nameSample);
            Telefono[i] = makeEdit(Frame4[p], indexedName(u"Telefono", i));
            fixWidth(Telefono[i], phoneSample);
            Scadenza[i] = makeEdit(Frame5[p], indexedName(u"Scadenza", i));
            fixWidth(Scadenza[i], dateSample);
            Uldata[i] = makeEdit(Frame6[p], indexedName(u"Uldata", i));
            // As wide as its column's caption, which is longer than a date.
            Uldata[i]->setFixedWidth(
                std::max(boxWidth(Uldata[i], dateSample), boxWidth(Uldata[i], Frame6[p]->title())));
            Uldata[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            Raccolta[i] = new QLabel(Frame6[p]);
            Raccolta[i]->setObjectName(indexedName(u"Raccolta", i));
            Raccolta[i]->setFixedSize(12, 12);
            Raccolta[i]->setAutoFillBackground(true);

            if (r == 0) {
                rowHeight = std::max(Sel[i]->sizeHint().height(), Nome[i]->sizeHint().height());
                names = makeColumnGrid(Frame2[p], rowHeight);
                phones = makeColumnGrid(Frame4[p], rowHeight);
                dates = makeColumnGrid(Frame5[p], rowHeight);
                calls = makeColumnGrid(Frame6[p], rowHeight);
            }
            names->addWidget(Sel[i], r, 0);
            names->addWidget(Nome[i], r, 1);
            phones->addWidget(Telefono[i], r, 0);
            dates->addWidget(Scadenza[i], r, 0);
            calls->addWidget(Uldata[i], r, 0);
            calls->addWidget(Raccolta[i], r, 1);
        }

        auto* columns = new QHBoxLayout(page);
        columns->setContentsMargins(6, 4, 6, 6);
        columns->setSpacing(6);
        for (QGroupBox* column : {Frame2[p], Frame4[p], Frame5[p], Frame6[p]})
            columns->addWidget(column, 0, Qt::AlignTop);
        columns->addStretch();
    }

    serialeFrame = makeFrame(this, QStringLiteral("serialeFrame"), tr("Seriale"));
    SERMODEM = makeEdit(serialeFrame, QStringLiteral("SERMODEM"), QStringLiteral("0"));
    fixWidth(SERMODEM, QStringLiteral("0000"));
    CERCAMODEM = makeButton(serialeFrame, QStringLiteral("CERCAMODEM"), tr("Cerca Modem"));
    auto* serial = new QHBoxLayout(serialeFrame);
    serial->addWidget(SERMODEM);
    serial->addWidget(CERCAMODEM);

    modemWindowFrame = makeFrame(this, QStringLiteral("modemWindowFrame"), tr("Modem Window"));
    Text1 = makeEdit(modemWindowFrame, QStringLiteral("Text1"));
    // Only the program writes here: the modem's replies and how far a call has got.
    Text1->setReadOnly(true);
    Text1->setMinimumWidth(boxWidth(Text1, QString(50, u'x')));
    auto* status = new QHBoxLayout(modemWindowFrame);
    status->addWidget(Text1);

    Rapporto = makeButton(this, QStringLiteral("Rapporto"), tr("Rapporto di rete"));
    Rapporto->setToolTip(
        tr("Apre nel browser il rapporto dell'ultima raccolta, rifatto se non è aggiornato."));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(serialeFrame);
    bottom->addWidget(modemWindowFrame, 1);
    bottom->addWidget(Rapporto, 0, Qt::AlignBottom);

    m_layout = new QVBoxLayout(this);
    m_layout->setMenuBar(menuBar);
    m_layout->addLayout(pageButtons);
    m_layout->addLayout(pages);
    m_layout->addLayout(bottom);
    m_layout->addStretch();

    connect(m_pageGroup, &QButtonGroup::idToggled, this, [this](int p, bool checked) {
        if (checked)
            showPage(p);
    });
    showPage(0);
}

void ModemWindow::setProgressStrip(QWidget* strip)
{
    m_layout->insertWidget(m_layout->count() - 1, strip);
}

void ModemWindow::showPage(int p)
{
    if (p < 0 || p >= kPages)
        return;
    for (int k = 0; k < kPages; ++k)
        Centraline[k]->setVisible(k == p);
    Primi10[p]->setChecked(true);
}

void ModemWindow::setCollectionMark(int row, const QColor& colour, const QString& tooltip)
{
    QLabel* mark = Raccolta[size_t(row)];
    QPalette palette = mark->palette();
    palette.setColor(QPalette::Window, colour.isValid() ? colour : palette.color(QPalette::Base));
    mark->setPalette(palette);
    mark->setAutoFillBackground(colour.isValid());
    mark->setToolTip(tooltip);
}

void ModemWindow::setSelectedRowColours(int row)
{
    for (int i = 0; i < kRows; ++i) {
        const QColor& colour = i == row ? kSelected : kConfirmed;
        for (QLineEdit* box : {Nome[i], Telefono[i], Scadenza[i], Uldata[i]})
            setBackColour(box, colour);
    }
}

void ModemWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace stazione::ui
