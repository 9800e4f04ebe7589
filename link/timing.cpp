#include "link/timing.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdlib>

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
} // namespace

std::chrono::milliseconds pausesRequested()
{
    return std::chrono::milliseconds(g_paused.load());
}

void sleepKeepingPaint(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0)
        return;
    g_paused += duration.count();
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    timer.start(duration);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace stazione::link
