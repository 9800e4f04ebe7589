#include "ui/locking.h"

#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::ui {

namespace {

// The controls an exchange locks. The stop buttons (stopacq, constop), RESTORE and a few small
// reads stay enabled, so that a running exchange can be stopped. Hidden controls are locked too;
// their visibility does not change.
QList<QWidget*> commandControls(Form1& f)
{
    return {f.leggi_nome,        f.imposta_nome,     f.Aggiorna_acq,  f.Acquisisci,  f.Acquisisci_Temp,
            f.MISCONTINUA[0],    f.Status,           f.leggidata,     f.impostadata, f.LeggiDataAllarme,
            f.ScriviDataAllarme, f.Subito,           f.ReadSt,        f.Command1,    f.Command2,
            f.impostapreacc,     f.preacc,           f.Scrivicanali,  f.leggicanali, f.Leggi_poprietà,
            f.Azzera_memoria,    f.Resetta,          f.Leggi_Allarmi, f.LEGGI_GSM,   f.SCRIVI_GSM,
            f.Abilita_SMS,       f.Abilita_Telefono, f.LeggiGPRS,     f.BATTPB_READ, f.cmdGrafico};
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
