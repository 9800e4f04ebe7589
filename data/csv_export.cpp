#include "data/csv_export.h"

#include <cstring>

namespace stazione::data {

// Writes a number as appendNumber does; returns the end.
char* writeNumber(char* out, std::string_view number);

namespace {

void appendField(QByteArray& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n')) {
        out += bytes;
        return;
    }
    out += '"';
    for (char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

class CsvSink : public RowSink {
public:
    CsvSink(QIODevice& output, const ExportOptions& options)
        : m_output(output)
        , m_options(options)
    {
        m_buffer.reserve(kFlushAt + 4096);
    }

    void begin(DataFileKind kind, const QStringList& channels) override
    {
        m_kind = kind;
        m_columns = m_options.channels;
        if (m_columns.empty()) {
            for (int c = 0; c < channels.size(); ++c)
                m_columns.push_back(c);
        }
        for (int c : m_columns) {
            if (c < 0 || c >= channels.size()) {
                m_error = QStringLiteral("Il file ha %1 canali (da 0 a %2): il canale %3 non c'è.")
                              .arg(channels.size())
                              .arg(channels.size() - 1)
                              .arg(c);
                return;
            }
        }
        m_buffer += "time";
        for (int c : m_columns) {
            m_buffer += ',';
            appendField(m_buffer, channels.at(c));
        }
        m_buffer += "\r\n";
        m_begun = true;
    }

    void row(qint64 time, const std::string_view* cells, int count) override
    {
        if (!m_begun || (m_options.from && time < *m_options.from) || (m_options.to && time > *m_options.to))
            return;
        // The line is written straight into the buffer: a million lines of sixteen cells.
        qsizetype longest = 24;
        for (int c = 0; c < count; ++c)
            longest += qsizetype(cells[c].size()) + 2;
        longest += qsizetype(m_columns.size());
        const qsizetype at = m_buffer.size();
        m_buffer.resize(at + longest);
        char* out = m_buffer.data() + at;
        out = writeTime(out, time);
        for (int c : m_columns) {
            *out++ = ',';
            out = writeNumber(out, cells[c]);
        }
        *out++ = '\r';
        *out++ = '\n';
        m_buffer.truncate(out - m_buffer.constData());
        ++m_rows;
        if (m_buffer.size() >= kFlushAt)
            flush();
    }

    // "2026-12-05T14:30:00"; the date part is made once a day.
    char* writeTime(char* out, qint64 time)
    {
        const qint64 day = time >= 0 ? time / 86400000 : -((-time + 86399999) / 86400000);
        if (day != m_day || m_dayText.isEmpty()) {
            m_day = day;
            m_dayText = isoText(day * 86400000).left(11);
        }
        std::memcpy(out, m_dayText.constData(), 11);
        out += 11;
        const int seconds = int((time - day * 86400000) / 1000);
        const int parts[3] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
        for (int k = 0; k < 3; ++k) {
            if (k > 0)
                *out++ = ':';
            *out++ = char('0' + parts[k] / 10);
            *out++ = char('0' + parts[k] % 10);
        }
        return out;
    }

    bool flush()
    {
        if (m_writeFailed)
            return false;
        if (!m_buffer.isEmpty() && m_output.write(m_buffer) != m_buffer.size())
            m_writeFailed = true;
        m_buffer.clear();
        return !m_writeFailed;
    }

    static constexpr qsizetype kFlushAt = 1 << 20;
    QIODevice& m_output;
    const ExportOptions& m_options;
    QByteArray m_buffer;
    std::vector<int> m_columns;
    DataFileKind m_kind = DataFileKind::Temperature;
    qint64 m_day = 0;
    QByteArray m_dayText;
    std::optional<QString> m_error;
    bool m_begun = false;
    bool m_writeFailed = false;
    qint64 m_rows = 0;
};

} // namespace

char* writeNumber(char* out, std::string_view number)
{
    if (number.empty())
        return out;
    size_t i = 0;
    if (number[0] == '-') {
        *out++ = '-';
        ++i;
    } else if (number[0] == '+') {
        ++i;
    }
    size_t digits = i;
    while (digits + 1 < number.size() && number[digits] == '0' && number[digits + 1] != '.')
        ++digits;
    if (digits == number.size() || number[digits] == '.')
        *out++ = '0';
    std::string_view rest = number.substr(digits);
    if (!rest.empty() && rest.back() == '.')
        rest.remove_suffix(1);
    std::memcpy(out, rest.data(), rest.size());
    return out + rest.size();
}

void appendNumber(QByteArray& out, std::string_view number)
{
    const qsizetype at = out.size();
    out.resize(at + qsizetype(number.size()) + 1);
    char* end = writeNumber(out.data() + at, number);
    out.truncate(end - out.constData());
}

link::Result<ExportSummary> exportCsv(QIODevice& input, QIODevice& output, const ExportOptions& options,
                                      DataError* where)
{
    CsvSink sink(output, options);
    DataFileParser parser(sink);
    constexpr qint64 kPiece = 4 << 20;
    QByteArray buffer(kPiece, Qt::Uninitialized);
    bool parsed = true;
    while (true) {
        const qint64 n = input.read(buffer.data(), kPiece);
        if (n < 0)
            return link::Error::file(QStringLiteral("Il file non si legge: %1").arg(input.errorString()));
        if (n == 0)
            break;
        parsed = parser.feed(QByteArrayView(buffer.constData(), n));
        if (sink.m_error)
            return link::Error::data(*sink.m_error);
        if (!parsed || !sink.flush())
            break;
    }
    if (parsed)
        parsed = parser.finish();
    if (!parsed) {
        const DataError& e = *parser.error();
        if (where)
            *where = e;
        if (parser.kind() == DataFileKind::Sensor && !sink.m_begun)
            return link::Error::data(
                QStringLiteral(
                    "Il file dei dati dei sensori contiene le righe del datalogger in una forma che "
                    "il programma non conosce (non «data ora, valore, valore...»): non si esporta.\n") +
                e.message);
        return link::Error::data(e.message);
    }
    if (!sink.flush())
        return link::Error::file(QStringLiteral("La tabella non si scrive: %1").arg(output.errorString()));
    return ExportSummary{*parser.kind(), sink.m_rows};
}

} // namespace stazione::data
