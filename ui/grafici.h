#pragma once

#include <QPen>
#include <QWidget>

#include <array>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QCheckBox;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace stazione::live {
struct ChartData;
struct SeriesStyle;
class SessionTable;
} // namespace stazione::live

namespace stazione::ui {

class LinesItem;

// The chart of a continuous measurement session: one line per ticked channel box, the time stamps
// along the bottom. The session redraws it after every set of readings, so a redraw reuses what it
// can and costs what the drawn window of rows costs, however long the session has run.
class Grafici : public QWidget {
    Q_OBJECT

public:
    explicit Grafici(QWidget* parent = nullptr);

    std::array<QCheckBox*, 16> chkCH{};
    QPushButton* cmdDisegna = nullptr;
    QPushButton* cmdDisegnaTutto = nullptr;
    QPushButton* cmdChiudi = nullptr;
    QChartView* MSChart1 = nullptr;

    // Shows box 0 and boxes 1 .. dataColumns - 1. A box that is hidden is also unticked: the
    // operator could no longer untick it, and its channel would be drawn as an empty line.
    void setChannels(int dataColumns);
    // Ticks boxes 0 .. dataColumns - 1.
    void tickChannels(int dataColumns);

    // The ticked boxes in increasing order; a partly ticked box counts.
    std::vector<int> tickedBoxes() const;

    // One line per series, x the row within the window. A row without a number has no point, and
    // the line joins its neighbours; such rows are the header, a time-out and the row being read,
    // which all sit at an end of the window.
    void draw(const live::ChartData& data);

    // The latest `points` rows of the session (0: all of them) for the boxes ticked now.
    void popola_grafico(const live::SessionTable& table, int points);

    static QPen penFor(const live::SeriesStyle& style);
    // The plot's width in pixels: a window of more than twice as many rows is thinned.
    int plotColumns() const;

signals:
    void drawLatestRequested();
    void drawAllRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void drawZero();
    void setSeries(const live::ChartData& data);
    void setCategories(const QList<QPair<QString, int>>& categories);
    void setYRange(double low, double high);
    void removeAllSeries();

    QChart* m_chart = nullptr;
    QCategoryAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    std::vector<QLineSeries*> m_series;
    std::vector<int> m_seriesBoxes; // the box each of m_series draws; empty while the zero is shown
    QLineSeries* m_zero = nullptr;
    LinesItem* m_lines = nullptr;            // the thinned lines of a long window
    QList<QPair<QString, int>> m_categories; // (label, row) as the x axis holds them
};

} // namespace stazione::ui
