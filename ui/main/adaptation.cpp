#include "ui/main/adaptation.h"

#include "link/models.h"
#include "ui/form1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::session {

namespace {

void showChannels(ui::Form1& f, int from, int to)
{
    for (int i = from; i <= to; ++i) {
        f.LABCANALI[i]->setVisible(true);
        f.continua[i]->setVisible(true);
    }
}

void showGsmControls(ui::Form1& f)
{
    f.nonattivo[0]->setVisible(false);
    f.nonattivo[1]->setVisible(false);
    for (int k = 0; k < 10; ++k) {
        f.GPRSLABEL[k]->setVisible(true);
        f.GPRS[k]->setVisible(true);
        f.NUMERO_ALLARME_SMS[k]->setVisible(true);
        f.Label6[k]->setVisible(true);
    }
    f.NUMERO_ALLARMI_SMS->setVisible(true);
    f.LEGGI_GSM->setVisible(true);
    f.SCRIVI_GSM->setVisible(true);
    f.Leggi_Allarmi->setVisible(true);
    f.LeggiGPRS->setVisible(true);
    f.MostraPassword->setVisible(true);
    f.ScriviGPRS->setVisible(true);
    f.Label6[10]->setVisible(true);
    f.Rubrica->setVisible(true);
}

} // namespace

bool hasGsm(const QString& modello)
{
    return modello == link::kModelFamily || modello == link::kModelVibratingWire;
}

void adattaForm1(ui::Form1& f, const QString& modello)
{
    if (modello == link::kModelFamily) {
        showChannels(f, 2, 3);
        showGsmControls(f);
    } else if (modello == link::kModelVibratingWire) {
        // No pre-heating, battery type or mini-panel on the vibrating-wire logger, and no chart.
        f.Frame2->setVisible(false);
        f.Frame6->setVisible(false);
        f.Frame7->setVisible(false);
        showChannels(f, 2, 5);
        showGsmControls(f);
        f.cmdGrafico->setVisible(false);
    }
}

} // namespace stazione::session
