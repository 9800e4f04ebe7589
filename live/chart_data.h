#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace stazione::live {

class SessionTable;

// The pen of the series of channel box i: colour, the chart's line style code, its width.
struct SeriesStyle {
    int red, green, blue;
    int styleCode; // 1 solid, 2 dashed, 3 dotted, 4 dash-dot, 5 dash-dot-dot, 6 fine dots, ...
    int width;     // in tenths of a pixel-ish unit of the old chart: 30 is a bold line, 2 a thin one
};
const std::array<SeriesStyle, 16>& seriesStyles();

// What the chart window draws: the category labels (the time stamps, and "Date" for the header row
// in the all-rows window), one series per ticked channel box, and how often a label is written.
struct ChartData {
    struct Series {
        int box = 0;                               // the channel box, 0-15 (grid column box + 1)
        QString name;                              // "CH 0"...
        std::vector<std::optional<double>> values; // one per row; none where the cell holds no number
        // A thinned window: the points to draw, x the row within the window, instead of values.
        std::vector<std::pair<int, double>> points;
    };
    int points = 0;     // P: the window is P + 1 grid rows
    QStringList labels; // P + 1 category labels
    std::vector<Series> series;
    bool zeroOnly = false; // nothing ticked: a single value 0
    int labelEvery = 0;    // a label every this many rows; 0: automatic (P <= 20)
    int tickEvery = 0;     // 100 when P > 20
    // A window longer than the chart is wide comes thinned: at most two points per pixel column
    // (the lowest and highest of its rows), `labels` left empty and `categories` holding the
    // labelled rows only.
    bool thinned = false;
    QList<QPair<QString, int>> categories;
};

// The latest n rows of the grid (n = 0, or n not smaller than the data rows: every row, the header
// included), with the ticked boxes' columns. A window of more rows than twice `columns` (the
// chart's width in pixels; and more than 2000) is thinned, so the cost of a redraw does not grow
// with the session.
ChartData chartWindow(const SessionTable& table, int n, const std::vector<int>& tickedBoxes,
                      int columns = 1000);

} // namespace stazione::live
