#include "data/data_file.h"

#include "link/settings_file.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>

namespace stazione::data {

// The value of a text known to be a decimal number.
double checkedDecimalValue(std::string_view text);

namespace {

constexpr std::string_view kTemperatureHeader = "DATA ACQ.:";
constexpr std::string_view kChannelCount = "Numero Canali Attivi:";
constexpr std::string_view kStartMark = "[INIZIO DATI]";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isDecimal(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    int digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    return i == text.size() && digits > 0;
}

// Cells the files write where a channel has no value.
bool isGapText(std::string_view text)
{
    return text.empty() || text == "**N.C.**" || text == "Timeout" || text == "N.C.";
}

// A decimal whose magnitude no measurement has: more than 39 digits before the point, or beyond
// kLargestValue. Most values have a handful of digits and are passed at the first test.
bool outOfRangeValue(std::string_view text)
{
    if (text.size() < 39)
        return false;
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    while (i < text.size() && text[i] == '0')
        ++i;
    const size_t point = text.find('.', i);
    const size_t whole = (point == std::string_view::npos ? text.size() : point) - i;
    if (whole < 39)
        return false;
    if (whole > 39)
        return true;
    double value = 0;
    std::from_chars(text.data() + i, text.data() + text.size(), value);
    return !(value <= kLargestValue);
}

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

struct Civil {
    qint64 year;
    unsigned month, day;
};

Civil civilFromDays(qint64 z)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 y = qint64(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

int daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// A run of digits at `i`, at least `least` and at most `most` of them.
bool number(std::string_view text, size_t& i, int least, int most, int& value, int* count = nullptr)
{
    int n = 0;
    value = 0;
    while (i < text.size() && isDigit(text[i]) && n < most) {
        value = value * 10 + (text[i] - '0');
        ++i;
        ++n;
    }
    if (count)
        *count = n;
    return n >= least && !(i < text.size() && isDigit(text[i]));
}

bool separator(std::string_view text, size_t& i, std::string_view allowed)
{
    if (i < text.size() && allowed.find(text[i]) != std::string_view::npos) {
        ++i;
        return true;
    }
    return false;
}

// "DD/MM/YY hh.mm.ss", "DD/MM/YYYY hh:mm:ss" and the like at the start of `text`; the length read.
std::optional<size_t> timeStamp(std::string_view text, qint64& milliseconds)
{
    size_t i = 0;
    int day, month, year, hour, minute, second, yearDigits = 0;
    if (!number(text, i, 1, 2, day) || !separator(text, i, "/-.") || !number(text, i, 1, 2, month) ||
        !separator(text, i, "/-.") || !number(text, i, 2, 4, year, &yearDigits) || yearDigits == 3)
        return std::nullopt;
    if (i >= text.size() || !isBlank(text[i]))
        return std::nullopt;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (!number(text, i, 1, 2, hour) || !separator(text, i, ":.") || !number(text, i, 1, 2, minute) ||
        !separator(text, i, ":.") || !number(text, i, 1, 2, second))
        return std::nullopt;
    if (yearDigits == 2)
        year += 2000;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    milliseconds = wallMilliseconds(year, month, day, hour, minute, second);
    return i;
}

QString quoted(std::string_view text)
{
    constexpr size_t kShown = 40;
    QString shown = QString::fromLatin1(text.data(), qsizetype(std::min(text.size(), kShown)));
    if (text.size() > kShown)
        shown += QStringLiteral("...");
    return QStringLiteral("«%1»").arg(shown);
}

class DataSetSink : public RowSink {
public:
    void begin(DataFileKind kind, const QStringList& channels) override
    {
        set.kind = kind;
        m_columns = sessionColumns(set.channels, channels);
        // A new column has a gap in every row read before it.
        set.values.resize(size_t(set.channels.size()), std::vector<double>(set.times.size(), kGap));
        m_plain = true;
        for (size_t c = 0; c < m_columns.size(); ++c)
            m_plain = m_plain && m_columns[c] == int(c);
        m_plain = m_plain && m_columns.size() == set.values.size();
    }

    void row(qint64 time, const std::string_view* cells, int count) override
    {
        set.times.push_back(time);
        if (m_plain) {
            for (int c = 0; c < count; ++c)
                set.values[size_t(c)].push_back(cells[c].empty() ? kGap : checkedDecimalValue(cells[c]));
            return;
        }
        // A later session: its channels go to their columns, the others have a gap.
        for (auto& column : set.values)
            column.push_back(kGap);
        for (int c = 0; c < count; ++c) {
            if (!cells[c].empty())
                set.values[size_t(m_columns[size_t(c)])].back() = checkedDecimalValue(cells[c]);
        }
    }

    void reserve(qint64 rows)
    {
        set.times.reserve(size_t(rows));
        for (auto& column : set.values)
            column.reserve(size_t(rows));
    }

    DataSet set;

private:
    std::vector<int> m_columns;
    bool m_plain = true;
};

class NullSink : public RowSink {
public:
    void begin(DataFileKind, const QStringList&) override {}
    void row(qint64, const std::string_view*, int) override {}
};

} // namespace

qint64 wallMilliseconds(int year, int month, int day, int hour, int minute, int second)
{
    return (daysFromCivil(year, unsigned(month), unsigned(day)) * 86400 + hour * 3600 + minute * 60 +
            second) *
           1000;
}

qint64 wallMilliseconds(const QDateTime& local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    return wallMilliseconds(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()) + t.msec();
}

QDateTime wallDateTime(qint64 milliseconds)
{
    const qint64 days =
        milliseconds >= 0 ? milliseconds / 86400000 : -((-milliseconds + 86399999) / 86400000);
    const qint64 within = milliseconds - days * 86400000;
    const Civil c = civilFromDays(days);
    return QDateTime(QDate(int(c.year), int(c.month), int(c.day)),
                     QTime::fromMSecsSinceStartOfDay(int(within)));
}

QByteArray isoText(qint64 milliseconds)
{
    const qint64 days =
        milliseconds >= 0 ? milliseconds / 86400000 : -((-milliseconds + 86399999) / 86400000);
    const qint64 seconds = (milliseconds - days * 86400000) / 1000;
    const Civil c = civilFromDays(days);
    char text[32];
    // Years of four digits written digit by digit: a database's year of readings asks for this
    // once a reading.
    if (c.year >= 0 && c.year <= 9999) {
        const auto two = [](char* at, unsigned value) {
            at[0] = char('0' + value / 10);
            at[1] = char('0' + value % 10);
        };
        two(text, unsigned(c.year / 100));
        two(text + 2, unsigned(c.year % 100));
        text[4] = '-';
        two(text + 5, c.month);
        text[7] = '-';
        two(text + 8, c.day);
        text[10] = 'T';
        two(text + 11, unsigned(seconds / 3600));
        text[13] = ':';
        two(text + 14, unsigned(seconds / 60 % 60));
        text[16] = ':';
        two(text + 17, unsigned(seconds % 60));
        return QByteArray(text, 19);
    }
    const int n =
        std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d", static_cast<long long>(c.year),
                      c.month, c.day, int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return QByteArray(text, n);
}

std::optional<double> decimalValue(std::string_view text)
{
    if (!isDecimal(text))
        return std::nullopt;
    return checkedDecimalValue(text);
}

double checkedDecimalValue(std::string_view text)
{
    // Up to 15 digits, the digits as a whole number divided by a power of ten is the correctly
    // rounded value: both are exact doubles and the division rounds once.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        ++i;
    }
    quint64 mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        if (digits == 0 && text[i] == '0') {
            if (point)
                ++decimals;
            continue;
        }
        mantissa = mantissa * 10 + quint64(text[i] - '0');
        ++digits;
        if (point)
            ++decimals;
        if (digits > 15)
            break;
    }
    if (digits <= 15 && decimals <= 15) {
        const double value = double(mantissa) / kPowers[decimals];
        return negative ? -value : value;
    }
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    double value = 0;
    std::from_chars(begin, text.data() + text.size(), value);
    return value;
}

DataFileParser::DataFileParser(RowSink& sink, qsizetype longestLine)
    : m_sink(sink)
    , m_longestLine(longestLine)
{}

bool DataFileParser::fail(const QString& message)
{
    m_error = DataError{
        m_line,
        QCoreApplication::translate("stazione::data::DataFile", "Riga %1: %2").arg(m_line).arg(message)};
    return false;
}

bool DataFileParser::tooLong()
{
    ++m_line;
    const QString limit = m_longestLine % (1 << 20) == 0 ? QStringLiteral("%1 MiB").arg(m_longestLine >> 20)
                                                         : QStringLiteral("%1 byte").arg(m_longestLine);
    m_error =
        DataError{m_line, QCoreApplication::translate("stazione::data::DataFile",
                                                      "La riga %1 è più lunga di %2: non è un file di dati.")
                              .arg(m_line)
                              .arg(limit)};
    return false;
}

bool DataFileParser::tooManyChannels()
{
    return fail(QCoreApplication::translate("stazione::data::DataFile", "il file ha più di %1 canali.")
                    .arg(kMaxFileChannels));
}

std::vector<int> sessionColumns(QStringList& all, const QStringList& session)
{
    std::vector<int> columns;
    std::vector<bool> taken(size_t(all.size()), false);
    for (const QString& name : session) {
        int at = -1;
        for (qsizetype c = 0; c < all.size() && at < 0; ++c) {
            if (!taken[size_t(c)] && all[c] == name)
                at = int(c);
        }
        if (at < 0) {
            at = int(all.size());
            all << name;
            taken.push_back(false);
        }
        taken[size_t(at)] = true;
        columns.push_back(at);
    }
    return columns;
}

// The channels of a session; a later session with other names than the one before starts anew.
bool DataFileParser::session(const QStringList& names)
{
    if (m_started && names == m_sessionNames)
        return true;
    QStringList all = m_allNames;
    sessionColumns(all, names);
    if (names.size() > kMaxFileChannels || all.size() > kMaxFileChannels)
        return tooManyChannels();
    m_allNames = all;
    m_sessionNames = names;
    m_channels = int(names.size());
    m_started = true;
    m_sink.begin(*m_kind, names);
    return true;
}

bool DataFileParser::feed(QByteArrayView bytes)
{
    if (m_error)
        return false;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (!m_carry.isEmpty()) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lf) {
            if (m_carry.size() + (end - p) > m_longestLine + 1)
                return tooLong();
            m_carry.append(p, end - p);
            return true;
        }
        if (m_carry.size() + (lf - p) > m_longestLine + 1)
            return tooLong();
        m_carry.append(p, lf - p);
        p = lf + 1;
        const QByteArray text = std::exchange(m_carry, {});
        if (!line(std::string_view(text.constData(), size_t(text.size()))))
            return false;
    }
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lf) {
            if (end - p > m_longestLine + 1)
                return tooLong();
            m_carry.append(p, end - p);
            break;
        }
        // The line end's "\r" may come on top of the longest line.
        if (lf - p > m_longestLine + 1)
            return tooLong();
        if (!line(std::string_view(p, size_t(lf - p))))
            return false;
        p = lf + 1;
    }
    return true;
}

bool DataFileParser::finish()
{
    if (m_error)
        return false;
    if (!m_carry.isEmpty()) {
        const QByteArray text = std::exchange(m_carry, {});
        if (!line(std::string_view(text.constData(), size_t(text.size()))))
            return false;
    }
    if (!m_kind) {
        m_line = 0;
        return fail(QCoreApplication::translate("stazione::data::DataFile", "il file è vuoto."));
    }
    if (m_awaitingHeader) {
        m_line = 0;
        return fail(QCoreApplication::translate(
            "stazione::data::DataFile", "il file della misura continua non ha la riga d'intestazione."));
    }
    return true;
}

bool DataFileParser::line(std::string_view text)
{
    ++m_line;
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    if (trimmed(text).empty())
        return true;
    if (!m_kind || m_awaitingHeader)
        return firstLine(text);
    switch (*m_kind) {
    case DataFileKind::Temperature:
        return temperatureRow(text);
    case DataFileKind::Continuous:
        return continuousRow(text);
    case DataFileKind::Sensor:
        return sensorRow(text);
    }
    return false;
}

bool DataFileParser::firstLine(std::string_view text)
{
    if (text.substr(0, kTemperatureHeader.size()) == kTemperatureHeader) {
        m_kind = DataFileKind::Temperature;
        const size_t at = text.find(kChannelCount);
        if (at == std::string_view::npos)
            return fail(QCoreApplication::translate(
                "stazione::data::DataFile",
                "l'intestazione del file delle temperature non dice quanti canali ha."));
        size_t i = at + kChannelCount.size();
        while (i < text.size() && isBlank(text[i]))
            ++i;
        int channels = 0;
        if (!number(text, i, 1, 4, channels))
            return fail(QCoreApplication::translate("stazione::data::DataFile",
                                                    "il numero di canali dell'intestazione non si legge."));
        if (channels > kMaxFileChannels)
            return tooManyChannels();
        QStringList names;
        for (int c = 0; c < channels; ++c)
            names << QStringLiteral("CH %1").arg(c);
        return session(names);
    }
    const std::string_view trimmedText = trimmed(text);
    if (!m_kind && trimmedText == kStartMark) {
        m_kind = DataFileKind::Continuous;
        m_awaitingHeader = true;
        return true;
    }
    if (trimmed(text.substr(0, text.find(','))) == "Date") {
        m_kind = DataFileKind::Continuous;
        m_awaitingHeader = false;
        return header(text);
    }
    if (m_awaitingHeader)
        return fail(
            QCoreApplication::translate("stazione::data::DataFile",
                                        "dopo [INIZIO DATI] ci vuole l'intestazione Date,CH 0,..., non %1.")
                .arg(quoted(text)));
    m_kind = DataFileKind::Sensor;
    return sensorRow(text);
}

// "Date,CH 0,CH 1,...": the channels of the session that follows.
bool DataFileParser::header(std::string_view text)
{
    QStringList names;
    size_t from = text.find(',');
    while (from != std::string_view::npos) {
        if (names.size() >= kMaxFileChannels)
            return tooManyChannels();
        const size_t next = text.find(',', from + 1);
        const auto name =
            trimmed(text.substr(from + 1, next == std::string_view::npos ? next : next - from - 1));
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
        from = next;
    }
    return session(names);
}

bool DataFileParser::cells(std::string_view text, char separator)
{
    m_cells.clear();
    // A line with the time alone has no values, which only a file without channels may have.
    if (text.empty())
        return m_channels <= 0 || fail(QStringLiteral("0 valori invece di %1.").arg(m_channels));
    if (text.front() != separator)
        return fail(QCoreApplication::translate("stazione::data::DataFile",
                                                "dopo la data e l'ora ci vuole %1, non %2.")
                        .arg(QLatin1Char(separator))
                        .arg(quoted(text)));
    size_t from = 1;
    while (true) {
        const size_t next = text.find(separator, from);
        const std::string_view cell =
            trimmed(text.substr(from, next == std::string_view::npos ? std::string_view::npos : next - from));
        if (m_cells.size() >= size_t(kMaxFileChannels)) {
            // Stopped here, before a line of thousands of cells is gathered.
            if (m_channels < 0)
                return tooManyChannels();
            return fail(
                QCoreApplication::translate("stazione::data::DataFile", "più di %1 valori invece di %2.")
                    .arg(kMaxFileChannels)
                    .arg(m_channels));
        }
        if (isGapText(cell)) {
            m_cells.push_back({});
        } else if (isDecimal(cell)) {
            if (outOfRangeValue(cell)) {
                ++m_outOfRange;
                m_cells.push_back({});
            } else {
                m_cells.push_back(cell);
            }
        } else {
            return fail(QCoreApplication::translate("stazione::data::DataFile",
                                                    "il valore %1 del canale %2 non è un numero.")
                            .arg(quoted(cell), QString::number(m_cells.size())));
        }
        if (next == std::string_view::npos)
            break;
        from = next + 1;
    }
    if (m_channels >= 0 && int(m_cells.size()) != m_channels)
        return fail(QCoreApplication::translate("stazione::data::DataFile", "%1 valori invece di %2.")
                        .arg(m_cells.size())
                        .arg(m_channels));
    return true;
}

bool DataFileParser::temperatureRow(std::string_view text)
{
    return timedRow(text, QStringLiteral("GG/MM/AA hh.mm.ss"));
}

// A line of the program's own files: the time, blanks, then the cells after a ",".
bool DataFileParser::timedRow(std::string_view text, const QString& timeLayout)
{
    qint64 time = 0;
    const auto length = timeStamp(text, time);
    if (!length)
        return fail(QCoreApplication::translate("stazione::data::DataFile",
                                                "%1 non comincia con la data e l'ora (%2).")
                        .arg(quoted(text), timeLayout));
    size_t i = *length;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (!cells(text.substr(i), ','))
        return false;
    m_sink.row(time, m_cells.data(), int(m_cells.size()));
    return true;
}

bool DataFileParser::continuousRow(std::string_view text)
{
    // "[FINE DATI]" and "[FILE TERMINATO INASPETTATAMENTE]" close a session; a session appended
    // after it starts with "[INIZIO DATI]" and its own header, which may name other channels.
    if (text.front() == '[')
        return true;
    if (trimmed(text.substr(0, text.find(','))) == "Date")
        return header(text);
    return timedRow(text, QStringLiteral("GG/MM/AAAA hh:mm:ss"));
}

bool DataFileParser::sensorRow(std::string_view text)
{
    qint64 time = 0;
    const auto length = timeStamp(text, time);
    if (!length)
        return fail(QCoreApplication::translate("stazione::data::DataFile",
                                                "la riga %1 non è nella forma «data ora, valore, valore...».")
                        .arg(quoted(text)));
    size_t i = *length;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const std::string_view rest = text.substr(i);
    if (!m_started) {
        // The logger's own separator: the first one after the time.
        m_separator = !rest.empty() && rest.front() == ';' ? ';' : ',';
    }
    if (!cells(rest, m_separator))
        return false;
    if (!m_started) {
        QStringList names;
        for (size_t c = 0; c < m_cells.size(); ++c)
            names << QStringLiteral("CH %1").arg(c);
        if (!session(names))
            return false;
    }
    m_sink.row(time, m_cells.data(), int(m_cells.size()));
    return true;
}

bool DataSet::timesAscending() const
{
    return std::is_sorted(times.begin(), times.end());
}

void DataSet::sortByTime()
{
    if (timesAscending())
        return;
    std::vector<quint32> order(times.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [this](quint32 a, quint32 b) { return times[a] < times[b]; });
    auto permute = [&order](auto& column) {
        std::remove_reference_t<decltype(column)> sorted(column.size());
        for (size_t r = 0; r < order.size(); ++r)
            sorted[r] = column[order[r]];
        column.swap(sorted);
    };
    permute(times);
    for (auto& column : values)
        permute(column);
}

link::Result<DataSet> parseDataFile(QByteArrayView bytes, DataError* where)
{
    DataSetSink sink;
    DataFileParser parser(sink);
    if (!parser.feed(bytes) || !parser.finish()) {
        if (where)
            *where = *parser.error();
        return link::Error::data(parser.error()->message);
    }
    sink.set.outOfRange = parser.outOfRange();
    return std::move(sink.set);
}

link::Status openDataFile(QFile& file, const QString& path)
{
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Follow);
        !opened)
        return link::Error::file(
            QCoreApplication::translate("stazione::data::DataFile", "Il file %1 non si apre: %2")
                .arg(path, opened.refusal->text()));
    return {};
}

link::Result<DataSet> readDataFile(const QString& path, DataError* where)
{
    QFile file;
    if (auto opened = openDataFile(file, path); !opened)
        return opened.error();
    DataSetSink sink;
    DataFileParser parser(sink);
    constexpr qint64 kPiece = 4 << 20;
    QByteArray buffer(kPiece, Qt::Uninitialized);
    const qint64 size = file.size();
    qint64 done = 0;
    bool sized = false;
    while (true) {
        const qint64 n = file.read(buffer.data(), kPiece);
        if (n < 0)
            return link::Error::file(
                QCoreApplication::translate("stazione::data::DataFile", "Il file %1 non si legge: %2")
                    .arg(path, file.errorString()));
        if (n == 0)
            break;
        done += n;
        if (!parser.feed(QByteArrayView(buffer.constData(), n)))
            break;
        if (!sized && !sink.set.times.empty() && done < size) {
            // Sized once from the first piece, so that the arrays are not copied as they grow. The
            // pages of room never filled are never touched, so they take no memory.
            sink.reserve(qint64(double(sink.set.times.size()) * double(size) / double(done) * 1.02) + 16);
            sized = true;
        }
    }
    if (parser.error() || !parser.finish()) {
        if (where)
            *where = *parser.error();
        return link::Error::data(parser.error()->message);
    }
    sink.set.outOfRange = parser.outOfRange();
    return std::move(sink.set);
}

std::optional<DataFileKind> sniffDataFile(QByteArrayView head)
{
    NullSink sink;
    DataFileParser parser(sink);
    const auto lastLine = head.lastIndexOf('\n');
    const QByteArrayView whole = lastLine >= 0 ? head.first(lastLine + 1) : head;
    const bool read = parser.feed(whole) && (lastLine >= 0 || parser.finish());
    // The header names the temperature and continuous files, whatever their lines hold; the
    // sensor data file is known only by lines that all read.
    if (parser.kind() == DataFileKind::Sensor && !read)
        return std::nullopt;
    if (parser.kind() == DataFileKind::Continuous && parser.error() && parser.error()->line <= 2)
        return std::nullopt;
    return parser.kind();
}

QString kindName(DataFileKind kind)
{
    switch (kind) {
    case DataFileKind::Temperature:
        return QCoreApplication::translate("stazione::data::DataFile", "file delle temperature");
    case DataFileKind::Continuous:
        return QCoreApplication::translate("stazione::data::DataFile", "file della misura continua");
    case DataFileKind::Sensor:
        return QCoreApplication::translate("stazione::data::DataFile", "file dei dati dei sensori");
    }
    return {};
}

} // namespace stazione::data
