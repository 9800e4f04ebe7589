#pragma once

#include <QtGlobal>

#include <vector>

// Thinning a long column of values for a chart: whatever the number of rows, a line gets at most
// two points per pixel column, the lowest and the highest value of the rows that fall in it, so a
// spike of a single row in a million still shows. A gap (NaN) stays a break in the line.
namespace stazione::data {

// Where the values of a run of rows lie: the lowest and highest value and their rows, the first
// and last row that has a value (-1: none).
struct Extent {
    double min = 0;
    double max = 0;
    qint64 minAt = -1;
    qint64 maxAt = -1;
    qint64 first = -1;
    qint64 last = -1;

    bool empty() const { return first < 0; }
    void add(const Extent& later);
};

// The rows from..to-1 of a column; float columns are for long sessions, where half the memory
// matters more than digits no chart can show.
Extent extentOf(const double* values, qint64 from, qint64 to);
Extent extentOf(const float* values, qint64 from, qint64 to);

// The extent of every complete block of kBlock rows of a column that only grows, so that a run of
// rows costs its two ragged ends plus one step per block, not one per row.
class MinMaxIndex {
public:
    static constexpr qint64 kBlock = 64;

    // Summarises the complete blocks among the first `rows` values not summarised yet.
    void update(const double* values, qint64 rows);
    void update(const float* values, qint64 rows);
    void clear() { m_blocks.clear(); }
    qint64 coveredRows() const { return qint64(m_blocks.size()) * kBlock; }

    Extent extent(const double* values, qint64 from, qint64 to) const;
    Extent extent(const float* values, qint64 from, qint64 to) const;

private:
    template<typename T> void grow(const T* values, qint64 rows);
    template<typename T> Extent over(const T* values, qint64 from, qint64 to) const;

    std::vector<Extent> m_blocks;
};

// A point of a thinned line: a row and its value. A row of -1 breaks the line.
struct TracePoint {
    qint64 row;
    double value;

    bool isBreak() const { return row < 0; }
};

// Rows bounds[k] .. bounds[k + 1] - 1 make pixel column k. Each column with values gives its
// lowest and highest value in row order (one point when they are the same row); a gap between the
// last value of one column and the first of the next breaks the line, and so does a column without
// values. The rows just outside the span join the line to the edges when they have values.
// `index` may be null.
std::vector<TracePoint> decimate(const double* values, qint64 rows, const MinMaxIndex* index,
                                 const std::vector<qint64>& bounds);
std::vector<TracePoint> decimate(const float* values, qint64 rows, const MinMaxIndex* index,
                                 const std::vector<qint64>& bounds);

// Bounds for `columns` equal runs of rows from..to-1 (fewer columns when there are fewer rows).
std::vector<qint64> rowBounds(qint64 from, qint64 to, int columns);
// Bounds for `columns` equal slices of time from..to over ascending times (rows outside are left out).
std::vector<qint64> timeBounds(const std::vector<qint64>& times, double from, double to, int columns);

} // namespace stazione::data
