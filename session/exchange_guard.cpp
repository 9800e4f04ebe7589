#include "session/exchange_guard.h"

#include <utility>

namespace stazione::session {

ExchangeGuard::ExchangeGuard(std::function<bool()> inWait, QObject* parent)
    : QObject(parent)
    , m_inWait(std::move(inWait))
{}

ExchangeGuard::Hold::Hold(Hold&& other) noexcept
    : m_guard(std::exchange(other.m_guard, nullptr))
{}

ExchangeGuard::Hold& ExchangeGuard::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        if (m_guard)
            m_guard->release();
        m_guard = std::exchange(other.m_guard, nullptr);
    }
    return *this;
}

ExchangeGuard::Hold::~Hold()
{
    if (m_guard)
        m_guard->release();
}

std::optional<ExchangeGuard::Hold> ExchangeGuard::begin()
{
    if (busy() && m_inWait && m_inWait())
        return std::nullopt;
    return hold();
}

ExchangeGuard::Hold ExchangeGuard::hold()
{
    if (m_levels++ == 0)
        emit started();
    return Hold(this);
}

void ExchangeGuard::release()
{
    if (m_levels > 0 && --m_levels == 0)
        emit finished();
}

} // namespace stazione::session
