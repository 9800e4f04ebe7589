#include "ui/sensori_an.h"

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

// A box wide enough for `characters` characters like `sample` (and the "Da Leggere" it starts
// with), so that sixteen rows of five stay one compact grid.
QLineEdit* makeBox(QWidget* parent, const QString& name, int characters, QChar sample)
{
    QLineEdit* edit = makeEdit(parent, name, Sensori_An::notRead());
    const QString wide(characters, sample);
    fixWidth(edit, wide.size() >= Sensori_An::notRead().size() ? wide : Sensori_An::notRead());
    return edit;
}

} // namespace

const QString Sensori_An::kNotRead = QStringLiteral("Da Leggere");

QString Sensori_An::notRead()
{
    return tr("Da Leggere");
}

Sensori_An::Sensori_An(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Sensori_An"));
    setWindowTitle(tr("Proprietà dei sensori"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    static const char* const kHeadingNames[] = {"labelNome", "labelZero_V", "labelFS_V", "labelZero_Fisico",
                                                "labelFS_Fisico"};
    static const char* const kHeadings[] = {QT_TR_NOOP("Nome"), QT_TR_NOOP("Zero_V/Digits"),
                                            QT_TR_NOOP("FS_V/Digits"), QT_TR_NOOP("Zero_Fisico"),
                                            QT_TR_NOOP("FS_Fisico")};
    for (int k = 0; k < 5; ++k) {
        grid->addWidget(makeLabel(this, QString::fromLatin1(kHeadingNames[k]), tr(kHeadings[k])), 0, k + 1,
                        Qt::AlignHCenter | Qt::AlignBottom);
    }

    const std::array<std::array<QLineEdit*, 16>*, 5> properties{&NomeCanali, &CA, &CB, &CC, &CD};
    static const char16_t* const kBaseNames[] = {u"NomeCanali", u"CA", u"CB", u"CC", u"CD"};
    for (int i = 0; i < 16; ++i) {
        Numero_Canali[i] = makeLabel(this, indexedName(u"Numero_Canali", i), QString::number(i));
        grid->addWidget(Numero_Canali[i], i + 1, 0, Qt::AlignRight | Qt::AlignVCenter);
        for (int k = 0; k < 5; ++k) {
            // Names are free text and get room for a short description; the numbers are the
            // logger's own notation, a sign, digits and a decimal point.
            QLineEdit* box = k == 0 ? makeBox(this, indexedName(kBaseNames[k], i), 24, u'x')
                                    : makeBox(this, indexedName(kBaseNames[k], i), 12, u'0');
            (*properties[k])[i] = box;
            grid->addWidget(box, i + 1, k + 1);
        }
    }
    grid->setColumnMinimumWidth(0, Numero_Canali[15]->sizeHint().width() + 6);

    auto* formula = makeLabel(this, QStringLiteral("labelFormula"),
                              tr("VALUE=((VOLT_OUT-ZERO_VOLT)/(FS_VOLT-ZERO_VOLT))*(FS_PH-ZERO_PH)+ZERO_PH"));
    formula->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // The logger ignores full-scale changes for vibrating-wire sensors; an operator who writes them
    // would otherwise believe they took effect.
    auto* warning =
        makeLabel(this, QStringLiteral("labelAvviso"),
                  tr("Le modifiche sui fondi scala non hanno effetto sui sensori a corda vibrante"));
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    QPalette darkRed = warning->palette();
    darkRed.setColor(QPalette::WindowText, QColor(160, 0, 0));
    warning->setPalette(darkRed);

    Leggi_prop = new QPushButton(tr("Leggi Parametri dei sensori"), this);
    Leggi_prop->setObjectName(QStringLiteral("Leggi_prop"));
    ScriviProp = new QPushButton(tr("Scrivi parametri dei sensori"), this);
    ScriviProp->setObjectName(QStringLiteral("ScriviProp"));
    // Without a window manager there is no title bar to close the window with: the button and
    // Escape close it (and bring the main window back).
    Chiudi = new QPushButton(tr("Chiudi"), this);
    Chiudi->setObjectName(QStringLiteral("Chiudi"));
    connect(Chiudi, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Leggi_prop);
    buttons->addWidget(ScriviProp);
    buttons->addStretch();
    buttons->addWidget(Chiudi);

    auto* table = new QHBoxLayout;
    table->addLayout(grid);
    table->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(table);
    layout->addSpacing(8);
    layout->addWidget(formula);
    layout->addWidget(warning);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch();
}

void Sensori_An::resetBoxes()
{
    for (const auto* property : {&NomeCanali, &CA, &CB, &CC, &CD}) {
        for (QLineEdit* box : *property) {
            box->setText(notRead());
            box->setEnabled(true);
            // An empty palette gives the box back the colours it inherits.
            box->setPalette(QPalette());
            box->setAutoFillBackground(false);
        }
    }
}

void Sensori_An::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace stazione::ui
