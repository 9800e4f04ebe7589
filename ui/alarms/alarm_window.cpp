#include "ui/alarms/alarm_window.h"

#include "alarms/analog_alarms.h"
#include "link/numbers.h"
#include "session/session.h"
#include "ui/allarmi_an.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/windows.h"

#include <QLineEdit>
#include <QPushButton>

namespace stazione::alarms {

AnalogAlarmsWindow::AnalogAlarmsWindow(session::Session& session, ui::Form1& form, ui::Allarmi_An& window,
                                       ui::Dialogs& dialogs, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_alarms(window)
{
    m_window = &window;
    connect(form.Leggi_Allarmi, &QPushButton::clicked, this, &AnalogAlarmsWindow::Leggi_Allarmi);
    connect(&window, &ui::Allarmi_An::closed, this, &AnalogAlarmsWindow::Form_Unload);
    for (int k = 0; k < 4; ++k) {
        onClick(window.Leggi_all[k], [this, k] { return Leggi_all(k); });
        onClick(window.ScriviAll[k], [this, k] { return ScriviAll(k); });
    }
    // The row buttons rest while any exchange runs.
    connect(&session.guard(), &session::ExchangeGuard::started, this, [this] { setButtonsEnabled(false); });
    connect(&session.guard(), &session::ExchangeGuard::finished, this, [this] { setButtonsEnabled(true); });
    onClick(window.MESSAGGIO_PERSONALE_LEGGI, [this] { return MESSAGGIO_PERSONALE_LEGGI(); });
    onClick(window.MESSAGGIO_PERSONALE_SCRIVI, [this] { return MESSAGGIO_PERSONALE_SCRIVI(); });
    for (int i = 0; i < kAlarmRows; ++i) {
        ui::redOnEdit(window.AllarmeAttivo[i]);
        ui::redOnEdit(window.CA[i]);
        ui::redOnEdit(window.CB[i]);
    }
    for (QLineEdit* line : window.SMS_PERSONALIZZATO)
        ui::redOnEdit(line);
}

void AnalogAlarmsWindow::Leggi_Allarmi()
{
    m_form.hide();
    m_alarms.setEnabled(true);
    ui::centreOnScreen(&m_alarms);
    m_alarms.show();
}

void AnalogAlarmsWindow::Form_Unload()
{
    link().cancel();
    m_alarms.hide();
    m_form.show();
}

int AnalogAlarmsWindow::rowsOf(int k) const
{
    return static_cast<int>(std::clamp<long long>(link::integerValue(m_form.MUX[k]->text()), 0, kAlarmRows));
}

void AnalogAlarmsWindow::setButtonsEnabled(bool enabled)
{
    for (int k = 0; k < 4; ++k) {
        m_alarms.Leggi_all[k]->setEnabled(enabled);
        m_alarms.ScriviAll[k]->setEnabled(enabled);
    }
}

link::Status AnalogAlarmsWindow::Leggi_all(int k)
{
    const auto exchange = m_session.guard().hold();
    // The rows past the channel count belong to channels that are off.
    for (QLineEdit* state : m_alarms.AllarmeAttivo) {
        state->setText(ui::shown(kNotActive));
        ui::clearBackColour(state);
    }
    auto rows = readAlarmRows(link(), rowsOf(k), [this](int i, const AlarmRow& row) {
        m_alarms.AllarmeAttivo[i]->setText(row.state);
        m_alarms.CA[i]->setText(row.upper);
        m_alarms.CB[i]->setText(row.lower);
        // Green means read: only the rows the logger answered for.
        for (QLineEdit* box : {m_alarms.CA[i], m_alarms.CB[i], m_alarms.AllarmeAttivo[i]})
            ui::setBackColour(box, ui::kConfirmed);
    });
    if (!rows)
        return rows.error();
    return {};
}

link::Status AnalogAlarmsWindow::ScriviAll(int k)
{
    const auto exchange = m_session.guard().hold();
    QList<AlarmRow> rows;
    for (int i = 0; i < rowsOf(k); ++i)
        rows.append({m_alarms.AllarmeAttivo[i]->text(), m_alarms.CA[i]->text(), m_alarms.CB[i]->text()});
    auto written = writeAlarmRows(link(), rows, [this](int i, int, bool accepted) {
        setCaption(&m_alarms, accepted ? alarmSentCaption(i) : ui::kParameterRefused);
    });
    if (!written)
        return written.error();
    link().Ritardo(10);
    return Leggi_all(k);
}

link::Status AnalogAlarmsWindow::MESSAGGIO_PERSONALE_LEGGI()
{
    auto lines = readPersonalText(link(), [this](int i, const QString& line) {
        m_alarms.SMS_PERSONALIZZATO[i]->setText(line);
        ui::setBackColour(m_alarms.SMS_PERSONALIZZATO[i], ui::kReadYellow);
    });
    return lines ? link::Status() : link::Status(lines.error());
}

link::Status AnalogAlarmsWindow::MESSAGGIO_PERSONALE_SCRIVI()
{
    QStringList lines;
    for (const QLineEdit* line : m_alarms.SMS_PERSONALIZZATO)
        lines << line->text();
    if (auto s = writePersonalText(link(), lines); !s)
        return s;
    return MESSAGGIO_PERSONALE_LEGGI();
}

} // namespace stazione::alarms
