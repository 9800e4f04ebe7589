#include "ui/config/settings_handlers.h"

#include "config/channels.h"
#include "config/preheating.h"
#include "config/station.h"
#include "link/numbers.h"
#include "link/typed_values.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace stazione::config {

SettingsHandlers::SettingsHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                   QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
{
    wire();
    // The simple reads of one value sit on the settings' tabs.
    wireQueries();
    ui::redOnEdit(form.preaccensione);
    ui::trimOnChange(form.preaccensione);

    for (QLineEdit* box : form.MUX) {
        connect(box, &QLineEdit::textChanged, this, [box](const QString& text) {
            ui::setBackColour(box, ui::kEdited);
            if (auto corrected = correctedChannelBox(text))
                box->setText(*corrected);
        });
    }

    ui::redOnEdit(form.Nome_Centralina);
    onStateChange(form.BATTPBX, &SettingsHandlers::BATTPBX_Click);
    onStateChange(form.minipan, &SettingsHandlers::minipan_Click);
    ui::redOnEdit(form.mmpioggia);
}

void SettingsHandlers::onStateChange(QCheckBox* box, link::Status (SettingsHandlers::*write)())
{
    // The write follows every change of the box, also one made by a read: the value just read is
    // then sent back, and reading it again changes nothing.
    connect(box, &QCheckBox::stateChanged, this, [this, box, write](int) {
        const auto exchange = m_session.guard().begin();
        if (!exchange) {
            const QSignalBlocker quiet(box);
            box->setChecked(!box->isChecked());
            refuse(box);
            return;
        }
        run(box, [this, write] { return (this->*write)(); });
    });
}

link::Status SettingsHandlers::preacc()
{
    const auto exchange = m_session.guard().hold();
    auto time = readPreheating(link());
    if (!time)
        return time.error();
    m_form.preaccensione->setText(*time);
    ui::setBackColour(m_form.preaccensione, ui::kConfirmed);
    return {};
}

link::Status SettingsHandlers::impostapreacc()
{
    const auto exchange = m_session.guard().hold();
    const auto text = preheatingToSend(m_form.preaccensione->text());
    if (!text) {
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), kPreheatingTooLong,
                         ui::Dialogs::Icon::Information);
        m_form.preaccensione->setText(QStringLiteral("0"));
        return link::Error::refusedAndTold(m_form.preaccensione->objectName(), ui::shown(kPreheatingTooLong));
    }
    m_form.preaccensione->setText(*text);
    if (auto s = writePreheating(link(), *text); !s)
        return s;
    ui::setBackColour(m_form.preaccensione, ui::kConfirmed);
    return {};
}

link::Status SettingsHandlers::leggicanali()
{
    const auto exchange = m_session.guard().hold();
    auto count = readChannelCount(link());
    if (!count)
        return count.error();
    m_form.MUX[0]->setText(*count);
    ui::setBackColour(m_form.MUX[0], ui::kConfirmed);
    link().Ritardo(20);
    return {};
}

link::Status SettingsHandlers::Scrivicanali()
{
    const auto exchange = m_session.guard().hold();
    // The count goes as a number, but a box the logger could not take is not worth the question.
    if (auto s = link::checkTyped(m_form.MUX[0]->objectName(), m_form.MUX[0]->text()); !s)
        return s;
    const bool yes = m_dialogs.askYesNo(&m_form, QStringLiteral("Attenzione"), kChannelWriteQuestion,
                                        ui::Dialogs::Icon::Critical, false);
    if (!yes)
        return link::Error::cancelled(tr("Nulla è stato inviato."));
    auto written = writeChannelCount(link(), link::integerValue(m_form.MUX[0]->text()));
    if (!written)
        return written.error();
    setCaption(written->accepted ? ui::kParameterSent : ui::kParameterRefused);
    m_form.MUX[0]->setText(written->channels);
    ui::setBackColour(m_form.MUX[0], ui::kConfirmed);
    if (written->memory) {
        m_form.Acq_possibili->setText(written->memory->possible);
        m_form.acq_disponibili->setText(written->memory->available);
    } else {
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), kNoChannelMessage,
                         ui::Dialogs::Icon::Information);
    }
    link().Ritardo(200);
    return {};
}

link::Status SettingsHandlers::leggi_nome()
{
    const auto exchange = m_session.guard().hold();
    auto name = readStationName(link());
    if (!name)
        return name.error();
    m_form.Nome_Centralina->setText(*name);
    m_session.record.Nome_Centralina = *name;
    ui::setBackColour(m_form.Nome_Centralina, ui::kConfirmed);
    return {};
}

link::Status SettingsHandlers::imposta_nome()
{
    const auto exchange = m_session.guard().hold();
    const QString name = m_form.Nome_Centralina->text().trimmed();
    m_form.Nome_Centralina->setText(name);
    auto accepted = writeStationName(link(), name);
    if (!accepted)
        return accepted.error();
    setCaption(*accepted ? ui::kParameterSent : ui::kParameterRefused);
    if (*accepted) {
        m_session.record.Nome_Centralina = name;
        ui::setBackColour(m_form.Nome_Centralina, ui::kConfirmed);
        link().Ritardo(10);
    }
    return {};
}

link::Status SettingsHandlers::readBatteryVoltage()
{
    const auto exchange = m_session.guard().hold();
    auto volts = config::readBatteryVoltage(link());
    if (!volts)
        return volts.error();
    m_form.parameters[2]->setText(*volts);
    return {};
}

link::Status SettingsHandlers::BATTPB_READ()
{
    const auto exchange = m_session.guard().hold();
    auto type = readBatteryType(link());
    if (!type)
        return type.error();
    ui::setCheckValue(m_form.BATTPBX, *type);
    return {};
}

link::Status SettingsHandlers::BATTPBX_Click()
{
    auto written = writeBatteryType(link(), ui::checkValue(m_form.BATTPBX));
    if (!written)
        return written.error();
    setCaption(written->accepted ? ui::kParameterSent : ui::kParameterRefused);
    const auto exchange = m_session.guard().hold();
    ui::setCheckValue(m_form.BATTPBX, written->readBack);
    return {};
}

link::Status SettingsHandlers::minipan_read()
{
    const auto exchange = m_session.guard().hold();
    auto state = readMiniPanel(link());
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.minipan, *state);
    return {};
}

link::Status SettingsHandlers::minipan_Click()
{
    auto written = writeMiniPanel(link(), ui::checkValue(m_form.minipan));
    if (!written)
        return written.error();
    setCaption(written->accepted ? ui::kParameterSent : ui::kParameterRefused);
    const auto exchange = m_session.guard().hold();
    ui::setCheckValue(m_form.minipan, written->readBack);
    return {};
}

link::Status SettingsHandlers::PLUVIOMETRO_MouseDown(bool checkedAtPress)
{
    auto state = switchEventCounter(link(), !checkedAtPress);
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.PLUVIOMETRO, *state);
    return {};
}

link::Status SettingsHandlers::mmpioggialeggi()
{
    const auto exchange = m_session.guard().hold();
    auto amount = readRainAmount(link());
    if (!amount)
        return amount.error();
    m_form.mmpioggia->setText(*amount);
    ui::setBackColour(m_form.mmpioggia, ui::kReadYellow);
    return {};
}

link::Status SettingsHandlers::mmpioggiatastoscrivi()
{
    const auto exchange = m_session.guard().hold();
    auto amount = writeRainAmount(link(), m_form.mmpioggia->text().trimmed());
    if (!amount)
        return amount.error();
    m_form.mmpioggia->setText(*amount);
    ui::setBackColour(m_form.mmpioggia, ui::kReadYellow);
    return {};
}

link::Status SettingsHandlers::CONTAIMP()
{
    auto count = readEventCount(link());
    if (!count)
        return count.error();
    m_form.Text2->setText(*count);
    return {};
}

} // namespace stazione::config
