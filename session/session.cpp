#include "session/session.h"

#include "link/exchange.h"
#include "link/numbers.h"

#include <QCoreApplication>

namespace stazione::session {

Session::Session(std::unique_ptr<link::CommPort> port)
    : m_port(std::move(port))
    , m_link(*m_port)
    , m_guard([this] { return m_link.inWait(); })
{
    // A cancel ends the operation it was given for, not the next one.
    QObject::connect(&m_progress, &Progress::ended, &m_link, &link::Link::clearAbort);

    // The wait for the end of a stream given up earlier is no silent grey window: the strip shows
    // it with its countdown and "Annulla", the pane says why the command waits.
    QObject::connect(&m_link, &link::Link::drainStarted, &m_progress, [this] {
        m_activity.add(drainWaitText(), Activity::Outcome::Cancelled);
        m_progress.begin(drainWaitText(), 0, [this] { m_link.cancel(); });
    });
    QObject::connect(&m_link, &link::Link::drainTick, &m_progress, [this](qint64 left) {
        m_progress.step(
            0, drainWaitText() + QLatin1Char(' ') +
                   QCoreApplication::translate("stazione::session::Session", "(ancora al massimo %1 s)")
                       .arg(left));
    });
    QObject::connect(&m_link, &link::Link::drainEnded, &m_progress, [this] { m_progress.end(); });
}

QString drainWaitText()
{
    return QCoreApplication::translate("stazione::session::Session",
                                       "Il datalogger sta ancora inviando i dati di uno scambio "
                                       "interrotto: il comando attende che finisca");
}

Session::~Session()
{
    m_port->cancelWaits();
    m_link.Porta_Off();
}

link::Status readFsValues(link::Link& link, DeviceRecord& record)
{
    auto fields = link::request(link, link::cmd::readFsValues(), 6);
    if (!fields)
        return fields.error();
    for (int i = 0; i < 6; ++i) {
        const double value = link::numericValue(fields->at(i));
        record.fs[i] = i < 2 ? double(link::integerValue(fields->at(i))) : value / 1000000.0;
    }
    record.fsRead = true;
    return {};
}

} // namespace stazione::session
