#include "ui/config/clock_schedule_handlers.h"

#include "config/clock_schedule.h"
#include "config/start_date.h"
#include "link/models.h"
#include "link/typed_values.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::config {

void showDate(const std::array<QLineEdit*, 6>& boxes, const DateFields& fields)
{
    for (int i = 0; i < 6; ++i) {
        boxes[i]->setText(fields[i]);
        ui::setBackColour(boxes[i], ui::kConfirmed);
    }
}

ClockScheduleHandlers::ClockScheduleHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                             const QCheckBox& gsmStation, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_gsmStation(gsmStation)
{
    wire();
    connect(form.dataPC, &QPushButton::clicked, this, &ClockScheduleHandlers::dataPC);
    for (QLineEdit* box : form.data)
        ui::redOnEdit(box);
    for (QLineEdit* box : form.conversione) {
        ui::redOnEdit(box);
        ui::trimOnChange(box);
    }
}

link::Status ClockScheduleHandlers::leggidata()
{
    const auto exchange = m_session.guard().hold();
    auto clock = readClock(link());
    if (!clock)
        return clock.error();
    showDate(m_form.data, *clock);
    return {};
}

link::Status ClockScheduleHandlers::impostadata()
{
    const auto exchange = m_session.guard().hold();
    DateFields boxes;
    for (int i = 0; i < 6; ++i)
        boxes[i] = m_form.data[i]->text();
    // What the line cannot carry is named before any range is checked.
    if (auto s = link::checkTyped(link::typedArray("data", boxes)); !s)
        return s;
    if (!timeIsValid(m_form.data[3]->text(), m_form.data[4]->text())) {
        m_dialogs.inform(&m_form, kCheckDataTitle, kCheckDataMessage, ui::Dialogs::Icon::Information);
        m_dialogs.beep();
        return link::Error::refusedAndTold(m_form.data[3]->objectName(), ui::shown(kCheckDataMessage));
    }
    auto written = writeClock(link(), boxes);
    if (!written)
        return written.error();
    setCaption(written->accepted ? ui::kParameterSent : ui::kParameterRefused);
    if (written->clock)
        showDate(m_form.data, *written->clock);
    if (written->startDate)
        showDate(m_form.data_allarme, *written->startDate);
    // The vibrating-wire logger moves its start date with the clock: show it, whatever the reply.
    if (m_session.record.Modello == link::kModelVibratingWire) {
        auto start = config::readStartDate(link());
        if (!start)
            return start.error();
        showDate(m_form.data_allarme, *start);
    }
    return {};
}

void ClockScheduleHandlers::dataPC()
{
    const DateFields now = dateFieldsOf(QDateTime::currentDateTime());
    for (int i = 0; i < 6; ++i) {
        m_form.data[i]->setText(now[i]);
        ui::setBackColour(m_form.data[i], ui::kEdited); // not on the logger until written
    }
}

link::Status ClockScheduleHandlers::leggiprox()
{
    auto next = readNextAcquisition(link());
    if (!next)
        return next.error();
    for (int i = 0; i < 5; ++i) {
        if (!next->complete && i >= 2)
            break;
        m_form.Prox[i]->setText(next->fields[i]);
    }
    return {};
}

link::Status ClockScheduleHandlers::Command2()
{
    const auto exchange = m_session.guard().hold();
    for (int i = 0; i < 3; ++i) {
        auto part = readIntervalPart(link(), i);
        if (!part)
            return part.error();
        m_form.conversione[i]->setText(*part);
        ui::setBackColour(m_form.conversione[i], ui::kConfirmed);
        link().Ritardo(10);
    }
    return {};
}

link::Status ClockScheduleHandlers::Command1()
{
    const auto exchange = m_session.guard().hold();
    std::array<QString, 3> boxes;
    for (int i = 0; i < 3; ++i)
        boxes[i] = m_form.conversione[i]->text();
    if (auto s = link::checkTyped(link::typedArray("conversione", boxes)); !s)
        return s;
    const IntervalCheck check = checkInterval(boxes, m_gsmStation.isChecked());
    for (int i = 0; i < 3; ++i)
        m_form.conversione[i]->setText(check.boxes[i]);
    if (!check.ok) {
        m_dialogs.inform(&m_form, kCheckDataTitle, kIntervalMessage, ui::Dialogs::Icon::Information);
        m_dialogs.beep();
        return link::Error::refusedAndTold(m_form.conversione[0]->objectName(), ui::shown(kIntervalMessage));
    }
    auto written = writeInterval(link(), check.boxes, [this](int i, bool accepted) {
        setCaption(accepted ? ui::kParameterSent : ui::kParameterRefused);
        if (accepted)
            ui::setBackColour(m_form.conversione[i], ui::kConfirmed);
    });
    return written ? link::Status() : link::Status(written.error());
}

link::Status ClockScheduleHandlers::data_logging_MouseDown(bool checkedAtPress)
{
    auto state = setAcquisitionEnabled(link(), !checkedAtPress);
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.data_logging, *state);
    return {};
}

link::Status ClockScheduleHandlers::ReadSt()
{
    const auto exchange = m_session.guard().hold();
    auto state = readAcquisitionEnabled(link());
    if (!state)
        return state.error();
    ui::setCheckValue(m_form.data_logging, *state);
    return {};
}

link::Status ClockScheduleHandlers::stopacq()
{
    return stopAcquisition(link());
}

link::Status ClockScheduleHandlers::Aggiorna_acq()
{
    const auto exchange = m_session.guard().hold();
    auto state = readMemoryState(link());
    if (!state)
        return state.error();
    if (!*state) {
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), kNoChannelMessage,
                         ui::Dialogs::Icon::Information);
        return {};
    }
    m_form.Acq_possibili->setText((*state)->possible);
    m_form.acq_disponibili->setText((*state)->available);
    return {};
}

} // namespace stazione::config
