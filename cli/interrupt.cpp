#include "cli/interrupt.h"

#include "db/database.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace stazione::cli {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const char byte = char(number);
    // Only a write: nothing else is safe inside a signal handler.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    // A database call blocked in the kernel hears no event loop: its socket is shut down here.
    db::cutLimitedCalls();
}

} // namespace

Interrupt::Interrupt(QObject* parent, Repeat repeat)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this, repeat] { take(repeat); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    m_repeat = repeat;
}

void Interrupt::check()
{
    if (g_pipe[0] >= 0)
        take(m_repeat);
}

void Interrupt::take(Repeat repeat)
{
    char buffer[16];
    int first = 0;
    bool any = false;
    ssize_t n = 0;
    while ((n = ::read(g_pipe[0], buffer, sizeof buffer)) > 0) {
        if (!any)
            first = static_cast<unsigned char>(buffer[0]);
        any = true;
    }
    if (!any)
        return;
    if (m_requested) {
        // A second Ctrl-C ends the program at once.
        if (repeat == Repeat::EndsAtOnce)
            std::_Exit(128 + m_signal);
        return;
    }
    m_requested = true;
    m_signal = first != 0 ? first : SIGINT;
    emit triggered();
}

QString Interrupt::signalName() const
{
    switch (m_signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    default:
        return QStringLiteral("signal %1").arg(m_signal);
    }
}

Interrupt::~Interrupt()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

} // namespace stazione::cli
