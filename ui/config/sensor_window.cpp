#include "ui/config/sensor_window.h"

#include "config/sensor_properties.h"
#include "link/numbers.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/sensori_an.h"
#include "ui/windows.h"

#include <QLineEdit>
#include <QPushButton>

namespace stazione::config {

namespace {

std::array<QLineEdit*, kProperties> rowOf(ui::Sensori_An& w, int i)
{
    return {w.NomeCanali[i], w.CA[i], w.CB[i], w.CC[i], w.CD[i]};
}

} // namespace

SensorPropertiesWindow::SensorPropertiesWindow(session::Session& session, ui::Form1& form,
                                               ui::Sensori_An& window, ui::Dialogs& dialogs, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_sensors(window)
{
    m_window = &window;
    connect(form.Leggi_poprietà, &QPushButton::clicked, this, &SensorPropertiesWindow::Leggi_poprietà);
    connect(&window, &ui::Sensori_An::closed, this, &SensorPropertiesWindow::Form_Unload);
    onClick(window.Leggi_prop, [this] { return Leggi_prop(); });
    onClick(window.ScriviProp, [this] { return ScriviProp(); });
    // Both buttons rest while any exchange runs: a second read or a write would mix in.
    connect(&session.guard(), &session::ExchangeGuard::started, this, [this] { setButtonsEnabled(false); });
    connect(&session.guard(), &session::ExchangeGuard::finished, this, [this] { setButtonsEnabled(true); });
    for (int i = 0; i < 16; ++i) {
        for (QLineEdit* box : rowOf(window, i))
            ui::redOnEdit(box);
    }
}

void SensorPropertiesWindow::Leggi_poprietà()
{
    m_form.hide();
    m_sensors.resetBoxes();
    m_sensors.setEnabled(true);
    ui::centreOnScreen(&m_sensors);
    m_sensors.show();
}

void SensorPropertiesWindow::Form_Unload()
{
    // An exchange still waiting belongs to this window: it ends with the window.
    link().cancel();
    m_sensors.hide();
    m_sensors.resetBoxes();
    m_form.show();
}

void SensorPropertiesWindow::setButtonsEnabled(bool enabled)
{
    m_sensors.Leggi_prop->setEnabled(enabled);
    m_sensors.ScriviProp->setEnabled(enabled);
}

std::optional<int> SensorPropertiesWindow::activeChannels()
{
    const QString count = m_form.MUX[0]->text();
    if (!link::isNumber(count)) {
        m_dialogs.inform(&m_sensors, QStringLiteral("Attenzione"), kChannelCountUnknown,
                         ui::Dialogs::Icon::Information);
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<long long>(link::integerValue(count), 0, 16));
}

link::Status SensorPropertiesWindow::Leggi_prop()
{
    const auto n = activeChannels();
    if (!n)
        return {};
    const auto exchange = m_session.guard().hold();
    auto rows =
        readProperties(link(), m_session.record.Modello, *n, [this](int i, const ChannelProperties& row) {
            const auto boxes = rowOf(m_sensors, i);
            for (int k = 0; k < kProperties; ++k)
                boxes[k]->setText(row[k]);
        });
    if (!rows)
        return rows.error();
    // Rows past the active channels were not read: they say nothing and take nothing.
    for (int i = 0; i < 16; ++i) {
        for (QLineEdit* box : rowOf(m_sensors, i)) {
            if (i < *n) {
                box->setEnabled(true);
                ui::setBackColour(box, ui::kConfirmed);
            } else {
                box->clear();
                ui::clearBackColour(box);
                box->setEnabled(false);
            }
        }
    }
    return {};
}

link::Status SensorPropertiesWindow::ScriviProp()
{
    const auto n = activeChannels();
    if (!n)
        return {};
    const int stride = propertyStride(m_session.record.Modello);
    if (propertySlotsCollide(*n, stride)) {
        m_dialogs.inform(&m_sensors, QStringLiteral("Attenzione"), slotCollisionMessage(*n, stride),
                         ui::Dialogs::Icon::Warning);
        return {};
    }
    const auto exchange = m_session.guard().hold();
    QList<ChannelProperties> rows;
    for (int i = 0; i < *n; ++i) {
        ChannelProperties row;
        const auto boxes = rowOf(m_sensors, i);
        for (int k = 0; k < kProperties; ++k)
            row[k] = boxes[k]->text();
        rows.append(row);
    }
    auto written = writeProperties(link(), m_session.record.Modello, rows, [this](int i, int, bool accepted) {
        setCaption(accepted ? propertySentCaption(i) : ui::kParameterRefused);
    });
    if (!written)
        return written.error();
    link().Ritardo(10);
    return Leggi_prop();
}

} // namespace stazione::config
