#include "live/session_table.h"

#include "data/data_file.h"
#include "link/numbers.h"

namespace stazione::live {

SessionTable::SessionTable(QObject* parent)
    : QAbstractTableModel(parent)
{}

void SessionTable::start(int channels)
{
    beginResetModel();
    m_channels = channels;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_filling = QStringList(channels + 1);
    m_numbers.assign(size_t(std::max(0, channels)), {});
    m_indexes.assign(size_t(std::max(0, channels)), {});
    endResetModel();
}

QStringList SessionTable::header() const
{
    QStringList names{QStringLiteral("Date")};
    for (int j = 0; j < m_channels; ++j)
        names << QStringLiteral("CH %1").arg(j);
    return names;
}

QString SessionTable::cell(int row, int column) const
{
    if (row < 0 || column < 0 || column >= gridColumns())
        return {};
    if (row == 0)
        return header().value(column);
    const size_t index = size_t(row - 1);
    if (index < m_rows.size()) {
        const QByteArray& line = m_rows[index];
        qsizetype begin = 0;
        for (int c = 0; c < column; ++c) {
            begin = line.indexOf(',', begin);
            if (begin < 0)
                return {};
            ++begin;
        }
        qsizetype end = line.indexOf(',', begin);
        if (end < 0)
            end = line.size();
        return QString::fromLatin1(line.constData() + begin, end - begin);
    }
    if (index == m_rows.size())
        return m_filling.value(column);
    return {};
}

void SessionTable::setCell(int column, const QString& text)
{
    if (column < 0 || column >= m_filling.size())
        return;
    m_filling[column] = text;
    const int row = int(m_rows.size()); // the row being filled, in the view (no header row)
    emit dataChanged(index(row, column), index(row, column));
}

void SessionTable::completeRow()
{
    const int row = int(m_rows.size()) + 1;
    beginInsertRows({}, row, row);
    m_rows.push_back(fillingLine().toLatin1());
    for (int c = 0; c < m_channels; ++c) {
        const QString& text = m_filling.at(c + 1);
        auto& column = m_numbers[size_t(c)];
        column.push_back(link::isNumber(text) ? link::numericValue(text) : data::kGap);
        m_indexes[size_t(c)].update(column.data(), qint64(column.size()));
    }
    m_filling = QStringList(m_channels + 1);
    endInsertRows();
}

// The view shows the header row as its header: its rows are the grid's rows 1 and below.
int SessionTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_channels < 0 ? 0 : int(m_rows.size()) + 1;
}

int SessionTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : gridColumns();
}

QVariant SessionTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

QVariant SessionTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return cell(0, section);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (role == Qt::DisplayRole)
        return section + 1;
    return {};
}

} // namespace stazione::live
