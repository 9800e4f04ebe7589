#include "data/csv_export.h"

#include "link/settings_file.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <cstring>
#include <sys/stat.h>

namespace stazione::data {

// Writes a number as appendNumber does; returns the end.
char* writeNumber(char* out, std::string_view number);

namespace {

QString outputName(const QIODevice& output)
{
    const auto* file = qobject_cast<const QFileDevice*>(&output);
    if (file && !file->fileName().isEmpty())
        return file->fileName();
    return QCoreApplication::translate("stazione::data::CsvExport", "lo standard output");
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
                m_error =
                    QCoreApplication::translate("stazione::data::CsvExport",
                                                "Il file ha %1 canali (da 0 a %2): il canale %3 non c'è.")
                        .arg(channels.size())
                        .arg(channels.size() - 1)
                        .arg(c);
                return;
            }
        }
        if (m_options.channelNames) {
            m_columns.clear();
            for (int c = 0; c < channels.size(); ++c) {
                if (m_options.channelNames->contains(channels.at(c)))
                    m_columns.push_back(c);
            }
        }
        // A later session with other channels: a table of its own, after an empty line.
        if (m_begun)
            m_buffer += "\r\n";
        m_buffer += "time";
        for (int c : m_columns) {
            m_buffer += ',';
            appendText(m_buffer, channels.at(c));
        }
        m_buffer += "\r\n";
        m_begun = true;
        ++m_tables;
    }

    void row(qint64 time, const std::string_view* cells, int count) override
    {
        if (!m_begun || m_error || (m_options.from && time < *m_options.from) ||
            (m_options.to && time > *m_options.to))
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
        if (!m_buffer.isEmpty() && !link::writeWhole(m_output, m_buffer))
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
    int m_tables = 0;
};

} // namespace

void appendText(QByteArray& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    // A spreadsheet runs a cell that starts with one of these as a formula, quoted or not; the
    // apostrophe in front makes it text (and is not shown).
    const bool formula = !bytes.isEmpty() && QByteArrayView("=+-@\t\r").contains(bytes.front());
    if (!formula && !bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') &&
        !bytes.contains('\n')) {
        out += bytes;
        return;
    }
    out += '"';
    if (formula)
        out += '\'';
    for (char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

ExportTarget exportTarget(const QString& input, const QString& output)
{
    struct stat out {};
    if (::stat(QFile::encodeName(output).constData(), &out) != 0)
        return ExportTarget::Fine; // a new file
    if (!S_ISREG(out.st_mode))
        return ExportTarget::NotRegular;
    struct stat in {};
    if (::stat(QFile::encodeName(input).constData(), &in) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        return ExportTarget::SameAsInput;
    return ExportTarget::Fine;
}

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
    // A write that fails is the output's fault, whatever line of the input was being read.
    const auto writeFailed = [&output] {
        return link::Error::file(
            QCoreApplication::translate("stazione::data::CsvExport", "La tabella non si scrive in %1: %2")
                .arg(outputName(output), output.errorString()));
    };
    while (true) {
        const qint64 n = input.read(buffer.data(), kPiece);
        if (n < 0)
            return link::Error::file(
                QCoreApplication::translate("stazione::data::CsvExport", "Il file non si legge: %1")
                    .arg(input.errorString()));
        if (n == 0)
            break;
        parsed = parser.feed(QByteArrayView(buffer.constData(), n));
        if (sink.m_error)
            return link::Error::data(*sink.m_error);
        if (!sink.flush())
            return writeFailed();
        if (!parsed)
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
                QCoreApplication::translate(
                    "stazione::data::CsvExport",
                    "Il file dei dati dei sensori contiene le righe del datalogger in una forma che "
                    "il programma non conosce (non «data ora, valore, valore...»): non si esporta.\n") +
                e.message);
        return link::Error::data(e.message);
    }
    if (!sink.flush())
        return writeFailed();
    return ExportSummary{*parser.kind(), sink.m_rows, parser.outOfRange(), sink.m_tables};
}

} // namespace stazione::data
