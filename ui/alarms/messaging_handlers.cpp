#include "ui/alarms/messaging_handlers.h"

#include "alarms/messaging.h"
#include "link/numbers.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/form1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::alarms {

MessagingHandlers::MessagingHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                     config::ClockScheduleHandlers& clock, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_clock(clock)
{
    wire();
    for (QLineEdit* box : form.NUMERO_ALLARME_SMS)
        ui::redOnEdit(box);
    ui::redOnEdit(form.NUMERO_ALLARMI_SMS);
    ui::redOnEdit(form.NUMERO_ALLARME_TELEFONO);
    for (QLineEdit* box : form.GPRS)
        ui::redOnEdit(box);
}

QStringList MessagingHandlers::gsmBoxes() const
{
    QStringList values;
    for (const QLineEdit* box : m_form.NUMERO_ALLARME_SMS)
        values << box->text();
    values << m_form.NUMERO_ALLARMI_SMS->text();
    return values;
}

link::Status MessagingHandlers::LEGGI_GSM()
{
    const auto exchange = m_session.guard().hold();
    auto read = readGsmEntries(link(), [this](int i, const QString& value) {
        QLineEdit* box = i < 10 ? m_form.NUMERO_ALLARME_SMS[i] : m_form.NUMERO_ALLARMI_SMS;
        box->setText(value);
        ui::setBackColour(box, ui::kConfirmed);
    });
    return read ? link::Status() : link::Status(read.error());
}

link::Status MessagingHandlers::SCRIVI_GSM()
{
    const auto exchange = m_session.guard().hold();
    auto written = writeGsmEntries(link(), gsmBoxes(), [this](int i, bool accepted) {
        setCaption(accepted ? gsmSentCaption(i) : ui::kParameterRefused);
    });
    if (!written)
        return written.error();
    return LEGGI_GSM();
}

link::Status MessagingHandlers::Abilita_SMS_MouseDown(bool checkedAtPress)
{
    const QString smsFlag = checkedAtPress ? QStringLiteral("0") : QStringLiteral("1");
    const QString phoneFlag = link::signedNotation(ui::checkValue(m_form.Abilita_Telefono));
    if (auto s =
            sendAlarmSwitches(link(), gsmBoxes(), smsFlag, m_form.NUMERO_ALLARME_TELEFONO->text(), phoneFlag);
        !s)
        return s;
    // The logger does not tell its switches back: the box shows what was sent.
    m_form.Abilita_SMS->setChecked(!checkedAtPress);
    link().Ritardo(50);
    return LEGGI_GSM();
}

link::Status MessagingHandlers::Abilita_Telefono_MouseDown(bool checkedAtPress)
{
    const QString smsFlag = link::signedNotation(ui::checkValue(m_form.Abilita_SMS));
    const QString phoneFlag = checkedAtPress ? QStringLiteral("0") : QStringLiteral("1");
    if (auto s =
            sendAlarmSwitches(link(), gsmBoxes(), smsFlag, m_form.NUMERO_ALLARME_TELEFONO->text(), phoneFlag);
        !s)
        return s;
    m_form.Abilita_Telefono->setChecked(!checkedAtPress);
    link().Ritardo(50);
    return LEGGI_GSM();
}

link::Status MessagingHandlers::Telefono_MouseDown(bool checkedAtPress)
{
    if (auto s = setGsmEnabled(link(), !checkedAtPress); !s)
        return s;
    m_form.Telefono->setChecked(!checkedAtPress);
    link().Ritardo(50);
    return m_clock.ReadSt();
}

link::Status MessagingHandlers::Leggi_Email()
{
    const auto exchange = m_session.guard().hold();
    auto state = readEmailEnabled(link());
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.EMAIL, *state);
    return {};
}

link::Status MessagingHandlers::EMAIL_MouseDown(bool checkedAtPress)
{
    auto state = setEmailEnabled(link(), !checkedAtPress);
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.EMAIL, *state);
    return {};
}

link::Status MessagingHandlers::LeggiGPRS()
{
    const auto exchange = m_session.guard().hold();
    auto read = readGprsSettings(link(), [this](int i, const QString& value) {
        ui::setBackColour(m_form.GPRS[i], ui::kConfirmed);
        m_form.GPRS[i]->setText(value);
    });
    return read ? link::Status() : link::Status(read.error());
}

link::Status MessagingHandlers::ScriviGPRS()
{
    QStringList values;
    for (QLineEdit* box : m_form.GPRS) {
        box->setText(box->text().trimmed());
        values << box->text();
    }
    auto written = writeGprsSettings(link(), values, [this](int i, bool accepted) {
        setCaption(accepted ? gprsSentCaption(i) : ui::kParameterRefused);
        // A setting the logger refused keeps its colour: only an accepted one is confirmed.
        if (accepted)
            ui::setBackColour(m_form.GPRS[i], ui::kConfirmed);
    });
    return written ? link::Status() : link::Status(written.error());
}

} // namespace stazione::alarms
