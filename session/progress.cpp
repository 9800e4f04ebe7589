#include "session/progress.h"

namespace stazione::session {

void Progress::begin(const QString& text, qint64 maximum, std::function<void()> cancel)
{
    ++m_depth;
    m_levels.append({text, maximum, std::move(cancel)});
    m_text = text;
    m_value = 0;
    m_maximum = maximum;
    emit changed();
}

void Progress::step(qint64 value, const QString& text)
{
    m_value = value;
    if (!text.isEmpty())
        m_text = text;
    emit changed();
}

void Progress::end()
{
    if (m_depth == 0)
        return;
    --m_depth;
    m_levels.removeLast();
    if (m_depth == 0) {
        m_text.clear();
        m_value = 0;
        m_maximum = 0;
        emit ended();
        return;
    }
    // Back to the enclosing operation's text; its count moves on at its next step.
    m_text = m_levels.last().text;
    m_maximum = m_levels.last().maximum;
    m_value = 0;
    emit changed();
}

void Progress::cancel()
{
    // The innermost operation knows how it is stopped; an enclosing one stops with it.
    if (!m_levels.isEmpty() && m_levels.last().cancel)
        m_levels.last().cancel();
}

} // namespace stazione::session
