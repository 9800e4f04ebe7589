#include "live/chart_data.h"

#include "data/decimation.h"
#include "link/numbers.h"
#include "live/session_table.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace stazione::live {

const std::array<SeriesStyle, 16>& seriesStyles()
{
    static const std::array<SeriesStyle, 16> styles{{
        {240, 0, 0, 1, 30},
        {0, 0, 240, 1, 30},
        {40, 40, 40, 1, 30},
        {0, 140, 140, 1, 30},
        {140, 0, 140, 1, 30},
        {140, 140, 0, 1, 30},
        {80, 0, 240, 1, 30},
        {0, 80, 240, 1, 30},
        {200, 80, 50, 6, 2},
        {20, 80, 20, 6, 2},
        {50, 80, 200, 6, 2},
        {80, 120, 120, 6, 2},
        {120, 80, 140, 6, 2},
        {100, 120, 80, 6, 2},
        {30, 50, 200, 6, 2},
        {20, 90, 180, 6, 2},
    }};
    return styles;
}

namespace {

// Every row of the window from the numbers the table keeps, two points per pixel column.
// The time under a point; the grid's first row is its header, named as the grid names it.
QString timeLabel(const SessionTable& table, int row)
{
    return row == 0 ? table.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString() : table.cell(row, 0);
}

void thin(ChartData& chart, const SessionTable& table, int first, const std::vector<int>& tickedBoxes,
          int columns)
{
    chart.thinned = true;
    const int rows = table.gridRows();
    // Grid row g > 0 is completed set g - 1; the last grid row is the one being filled.
    const qint64 fromSet = std::max(0, first - 1);
    const qint64 sets = rows - 2;
    const std::vector<qint64> bounds = data::rowBounds(fromSet, sets, columns);
    for (int box : tickedBoxes) {
        ChartData::Series series;
        series.box = box;
        series.name = QStringLiteral("CH %1").arg(box);
        if (box < table.channels()) {
            const auto& numbers = table.numbers(box);
            const auto thinned =
                data::decimate(numbers.data(), qint64(numbers.size()), &table.numberIndex(box), bounds);
            series.points.reserve(thinned.size() + 1);
            for (const auto& p : thinned) {
                // The session chart joins its line over a time-out, as it does for a short window.
                if (!p.isBreak())
                    series.points.emplace_back(int(p.row + 1 - first), p.value);
            }
            const QString filling = table.cell(rows - 1, box + 1);
            if (link::isNumber(filling))
                series.points.emplace_back(rows - 1 - first, link::numericValue(filling));
        }
        chart.series.push_back(std::move(series));
    }
    chart.labelEvery = int(std::lround(chart.points / 20.0));
    chart.tickEvery = 100;
    QSet<QString> seen;
    for (int r = 0; r <= chart.points; r += std::max(1, chart.labelEvery)) {
        const QString label = timeLabel(table, first + r);
        if (label.isEmpty() || seen.contains(label))
            continue;
        seen.insert(label);
        chart.categories.append({label, r});
    }
}

} // namespace

ChartData chartWindow(const SessionTable& table, int n, const std::vector<int>& tickedBoxes, int columns)
{
    ChartData chart;
    const int rows = table.gridRows();
    if (rows == 0)
        return chart;
    int first = 0;
    if (n == 0 || n >= rows - 1) {
        chart.points = rows - 1;
    } else {
        chart.points = n;
        first = rows - 1 - n;
    }
    if (tickedBoxes.empty()) {
        chart.zeroOnly = true;
        return chart;
    }
    if (chart.points + 1 > std::max(2 * columns, 2000)) {
        thin(chart, table, first, tickedBoxes, std::max(1, columns));
        return chart;
    }
    for (int r = first; r < rows; ++r)
        chart.labels << timeLabel(table, r);
    for (int box : tickedBoxes) {
        ChartData::Series series;
        series.box = box;
        series.name = QStringLiteral("CH %1").arg(box);
        series.values.reserve(size_t(chart.points) + 1);
        for (int r = first; r < rows; ++r) {
            const QString cell = table.cell(r, box + 1);
            if (link::isNumber(cell))
                series.values.push_back(link::numericValue(cell));
            else
                series.values.push_back(std::nullopt);
        }
        chart.series.push_back(std::move(series));
    }
    if (chart.points > 20) {
        chart.labelEvery = int(std::lround(chart.points / 20.0));
        chart.tickEvery = 100;
    }
    return chart;
}

} // namespace stazione::live
