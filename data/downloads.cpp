#include "data/downloads.h"

#include "data/file_names.h"
#include "link/exchange.h"
#include "link/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <memory>
#include <vector>

namespace stazione::data {

namespace {

// The file, created anew; nothing when it cannot be (the reason in the error).
link::Result<std::unique_ptr<QFile>> createFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return link::Error::file(kDeviceMissing + QStringLiteral("\n") + info.absolutePath());
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return link::Error::file(invalidNameMessage(path) + QStringLiteral("\n(") + file->errorString() +
                                 QLatin1Char(')'));
    return file;
}

link::Error writeFailed(const QFile& file)
{
    return link::Error::file(
        QStringLiteral("Scrittura del file %1 non riuscita: %2").arg(file.fileName(), file.errorString()));
}

link::Error waitEnded(link::CommPort::Wait wait, const link::Link& link)
{
    switch (wait) {
    case link::CommPort::Wait::TimedOut:
        return link::Error::timedOut(QStringLiteral("Il datalogger ha smesso di inviare dati da %1 s.")
                                         .arg(double(link.replyTimeout().count()) / 1000.0));
    case link::CommPort::Wait::Cancelled:
        return link::Error::cancelled(QStringLiteral("Scarico annullato."));
    default:
        return link::Error::lineLost(QStringLiteral("La connessione con il datalogger si è interrotta."));
    }
}

// The exact value of a decimal text, rounded to tenths half away from zero; nothing for a text
// that is not a number. `Char` is char (bytes as received) or char16_t.
template<typename Char>
std::optional<long long> tenths(const Char* text, qsizetype n)
{
    auto code = [text](qsizetype i) { return uint(std::make_unsigned_t<Char>(text[i])); };
    auto isDigit = [&](qsizetype i) { return code(i) >= '0' && code(i) <= '9'; };
    qsizetype i = 0;
    while (i < n && code(i) == ' ')
        ++i;
    qsizetype end = n;
    while (end > i && code(end - 1) == ' ')
        --end;
    bool negative = false;
    if (i < end && (code(i) == '-' || code(i) == '+')) {
        negative = code(i) == '-';
        ++i;
    }
    long long whole = 0;
    int digits = 0;
    while (i < end && isDigit(i)) {
        if (whole < 100000000000LL)
            whole = whole * 10 + (code(i) - '0');
        ++i;
        ++digits;
    }
    int first = 0;
    bool roundUp = false;
    if (i < end && code(i) == '.') {
        ++i;
        for (int k = 0; i < end && isDigit(i); ++i, ++k) {
            if (k == 0)
                first = int(code(i) - '0');
            else if (k == 1)
                roundUp = code(i) >= '5';
            ++digits;
        }
    }
    if (i != end || digits == 0)
        return std::nullopt;
    const long long value = whole * 10 + first + (roundUp ? 1 : 0);
    return negative ? -value : value;
}

// Appends the 10 characters of a value's column: "000.0" with a decimal point, or "**N.C.**"
// when the value, rounded to tenths as the column shows it, is out of range or not a number.
void appendColumn(QByteArray& out, std::optional<long long> value)
{
    if (!value || *value < -300 || *value > 800) {
        out.append("**N.C.**  ", 10);
        return;
    }
    // In range the integer part has at most two digits, written as three.
    const long long magnitude = *value < 0 ? -*value : *value;
    char text[10];
    int k = 0;
    if (*value < 0)
        text[k++] = '-';
    text[k++] = '0';
    text[k++] = char('0' + magnitude / 100);
    text[k++] = char('0' + magnitude / 10 % 10);
    text[k++] = '.';
    text[k++] = char('0' + magnitude % 10);
    while (k < 10)
        text[k++] = ' ';
    out.append(text, 10);
}

// Appends a time field cut to its width and written with at least two digits ("00").
void appendTimePart(QByteArray& out, QByteArrayView field, int width)
{
    const QByteArrayView cut = field.first(std::min<qsizetype>(width, field.size()));
    qsizetype digits = 0;
    while (digits < cut.size() && cut[digits] >= '0' && cut[digits] <= '9')
        ++digits;
    if (digits == 0 || digits != cut.size()) {
        // Blanks, a sign, a fraction or no number at all: the general rule.
        out += link::formatNumber(QString::fromLatin1(cut), link::pattern::kTwoDigits).toLatin1();
        return;
    }
    qsizetype start = 0;
    while (start + 1 < cut.size() && cut[start] == '0')
        ++start;
    if (cut.size() - start < 2)
        out += '0';
    out.append(cut.data() + start, cut.size() - start);
}

} // namespace

QString sensorFileName(const QString& station, const QDate& date)
{
    const DateParts d = dateParts(date);
    return safeStationName(station) + QLatin1Char('_') + d.dd + QLatin1Char('_') + d.mm + QLatin1Char('_') +
           d.yy + QStringLiteral("_SENS.txt");
}

QString temperatureFileName(const QString& station, const QDate& date)
{
    const DateParts d = dateParts(date);
    return safeStationName(station) + QLatin1Char('_') + d.dd + QLatin1Char('_') + d.mm + QLatin1Char('_') +
           d.yy + QStringLiteral("_TEMP.txt");
}

QString invalidNameMessage(const QString& path)
{
    return QStringLiteral("Nome ") + path + QStringLiteral(" non valido");
}

link::Result<RecordedDownload> downloadRecords(link::Link& link, const QString& path, bool fromEnd,
                                               const std::function<void(qint64, const QString&)>& progress)
{
    auto created = createFile(path);
    if (!created)
        return created.error();
    QFile& file = **created;
    RecordedDownload result;
    result.path = path;

    if (auto s = link::send(link, link::cmd::downloadRecords(fromEnd), 0); !s) {
        result.stopped = s.error();
        return result;
    }

    link::CommPort& port = link.port();
    QByteArray out;          // complete lines of the last chunk, ready for the file
    QByteArray carry;        // a line begun in an earlier chunk
    qsizetype lastLine = -1; // where the last complete line of `out` starts
    bool ended = false;
    while (!ended) {
        auto chunk = port.inputAll();
        if (!chunk) {
            result.stopped = chunk.error();
            break;
        }
        if (chunk->isEmpty()) {
            // Everything complete is on disk before the wait: a cable pulled now loses nothing.
            if (!file.flush()) {
                result.stopped = writeFailed(file);
                break;
            }
            const auto wait = port.waitForMoreInput(QDeadlineTimer(link.replyTimeout(), Qt::PreciseTimer));
            if (wait != link::CommPort::Wait::Ready) {
                result.stopped = waitEnded(wait, link);
                break;
            }
            continue;
        }
        out.swap(carry);
        carry.clear();
        qsizetype lineStart = 0;
        lastLine = -1;
        const char* p = chunk->constData();
        const char* const end = p + chunk->size();
        while (p < end) {
            // The next line end or the end mark, whichever comes first; CRs are dropped on the way.
            const auto* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* limit = lf ? lf : end;
            const auto* etx =
                static_cast<const char*>(std::memchr(p, link::cmd::kEndOfText, size_t(limit - p)));
            const char* stop = etx ? etx : limit;
            for (const char* from = p; from < stop;) {
                const auto* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(stop - from)));
                const char* to = cr ? cr : stop;
                out.append(from, to - from);
                from = to + (cr ? 1 : 0);
            }
            if (etx) {
                ended = true;
                break;
            }
            if (!lf)
                break;
            out += "\r\n";
            lastLine = lineStart;
            lineStart = out.size();
            ++result.lines;
            p = lf + 1;
        }
        // Text after the last line end waits for the rest of its line; at the end mark it is dropped.
        carry = out.mid(lineStart);
        out.truncate(lineStart);
        if (!out.isEmpty() && file.write(out) != out.size()) {
            result.stopped = writeFailed(file);
            break;
        }
        if (progress && lastLine >= 0)
            progress(result.lines,
                     QString::fromLatin1(out.constData() + lastLine, out.size() - lastLine - 2));
    }
    file.close();
    if (!result.stopped && file.error() != QFileDevice::NoError)
        result.stopped = writeFailed(file);
    return result;
}

QString temperatureColumn(QStringView received)
{
    QByteArray column;
    appendColumn(column, tenths(received.utf16(), received.size()));
    return QString::fromLatin1(column);
}

void appendTemperatureColumn(QByteArray& out, QByteArrayView received)
{
    appendColumn(out, tenths(received.data(), received.size()));
}

link::Result<TemperatureDownload> downloadTemperatures(link::Link& link, const QString& path,
                                                       const QDateTime& now,
                                                       const std::function<void(int)>& progress)
{
    auto created = createFile(path);
    if (!created)
        return created.error();
    QFile& file = **created;
    TemperatureDownload result;
    result.path = path;

    auto counts = link::request(link, link::cmd::downloadCounted(), 2);
    if (!counts) {
        result.stopped = counts.error();
        return result;
    }
    result.records = static_cast<int>(std::max(0LL, link::integerValue(counts->at(0))));
    result.channels = static_cast<int>(std::max(0LL, link::integerValue(counts->at(1))));
    if (result.records > kMaxRecords || result.channels > kMaxChannels) {
        file.close();
        return link::Error::data(
            QStringLiteral("Il datalogger annuncia %1 record di %2 canali: lo scarico ne accetta "
                           "al massimo %3 di %4 canali.")
                .arg(result.records)
                .arg(result.channels)
                .arg(kMaxRecords)
                .arg(kMaxChannels));
    }

    // The header needs only the counts; each record's line follows as soon as its last field is in.
    const QByteArray header = "DATA ACQ.: " + now.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + "  " +
                              now.toString(QStringLiteral("HH:mm:ss")).toLatin1() +
                              ",Numero Canali Attivi: " + QByteArray::number(result.channels) +
                              " ,Numero Dati per Canale: " + "     " + QByteArray::number(result.records) +
                              "\r\n\r\n\r\n\r\n\r\n\r\n";
    if (file.write(header) != header.size())
        return writeFailed(file);

    static constexpr int kTimeWidths[6] = {3, 3, 5, 3, 3, 3};
    static constexpr char kTimeSeparators[6] = {'/', '/', ' ', '.', '.', ' '};
    const int perRecord = 6 + result.channels;
    const qint64 total = qint64(perRecord) * result.records;
    int shownPercent = -1;
    QByteArray line;
    line.reserve(32 + 11 * result.channels);
    // What is complete is on disk before each wait for the logger: a cable pulled then loses nothing.
    bool unflushed = true;
    std::optional<link::Error> fileFailed;
    auto nextField = [&]() -> link::Result<QByteArrayView> {
        if (unflushed && !link.fieldWaiting()) {
            if (!file.flush()) {
                fileFailed = writeFailed(file);
                return *fileFailed;
            }
            unflushed = false;
        }
        return link.nextField();
    };
    for (int r = 0; r < result.records && !result.stopped; ++r) {
        line.resize(0);
        for (int k = 0; k < 6 && !result.stopped; ++k) {
            auto field = nextField();
            if (!field) {
                result.stopped = field.error();
                break;
            }
            appendTimePart(line, *field, kTimeWidths[k]);
            line += kTimeSeparators[k];
        }
        if (!result.stopped)
            line += "  ";
        for (int c = 0; c < result.channels && !result.stopped; ++c) {
            auto field = nextField();
            if (!field) {
                result.stopped = field.error();
                break;
            }
            line += ',';
            appendTemperatureColumn(line, *field);
        }
        if (result.stopped)
            break;
        line += "\r\n";
        if (file.write(line) != line.size())
            return writeFailed(file);
        unflushed = true;
        ++result.received;
        const int percent = int(qint64(result.received) * perRecord * 100 / total);
        if (progress && percent != shownPercent) {
            shownPercent = percent;
            progress(percent);
        }
    }
    if (fileFailed)
        return *fileFailed;
    file.close();
    if (file.error() != QFileDevice::NoError)
        return writeFailed(file);
    return result;
}

} // namespace stazione::data
