#include "data/downloads.h"

#include "data/file_names.h"
#include "link/exchange.h"
#include "link/messages.h"
#include "link/numbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace stazione::data {

namespace {

// A file or data error's message is already the operator's words; a link's own error is shown by
// its kind, with the notes after it.
bool operatorReadsMessage(const link::Error& error)
{
    return error.kind == link::ErrorKind::File || error.kind == link::ErrorKind::Data ||
           error.kind == link::ErrorKind::Refused;
}

void addNote(link::Error& error, const QString& note)
{
    if (error.shown.isEmpty() && operatorReadsMessage(error))
        return;
    error.notes += (error.notes.isEmpty() ? QString() : QStringLiteral("\n")) + note;
}

link::Error fileError(int number, const QString& message)
{
    link::Error error = link::Error::file(message);
    error.number = number;
    return error;
}

// The file of a download while it runs: "<name>.part" (or "<name>.2.part", ... when an earlier
// download cut short kept that one) beside the name it will have. Only a
// download that ends well renames it over <name>; after a failure <name> stays as it was (an
// earlier good download of the day is not lost) and the .part keeps every complete line received.
// The rename also puts the file in place of a link of that name, never through it.
class PartFile {
public:
    static link::Result<std::unique_ptr<PartFile>> create(const QString& path)
    {
        const QFileInfo info(path);
        if (!info.dir().exists())
            return fileError(kFolderMissing, kDeviceMissing + QStringLiteral("\n") + info.absolutePath());
        if (info.isDir())
            return fileError(kInvalidName, invalidNameMessage(path) + QStringLiteral("\n(") +
                                               QObject::tr("c'è una cartella con quel nome") +
                                               QLatin1Char(')'));
        // An earlier download cut short keeps its .part: this one takes the next free name
        // ("<name>.2.part", ...). Nothing standing there, a link included, is written through or
        // removed.
        for (int n = 1; n <= kMaxParts; ++n) {
            const QString candidate =
                n == 1 ? path + QStringLiteral(".part") : path + QStringLiteral(".%1.part").arg(n);
            // NewOnly fails on any name that is taken, a dangling link too.
            auto part = std::unique_ptr<PartFile>(new PartFile(path, candidate));
            if (part->m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return part;
            if (const QFileInfo taken(candidate); taken.exists() || taken.isSymLink())
                continue;
            return fileError(kInvalidName, invalidNameMessage(path) + QStringLiteral("\n(") +
                                               part->m_file.errorString() + QLatin1Char(')'));
        }
        return fileError(kInvalidName, invalidNameMessage(path) + QStringLiteral("\n(") +
                                           QObject::tr("troppi file .part di download interrotti") +
                                           QLatin1Char(')'));
    }

    QString partPath() const { return m_file.fileName(); }

    // All of the bytes, or an error: a full disk takes part of a write and says nothing.
    link::Status write(const QByteArray& bytes)
    {
        if (m_file.write(bytes) != bytes.size())
            return failed();
        return {};
    }
    link::Status flush()
    {
        if (!m_file.flush())
            return failed();
        return {};
    }

    // Closes the file and puts it in place under its name.
    link::Status commit()
    {
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            return failed();
        const QByteArray from = QFile::encodeName(m_file.fileName());
        if (std::rename(from.constData(), QFile::encodeName(m_path).constData()) != 0)
            return link::Error::file(
                QCoreApplication::translate("stazione::data::Downloads",
                                            "Impossibile rinominare %1 in %2: %3")
                    .arg(m_file.fileName(), m_path, QString::fromLocal8Bit(std::strerror(errno))));
        return {};
    }

    // After a failure: the .part stays when it holds something, and the reason names it.
    void keep(link::Error& why, QString* savedIn)
    {
        m_file.close();
        if (QFileInfo(m_file.fileName()).size() == 0) {
            m_file.remove();
            return;
        }
        const QString note =
            QCoreApplication::translate("stazione::data::Downloads",
                                        "Il file %1 non è stato cambiato; i dati ricevuti sono in %2.")
                .arg(m_path, m_file.fileName());
        why.message += QLatin1Char('\n') + note;
        addNote(why, note);
        *savedIn = m_file.fileName();
    }

private:
    static constexpr int kMaxParts = 999;

    PartFile(const QString& path, const QString& partPath)
        : m_path(path)
        , m_file(partPath)
    {}

    link::Error failed() const
    {
        const QString reason = m_file.errorString().isEmpty() || m_file.error() == QFileDevice::NoError
                                   ? QObject::tr("il disco è pieno")
                                   : m_file.errorString();
        return link::Error::file(
            QCoreApplication::translate("stazione::data::Downloads", "Scrittura del file %1 non riuscita: %2")
                .arg(m_file.fileName(), reason));
    }

    QString m_path;
    QFile m_file;
};

// The stream was cut short on this side, the logger is still sending: the line is drained.
// A failure of the drain is added to the reason the download stopped.
void drainAfterStop(link::Link& link, std::optional<char> endMark, link::Error& stopped,
                    const std::function<void(const QString&)>& notice)
{
    if (stopped.kind == link::ErrorKind::TimedOut || stopped.kind == link::ErrorKind::LineLost ||
        stopped.kind == link::ErrorKind::Port)
        return; // the logger is silent, or the line is gone
    if (notice)
        notice(drainingText(std::chrono::duration_cast<std::chrono::seconds>(link::kDrainLimit)));
    auto tick = [&notice](std::chrono::seconds left) {
        if (notice)
            notice(drainingText(left));
    };
    if (auto drained = link::drainStream(link, endMark, link::kDrainLimit, tick); !drained) {
        if (stopped.shown.isEmpty() && operatorReadsMessage(stopped)) {
            stopped.message += QLatin1Char('\n') + link::operatorSentence(drained.error());
        } else {
            stopped.message += QLatin1Char('\n') + drained.error().message;
            addNote(stopped, link::operatorSentence(drained.error()));
        }
    }
}

link::Error waitEnded(link::CommPort::Wait wait, link::Link& link)
{
    link::Error error;
    switch (wait) {
    case link::CommPort::Wait::TimedOut:
        error = link::Error::timedOut(
            QCoreApplication::translate("stazione::data::Downloads",
                                        "Il datalogger ha smesso di inviare dati da %1 s.")
                .arg(double(link.replyTimeout().count()) / 1000.0));
        error.waitedMs = link.replyTimeout().count();
        break;
    case link::CommPort::Wait::Cancelled:
        error = link::Error::cancelled(
            QCoreApplication::translate("stazione::data::Downloads", "Scarico annullato."));
        break;
    default:
        error = link::Error::lineLost(QCoreApplication::translate(
            "stazione::data::Downloads", "La connessione con il datalogger si è interrotta."));
        break;
    }
    // The operator's words name the port.
    error.comPort = link.port().commPort();
    error.device = link.port().devicePath();
    // Said in the run's language already: the windows show it as it is.
    error.shown = error.message;
    return error;
}

// The exact value of a decimal text, rounded to tenths half away from zero; nothing for a text
// that is not a number. `Char` is char (bytes as received) or char16_t.
template<typename Char> std::optional<long long> tenths(const Char* text, qsizetype n)
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

// Writes the 10 characters of a value's column at `at` and returns where they end: "000.0" with a
// decimal point, or "**N.C.**" when the value, rounded to tenths as the column shows it, is out of
// range or not a number.
char* writeColumn(char* at, std::optional<long long> value)
{
    if (!value || *value < -300 || *value > 800) {
        std::copy_n("**N.C.**  ", 10, at); // a column of the line, not a string: no terminator
        return at + 10;
    }
    std::copy_n("          ", 10, at); // the blanks that pad it, written in one go
    // In range the integer part has at most two digits, written as three.
    const int magnitude = int(*value < 0 ? -*value : *value);
    char* p = at;
    if (*value < 0)
        *p++ = '-';
    p[0] = '0';
    p[1] = char('0' + magnitude / 100);
    p[2] = char('0' + magnitude / 10 % 10);
    p[3] = '.';
    p[4] = char('0' + magnitude % 10);
    return at + 10;
}

void appendColumn(QByteArray& out, std::optional<long long> value)
{
    char text[10];
    out.append(text, writeColumn(text, value) - text);
}

// A time field cut to its width and written with at least two digits ("00") at `at`; where it
// ends, or nothing when the field is not plain digits and needs the general rule.
char* writePlainTimePart(char* at, QByteArrayView field, int width)
{
    const qsizetype n = std::min<qsizetype>(width, field.size());
    const char* const cut = field.data();
    qsizetype digits = 0;
    while (digits < n && cut[digits] >= '0' && cut[digits] <= '9')
        ++digits;
    if (digits == 0 || digits != n)
        return nullptr;
    qsizetype start = 0;
    while (start + 1 < n && cut[start] == '0')
        ++start;
    if (n - start < 2)
        *at++ = '0';
    std::memcpy(at, cut + start, size_t(n - start));
    return at + (n - start);
}

// Blanks, a sign, a fraction or no number at all: the general rule.
QByteArray timePartByTheGeneralRule(QByteArrayView field, int width)
{
    const QByteArrayView cut = field.first(std::min<qsizetype>(width, field.size()));
    return link::formatNumber(QString::fromLatin1(cut), link::pattern::kTwoDigits).toLatin1();
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

QString drainingText(std::chrono::seconds left)
{
    return QCoreApplication::translate("stazione::ui::Messages", kDraining.toUtf8().constData()) +
           QLatin1Char(' ') + QCoreApplication::translate(kDrainingContext, kDrainingLeft).arg(left.count());
}

QString invalidNameMessage(const QString& path)
{
    return QCoreApplication::translate("stazione::data::Downloads", "Nome %1 non valido").arg(path);
}

link::Result<RecordedDownload> downloadRecords(link::Link& link, const QString& path, bool fromEnd,
                                               const std::function<void(qint64, const QString&)>& progress,
                                               const std::function<void(const QString&)>& notice,
                                               UnendedText unended)
{
    auto created = PartFile::create(path);
    if (!created)
        return created.error();
    PartFile& file = **created;
    RecordedDownload result;
    result.path = path;

    if (auto s = link::send(link, link::cmd::downloadRecords(fromEnd), 0); !s) {
        result.stopped = s.error();
        file.keep(*result.stopped, &result.path);
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
        // Text after the last line end waits for the rest of its line; at the end mark it is what
        // the logger sent last, without its line end.
        if (ended && out.size() > lineStart) {
            result.unended = out.mid(lineStart);
            if (unended == UnendedText::Kept) {
                out += "\r\n";
                lastLine = lineStart;
                lineStart = out.size();
                ++result.lines;
            }
        }
        carry = out.mid(lineStart);
        out.truncate(lineStart);
        // What the progress counts is on disk before the next piece is read, whether the logger
        // keeps up or not: a pulled cable, a signal or a kill loses only the line in the making.
        if (!out.isEmpty()) {
            if (auto written = file.write(out); !written) {
                result.stopped = written.error();
                break;
            }
            if (auto flushed = file.flush(); !flushed) {
                result.stopped = flushed.error();
                break;
            }
        }
        if (progress && lastLine >= 0)
            progress(result.lines,
                     QString::fromLatin1(out.constData() + lastLine, out.size() - lastLine - 2));
    }
    if (!result.stopped) {
        if (auto committed = file.commit(); !committed)
            result.stopped = committed.error();
        else
            return result;
    }
    if (!ended)
        drainAfterStop(link, link::cmd::kEndOfText, *result.stopped, notice);
    file.keep(*result.stopped, &result.path);
    return result;
}

QString temperatureColumn(QStringView received)
{
    QByteArray column;
    appendColumn(column, tenths(received.utf16(), received.size()));
    return QString::fromLatin1(column);
}

namespace {

// Reads the field that begins at `from`, writes its column at `out` and returns where the next
// field begins. The shape nearly every received value has ("23.46", "-3.5", "7") is read in one
// pass; anything else (blanks, a plus sign, more digits than a temperature has, no number) goes to
// the general rule, which gives the same value for these shapes. The field ends at a comma, and
// there is one before `end`: every scan below stops at it, so only the general rule looks for it.
const char* takeTemperatureColumn(const char* from, const char* end, char*& out)
{
    const char* p = from;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    long long whole = 0;
    const char* const wholeFrom = p;
    while (uint(*p - '0') <= 9 && p - wholeFrom < 9)
        whole = whole * 10 + (*p++ - '0');
    bool anyDigit = p > wholeFrom;
    int first = 0;
    bool roundUp = false;
    if (*p == '.') {
        const char* const fractionFrom = ++p;
        if (uint(*p - '0') <= 9) {
            first = *p++ - '0';
            if (uint(*p - '0') <= 9)
                roundUp = *p++ >= '5';
            while (uint(*p - '0') <= 9)
                ++p;
        }
        anyDigit = anyDigit || p > fractionFrom;
    }
    if (*p == ',' && anyDigit) {
        const long long value = whole * 10 + first + (roundUp ? 1 : 0);
        out = writeColumn(out, negative ? -value : value);
        return p + 1;
    }
    const auto* comma = static_cast<const char*>(std::memchr(p, ',', size_t(end - p)));
    out = writeColumn(out, tenths(from, comma - from));
    return comma + 1;
}

} // namespace

link::Result<TemperatureDownload> downloadTemperatures(link::Link& link, const QString& path,
                                                       const QDateTime& now,
                                                       const std::function<void(int)>& progress,
                                                       const std::function<void(const QString&)>& notice)
{
    auto created = PartFile::create(path);
    if (!created)
        return created.error();
    PartFile& file = **created;
    TemperatureDownload result;
    result.path = path;
    auto stop = [&](link::Error why) {
        drainAfterStop(link, std::nullopt, why, notice);
        file.keep(why, &result.path);
        result.stopped = std::move(why);
        return result;
    };

    if (auto sent = link::send(link, link::cmd::downloadCounted()); !sent)
        return stop(sent.error());
    if (notice)
        notice(kWaitPlease);
    QStringList counts;
    for (int i = 0; i < 2; ++i) {
        auto field = link.Leggi_Risposta();
        if (!field)
            return stop(field.error());
        counts << *field;
    }
    // Counts are taken whole, in 64 bits, and checked before anything is reserved: a count the
    // tables cannot hold is refused, whatever its size or sign.
    const long long records = link::integerValue(counts.at(0));
    const long long channels = link::integerValue(counts.at(1));
    if (records < 0 || records > kMaxRecords || channels < 0 || channels > kMaxChannels) {
        link::Error refused =
            link::Error::data(QCoreApplication::translate(
                                  "stazione::data::Downloads",
                                  "Il datalogger annuncia %1 record di %2 canali: lo scarico ne accetta "
                                  "da 0 a %3 di 0-%4 canali.")
                                  .arg(counts.at(0).trimmed().left(24), counts.at(1).trimmed().left(24),
                                       QString::number(kMaxRecords), QString::number(kMaxChannels)));
        drainAfterStop(link, std::nullopt, refused, notice);
        file.keep(refused, &result.path);
        return refused;
    }
    result.records = static_cast<int>(records);
    result.channels = static_cast<int>(channels);

    // A file that cannot be written whole is an error: the count of records would lie. The logger
    // may still be sending: the line is drained first.
    auto failedWrite = [&](link::Error why) -> link::Result<TemperatureDownload> {
        if (result.received < result.records)
            drainAfterStop(link, std::nullopt, why, notice);
        file.keep(why, &result.path);
        return why;
    };

    // The header needs only the counts; each record's line follows as soon as its last field is in.
    const QByteArray header = "DATA ACQ.: " + now.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + "  " +
                              now.toString(QStringLiteral("HH:mm:ss")).toLatin1() +
                              ",Numero Canali Attivi: " + QByteArray::number(result.channels) +
                              " ,Numero Dati per Canale: " + "     " + QByteArray::number(result.records) +
                              "\r\n\r\n\r\n\r\n\r\n\r\n";
    if (auto written = file.write(header); !written)
        return failedWrite(written.error());

    static constexpr int kTimeWidths[6] = {3, 3, 5, 3, 3, 3};
    static constexpr char kTimeSeparators[6] = {'/', '/', ' ', '.', '.', ' '};
    const int perRecord = 6 + result.channels;
    const qint64 total = qint64(perRecord) * result.records;
    int shownPercent = -1;
    // Each record's line is written through a pointer into a buffer with room for it: time parts
    // of plain digits (at most 5 and a separator), two blanks, a comma and 10 characters a
    // column, the line end. A time part by the general rule may need more: the buffer grows then.
    const qsizetype plainRecord = 6 * 6 + 2 + 11 * qsizetype(result.channels) + 2;
    QByteArray line(plainRecord, '\0');
    // What is complete is on disk before each wait for the logger: a cable pulled then loses nothing.
    bool unflushed = true;
    std::optional<link::Error> fileFailed;
    std::optional<link::Error> readFailed;
    // The fields are cut from all that was received in one piece, [at, end), which ends with a
    // comma; the port is read, and waited on, only when that runs out.
    const char* at = nullptr;
    const char* end = nullptr;
    auto haveField = [&] {
        if (at != end)
            return true;
        QByteArrayView more = link.waitingFields();
        if (more.isEmpty()) {
            if (unflushed) {
                if (auto flushed = file.flush(); !flushed) {
                    fileFailed = flushed.error();
                    return false;
                }
                unflushed = false;
            }
            auto read = link.nextFields();
            if (!read) {
                readFailed = read.error();
                return false;
            }
            more = *read;
        }
        at = more.data();
        end = at + more.size();
        return true;
    };
    for (int r = 0; r < result.records; ++r) {
        char* p = line.data();
        for (int k = 0; k < 6; ++k) {
            if (!haveField())
                return fileFailed ? failedWrite(*fileFailed) : stop(*readFailed);
            const auto* comma = static_cast<const char*>(std::memchr(at, ',', size_t(end - at)));
            const QByteArrayView field(at, comma - at);
            at = comma + 1;
            char* written = writePlainTimePart(p, field, kTimeWidths[k]);
            if (!written) {
                const QByteArray text = timePartByTheGeneralRule(field, kTimeWidths[k]);
                const qsizetype used = p - line.data();
                line.resize(std::max(line.size(), used + text.size() + plainRecord));
                p = line.data() + used;
                std::memcpy(p, text.constData(), size_t(text.size()));
                written = p + text.size();
            }
            p = written;
            *p++ = kTimeSeparators[k];
        }
        *p++ = ' ';
        *p++ = ' ';
        for (int c = 0; c < result.channels; ++c) {
            if (!haveField())
                return fileFailed ? failedWrite(*fileFailed) : stop(*readFailed);
            *p++ = ',';
            at = takeTemperatureColumn(at, end, p);
        }
        *p++ = '\r';
        *p++ = '\n';
        if (auto written = file.write(QByteArray::fromRawData(line.constData(), p - line.constData()));
            !written)
            return failedWrite(written.error());
        unflushed = true;
        ++result.received;
        const int percent = int(qint64(result.received) * perRecord * 100 / total);
        if (progress && percent != shownPercent) {
            shownPercent = percent;
            progress(percent);
        }
    }
    // Whatever the logger sent after the last record is not the download's.
    link.putBack(end - at);
    if (auto committed = file.commit(); !committed)
        return failedWrite(committed.error());
    return result;
}

} // namespace stazione::data
