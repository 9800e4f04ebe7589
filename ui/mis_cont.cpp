#include "ui/mis_cont.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace stazione::ui {

MisCont::MisCont(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MisCont"));
    closeOnKeys(this, QKeySequence(Qt::Key_Escape));
    setWindowTitle(tr("Misura continua"));

    cmdStart = makeButton(this, QStringLiteral("cmdStart"), tr("Start"));
    cmdStop = makeButton(this, QStringLiteral("cmdStop"), tr("Stop"));
    cmdGraf = makeButton(this, QStringLiteral("cmdGraf"), tr("Grafici"));
    cmdChiudi = makeButton(this, QStringLiteral("cmdChiudi"), tr("Chiudi"));
    cmdStop->setEnabled(false);

    txtAvviso = makeEdit(this, QStringLiteral("txtAvviso"));
    txtAvviso->setReadOnly(true);
    txtAvviso->setVisible(false);

    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    // Rows all of one height, set once: sizing them to their contents would cost more with every
    // row of a session that runs for days.
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->verticalHeader()->setDefaultSectionSize(Grid1->fontMetrics().height() + 6);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    Grid1->setSelectionMode(QAbstractItemView::NoSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdGraf);
    buttons->addStretch();
    buttons->addWidget(cmdChiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtAvviso);
    layout->addWidget(Grid1, 1);
    resize(760, 560);
}

int MisCont::dateColumnWidth() const
{
    return std::max(120, Grid1->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16);
}

int MisCont::channelColumnWidth() const
{
    return std::max(67, Grid1->fontMetrics().horizontalAdvance(QStringLiteral("-0000.000")) + 16);
}

void MisCont::closeEvent(QCloseEvent* event)
{
    if (m_closeCheck && !m_closeCheck()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

} // namespace stazione::ui
