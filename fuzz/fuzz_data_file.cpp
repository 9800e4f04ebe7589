// The data-file reader: plain bytes as a file handed to the data viewer or to the command line,
// read whole and again in pieces of varying size, as a long file is read from disk. Both ways must
// agree on every row and on the line of the first error. The pieces are read once more with a
// line limit short enough for the fuzzer's inputs to reach it, and must agree with the whole
// file read under that limit. fuzz_data_file.dict holds the shapes of endless and one-line files.

#include "data/data_file.h"

#include <QByteArrayView>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace stazione;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Read in pieces of varying size; whether it read to the end.
bool readInPieces(data::DataFileParser& parser, QByteArrayView file)
{
    static constexpr qsizetype kPieces[] = {1, 7, 64, 3, 512, 20, 2};
    qsizetype at = 0;
    bool read = true;
    for (size_t n = 0; read && at < file.size(); ++n) {
        const qsizetype piece = std::min(kPieces[n % std::size(kPieces)], file.size() - at);
        read = parser.feed(file.sliced(at, piece));
        at += piece;
    }
    return read && parser.finish();
}

// The rows as the reader hands them over, cells kept as text.
class Rows final : public data::RowSink {
public:
    void begin(data::DataFileKind kind, const QStringList& channels) override
    {
        this->kind = kind;
        data::sessionColumns(this->channels, channels);
        ++sessions;
        check(this->channels.size() <= data::kMaxFileChannels);
    }
    void row(qint64 time, const std::string_view* cells, int count) override
    {
        times.push_back(time);
        for (int c = 0; c < count; ++c) {
            const std::string_view cell = cells[c];
            if (!cell.empty() && !data::decimalValue(cell))
                std::abort(); // a cell handed over is a gap or a number
        }
        cellCount += count;
    }

    data::DataFileKind kind = data::DataFileKind::Temperature;
    QStringList channels;
    std::vector<qint64> times;
    qint64 cellCount = 0;
    int sessions = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char*>(bytes), qsizetype(size));

    data::DataError wholeError;
    auto whole = data::parseDataFile(file, &wholeError);

    Rows rows;
    data::DataFileParser parser(rows);
    const bool read = readInPieces(parser, file);

    check(read == whole.ok());
    if (!whole) {
        check(parser.error() && parser.error()->line == wholeError.line);
    } else {
        data::DataSet& set = *whole;
        check(set.kind == rows.kind && set.channels == rows.channels);
        check(set.times == rows.times);
        check(set.values.size() == size_t(set.channels.size()));
        qint64 values = 0;
        for (const auto& column : set.values) {
            check(column.size() == set.times.size());
            values += qint64(column.size());
        }
        check(rows.sessions > 1 || values == rows.cellCount);
        set.sortByTime();
        check(set.timesAscending());
    }
    // A short line limit: whole and in pieces, the same rows and the same first error.
    constexpr qsizetype kShortLimit = 40;
    Rows shortWhole;
    data::DataFileParser wholeShort(shortWhole, kShortLimit);
    const bool wholeRead = wholeShort.feed(file) && wholeShort.finish();
    Rows shortPieces;
    data::DataFileParser piecesShort(shortPieces, kShortLimit);
    check(readInPieces(piecesShort, file) == wholeRead);
    check(shortWhole.times == shortPieces.times && shortWhole.channels == shortPieces.channels);
    if (!wholeRead)
        check(wholeShort.error()->line == piecesShort.error()->line);

    (void)data::sniffDataFile(file.first(std::min<qsizetype>(file.size(), 4096)));
    return 0;
}
