#include "live/session_table.h"

#include "data/data_file.h"
#include "link/numbers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace stazione::live {

SessionTable::SessionTable(QObject* parent)
    : QAbstractTableModel(parent)
{}

SessionTable::~SessionTable() = default;

void SessionTable::start(int channels)
{
    beginResetModel();
    m_channels = channels;
    m_completed = 0;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_offsets.clear();
    m_offsets.shrink_to_fit();
    m_cache.clear();
    m_inFile = false;
    m_path.clear();
    m_fileEnd = 0;
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

void SessionTable::setSessionFile(const QString& path)
{
    if (m_store != RowStore::File || path.isEmpty() || m_completed > 0)
        return;
    const QFileInfo info(path);
    if (!info.exists())
        return;
    m_inFile = true;
    m_path = path;
    m_fileEnd = info.size();
}

const SessionTable::Block* SessionTable::cachedBlock(qint64 block) const
{
    for (Block& b : m_cache) {
        if (b.index == block) {
            b.lastUse = ++m_uses;
            return &b;
        }
    }
    const qint64 first = block * kBlockRows;
    const qint64 end = std::min<qint64>(first + kBlockRows, qint64(m_offsets.size()));
    if (first >= end)
        return nullptr;
    const qint64 from = m_offsets[size_t(first)];
    const qint64 to = end < qint64(m_offsets.size()) ? m_offsets[size_t(end)] : m_fileEnd;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return nullptr;
    const QByteArray bytes = file.read(to - from);
    Block fresh;
    fresh.index = block;
    fresh.lastUse = ++m_uses;
    fresh.lines.reserve(size_t(end - first));
    for (qint64 r = first; r < end; ++r) {
        const qint64 begin = m_offsets[size_t(r)] - from;
        const qint64 next = (r + 1 < end ? m_offsets[size_t(r + 1)] : to) - from;
        // A line not yet on disk (or a file changed under the session) is not cached.
        if (next > bytes.size() || next - begin < 2)
            return nullptr;
        fresh.lines.push_back(bytes.mid(begin, next - begin - 2));
    }
    m_rowsRead += end - first;
    if (m_cache.size() < kCachedBlocks) {
        m_cache.push_back(std::move(fresh));
        return &m_cache.back();
    }
    auto oldest = std::min_element(m_cache.begin(), m_cache.end(),
                                   [](const Block& a, const Block& b) { return a.lastUse < b.lastUse; });
    *oldest = std::move(fresh);
    return &*oldest;
}

const QByteArray* SessionTable::line(qint64 index) const
{
    if (index < 0 || index >= m_completed)
        return nullptr;
    if (!m_inFile)
        return index < qint64(m_rows.size()) ? &m_rows[size_t(index)] : nullptr;
    const Block* block = cachedBlock(index / kBlockRows);
    if (!block)
        return nullptr;
    const size_t at = size_t(index % kBlockRows);
    return at < block->lines.size() ? &block->lines[at] : nullptr;
}

QString SessionTable::cell(int row, int column) const
{
    if (row < 0 || column < 0 || column >= gridColumns())
        return {};
    if (row == 0)
        return header().value(column);
    const qint64 index = row - 1;
    if (index < m_completed) {
        const QByteArray* found = line(index);
        if (!found)
            return {};
        const QByteArray& line = *found;
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
    if (index == m_completed)
        return m_filling.value(column);
    return {};
}

void SessionTable::setCell(int column, const QString& text)
{
    if (column < 0 || column >= m_filling.size())
        return;
    m_filling[column] = text;
    if (m_store == RowStore::None)
        return;
    const int row = int(m_completed); // the row being filled, in the view (no header row)
    emit dataChanged(index(row, column), index(row, column));
}

void SessionTable::completeRow()
{
    if (m_store == RowStore::None) {
        ++m_completed;
        for (QString& cell : m_filling)
            cell.clear();
        return;
    }
    const int row = int(m_completed) + 1;
    beginInsertRows({}, row, row);
    QByteArray line = fillingLine().toLatin1();
    if (m_inFile) {
        m_offsets.push_back(m_fileEnd);
        m_fileEnd += line.size() + 2;
        // The newest rows are the ones shown and charted: the block they go to stays current.
        const qint64 block = m_completed / kBlockRows;
        for (Block& b : m_cache) {
            if (b.index == block && qint64(b.lines.size()) == m_completed % kBlockRows)
                b.lines.push_back(line);
        }
    } else {
        m_rows.push_back(std::move(line));
    }
    for (int c = 0; c < m_channels; ++c) {
        const QString& text = m_filling.at(c + 1);
        auto& column = m_numbers[size_t(c)];
        column.push_back(link::isNumber(text) ? float(link::numericValue(text)) : float(data::kGap));
        m_indexes[size_t(c)].update(column.data(), qint64(column.size()));
    }
    ++m_completed;
    m_filling = QStringList(m_channels + 1);
    endInsertRows();
}

// The view shows the header row as its header: its rows are the grid's rows 1 and below.
int SessionTable::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_channels < 0)
        return 0;
    // Without a store the view has only the row being filled.
    return m_store == RowStore::None ? 1 : int(m_completed) + 1;
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
        // The file's header row keeps "Date"; the grid heads the column in the run's language.
        if (role == Qt::DisplayRole && section == 0)
            return QCoreApplication::translate("stazione::live::SessionTable", "Data");
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
