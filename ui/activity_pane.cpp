#include "ui/activity_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace stazione::ui {

const QColor ActivityPane::kFailed(200, 0, 0);
const QColor ActivityPane::kRefused(215, 110, 0);
// Neither a failure nor a result: the operator's own stop.
const QColor ActivityPane::kCancelled(40, 70, 190);

ActivityPane::ActivityPane(session::Activity& activity, QWidget* parent)
    : QWidget(parent)
    , m_activity(activity)
{
    setObjectName(QStringLiteral("ActivityPane"));
    Attivita = new QListWidget(this);
    Attivita->setObjectName(QStringLiteral("Attivita"));
    Attivita->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Attivita->setUniformItemSizes(true);
    Attivita->setAccessibleName(tr("Attività"));
    Pulisci = new QPushButton(tr("Pulisci"), this);
    Pulisci->setObjectName(QStringLiteral("Pulisci"));
    Copia = new QPushButton(tr("Copia"), this);
    Copia->setObjectName(QStringLiteral("Copia"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Copia);
    buttons->addWidget(Pulisci);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Attivita, 1);
    layout->addLayout(buttons);

    for (const auto& entry : activity.entries())
        append(entry);
    connect(&activity, &session::Activity::added, this, &ActivityPane::append);
    connect(&activity, &session::Activity::cleared, Attivita, &QListWidget::clear);
    connect(Pulisci, &QPushButton::clicked, &activity, &session::Activity::clear);
    connect(Copia, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text()); });
}

QString ActivityPane::text() const
{
    QStringList lines;
    for (int i = 0; i < Attivita->count(); ++i)
        lines << Attivita->item(i)->text();
    return lines.join(QLatin1Char('\n')) + (lines.isEmpty() ? QString() : QStringLiteral("\n"));
}

void ActivityPane::append(const session::Activity::Entry& entry)
{
    QScrollBar* bar = Attivita->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    if (Attivita->count() >= session::Activity::kMaxEntries)
        delete Attivita->takeItem(0);
    auto* item = new QListWidgetItem(session::Activity::line(entry), Attivita);
    switch (entry.outcome) {
    case session::Activity::Outcome::Failed:
        item->setForeground(kFailed);
        break;
    case session::Activity::Outcome::Refused:
        item->setForeground(kRefused);
        break;
    case session::Activity::Outcome::Cancelled:
        item->setForeground(kCancelled);
        break;
    case session::Activity::Outcome::Done:
        break;
    }
    if (atBottom)
        Attivita->scrollToBottom();
}

} // namespace stazione::ui
