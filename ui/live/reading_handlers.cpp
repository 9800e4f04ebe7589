#include "ui/live/reading_handlers.h"

#include "config/channels.h"
#include "config/clock_schedule.h"
#include "link/exchange.h"
#include "link/numbers.h"
#include "link/timing.h"
#include "live/continuous_reading.h"
#include "session/session.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/locking.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace stazione::live {

using namespace std::chrono_literals;

ContinuousReadingHandlers::ContinuousReadingHandlers(session::Session& session, ui::Form1& form,
                                                     ui::Dialogs& dialogs, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_grace(new QTimer(this))
{
    m_grace->setSingleShot(true);
    connect(m_grace, &QTimer::timeout, this, [this] { link().cancel(); });
    wire();
    // The stop must get through while the reading waits for the logger.
    connect(form.constop, &QPushButton::clicked, this, [this] { report(constop()); });
}

link::Status ContinuousReadingHandlers::MISCONTINUA(int g)
{
    const int channels = static_cast<int>(
        std::clamp<long long>(link::integerValue(m_form.MUX[g]->text()), 0, config::kMaxChannels));
    const int perGroup = readingsPerGroup(m_session.record.Modello, channels);
    // With no channel there is no reading to wait for: the loop would never give the window a turn.
    if (perGroup <= 0) {
        m_dialogs.beep();
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), config::kNoChannelMessage,
                         ui::Dialogs::Icon::Information);
        return link::Error::refusedAndTold(m_form.MUX[g]->objectName(), ui::shown(config::kNoChannelMessage));
    }
    const auto exchange = m_session.guard().hold();
    if (auto s = link().Svuota_Buffer(); !s)
        return s;
    for (int i = 0; i < 16; ++i) {
        if (i >= int(m_form.LABCANALI.size()))
            continue; // indices without a box are passed over
        m_form.LABCANALI[i]->setText(QStringLiteral("CH") + QString::number(g * 16 + i));
        m_form.continua[i]->setText(QStringLiteral("N.R."));
    }
    m_session.Stop_Continua = 0;
    m_reading = true;
    link::Status outcome = runContinuousReading(
        link(), perGroup,
        [this](const Reading& r) {
            // A reading for a channel without a box changes nothing on the screen.
            if (r.index < 0 || r.index >= int(m_form.LABCANALI.size()))
                return;
            m_form.LABCANALI[r.index]->setText(r.label);
            if (r.isNumber)
                m_form.continua[r.index]->setText(r.value);
        },
        [this] { return m_session.Stop_Continua == 1; });
    m_reading = false;
    m_grace->stop();
    return outcome;
}

link::Status ContinuousReadingHandlers::constop()
{
    link::Status sent;
    if (m_reading) {
        // The reading is in the middle of a group: the stop goes out without dropping what came.
        sent = stopContinuousReading(link());
        m_grace->start(link::scaled(2000ms));
    } else if (const auto exchange = m_session.guard().begin()) {
        // A stop: it goes out at once, even into what a cut stream still sends.
        sent = link::sendKeepingInput(link(), link::cmd::stopAcquisition());
    } else {
        // Another exchange waits for the logger: a "B" now would land in the middle of it.
        m_dialogs.beep();
    }
    m_session.Stop_Continua = 1;
    // The controls come back when the exchange that runs ends, not before.
    if (!m_session.guard().busy())
        ui::Accendi_Tasti(m_form);
    return sent;
}

} // namespace stazione::live
