#include "data/decimation.h"

#include <algorithm>
#include <cmath>

namespace stazione::data {

void Extent::add(const Extent& later)
{
    if (later.empty())
        return;
    if (empty()) {
        *this = later;
        return;
    }
    // Equal values keep the earlier row.
    if (later.min < min) {
        min = later.min;
        minAt = later.minAt;
    }
    if (later.max > max) {
        max = later.max;
        maxAt = later.maxAt;
    }
    last = later.last;
}

namespace {

template<typename T> Extent scan(const T* values, qint64 from, qint64 to)
{
    Extent e;
    qint64 r = from;
    while (r < to && std::isnan(values[r]))
        ++r;
    if (r == to)
        return e;
    e.first = e.last = e.minAt = e.maxAt = r;
    e.min = e.max = double(values[r]);
    for (++r; r < to; ++r) {
        const double v = double(values[r]);
        // NaN fails both comparisons.
        if (v < e.min) {
            e.min = v;
            e.minAt = r;
        } else if (v > e.max) {
            e.max = v;
            e.maxAt = r;
        }
        if (v == v)
            e.last = r;
    }
    return e;
}

} // namespace

Extent extentOf(const double* values, qint64 from, qint64 to)
{
    return scan(values, from, to);
}
Extent extentOf(const float* values, qint64 from, qint64 to)
{
    return scan(values, from, to);
}

template<typename T> void MinMaxIndex::grow(const T* values, qint64 rows)
{
    for (qint64 start = coveredRows(); start + kBlock <= rows; start += kBlock)
        m_blocks.push_back(scan(values, start, start + kBlock));
}

void MinMaxIndex::update(const double* values, qint64 rows)
{
    grow(values, rows);
}
void MinMaxIndex::update(const float* values, qint64 rows)
{
    grow(values, rows);
}

template<typename T> Extent MinMaxIndex::over(const T* values, qint64 from, qint64 to) const
{
    const qint64 firstBlock = (from + kBlock - 1) / kBlock;
    const qint64 endBlock = std::min(to / kBlock, qint64(m_blocks.size()));
    if (firstBlock >= endBlock)
        return scan(values, from, to);
    Extent e = scan(values, from, firstBlock * kBlock);
    for (qint64 b = firstBlock; b < endBlock; ++b)
        e.add(m_blocks[size_t(b)]);
    e.add(scan(values, endBlock * kBlock, to));
    return e;
}

Extent MinMaxIndex::extent(const double* values, qint64 from, qint64 to) const
{
    return over(values, from, to);
}
Extent MinMaxIndex::extent(const float* values, qint64 from, qint64 to) const
{
    return over(values, from, to);
}

namespace {

template<typename T>
std::vector<TracePoint> thin(const T* values, qint64 rows, const MinMaxIndex* index,
                             const std::vector<qint64>& bounds)
{
    std::vector<TracePoint> points;
    if (bounds.size() < 2)
        return points;
    points.reserve(bounds.size() * 2 + 4);
    const qint64 from = std::clamp<qint64>(bounds.front(), 0, rows);
    const qint64 to = std::clamp<qint64>(bounds.back(), 0, rows);
    // Columns of many blocks start and end on block edges: then each costs one step per block and
    // no row at all, and a column moves by less than a quarter of its width.
    std::vector<qint64> snapped;
    if (index && (to - from) >= 4 * MinMaxIndex::kBlock * qint64(bounds.size() - 1)) {
        snapped = bounds;
        for (size_t k = 1; k + 1 < snapped.size(); ++k)
            snapped[k] = (snapped[k] + MinMaxIndex::kBlock / 2) / MinMaxIndex::kBlock * MinMaxIndex::kBlock;
    }
    const std::vector<qint64>& columns = snapped.empty() ? bounds : snapped;
    qint64 lastValue = -1; // the last row with a value that the line has reached
    bool broken = false;   // a break is due before the next point
    auto emit = [&](qint64 row) {
        if (broken && !points.empty() && !points.back().isBreak())
            points.push_back({-1, 0});
        broken = false;
        points.push_back({row, double(values[row])});
    };
    if (from > 0 && from < rows && !std::isnan(values[from - 1])) {
        emit(from - 1);
        lastValue = from - 1;
    }
    for (size_t k = 0; k + 1 < columns.size(); ++k) {
        const qint64 a = std::clamp<qint64>(columns[k], 0, rows);
        const qint64 b = std::clamp<qint64>(columns[k + 1], 0, rows);
        if (a >= b)
            continue;
        const Extent e = index ? index->extent(values, a, b) : scan(values, a, b);
        if (e.empty()) {
            broken = true;
            continue;
        }
        if (lastValue >= 0 && lastValue + 1 < e.first)
            broken = true;
        const qint64 firstAt = std::min(e.minAt, e.maxAt);
        const qint64 secondAt = std::max(e.minAt, e.maxAt);
        emit(firstAt);
        if (secondAt != firstAt)
            emit(secondAt);
        lastValue = e.last;
    }
    if (to < rows && to > from && !std::isnan(values[to]) && lastValue == to - 1)
        emit(to);
    return points;
}

} // namespace

std::vector<TracePoint> decimate(const double* values, qint64 rows, const MinMaxIndex* index,
                                 const std::vector<qint64>& bounds)
{
    return thin(values, rows, index, bounds);
}

std::vector<TracePoint> decimate(const float* values, qint64 rows, const MinMaxIndex* index,
                                 const std::vector<qint64>& bounds)
{
    return thin(values, rows, index, bounds);
}

std::vector<qint64> rowBounds(qint64 from, qint64 to, int columns)
{
    std::vector<qint64> bounds;
    if (to <= from || columns <= 0)
        return bounds;
    const qint64 n = std::min<qint64>(columns, to - from);
    bounds.reserve(size_t(n) + 1);
    for (qint64 k = 0; k <= n; ++k)
        bounds.push_back(from + (to - from) * k / n);
    return bounds;
}

std::vector<qint64> timeBounds(const std::vector<qint64>& times, double from, double to, int columns)
{
    std::vector<qint64> bounds;
    if (!(to > from) || columns <= 0)
        return bounds;
    bounds.reserve(size_t(columns) + 1);
    auto at = [&times](double t) {
        return qint64(std::lower_bound(times.begin(), times.end(), t,
                                       [](qint64 time, double limit) { return double(time) < limit; }) -
                      times.begin());
    };
    for (int k = 0; k < columns; ++k)
        bounds.push_back(at(from + (to - from) * k / columns));
    // The last column includes its right edge.
    bounds.push_back(qint64(std::upper_bound(times.begin(), times.end(), to,
                                             [](double limit, qint64 time) { return limit < double(time); }) -
                            times.begin()));
    return bounds;
}

} // namespace stazione::data
