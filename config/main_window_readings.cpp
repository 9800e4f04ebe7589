#include "config/main_window_readings.h"

#include "config/readings.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/locking.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::config {

MainWindowReadings::MainWindowReadings(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                       QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_form(form)
    , m_dialogs(dialogs)
{
    connect(form.leggicanali, &QPushButton::clicked, this, [this] { run(leggicanali()); });
    connect(form.Aggiorna_acq, &QPushButton::clicked, this, [this] { run(Aggiorna_acq()); });
    connect(form.Command2, &QPushButton::clicked, this, [this] { run(Command2()); });
    connect(form.leggi_nome, &QPushButton::clicked, this, [this] { run(leggi_nome()); });
    connect(form.ReadSt, &QPushButton::clicked, this, [this] { run(ReadSt()); });
}

void MainWindowReadings::run(const link::Status& outcome)
{
    if (!outcome)
        ui::reportError(m_dialogs, &m_form, outcome.error());
}

link::Status MainWindowReadings::leggicanali()
{
    ui::Occupato busy(m_form);
    auto count = readChannelCount(m_session.link());
    if (!count)
        return count.error();
    m_form.MUX[0]->setText(*count);
    ui::setBackColour(m_form.MUX[0], ui::kConfirmed);
    m_session.link().Ritardo(20);
    return {};
}

link::Status MainWindowReadings::Aggiorna_acq()
{
    ui::Occupato busy(m_form);
    auto state = readMemoryState(m_session.link());
    if (!state)
        return state.error();
    if (!*state) {
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), QStringLiteral("Seleziona almeno un canale!"),
                         ui::Dialogs::Icon::Information);
        return {};
    }
    m_form.Acq_possibili->setText((*state)->possible);
    m_form.acq_disponibili->setText((*state)->available);
    return {};
}

link::Status MainWindowReadings::Command2()
{
    ui::Occupato busy(m_form);
    for (int i = 0; i < 3; ++i) {
        auto part = readIntervalPart(m_session.link(), i);
        if (!part)
            return part.error();
        m_form.conversione[i]->setText(*part);
        ui::setBackColour(m_form.conversione[i], ui::kConfirmed);
        m_session.link().Ritardo(10);
    }
    return {};
}

link::Status MainWindowReadings::leggi_nome()
{
    ui::Occupato busy(m_form);
    auto name = readStationName(m_session.link());
    if (!name)
        return name.error();
    m_form.Nome_Centralina->setText(*name);
    ui::setBackColour(m_form.Nome_Centralina, ui::kConfirmed);
    return {};
}

link::Status MainWindowReadings::ReadSt()
{
    ui::Occupato busy(m_form);
    auto state = readAcquisitionEnabled(m_session.link());
    if (!state)
        return state.error();
    m_form.data_logging->setCheckState(*state == 0   ? Qt::Unchecked
                                       : *state == 1 ? Qt::Checked
                                                     : Qt::PartiallyChecked);
    return {};
}

} // namespace stazione::config
