#include "link/timing.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace stazione::link {

namespace {

double readScaleFromEnvironment()
{
    const char* text = std::getenv("STAZIONE_TIME_SCALE");
    if (!text || !*text)
        return 1.0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !(value > 0.0) || !std::isfinite(value))
        return 1.0;
    return value;
}

double& scaleStorage()
{
    static double factor = readScaleFromEnvironment();
    return factor;
}

} // namespace

double timeScale()
{
    return scaleStorage();
}

void setTimeScale(double factor)
{
    if (factor > 0.0 && std::isfinite(factor))
        scaleStorage() = factor;
}

std::chrono::milliseconds scaled(std::chrono::milliseconds real)
{
    if (real.count() <= 0)
        return std::chrono::milliseconds(0);
    // Never round a non-zero pause down to nothing: the inter-character pause must stay a pause.
    const double ms = std::ceil(double(real.count()) * timeScale());
    return std::chrono::milliseconds(std::max<long long>(1, static_cast<long long>(ms)));
}

namespace {

std::atomic<long long> g_paused{0};

std::vector<QEventLoop*>& pauses()
{
    static std::vector<QEventLoop*> running;
    return running;
}

bool& aborted()
{
    static bool flag = false;
    return flag;
}

constexpr const char* kCancelProperty = "stazioneAnnulla";

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Holds user input back while a pause runs, except for the controls that cancel, and hands it
// over when the pause is over: what the operator typed or clicked meanwhile is not lost. A click
// on a control that talks to the logger then meets the exchange guard, as any click does.
class PauseInputGate final : public QObject {
public:
    ~PauseInputGate() override
    {
        for (auto& [receiver, event] : m_held) {
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
        }
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (!isUserInput(event->type()))
            return false;
        // The window system hands input to a window first, which passes it to the widget under
        // the mouse or in focus: the decision is taken at the widget.
        if (receiver->isWindowType())
            return false;
        for (QObject* o = receiver; o != nullptr; o = o->parent()) {
            if (o->property(kCancelProperty).toBool())
                return false;
        }
        // A shortcut is looked up when its key arrives; afterwards the key alone goes to the box.
        if (event->type() != QEvent::Shortcut && event->type() != QEvent::ShortcutOverride)
            m_held.emplace_back(QPointer<QObject>(receiver), std::unique_ptr<QEvent>(event->clone()));
        return true;
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

} // namespace

std::chrono::milliseconds pausesRequested()
{
    return std::chrono::milliseconds(g_paused.load());
}

bool sleepKeepingPaint(std::chrono::milliseconds duration)
{
    if (aborted())
        return false;
    if (duration.count() <= 0)
        return true;
    g_paused += duration.count();
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    timer.start(duration);
    PauseInputGate gate;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(&gate);
    pauses().push_back(&loop);
    const int rc = loop.exec();
    pauses().erase(std::remove(pauses().begin(), pauses().end(), &loop), pauses().end());
    return rc == 1;
}

void abortPauses()
{
    aborted() = true;
    for (QEventLoop* loop : pauses())
        loop->exit(2);
}

void clearAbortedPauses()
{
    aborted() = false;
}

bool pausesAborted()
{
    return aborted();
}

bool pausing()
{
    return !pauses().empty();
}

void markAsCancel(QObject* control)
{
    control->setProperty(kCancelProperty, true);
}

} // namespace stazione::link
