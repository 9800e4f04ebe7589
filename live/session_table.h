#pragma once

#include "data/decimation.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>

#include <vector>

namespace stazione::live {

// The grid of a continuous measurement session: a header row ("Date", "CH 0", "CH 1", ...), one row
// per set of readings, and the row being filled last. A session can run for days at one set a
// second, so a row is kept as the one line of text the session file gets (cells joined by ",";
// no cell holds a comma) and cut into cells only when a cell is asked for.
class SessionTable : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SessionTable(QObject* parent = nullptr);

    // A new session with `channels` data columns: the header row and an empty row to fill.
    void start(int channels);

    int channels() const { return m_channels; }
    // Grid rows: the header, the completed sets, the row being filled.
    int gridRows() const { return int(m_rows.size()) + (m_channels >= 0 ? 2 : 0); }
    int gridColumns() const { return m_channels >= 0 ? m_channels + 1 : 0; }
    // The text of grid cell (row, column), row 0 being the header.
    QString cell(int row, int column) const;

    // Cells of the row being filled, as they are read.
    void setCell(int column, const QString& text);
    const QStringList& rowBeingFilled() const { return m_filling; }
    // The row being filled as its file line: cells joined by ",".
    QString fillingLine() const { return m_filling.join(QLatin1Char(',')); }
    // Keeps the row being filled and opens a new empty one below it.
    void completeRow();

    // The completed sets' values of data column `channel` (0 = CH 0) as numbers, NaN where a
    // cell holds none (a time-out), with their block summaries: what the chart thins.
    const std::vector<double>& numbers(int channel) const { return m_numbers.at(size_t(channel)); }
    const data::MinMaxIndex& numberIndex(int channel) const { return m_indexes.at(size_t(channel)); }

    // Header texts, as the grid and the file show them: Date, CH 0, CH 1, ...
    QStringList header() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int m_channels = -1;
    std::vector<QByteArray> m_rows; // completed sets, as file lines (Latin-1)
    QStringList m_filling;
    std::vector<std::vector<double>> m_numbers;
    std::vector<data::MinMaxIndex> m_indexes;
};

} // namespace stazione::live
