#pragma once

#include "data/data_file.h"

#include <QAbstractTableModel>

#include <memory>

namespace stazione::data {

// The rows of a data file for a table view: the time, then one column per channel; a gap shows
// as an empty cell. Texts are made only for the rows on screen.
class DataTable : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataTable(QObject* parent = nullptr);

    void setData(std::shared_ptr<const DataSet> data);
    // The row at or after a wall-clock time, to bring the table to what the chart shows.
    int rowAt(qint64 time) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::shared_ptr<const DataSet> m_data;
};

} // namespace stazione::data
