#include "ui/form2.h"

#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace stazione::ui {

const QString Form2::kInitialStatus = QStringLiteral(
    "Collegare il datalogger. Premere 'Connessione'.\nKVE_M410_M610   KVE_M610_M410   KVE_M510HX");

QString Form2::initialStatus()
{
    return tr("Collegare il datalogger. Premere 'Connessione'.\nKVE_M410_M610   KVE_M610_M410   KVE_M510HX");
}

Form2::Form2(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    closeOnKeys(this, QKeySequence(Qt::CTRL | Qt::Key_Q));
    setWindowTitle(tr("Stazione"));

    Label1 = new QLabel(tr("RS232"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, Frame1);
        b->setObjectName(QLatin1String(name));
        b->setMinimumHeight(34);
        return b;
    };
    Command1 = makeButton("Command1", tr("CONNESSIONE"));
    No_conn = makeButton("No_conn", tr("Connessione Passo Passo"));
    Command2 = makeButton("Command2", tr("CONNESSIONE CON MODEM"));
    Command3 = makeButton("Command3", tr("Resetta QX455"));
    GSM = new QCheckBox(tr("Versione GSM"), Frame1);
    GSM->setObjectName(QStringLiteral("GSM"));

    Porta = new QComboBox(Frame1);
    Porta->setObjectName(QStringLiteral("Porta"));
    Porta->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* portRow = new QHBoxLayout;
    auto* portLabel = new QLabel(tr("Porta:"), Frame1);
    portLabel->setObjectName(QStringLiteral("labelPorta"));
    portLabel->setBuddy(Porta);
    portRow->addWidget(portLabel);
    portRow->addWidget(Porta, 1);

    auto* buttons = new QVBoxLayout(Frame1);
    buttons->addLayout(portRow);
    buttons->addWidget(Command1);
    buttons->addWidget(No_conn);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addWidget(GSM);

    Label2 = new QLabel(initialStatus(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setFrameShape(QFrame::StyledPanel);
    Label2->setMargin(6);
    Label2->setMinimumHeight(170);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(Label1);
    m_layout->addWidget(Frame1);
    m_layout->addWidget(Label2, 1);
    resize(440, 480);
}

void Form2::setProgressStrip(QWidget* strip)
{
    m_layout->insertWidget(m_layout->indexOf(Label2) + 1, strip);
}

void Form2::setActivityPane(QWidget* pane)
{
    m_layout->addWidget(pane, 1);
    resize(width(), height() + 150);
}

void Form2::setStatus(const QString& text, const QColor& colour)
{
    Label2->setText(shown(text));
    if (colour.isValid()) {
        setBackColour(Label2, colour);
    } else {
        Label2->setAutoFillBackground(false);
        Label2->setPalette(palette());
    }
}

void Form2::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace stazione::ui
