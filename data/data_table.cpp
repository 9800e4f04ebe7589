#include "data/data_table.h"

#include <QCoreApplication>

#include <algorithm>

namespace stazione::data {

DataTable::DataTable(QObject* parent)
    : QAbstractTableModel(parent)
{}

void DataTable::setData(std::shared_ptr<const DataSet> data)
{
    beginResetModel();
    m_data = std::move(data);
    endResetModel();
}

int DataTable::rowAt(qint64 time) const
{
    if (!m_data)
        return 0;
    const auto& times = m_data->times;
    return int(std::lower_bound(times.begin(), times.end(), time) - times.begin());
}

int DataTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_data ? 0 : int(std::min<qint64>(m_data->rows(), INT_MAX));
}

int DataTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_data ? 0 : int(m_data->channels.size()) + 1;
}

QVariant DataTable::data(const QModelIndex& index, int role) const
{
    if (!m_data || !index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    const size_t row = size_t(index.row());
    if (index.column() == 0)
        return wallDateTime(m_data->times[row]).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    const double v = m_data->values[size_t(index.column() - 1)][row];
    return isGap(v) ? QString() : QString::number(v, 'g', 12);
}

QVariant DataTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return QCoreApplication::translate("stazione::data::DataTable", "Data e ora");
    return m_data ? m_data->channels.value(section - 1) : QVariant();
}

} // namespace stazione::data
