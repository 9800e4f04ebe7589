#include "ui/allarmi_an.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace stazione::ui {

namespace {

// The widest of the sample and the "Da Leggere" every box starts with.
QString widest(const QString& sample)
{
    return sample.size() >= Allarmi_An::notRead().size() ? sample : Allarmi_An::notRead();
}

// A box for a value of the logger: a sign, digits, a decimal point.
QLineEdit* makeNumberEdit(QWidget* parent, const QString& name)
{
    QLineEdit* edit = makeEdit(parent, name, Allarmi_An::notRead());
    fixWidth(edit, widest(QString(12, u'0')));
    return edit;
}

} // namespace

const QString Allarmi_An::kNotRead = QStringLiteral("Da Leggere");

QString Allarmi_An::notRead()
{
    return tr("Da Leggere");
}

Allarmi_An::Allarmi_An(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Allarmi_An"));
    setWindowTitle(tr("Allarmi dei sensori"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    static const char* const kHeadings[] = {QT_TR_NOOP("Numero"), QT_TR_NOOP("Allarme Up"),
                                            QT_TR_NOOP("Allarme Down"), QT_TR_NOOP("Attivo")};
    for (int k = 0; k < 4; ++k) {
        Label1[k] = makeLabel(this, indexedName(u"Label1", k), tr(kHeadings[k]));
        grid->addWidget(Label1[k], 0, k, Qt::AlignHCenter | Qt::AlignBottom);
    }
    for (int i = 0; i < 16; ++i) {
        Numero_Canali[i] = makeLabel(this, indexedName(u"Numero_Canali", i), QString::number(i));
        CA[i] = makeNumberEdit(this, indexedName(u"CA", i));
        CB[i] = makeNumberEdit(this, indexedName(u"CB", i));
        AllarmeAttivo[i] = makeNumberEdit(this, indexedName(u"AllarmeAttivo", i));
        grid->addWidget(Numero_Canali[i], i + 1, 0, Qt::AlignHCenter | Qt::AlignVCenter);
        grid->addWidget(CA[i], i + 1, 1);
        grid->addWidget(CB[i], i + 1, 2);
        grid->addWidget(AllarmeAttivo[i], i + 1, 3);
    }
    grid->setRowStretch(17, 1);

    // One pair per multiplexer count of the main window: the row count of button k is MUX (k).
    auto* rows = new QGridLayout;
    rows->setVerticalSpacing(4);
    for (int k = 0; k < 4; ++k) {
        Leggi_all[k] = makeButton(this, indexedName(u"Leggi_all", k), tr("Leggi MUX%1").arg(k));
        ScriviAll[k] = makeButton(this, indexedName(u"ScriviAll", k), tr("Scrivi MUX%1").arg(k));
        rows->addWidget(Leggi_all[k], k, 0);
        rows->addWidget(ScriviAll[k], k, 1);
    }

    SMS_PERSONALE =
        makeLabel(this, QStringLiteral("SMS_PERSONALE"), tr("SMS PERSONALIZZATO (5 X 25 CARATTERI)"));
    auto* message = new QVBoxLayout;
    message->setSpacing(2);
    message->addWidget(SMS_PERSONALE);
    // Sized for the 25 characters a line is announced with, and no limit on the text: the logger
    // takes a longer line whole.
    for (int i = 0; i < 5; ++i) {
        SMS_PERSONALIZZATO[i] = makeEdit(this, indexedName(u"SMS_PERSONALIZZATO", i), notRead());
        SMS_PERSONALIZZATO[i]->setMinimumWidth(boxWidth(SMS_PERSONALIZZATO[i], QString(26, u'X')));
        message->addWidget(SMS_PERSONALIZZATO[i]);
    }
    MESSAGGIO_PERSONALE_LEGGI =
        makeButton(this, QStringLiteral("MESSAGGIO_PERSONALE_LEGGI"), tr("LEGGI SMS"));
    MESSAGGIO_PERSONALE_SCRIVI =
        makeButton(this, QStringLiteral("MESSAGGIO_PERSONALE_SCRIVI"), tr("SCRIVI SMS"));
    auto* messageButtons = new QHBoxLayout;
    messageButtons->addWidget(MESSAGGIO_PERSONALE_LEGGI);
    messageButtons->addWidget(MESSAGGIO_PERSONALE_SCRIVI);
    messageButtons->addStretch();

    // Without a window manager there is no title bar to close the window with: the button and
    // Escape close it (and bring the main window back).
    Chiudi = makeButton(this, QStringLiteral("Chiudi"), tr("Chiudi"));
    connect(Chiudi, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(Chiudi);

    auto* side = new QVBoxLayout;
    side->addSpacing(Label1[0]->sizeHint().height() + grid->verticalSpacing());
    side->addLayout(rows);
    side->addSpacing(24);
    side->addLayout(message);
    side->addSpacing(4);
    side->addLayout(messageButtons);
    side->addStretch();
    side->addLayout(closeRow);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(24);
    layout->addLayout(side);
    layout->addStretch();
}

void Allarmi_An::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace stazione::ui
