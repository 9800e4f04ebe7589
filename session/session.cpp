#include "session/session.h"

#include "link/exchange.h"
#include "link/numbers.h"

namespace stazione::session {

Session::Session(std::unique_ptr<link::CommPort> port)
    : m_port(std::move(port))
    , m_link(*m_port)
    , m_guard([this] { return m_link.inWait(); })
{
    // A cancel ends the operation it was given for, not the next one.
    QObject::connect(&m_progress, &Progress::ended, &m_link, &link::Link::clearAbort);
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
