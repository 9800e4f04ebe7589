#pragma once

#include <QObject>

#include <functional>
#include <optional>

namespace stazione::session {

// One exchange with the logger at a time. An exchange waits for the logger inside a local event
// loop, so the windows stay alive while it waits: a click, a timer or another window could start
// a second exchange on the same line in the middle of the first, and the two would mix their
// replies (lost download lines, values shown in the wrong boxes). Every control, timer and verb
// that talks to the logger goes through the session's one guard.
//
// The guard is counted: a handler that calls other handlers (the reset reads everything again)
// holds it once per level, and the exchange ends when the outermost level lets go. `started`
// and `finished` are emitted once per exchange, whatever the nesting.
class ExchangeGuard : public QObject {
    Q_OBJECT

public:
    // `inWait` tells whether the running exchange is sitting in a wait or a pause right now,
    // i.e. whether the event loop is running underneath it.
    explicit ExchangeGuard(std::function<bool()> inWait, QObject* parent = nullptr);

    // One level of an exchange; lets go when destroyed.
    class Hold {
    public:
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        friend class ExchangeGuard;
        explicit Hold(ExchangeGuard* guard)
            : m_guard(guard)
        {}
        ExchangeGuard* m_guard = nullptr;
    };

    // For a control, a timer or a verb that would start an exchange. Nothing while another
    // exchange waits for the logger: the request came out of that wait (a click, a timer tick)
    // and is refused, with a beep where an operator asked. A request that the running exchange
    // makes itself, outside any wait (a read that sets a box whose change writes it), joins it.
    [[nodiscard]] std::optional<Hold> begin();
    // One more level of the exchange that runs, or the start of one: for the handlers' own
    // bodies, which other handlers call.
    [[nodiscard]] Hold hold();

    bool busy() const { return m_levels > 0; }

signals:
    // The first level was taken: the controls that talk to the logger go off.
    void started();
    // The last level let go: the exchange is over (reported once).
    void finished();

private:
    void release();

    std::function<bool()> m_inWait;
    int m_levels = 0;
};

} // namespace stazione::session
