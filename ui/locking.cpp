#include "ui/locking.h"

#include "session/operations.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::ui {

namespace {

// The controls an exchange locks: those whose rows say so (session/operations.cpp). The stop
// buttons, RESTORE and the controls the exchange guard refuses stay enabled, so that a running
// exchange can be stopped. Hidden controls are locked too; their visibility does not change.
QList<QWidget*> commandControls(Form1& f)
{
    QList<QWidget*> controls;
    for (const session::Operation& row : session::operations()) {
        if (row.lock == session::Lock::Locks) {
            if (auto* control = f.findChild<QWidget*>(QString::fromUtf8(row.control)))
                controls << control;
        }
    }
    return controls;
}

} // namespace

void FocusKeeper::remember()
{
    m_focus = QApplication::focusWidget();
}

void FocusKeeper::giveBack()
{
    QWidget* focus = m_focus;
    m_focus = nullptr;
    QWidget* now = QApplication::focusWidget();
    if (auto* box = qobject_cast<QLineEdit*>(now); box && now != focus)
        box->deselect();
    if (focus && focus != now && focus->isEnabled() && focus->isVisible())
        focus->setFocus(Qt::OtherFocusReason);
}

void Spegni_Tasti(Form1& form)
{
    for (QWidget* w : commandControls(form))
        w->setEnabled(false);
}

void Accendi_Tasti(Form1& form)
{
    for (QWidget* w : commandControls(form))
        w->setEnabled(true);
}

} // namespace stazione::ui
