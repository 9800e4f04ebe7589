#include "live/chart_data.h"

#include "link/numbers.h"
#include "live/session_table.h"

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

ChartData chartWindow(const SessionTable& table, int n, const std::vector<int>& tickedBoxes)
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
    for (int r = first; r < rows; ++r)
        chart.labels << table.cell(r, 0);
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
