#include "ui/widgets.h"

#include "link/timing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>

namespace stazione::ui {

QString indexedName(QStringView base, int index)
{
    return QStringLiteral("%1_%2").arg(base).arg(index);
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption)
{
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    return check;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& title)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(name);
    return frame;
}

QLineEdit* makeEdit(QWidget* parent, const QString& name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

int boxWidth(const QLineEdit* box, const QString& sample)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QFontMetrics metrics = box->fontMetrics();
    const QMargins margins = box->textMargins();
    // QLineEdit keeps 2 pixels of its own on each side of the text.
    const int textWidth = metrics.horizontalAdvance(sample) + margins.left() + margins.right() + 4;
    return box->style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(textWidth, metrics.height()), box)
        .width();
}

void fixWidth(QLineEdit* box, const QString& sample)
{
    box->setFixedWidth(boxWidth(box, sample));
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void closeOnKeys(QWidget* window, const QKeySequence& keys)
{
    auto* shortcut = new QShortcut(keys, window);
    // Heard in the middle of a pause too, as a click on the window's close button is: the
    // operator who leaves is not kept waiting for a scan or a call's start-up.
    link::markAsCancel(shortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
}

} // namespace stazione::ui
