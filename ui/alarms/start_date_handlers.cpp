#include "ui/alarms/start_date_handlers.h"

#include "config/start_date.h"
#include "link/typed_values.h"
#include "session/session.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/dialogs.h"
#include "ui/form1.h"

#include <QLineEdit>
#include <QPushButton>

namespace stazione::alarms {

StartDateHandlers::StartDateHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                     QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
{
    wire();
    for (QLineEdit* box : form.data_allarme)
        ui::redOnEdit(box);
}

bool StartDateHandlers::timeBoxesValid(bool beep)
{
    if (config::timeIsValid(m_form.data_allarme[3]->text(), m_form.data_allarme[4]->text()))
        return true;
    m_dialogs.inform(&m_form, config::kCheckDataTitle, config::kCheckDataMessage,
                     ui::Dialogs::Icon::Information);
    if (beep)
        m_dialogs.beep();
    return false;
}

link::Status StartDateHandlers::LeggiDataAllarme()
{
    const auto exchange = m_session.guard().hold();
    auto date = config::readStartDate(link());
    if (!date)
        return date.error();
    config::showDate(m_form.data_allarme, *date);
    return {};
}

link::Status StartDateHandlers::ScriviDataAllarme()
{
    const auto exchange = m_session.guard().hold();
    config::DateFields boxes;
    for (int i = 0; i < 6; ++i)
        boxes[i] = m_form.data_allarme[i]->text();
    if (auto s = link::checkTyped(link::typedArray("data_allarme", boxes)); !s)
        return s;
    if (!timeBoxesValid(false))
        return link::Error::refusedAndTold(m_form.data_allarme[3]->objectName(),
                                           ui::shown(config::kCheckDataMessage));
    auto date = config::writeStartDate(link(), boxes);
    if (!date)
        return date.error();
    config::showDate(m_form.data_allarme, *date);
    return {};
}

link::Status StartDateHandlers::Subito()
{
    const auto exchange = m_session.guard().hold();
    if (!timeBoxesValid(true))
        return link::Error::refusedAndTold(m_form.data_allarme[3]->objectName(),
                                           ui::shown(config::kCheckDataMessage));
    auto date = config::startNow(link());
    if (!date)
        return date.error();
    config::showDate(m_form.data_allarme, *date);
    return {};
}

} // namespace stazione::alarms
