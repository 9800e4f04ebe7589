#pragma once

#include "data/decimation.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>

#include <vector>

namespace stazione::live {

// The grid of a continuous measurement session: a header row ("Date", "CH 0", "CH 1", ...), one row
// per set of readings, and the row being filled last. A row is the one line of text the session
// file gets (cells joined by ","; no cell holds a comma), cut into cells only when a cell is asked
// for. A session can run for weeks at one set a second: with its rows in the session file, the table
// keeps only where each line starts and reads the rows that are shown, with a small cache.
class SessionTable : public QAbstractTableModel {
    Q_OBJECT

public:
    // Where the completed rows are kept: in memory, in the session file (read back when shown), or
    // nowhere (the row being filled is all there is).
    enum class RowStore { Memory, File, None };

    explicit SessionTable(QObject* parent = nullptr);
    ~SessionTable() override;

    // For the sessions started from now on. File needs the file (setSessionFile); without one the
    // rows stay in memory.
    void setRowStore(RowStore store) { m_store = store; }
    RowStore rowStore() const { return m_store; }
    // The session file, once it holds everything before the first row (marks and header). Each
    // completed row's line is expected to be appended to it right after completeRow.
    void setSessionFile(const QString& path);

    // A new session with `channels` data columns: the header row and an empty row to fill.
    void start(int channels);

    int channels() const { return m_channels; }
    // Grid rows: the header, the completed sets, the row being filled.
    int gridRows() const { return int(m_completed) + (m_channels >= 0 ? 2 : 0); }
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
    // cell holds none (a time-out), with their block summaries: what the chart thins. Kept as
    // float: a month at one set a second is 2.6 million rows a channel.
    const std::vector<float>& numbers(int channel) const { return m_numbers.at(size_t(channel)); }
    const data::MinMaxIndex& numberIndex(int channel) const { return m_indexes.at(size_t(channel)); }

    // Header texts, as the grid and the file show them: Date, CH 0, CH 1, ...
    QStringList header() const;

    // Completed rows, and how many of them were read back from the file (for the tests).
    qint64 completedRows() const { return m_completed; }
    qint64 rowsReadFromFile() const { return m_rowsRead; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Rows are cached from the file in blocks of consecutive rows.
    static constexpr qint64 kBlockRows = 64;
    static constexpr size_t kCachedBlocks = 40;
    struct Block {
        qint64 index = -1;
        quint64 lastUse = 0;
        std::vector<QByteArray> lines;
    };

    const QByteArray* line(qint64 index) const;
    const Block* cachedBlock(qint64 block) const;

    RowStore m_store = RowStore::Memory;
    bool m_inFile = false; // this session's rows are read back from m_path
    int m_channels = -1;
    qint64 m_completed = 0;
    std::vector<QByteArray> m_rows; // completed sets as file lines (Latin-1), in memory
    std::vector<qint64> m_offsets;  // where each completed set's line starts in the file
    qint64 m_fileEnd = 0;
    QString m_path;
    mutable std::vector<Block> m_cache;
    mutable quint64 m_uses = 0;
    mutable qint64 m_rowsRead = 0;
    QStringList m_filling;
    std::vector<std::vector<float>> m_numbers;
    std::vector<data::MinMaxIndex> m_indexes;
};

} // namespace stazione::live
