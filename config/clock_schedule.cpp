#include "config/clock_schedule.h"

#include "config/start_date.h"
#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

namespace stazione::config {

link::Result<DateFields> readClock(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    auto fields = link::request(link, link::cmd::readClock(), 6);
    if (!fields)
        return fields.error();
    return dateFieldsForDisplay(*fields);
}

std::optional<qint64> clockDrift(const DateFields& f, const QDateTime& pcTime)
{
    const QDate date(f[2].toInt(), f[1].toInt(), f[0].toInt());
    const QTime time(f[3].toInt(), f[4].toInt(), f[5].toInt());
    if (!date.isValid() || !time.isValid() || !pcTime.isValid())
        return std::nullopt;
    // Both as readings of a clock without a zone: UTC has no hour that repeats or is skipped.
    const QDateTime local = pcTime.toLocalTime();
    const QDateTime pcWall(local.date(), local.time(), Qt::UTC);
    return pcWall.secsTo(QDateTime(date, time, Qt::UTC));
}

link::Result<ClockWrite> writeClock(link::Link& link, const DateFields& b)
{
    if (auto s = link::checkTyped(link::typedArray("data", b)); !s)
        return s.error();
    const auto command = link::cmd::writeClock(b[0], b[1], link::integerValue(b[2]), b[3], b[4], b[5]);
    auto accepted = link::write(link, command);
    if (!accepted)
        return accepted.error();
    ClockWrite result;
    result.accepted = *accepted;
    if (!result.accepted)
        return result;
    link.Ritardo(100);
    auto clock = readClock(link);
    if (!clock)
        return clock.error();
    result.clock = *clock;
    link.Ritardo(100);
    auto start = config::readStartDate(link);
    if (!start)
        return start.error();
    result.startDate = *start;
    return result;
}

NextAcquisition nextAcquisitionFromReply(const QString& reply)
{
    NextAcquisition next;
    const auto f = link::cmd::nextAcquisitionFields(reply);
    next.fields[0] = f[0];
    next.fields[1] = f[1];
    bool isNumber = false;
    const int year = f[2].trimmed().toInt(&isNumber);
    if (!isNumber)
        return next;
    next.fields[2] = QString::number(year + 2000);
    next.fields[3] = f[3];
    next.fields[4] = f[4];
    next.complete = true;
    return next;
}

link::Result<NextAcquisition> readNextAcquisition(link::Link& link)
{
    auto reply =
        link.Invia_Attendi(link::cmd::readNextAcquisition().wire(), link::cmd::kNextAcquisitionLength);
    if (!reply)
        return reply.error();
    return nextAcquisitionFromReply(*reply);
}

link::Result<QString> readIntervalPart(link::Link& link, int index)
{
    return link::requestField(link, link::cmd::readIntervalPart(index));
}

IntervalCheck checkInterval(const std::array<QString, 3>& boxes, bool gsmStation)
{
    IntervalCheck check;
    check.boxes = boxes;
    const int limits[3] = {23, 59, 59};
    for (int i = 0; i < 3; ++i) {
        const double v = link::numericValue(boxes[i]);
        if (v < 0 || v > limits[i])
            return check;
    }
    for (int i = 0; i < 3; ++i)
        check.boxes[i] = link::formatNumber(boxes[i], link::pattern::kThreeDigits);
    long long seconds = 0;
    const int weights[3] = {3600, 60, 1};
    for (int i = 0; i < 3; ++i) {
        // A part that is not a number cannot make an interval.
        if (!link::isNumber(check.boxes[i]))
            return check;
        seconds += link::integerValue(check.boxes[i]) * weights[i];
    }
    const int minimum = gsmStation ? kMinimumGsmIntervalSeconds : kMinimumIntervalSeconds;
    check.ok = seconds >= minimum;
    return check;
}

link::Result<std::array<bool, 3>> writeInterval(link::Link& link, const std::array<QString, 3>& padded,
                                                const std::function<void(int, bool)>& progress)
{
    if (auto s = link::checkTyped(link::typedArray("conversione", padded)); !s)
        return s.error();
    std::array<bool, 3> accepted{};
    for (int i = 0; i < 3; ++i) {
        auto ok = link::write(link, link::cmd::writeIntervalPart(i, padded[i]));
        if (!ok)
            return ok.error();
        accepted[i] = *ok;
        if (progress)
            progress(i, *ok);
        if (*ok)
            link.Ritardo(10);
    }
    return accepted;
}

link::Result<long long> readAcquisitionEnabled(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    auto state = link::requestField(link, link::cmd::readAcquisitionEnabled());
    if (!state)
        return state.error();
    return link::integerValue(*state);
}

link::Result<long long> setAcquisitionEnabled(link::Link& link, bool enabled)
{
    if (auto s = link::send(link, link::cmd::setAcquisitionEnabled(enabled), 50); !s)
        return s.error();
    link.Ritardo(100);
    return readAcquisitionEnabled(link);
}

link::Status stopAcquisition(link::Link& link)
{
    return link::send(link, link::cmd::stopAcquisition());
}

link::Result<std::optional<MemoryState>> readMemoryState(link::Link& link)
{
    auto channels = link::requestField(link, link::cmd::readChannelCount());
    if (!channels)
        return channels.error();
    if (link::numericValue(*channels) == 0)
        return std::optional<MemoryState>();
    link.Ritardo(50);
    auto fields = link::request(link, link::cmd::readMemoryState(), 2);
    if (!fields)
        return fields.error();
    return std::optional<MemoryState>(MemoryState{fields->at(0), fields->at(1)});
}

} // namespace stazione::config
