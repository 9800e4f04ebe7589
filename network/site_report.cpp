#include "network/site_report.h"

#include "data/csv_export.h"
#include "data/data_file.h"
#include "data/file_names.h"
#include "link/port_resolver.h"
#include "network/archive.h"
#include "network/data_root.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace stazione::data {

namespace {

// A site of ours carries this file, which lists the files the report wrote beside it; a folder
// without it, or holding anything else, is never replaced or deleted.
const QString kSiteMark = QStringLiteral(".stazione-sito");
const QByteArray kSiteMarkFirstLine = "stazione-cli report\n";

// The longest stretch of an archive read back from its end: far more than the last days of a
// logger that records every few minutes.
constexpr qint64 kMaxTailBytes = 16 << 20;
constexpr qint64 kChunk = 64 << 10;

// A text of the pages. It has no default: a table that leaves one out does not compile.
struct Text {
    constexpr Text(const char* text)
        : utf8(text)
    {}
    const char* utf8;
};

// The pages' words in each language, filled by name: a text set out of the fields' order or left
// out does not compile, so no text can take another's place.
struct Texts {
    Text language;
    Text title;
    Text generated;
    Text alerts;
    Text noAlerts;
    Text stations;
    Text ok;
    Text failed;
    Text never;
    Text number;
    Text name;
    Text lastCall;
    Text lastSuccess;
    Text age;
    Text newLines;
    Text totalLines;
    Text battery;
    Text memory;
    Text clock;
    Text corrected;
    Text openAlerts;
    Text network;
    Text history;
    Text trend;
    Text measurements;
    Text unreadLines;
    Text lastLinesOf;
    Text archive;
    Text csv;
    Text start;
    Text result;
    Text attempts;
    Text error;
    Text noData;
    Text lastCalls;
    Text from;
    Text to;
    Text driftOf;
    Text since;
    Text channel;
    Text minimum;
    Text maximum;
    Text last;
    Text chartOf;
    Text cancelledOnly;
    Text countsNote;
    Text alertHistory;
    Text time;
    Text alert;
    Text state;
    Text raised;
    Text cleared;
    Text threshold;
    Text sensors;
    Text sensorsRead;
    Text zeroVolts;
    Text fullVolts;
    Text zeroValue;
    Text fullValue;
};

constexpr Texts kItalian{
    .language = "it",
    .title = "Rete delle stazioni",
    .generated = "Rapporto generato il",
    .alerts = "Allarmi aperti",
    .noAlerts = "Nessun allarme aperto.",
    .stations = "Stazioni",
    .ok = "riuscite",
    .failed = "fallite",
    .never = "di cui mai raggiunte",
    .number = "N.",
    .name = "Nome",
    .lastCall = "Ultima chiamata",
    .lastSuccess = "Ultima raccolta riuscita",
    .age = "Età (giorni)",
    .newLines = "Righe nuove",
    .totalLines = "Righe totali",
    .battery = "Batteria (V)",
    .memory = "Memoria usata (%)",
    .clock = "Orologio (s)",
    .corrected = "corretto",
    .openAlerts = "Allarmi",
    .network = "Rete",
    .history = "Storico delle raccolte",
    .trend = "Andamento",
    .measurements = "Misure dal %1 al %2 (gli ultimi %3 giorni dell'archivio)",
    .unreadLines = "righe dell'archivio non lette (scritture interrotte): %1",
    .lastLinesOf = "Ultime righe dell'archivio",
    .archive = "Archivio",
    .csv = "CSV degli ultimi giorni",
    .start = "Inizio",
    .result = "Esito",
    .attempts = "Tentativi",
    .error = "Errore",
    .noData = "Nessun dato.",
    .lastCalls = "ultime %1 chiamate",
    .from = "da",
    .to = "a",
    .driftOf = "scarto dell'orologio",
    .since = "dal",
    .channel = "Canale",
    .minimum = "Minimo",
    .maximum = "Massimo",
    .last = "Ultimo",
    .chartOf = "Grafico di %1",
    .cancelledOnly = "solo raccolte interrotte",
    .countsNote =
        "Ogni stazione è contata una volta, per la sua ultima raccolta non interrotta: riuscite, quelle in "
        "cui è riuscita; fallite, quelle in cui è fallita, comprese le mai raggiunte, le fallite che non "
        "hanno mai avuto una raccolta riuscita; solo raccolte interrotte, quelle senza altre raccolte.",
    .alertHistory = "Storico degli allarmi",
    .time = "Ora",
    .alert = "Allarme",
    .state = "Stato",
    .raised = "aperto",
    .cleared = "chiuso",
    .threshold = "soglia",
    .sensors = "Sensori",
    .sensorsRead = "Nomi e scala dei canali come il datalogger li ha dati il %1",
    .zeroVolts = "Volt a zero",
    .fullVolts = "Volt a fondo scala",
    .zeroValue = "Valore a zero",
    .fullValue = "Valore a fondo scala",
};

constexpr Texts kEnglish{
    .language = "en",
    .title = "Station network",
    .generated = "Report made on",
    .alerts = "Open alerts",
    .noAlerts = "No open alert.",
    .stations = "Stations",
    .ok = "succeeded",
    .failed = "failed",
    .never = "of them never reached",
    .number = "No.",
    .name = "Name",
    .lastCall = "Last call",
    .lastSuccess = "Last successful collection",
    .age = "Age (days)",
    .newLines = "New lines",
    .totalLines = "Total lines",
    .battery = "Battery (V)",
    .memory = "Memory used (%)",
    .clock = "Clock (s)",
    .corrected = "corrected",
    .openAlerts = "Alerts",
    .network = "Network",
    .history = "Collection history",
    .trend = "Trend",
    .measurements = "Measurements from %1 to %2 (the archive's last %3 days)",
    .unreadLines = "lines of the archive not read (writes cut short): %1",
    .lastLinesOf = "Last lines of the archive",
    .archive = "Archive",
    .csv = "CSV of the last days",
    .start = "Start",
    .result = "Result",
    .attempts = "Attempts",
    .error = "Error",
    .noData = "No data.",
    .lastCalls = "last %1 calls",
    .from = "from",
    .to = "to",
    .driftOf = "clock drift",
    .since = "since",
    .channel = "Channel",
    .minimum = "Minimum",
    .maximum = "Maximum",
    .last = "Last",
    .chartOf = "Chart of %1",
    .cancelledOnly = "only cancelled collections",
    .countsNote =
        "Each station is counted once, by its last collection that was not cancelled: succeeded, those "
        "where it succeeded; failed, those where it failed, the never reached included, which are the "
        "failed ones that never had a successful collection; only cancelled collections, those with no "
        "other collection.",
    .alertHistory = "Alert history",
    .time = "Time",
    .alert = "Alert",
    .state = "State",
    .raised = "raised",
    .cleared = "cleared",
    .threshold = "threshold",
    .sensors = "Sensors",
    .sensorsRead = "The channels' names and scaling as the logger gave them on %1",
    .zeroVolts = "Volts at zero",
    .fullVolts = "Volts at full scale",
    .zeroValue = "Value at zero",
    .fullValue = "Value at full scale",
};

QString t(Text text)
{
    return QString::fromUtf8(text.utf8);
}

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// A time as the collection wrote it (in the clock of the PC that collected): "2026-12-06 02:03".
// Formatted by hand: a site has tens of thousands of them.
QString when(const QDateTime& time)
{
    if (!time.isValid())
        return {};
    const QDate d = time.date();
    const QTime t = time.time();
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", d.year(), d.month(), d.day(),
                                t.hour(), t.minute());
    return QString::fromLatin1(text, n);
}

// "x,y " with one decimal each, the points of an SVG line. Not printf: the C library writes the
// locale's decimal mark (a comma under it_IT), and SVG reads only a dot.
void appendPoint(QString& points, double x, double y)
{
    char text[80];
    char* end = std::to_chars(text, text + 38, x, std::chars_format::fixed, 1).ptr;
    *end++ = ',';
    end = std::to_chars(end, end + 38, y, std::chars_format::fixed, 1).ptr;
    *end++ = ' ';
    points += QLatin1String(text, end - text);
}

QString number(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

// Everything a page may use comes from the page itself: the style sheet is allowed by its hash,
// pictures only as data, nothing is fetched.
const QString kStyle = QStringLiteral(
    "body{font-family:sans-serif;margin:1em;color:#111;background:#fff}"
    "table{border-collapse:collapse;margin:.5em 0}th,td{border:1px solid #bbb;padding:.2em .4em;"
    "text-align:left;vertical-align:middle}th{background:#eee}"
    "td.n{text-align:right}.r-ok{color:#075e07}.r-bad{color:#a00;font-weight:bold}"
    "tr.problem{background:#fff0f0}tr.never{background:#f4f4f4}"
    "#alerts{border:2px solid #a00;padding:.3em 1em;margin:1em 0}#alerts.quiet{border-color:#075e07}"
    "#alerts li{margin:.2em 0}.counts span{margin-right:1.5em;font-weight:bold}"
    "svg{vertical-align:middle}svg .line{fill:none;stroke:#1f5fa8;stroke-width:1.5}"
    "svg .axis{stroke:#888;stroke-width:1;fill:none}svg text{font-size:10px;fill:#333}"
    "svg .grid{stroke:#e3e3e3;stroke-width:1;fill:none}svg path.limit{stroke:#b00;stroke-width:1;"
    "stroke-dasharray:4 3;fill:none}svg text.limit{fill:#b00}"
    "figure{display:inline-block;margin:.5em 1em .5em 0}pre{background:#f6f6f6;padding:.5em;overflow:auto}"
    "@media print{body{margin:0;color:#000}a{color:#000;text-decoration:none}"
    "tr.problem{background:none}#alerts{border-color:#000}figure,table{page-break-inside:avoid}}");

QString policy()
{
    const QByteArray hash = QCryptographicHash::hash(kStyle.toUtf8(), QCryptographicHash::Sha256).toBase64();
    return QStringLiteral("default-src 'none'; style-src 'sha256-%1'; img-src data:; base-uri 'none'; "
                          "form-action 'none'")
        .arg(QString::fromLatin1(hash));
}

QString pageHead(const QString& language, const QString& title)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta http-equiv=\"Content-Security-Policy\" content=\"%2\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                          "<title>%3</title>\n<style>%4</style>\n</head>\n<body>\n")
        .arg(language, policy(), esc(title), kStyle);
}

// A small line without axes, for the table: its values told in its title.
QString sparkline(const std::vector<double>& values, const QString& label)
{
    std::vector<double> v;
    std::copy_if(values.begin(), values.end(), std::back_inserter(v),
                 [](double x) { return std::isfinite(x); });
    if (v.empty())
        return {};
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    const double span = *hi - *lo > 0 ? *hi - *lo : 1;
    constexpr double kW = 80;
    constexpr double kH = 18;
    QString points;
    for (size_t i = 0; i < v.size(); ++i) {
        const double x = v.size() == 1 ? kW / 2 : double(i) * kW / double(v.size() - 1);
        const double y = kH - 1 - (v[i] - *lo) / span * (kH - 2);
        appendPoint(points, x, y);
    }
    return QStringLiteral(
               "<svg class=\"spark\" width=\"80\" height=\"18\" viewBox=\"0 0 80 18\" role=\"img\" "
               "aria-label=\"%1\"><title>%1</title><polyline class=\"line\" points=\"%2\"/></svg>")
        .arg(esc(label), points.trimmed());
}

// A chart over time with its range written on the axes; a gap (NaN) breaks the line. Times are
// wall-clock milliseconds, as the files and the report write them: no time zone is looked up, which
// for tens of thousands of points would cost more than all the rest of the site.
// A time label under the axis: the day within a span of days, the hour within one day.
QString tickText(qint64 at, qint64 span)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(at, Qt::UTC);
    const QDate d = time.date();
    const QTime t = time.time();
    char text[16];
    const int n = span >= 2LL * 86400 * 1000
                      ? std::snprintf(text, sizeof text, "%02d-%02d", d.month(), d.day())
                      : std::snprintf(text, sizeof text, "%02d:%02d", t.hour(), t.minute());
    return QString::fromLatin1(text, n);
}

// A line chart in SVG: the values over their times, a gap where a value is missing, the first,
// the last and three times between under the axis, gridlines at those times and at the lowest,
// middle and highest value, and the alert's threshold as a dashed line when there is one.
QString chart(const QString& title, const std::vector<qint64>& times, const std::vector<double>& values,
              const QString& unit, const Texts& tx, std::optional<double> threshold = std::nullopt)
{
    double lo = INFINITY;
    double hi = -INFINITY;
    for (double v : values) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (times.empty() || !std::isfinite(lo))
        return QStringLiteral("<p>%1: %2</p>").arg(esc(title), esc(t(tx.noData)));
    // The description tells the values' own range; the axis takes the threshold in, so that it is
    // drawn within the chart, and around a value that never changes it spans one unit each way.
    const double lowest = lo;
    const double highest = hi;
    if (threshold && std::isfinite(*threshold)) {
        lo = std::min(lo, *threshold);
        hi = std::max(hi, *threshold);
    } else {
        threshold.reset();
    }
    if (!(hi > lo)) {
        lo -= 1;
        hi += 1;
    }
    const double span = hi - lo;
    const qint64 t0 = times.front();
    const qint64 t1 = std::max(times.back(), t0 + 1);
    constexpr double kW = 480;
    constexpr double kH = 160;
    constexpr double kLeft = 52;
    constexpr double kBottom = 20;
    constexpr double kRight = kW - 4;
    const auto xOf = [&](qint64 at) { return kLeft + double(at - t0) / double(t1 - t0) * (kRight - kLeft); };
    const auto yOf = [&](double v) { return kH - kBottom - (v - lo) / span * (kH - kBottom - 8); };
    // More points than pixels draw nothing more: keep the lowest and highest of each pixel column.
    const size_t step = std::max<size_t>(1, times.size() / size_t(kW));
    QString lines;
    QString points;
    const auto flush = [&] {
        if (!points.isEmpty())
            lines += QStringLiteral("<polyline class=\"line\" points=\"%1\"/>").arg(points.trimmed());
        points.clear();
    };
    const auto put = [&](size_t i) { appendPoint(points, xOf(times[i]), yOf(values[i])); };
    for (size_t from = 0; from < times.size(); from += step) {
        const size_t to = std::min(times.size(), from + step);
        size_t low = to;
        size_t high = to;
        bool gap = false;
        for (size_t i = from; i < to; ++i) {
            if (!std::isfinite(values[i])) {
                gap = true;
                continue;
            }
            if (low == to || values[i] < values[low])
                low = i;
            if (high == to || values[i] > values[high])
                high = i;
        }
        if (low != to) {
            put(std::min(low, high));
            if (high != low)
                put(std::max(low, high));
        }
        if (gap)
            flush();
    }
    flush();

    QString grid;
    for (double v : {lo, (lo + hi) / 2, hi})
        grid += QStringLiteral("M%1 %2H%3").arg(number(kLeft, 0), number(yOf(v)), number(kRight, 0));
    QString ticks;
    for (int k = 1; k < 4; ++k) {
        const qint64 at = t0 + (t1 - t0) * k / 4;
        grid += QStringLiteral("M%1 4V%2").arg(number(xOf(at)), number(kH - kBottom, 0));
        ticks += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                     .arg(number(xOf(at)), number(kH - 4, 0), esc(tickText(at, t1 - t0)));
    }
    ticks += QStringLiteral("<text x=\"2\" y=\"%1\">%2</text>")
                 .arg(number(yOf((lo + hi) / 2) + 3), esc(number((lo + hi) / 2, 2)));
    QString limit;
    if (threshold)
        limit =
            QStringLiteral("<path class=\"limit\" d=\"M%1 %2H%3\"/><text class=\"limit\" x=\"%3\" y=\"%4\" "
                           "text-anchor=\"end\">%5</text>")
                .arg(number(kLeft, 0), number(yOf(*threshold)), number(kRight, 0),
                     number(std::max(12.0, yOf(*threshold) - 3)),
                     esc(t(tx.threshold) + QLatin1Char(' ') + number(*threshold, 2) + QLatin1Char(' ') +
                         unit));
    const QString first = when(QDateTime::fromMSecsSinceEpoch(t0, Qt::UTC));
    const QString lastTime = when(QDateTime::fromMSecsSinceEpoch(times.back(), Qt::UTC));
    // One substitution each: a channel's name may hold "%1" itself.
    QString description =
        QStringLiteral("%1, %2 %3 %4 %5: %6 %7 %8 %9 %10")
            .arg(title, t(tx.from), first, t(tx.to), lastTime, t(tx.minimum), number(lowest, 2), unit,
                 t(tx.maximum), number(highest, 2) + QLatin1Char(' ') + unit);
    if (threshold)
        description += QStringLiteral("; ") + t(tx.threshold) + QLatin1Char(' ') + number(*threshold, 2) +
                       QLatin1Char(' ') + unit;
    return QStringLiteral(
               "<figure><svg width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" role=\"img\" "
               "aria-label=\"%3\"><title>%3</title>"
               "<path class=\"grid\" d=\"%14\"/>"
               "<path class=\"axis\" d=\"M%4 4V%5H%6\"/>"
               "<text x=\"2\" y=\"12\">%7</text><text x=\"2\" y=\"%5\">%8</text>"
               "<text x=\"%4\" y=\"%9\">%10</text><text x=\"%6\" y=\"%9\" text-anchor=\"end\">%11</text>"
               "%15%16%12</svg><figcaption>%13</figcaption></figure>")
        .arg(number(kW, 0), number(kH, 0), esc(description), number(kLeft, 0), number(kH - kBottom, 0),
             number(kW - 2, 0), esc(number(hi, 2)), esc(number(lo, 2)), number(kH - 4, 0), esc(first),
             esc(lastTime), lines,
             esc(unit.isEmpty() ? title : title + QStringLiteral(" (") + unit + QLatin1Char(')')), grid,
             ticks, limit);
}

// A station whose last call failed, or which has an open alert, is a problem to look at first.
struct Row {
    const StationHistory* station = nullptr;
    std::vector<const Alert*> alerts;
    bool failed = false; // the last call (cancelled ones aside) failed
    bool never = false;  // failed, and no call ever succeeded
};

QString alertText(const Alert& a, const Texts& tx)
{
    const AlertRuleRow& row = alertRule(a.kind);
    QString words =
        alertWords(a.kind, QString::fromLatin1(tx.language.utf8), number(a.value, row.valueDecimals),
                   number(a.threshold, row.thresholdDecimals));
    // After the station's name it begins a sentence of its own.
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

// Put together, not through arg(): a name may hold "%1" itself.
QString labelOf(const QString& name, int row)
{
    return name + QStringLiteral(" (") + QString::number(row) + QLatin1Char(')');
}

QString stationLabel(const StationHistory& s)
{
    return s.row > 0 ? labelOf(s.name, s.row) : s.name;
}

QString alertItem(const Alert& a, const StationHistory* s, const Texts& tx, bool link)
{
    const QString who = s ? stationLabel(*s) : labelOf(a.name, a.station);
    const QString named =
        link && s ? QStringLiteral("<a href=\"%1\">%2</a>").arg(stationPageName(*s), esc(who)) : esc(who);
    return QStringLiteral("<li class=\"alert\" data-station=\"%1\" data-kind=\"%2\">%3: %4 (%5 %6)</li>\n")
        .arg(QString::number(a.station), alertKindText(a.kind), named, esc(alertText(a, tx)),
             esc(t(tx.since)), esc(when(a.since)));
}

QString resultCell(const Call* c)
{
    if (!c)
        return QStringLiteral("<td></td>");
    return QStringLiteral("<td>%1 <span class=\"%2\">%3</span></td>")
        .arg(esc(when(c->outcome.start)), c->ok() ? QStringLiteral("r-ok") : QStringLiteral("r-bad"),
             esc(c->result));
}

QString driftText(const Call* c, const Texts& tx)
{
    if (!c || !c->outcome.clockDrift)
        return {};
    return QStringLiteral("%1%2%3")
        .arg(*c->outcome.clockDrift > 0 ? QStringLiteral("+") : QString())
        .arg(*c->outcome.clockDrift)
        .arg(c->outcome.clockCorrected ? QStringLiteral(" (") + t(tx.corrected) + QLatin1Char(')')
                                       : QString());
}

template<class Has> const Call* latestWith(const StationHistory& s, Has has)
{
    for (auto it = s.calls.rbegin(); it != s.calls.rend(); ++it) {
        if (has(*it))
            return &*it;
    }
    return nullptr;
}

class RecentSink : public RowSink {
public:
    RecentSink(RecentData& data, qint64 from)
        : m_data(data)
        , m_from(from)
    {}
    // Called again when the reading goes on after a line that is no measurement: the columns stay.
    void begin(DataFileKind, const QStringList& channels) override
    {
        if (m_begun)
            return;
        m_begun = true;
        m_data.channels = channels;
        m_data.values.assign(size_t(channels.size()), {});
    }
    void row(qint64 time, const std::string_view* cells, int count) override
    {
        if (time < m_from)
            return;
        if (size_t(count) > m_data.values.size()) {
            for (size_t c = m_data.values.size(); c < size_t(count); ++c) {
                m_data.channels << QStringLiteral("CH %1").arg(c);
                m_data.values.emplace_back(m_data.times.size(), kGap);
            }
        }
        m_data.times.push_back(time);
        for (size_t c = 0; c < m_data.values.size(); ++c) {
            const auto v = int(c) < count ? decimalValue(cells[c]) : std::nullopt;
            m_data.values[c].push_back(v ? *v : kGap);
        }
    }

private:
    RecentData& m_data;
    qint64 m_from;
    bool m_begun = false;
};

// The time a line of the archive starts with, when it is a measurement line.
std::optional<qint64> lineTime(QByteArrayView line)
{
    struct FirstTime : RowSink {
        std::optional<qint64> time;
        void begin(DataFileKind, const QStringList&) override {}
        void row(qint64 at, const std::string_view*, int) override { time = at; }
    } sink;
    DataFileParser parser(sink);
    if (parser.feed(line) && parser.finish() && parser.kind() == DataFileKind::Sensor)
        return sink.time;
    return std::nullopt;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size() ||
        !file.flush())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return {};
}

QString csvOf(const RecentData& recent)
{
    QByteArray out = "time";
    for (const QString& c : recent.channels) {
        out += ',';
        appendText(out, c);
    }
    out += "\r\n";
    for (size_t r = 0; r < recent.times.size(); ++r) {
        out += isoText(recent.times[r]);
        for (const auto& column : recent.values) {
            out += ',';
            if (!isGap(column[r]))
                out += QByteArray::number(column[r], 'g', 12);
        }
        out += "\r\n";
    }
    return QString::fromUtf8(out);
}

// The station's alert changes, newest first: what was raised and cleared, and when.
QString alertHistoryTable(const StationHistory& s, const std::vector<AlertChange>& changes, const Texts& tx)
{
    QString rows;
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        const AlertChange& c = *it;
        if (c.key != s.key())
            continue;
        const Alert a{.kind = c.kind, .value = c.value, .threshold = c.threshold};
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td><span class=\"%3\">%4</span></td></tr>\n")
                    .arg(esc(when(c.time)), esc(alertText(a, tx)),
                         c.raised ? QStringLiteral("r-bad") : QStringLiteral("r-ok"),
                         esc(t(c.raised ? tx.raised : tx.cleared)));
    }
    QString html = QStringLiteral("<section><h2>%1</h2>\n").arg(esc(t(tx.alertHistory)));
    if (rows.isEmpty())
        return html + QStringLiteral("<p>%1</p>\n</section>\n").arg(esc(t(tx.noData)));
    html += QStringLiteral("<table id=\"alert-history\"><thead><tr><th scope=\"col\">%1</th><th "
                           "scope=\"col\">%2</th><th scope=\"col\">%3</th></tr></thead><tbody>\n")
                .arg(esc(t(tx.time)), esc(t(tx.alert)), esc(t(tx.state)));
    return html + rows + QStringLiteral("</tbody></table>\n</section>\n");
}

// The channels' names and the scaling that turns the logger's volts into what they measure.
QString sensorsTable(const std::optional<StationSensors>& sensors, const QString& problem, const Texts& tx)
{
    if (!sensors && problem.isEmpty())
        return {};
    QString html = QStringLiteral("<section id=\"sensors\"><h2>%1</h2>\n").arg(esc(t(tx.sensors)));
    if (!problem.isEmpty())
        html += QStringLiteral("<p>%1</p>\n").arg(esc(problem));
    if (!sensors)
        return html + QStringLiteral("</section>\n");
    html += QStringLiteral("<table><caption>%1</caption><thead><tr>")
                .arg(esc(t(tx.sensorsRead).arg(when(sensors->read.toLocalTime()))));
    for (Text head : {tx.channel, tx.name, tx.zeroVolts, tx.fullVolts, tx.zeroValue, tx.fullValue})
        html += QStringLiteral("<th scope=\"col\">%1</th>").arg(esc(t(head)));
    html += QStringLiteral("</tr></thead><tbody>\n");
    for (const ChannelSensor& c : sensors->channels)
        html += QStringLiteral("<tr><th scope=\"row\">CH %1</th><td>%2</td><td class=\"n\">%3</td><td "
                               "class=\"n\">%4</td><td class=\"n\">%5</td><td class=\"n\">%6</td></tr>\n")
                    .arg(QString::number(c.channel), esc(c.name.trimmed()), esc(c.zeroVolts),
                         esc(c.fullVolts), esc(c.zeroValue), esc(c.fullValue));
    return html + QStringLiteral("</tbody></table>\n</section>\n");
}

QString stationPage(const StationHistory& s, const std::vector<const Alert*>& alerts,
                    const RecentData& recent, const QString& archiveLink, const QString& csvName,
                    const std::optional<StationSensors>& sensors, const QString& sensorsProblem,
                    const SiteOptions& options, const Texts& tx)
{
    QString html = pageHead(options.language, stationLabel(s) + QStringLiteral(" - ") + t(tx.title));
    html += QStringLiteral("<p><a href=\"index.html\">%1</a></p>\n<h1>%2</h1>\n")
                .arg(esc(t(tx.network)), esc(stationLabel(s)));
    if (!s.number.isEmpty())
        html += QStringLiteral("<p>%1</p>\n").arg(esc(s.number));
    html += QStringLiteral("<section id=\"alerts\" class=\"%1\"><h2>%2</h2>\n")
                .arg(alerts.empty() ? QStringLiteral("quiet") : QString(), esc(t(tx.alerts)));
    if (alerts.empty()) {
        html += QStringLiteral("<p>%1</p>").arg(esc(t(tx.noAlerts)));
    } else {
        html += QStringLiteral("<ul>\n");
        for (const Alert* a : alerts)
            html += alertItem(*a, &s, tx, false);
        html += QStringLiteral("</ul>");
    }
    html += QStringLiteral("</section>\n<section><h2>%1</h2>\n").arg(esc(t(tx.trend)));
    std::vector<qint64> times;
    std::vector<double> battery;
    std::vector<double> memory;
    std::vector<double> drift;
    for (const Call& c : s.calls) {
        if (!c.outcome.start.isValid())
            continue;
        times.push_back(wallMilliseconds(c.outcome.start));
        battery.push_back(c.battery.value_or(kGap));
        memory.push_back(c.memoryUsed.value_or(kGap));
        drift.push_back(c.outcome.clockDrift ? double(*c.outcome.clockDrift) : kGap);
    }
    html += chart(t(tx.battery).section(QLatin1Char(' '), 0, 0), times, battery, QStringLiteral("V"), tx,
                  options.rules.battery);
    html += chart(t(tx.memory).section(QLatin1Char(' '), 0, 1), times, memory, QStringLiteral("%"), tx,
                  options.rules.memory);
    html += chart(t(tx.driftOf), times, drift, QStringLiteral("s"), tx);
    // The last days of the archive, which may end long before today: its dates are said.
    const QString measured =
        recent.timed && !recent.times.empty()
            ? t(tx.measurements)
                  .arg(when(QDateTime::fromMSecsSinceEpoch(recent.times.front(), Qt::UTC)),
                       when(QDateTime::fromMSecsSinceEpoch(recent.times.back(), Qt::UTC)),
                       QString::number(options.days))
            : QString();
    html += QStringLiteral("</section>\n<section><h2>%1</h2>\n")
                .arg(esc(recent.timed ? measured : t(tx.lastLinesOf)));
    QStringList links;
    if (!archiveLink.isEmpty())
        links << QStringLiteral("<a href=\"%1\">%2</a>").arg(esc(archiveLink), esc(t(tx.archive)));
    if (!csvName.isEmpty())
        links << QStringLiteral("<a href=\"%1\" download>%2</a>").arg(esc(csvName), esc(t(tx.csv)));
    if (!links.isEmpty())
        html += QStringLiteral("<p>%1</p>\n").arg(links.join(QStringLiteral(" · ")));
    if (!recent.problem.isEmpty())
        html += QStringLiteral("<p>%1</p>\n").arg(esc(recent.problem));
    if (recent.unreadLines > 0)
        html += QStringLiteral("<p id=\"unread\">%1</p>\n")
                    .arg(esc(t(tx.unreadLines).arg(QString::number(recent.unreadLines))));
    if (recent.timed) {
        html += QStringLiteral("<table><caption>%1</caption><thead><tr><th scope=\"col\">%2</th>"
                               "<th scope=\"col\">%3</th><th scope=\"col\">%4</th><th scope=\"col\">%5</th>"
                               "</tr></thead><tbody>\n")
                    .arg(esc(measured), esc(t(tx.channel)), esc(t(tx.minimum)), esc(t(tx.maximum)),
                         esc(t(tx.last)));
        for (qsizetype c = 0; c < recent.channels.size(); ++c) {
            const auto& v = recent.values[size_t(c)];
            double lo = INFINITY;
            double hi = -INFINITY;
            double lastValue = kGap;
            for (double x : v) {
                if (!isGap(x)) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                    lastValue = x;
                }
            }
            const bool any = std::isfinite(lo);
            html +=
                QStringLiteral("<tr><th scope=\"row\">%1</th><td class=\"n\">%2</td><td class=\"n\">%3</td>"
                               "<td class=\"n\">%4</td></tr>\n")
                    .arg(esc(recent.channels[c]), any ? number(lo, 3) : QString(),
                         any ? number(hi, 3) : QString(), any ? number(lastValue, 3) : QString());
        }
        html += QStringLiteral("</tbody></table>\n");
        for (qsizetype c = 0; c < recent.channels.size(); ++c)
            html += chart(recent.channels[c], recent.times, recent.values[size_t(c)], QString(), tx);
    } else if (!recent.lastLines.isEmpty()) {
        QString text;
        for (const QByteArray& line : recent.lastLines)
            text += QString::fromLatin1(line) + QLatin1Char('\n');
        html += QStringLiteral("<pre>%1</pre>\n").arg(esc(text));
    } else if (recent.problem.isEmpty()) {
        html += QStringLiteral("<p>%1</p>\n").arg(esc(t(tx.noData)));
    }
    html += QStringLiteral("</section>\n") + sensorsTable(sensors, sensorsProblem, tx) +
            alertHistoryTable(s, options.alertHistory, tx);
    html += QStringLiteral("<section><h2>%1</h2>\n<table id=\"history\"><thead><tr>").arg(esc(t(tx.history)));
    for (Text head : {tx.start, tx.result, tx.attempts, tx.newLines, tx.totalLines, tx.battery, tx.memory,
                      tx.clock, tx.error})
        html += QStringLiteral("<th scope=\"col\">%1</th>").arg(esc(t(head)));
    html += QStringLiteral("</tr></thead><tbody>\n");
    // A cell per header, all put in at once: a result or an error text may hold "%1".
    for (auto it = s.calls.rbegin(); it != s.calls.rend(); ++it) {
        const Call& c = *it;
        html +=
            QStringLiteral("<tr><td>%1</td><td><span class=\"%2\">%3</span></td><td class=\"n\">%4</td>"
                           "<td class=\"n\">%5</td><td class=\"n\">%6</td><td class=\"n\">%7</td>"
                           "<td class=\"n\">%8</td><td class=\"n\">%9</td><td>%10</td></tr>\n")
                .arg(esc(when(c.outcome.start)), c.ok() ? QStringLiteral("r-ok") : QStringLiteral("r-bad"),
                     esc(c.result), QString::number(c.outcome.attempts), QString::number(c.outcome.newLines),
                     QString::number(c.outcome.totalLines), c.battery ? number(*c.battery, 2) : QString(),
                     c.memoryUsed ? number(*c.memoryUsed) : QString(), esc(driftText(&c, tx)),
                     esc(c.outcome.error));
    }
    html += QStringLiteral("</tbody></table>\n</section>\n</body>\n</html>\n");
    return html;
}

QString indexPage(const std::vector<Row>& rows, const std::vector<Alert>& open, const SiteSummary& counts,
                  const Network& network, const SiteOptions& options, const Texts& tx)
{
    QString html = pageHead(options.language, t(tx.title));
    html += QStringLiteral("<h1>%1</h1>\n<p>%2 %3</p>\n")
                .arg(esc(t(tx.title)), esc(t(tx.generated)), esc(when(options.now)));
    html += QStringLiteral("<section id=\"alerts\" class=\"%1\"><h2>%2 (%3)</h2>\n")
                .arg(open.empty() ? QStringLiteral("quiet") : QString(), esc(t(tx.alerts)))
                .arg(open.size());
    if (open.empty()) {
        html += QStringLiteral("<p>%1</p>").arg(esc(t(tx.noAlerts)));
    } else {
        html += QStringLiteral("<ul>\n");
        for (const Alert& a : open) {
            const auto s = std::find_if(network.stations.begin(), network.stations.end(),
                                        [&a](const StationHistory& h) { return h.key() == a.key; });
            html += alertItem(a, s == network.stations.end() ? nullptr : &*s, tx, true);
        }
        html += QStringLiteral("</ul>");
    }
    html += QStringLiteral("</section>\n<p class=\"counts\"><span id=\"count-ok\">%1: %2</span>"
                           "<span id=\"count-failed\">%3: %4</span><span id=\"count-never\">%5: %6</span>")
                .arg(esc(t(tx.ok)), QString::number(counts.ok), esc(t(tx.failed)),
                     QString::number(counts.failed), esc(t(tx.never)), QString::number(counts.neverReached));
    if (counts.cancelledOnly > 0)
        html += QStringLiteral("<span id=\"count-cancelled\">%1: %2</span>")
                    .arg(esc(t(tx.cancelledOnly)), QString::number(counts.cancelledOnly));
    html += QStringLiteral("</p>\n<p id=\"counts-note\">%1</p>\n").arg(esc(t(tx.countsNote)));
    html += QStringLiteral("<table id=\"stations\"><caption>%1 (%2)</caption><thead><tr>")
                .arg(esc(t(tx.stations)))
                .arg(rows.size());
    for (Text head : {tx.number, tx.name, tx.lastCall, tx.lastSuccess, tx.age, tx.newLines, tx.totalLines,
                      tx.battery, tx.memory, tx.clock, tx.openAlerts})
        html += QStringLiteral("<th scope=\"col\">%1</th>").arg(esc(t(head)));
    html += QStringLiteral("</tr></thead><tbody>\n");
    for (const Row& r : rows) {
        const StationHistory& s = *r.station;
        const Call* last = s.lastCall();
        const Call* success = s.lastSuccess();
        std::vector<double> battery;
        std::vector<double> memory;
        const size_t first = s.calls.size() > 30 ? s.calls.size() - 30 : 0;
        for (size_t i = first; i < s.calls.size(); ++i) {
            battery.push_back(s.calls[i].battery.value_or(kGap));
            memory.push_back(s.calls[i].memoryUsed.value_or(kGap));
        }
        const Call* withBattery = latestWith(s, [](const Call& c) { return c.battery.has_value(); });
        const Call* withMemory = latestWith(s, [](const Call& c) { return c.memoryUsed.has_value(); });
        const Call* withClock = latestWith(s, [](const Call& c) { return c.outcome.clockDrift.has_value(); });
        const QString trend = t(tx.lastCalls).arg(battery.size());
        QStringList kinds;
        for (const Alert* a : r.alerts)
            kinds << esc(alertText(*a, tx));
        const QString cls = r.never ? QStringLiteral("station never")
                                    : (r.failed || !r.alerts.empty() ? QStringLiteral("station problem")
                                                                     : QStringLiteral("station"));
        html +=
            QStringLiteral("<tr class=\"%1\" data-station=\"%2\"><td class=\"n\">%2</td>"
                           "<th scope=\"row\"><a href=\"%3\">%4</a></th>%5<td>%6</td><td class=\"n\">%7</td>")
                .arg(cls, QString::number(s.row), stationPageName(s), esc(s.name), resultCell(last),
                     success ? esc(when(success->outcome.end.isValid() ? success->outcome.end
                                                                       : success->outcome.start))
                             : QString(),
                     success ? number(double(success->outcome.start.secsTo(options.now)) / 86400.0)
                             : QString());
        html += QStringLiteral("<td class=\"n\">%1</td><td class=\"n\">%2</td><td>%3 %4</td><td>%5 %6</td>"
                               "<td>%7</td><td>%8</td></tr>\n")
                    .arg(last ? QString::number(last->outcome.newLines) : QString(),
                         last ? QString::number(last->outcome.totalLines) : QString(),
                         withBattery ? number(*withBattery->battery, 2) : QString(),
                         sparkline(battery, t(tx.battery) + QStringLiteral(", ") + trend),
                         withMemory ? number(*withMemory->memoryUsed) : QString(),
                         sparkline(memory, t(tx.memory) + QStringLiteral(", ") + trend),
                         esc(driftText(withClock, tx)), kinds.join(QStringLiteral("; ")));
    }
    html += QStringLiteral("</tbody></table>\n</body>\n</html>\n");
    return html;
}

constexpr QDir::Filters kEveryEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// The names of the files a report writes: its mark, the index, a page and a CSV per station.
bool isSiteFileName(const QString& name)
{
    static const QRegularExpression own(
        QStringLiteral(R"(^(index\.html|\.stazione-sito|(stazione-\d+|cavo-[0-9a-f]{12})\.(html|csv))$)"));
    return own.match(name).hasMatch();
}

// The files the report wrote into `folder`, as its mark lists them; empty for a mark of an older
// build, which listed nothing (its files are then known by their names alone).
QStringList manifestOf(const QString& folder)
{
    QFile mark;
    if (!link::openRegularFile(mark, QDir(folder).filePath(kSiteMark), QIODevice::ReadOnly,
                               link::AtLink::Refuse))
        return {};
    const QList<QByteArray> lines = mark.read(1 << 20).split('\n');
    QStringList names;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            names << QString::fromUtf8(lines[i]);
    }
    return names;
}

// A file the report wrote: a regular file of one of its names, listed in the mark when it lists.
bool isOwnFile(const QFileInfo& entry, const QStringList& manifest)
{
    return !entry.isSymLink() && entry.isFile() && isSiteFileName(entry.fileName()) &&
           (manifest.isEmpty() || entry.fileName() == kSiteMark || manifest.contains(entry.fileName()));
}

// The first entry of `folder` the report did not write (a folder, a link, any other file), or
// nothing when every entry is one of its own files.
QString foreignEntry(const QString& folder)
{
    const QStringList manifest = manifestOf(folder);
    for (const QFileInfo& e : QDir(folder).entryInfoList(kEveryEntry)) {
        if (!isOwnFile(e, manifest))
            return e.fileName();
    }
    return {};
}

// Removes the report's own files from `folder`, then the folder if nothing else is left in it:
// whatever else stands there is kept, and the folder with it.
bool removeSite(const QString& folder)
{
    const QStringList manifest = manifestOf(folder);
    for (const QFileInfo& e : QDir(folder).entryInfoList(kEveryEntry)) {
        if (isOwnFile(e, manifest))
            QFile::remove(e.filePath());
    }
    return ::rmdir(QFile::encodeName(folder).constData()) == 0;
}

// A path with its links resolved as far as it exists.
QString resolved(const QString& path)
{
    QString rest;
    QFileInfo at(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    while (!at.exists() && !at.isRoot()) {
        rest = QLatin1Char('/') + at.fileName() + rest;
        at = QFileInfo(at.absolutePath());
    }
    return QDir::cleanPath(at.canonicalFilePath() + rest);
}

bool inside(const QString& path, const QString& folder)
{
    return path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

// Why `site` may not hold a site of the data root `dir`: it is the data root, holds it, or is or
// lies in a station's folder, or holds one. Empty when the place is fine.
QString placeProblem(const QString& site, const QString& dir, const Network& network)
{
    const QString place = resolved(site);
    const QString root = resolved(dir);
    if (place == root)
        return QStringLiteral("%1 is the data root.").arg(site);
    if (inside(root, place))
        return site + QStringLiteral(" holds the data root ") + dir + QLatin1Char('.');
    QStringList stations;
    for (const StationHistory& s : network.stations) {
        if (const QString archive = archiveOf(s, dir); !archive.isEmpty())
            stations << resolved(QFileInfo(archive).absolutePath());
    }
    // A folder of the data root that holds an archive of its own name is a station's, in the
    // report or not (a station removed from the directory keeps its folder).
    for (QFileInfo at(place); inside(at.absoluteFilePath(), root); at = QFileInfo(at.absolutePath())) {
        if (QFileInfo::exists(QDir(at.absoluteFilePath()).filePath(archiveFileName(at.fileName()))))
            stations << at.absoluteFilePath();
    }
    for (const QString& folder : stations) {
        if (place == folder || inside(place, folder))
            return site + QStringLiteral(" lies in the station folder ") + folder + QLatin1Char('.');
        if (inside(folder, place))
            return site + QStringLiteral(" holds the station folder ") + folder + QLatin1Char('.');
    }
    return {};
}

// A run killed while it built left its folder beside the site: ".sito.nuovo-PID-N", or with
// ".old" after it. Those of runs no longer alive go, their own files only.
void removeLeftovers(const QString& parent, const QString& siteName)
{
    const QString prefix = QLatin1Char('.') + siteName + QStringLiteral(".nuovo-");
    static const QRegularExpression tail(QStringLiteral(R"(^(\d+)-\d+(\.old)?$)"));
    for (const QFileInfo& e : QDir(parent).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (e.isSymLink() || !e.fileName().startsWith(prefix))
            continue;
        const auto m = tail.match(e.fileName().mid(prefix.size()));
        bool ok = false;
        const qint64 pid = m.hasMatch() ? m.captured(1).toLongLong(&ok) : 0;
        if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == qint64(::getpid()))
            continue;
        // EPERM: alive, under another user.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        removeSite(e.absoluteFilePath());
    }
}

// Puts `fresh` where `folder` was in one step; the old site is removed afterwards.
QString swapIn(const QString& fresh, const QString& folder)
{
    const QByteArray from = QFile::encodeName(fresh);
    const QByteArray to = QFile::encodeName(folder);
    if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink()) {
        if (std::rename(from.constData(), to.constData()) != 0)
            return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0) {
        // A file system without the exchange: two renames, with a moment without a site.
        const QString old = fresh + QStringLiteral(".old");
        if (std::rename(to.constData(), QFile::encodeName(old).constData()) != 0 ||
            std::rename(from.constData(), to.constData()) != 0)
            return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        removeSite(old);
        return {};
    }
    removeSite(fresh); // now the old site
    return {};
}

} // namespace

QString SiteOptions::siteFolder() const
{
    return out.isEmpty() ? QDir(dir).filePath(kSiteFolderName) : out;
}

QString stationPageName(const StationHistory& station)
{
    // Stations that had the same row (one given to another station) are pages of their own.
    if (station.row > 0 && station.rowShared) {
        const QByteArray hash =
            QCryptographicHash::hash(station.key().toUtf8(), QCryptographicHash::Sha1).toHex();
        return QStringLiteral("stazione-%1-%2.html")
            .arg(QString::number(station.row).rightJustified(2, QLatin1Char('0')),
                 QString::fromLatin1(hash.left(12)));
    }
    if (station.row > 0)
        return QStringLiteral("stazione-%1.html").arg(station.row, 2, 10, QLatin1Char('0'));
    // Two names that differ may make the same safe file name: the hash of the name cannot collide so.
    const QByteArray hash = QCryptographicHash::hash(station.name.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("cavo-%1.html").arg(QString::fromLatin1(hash.left(12)));
}

QString archiveOf(const StationHistory& station, const QString& dir)
{
    // Only DIR/FOLDER/FOLDER_archivio.txt: a report line that names any other file (the one of a
    // data root moved since, or one planted) must not have it read and published.
    const QString root = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    const auto own = [&root](const QString& path) {
        const QFileInfo file(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        const QFileInfo folder(file.absolutePath());
        return folder.absolutePath() == root && !folder.fileName().isEmpty() &&
               file.fileName() == archiveFileName(folder.fileName());
    };
    const QString folderName = safeFolderName(station.name.trimmed(), station.row);
    const QString derived = QDir(QDir(dir).filePath(folderName)).filePath(archiveFileName(folderName));
    const bool named = !station.archive.isEmpty() && own(station.archive);
    if (named && (QFileInfo(station.archive).isFile() || !QFileInfo(derived).isFile()))
        return QDir::cleanPath(QFileInfo(station.archive).absoluteFilePath());
    return own(derived) ? derived : QString();
}

QString defaultSiteLanguage()
{
    QFile file(link::settingsFolder() + QStringLiteral("/lingua.ini"));
    if (file.open(QIODevice::ReadOnly)) {
        QString remembered = QString::fromLatin1(file.read(16)).trimmed();
        if (remembered == QLatin1String("it") || remembered == QLatin1String("en"))
            return remembered;
    }
    return QLocale::system().name().startsWith(QLatin1String("it"), Qt::CaseInsensitive)
               ? QStringLiteral("it")
               : QStringLiteral("en");
}

RecentData readRecent(const QString& archivePath, int days, int textLines)
{
    RecentData recent;
    QFile file;
    if (const auto opened =
            link::openRegularFile(file, archivePath, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened) {
        if (QFileInfo::exists(archivePath) || QFileInfo(archivePath).isSymLink())
            recent.problem = reportRefusal(archivePath, *opened.refusal).message;
        return recent;
    }
    const qint64 size = file.size();
    // The archive's end up to its last line end: a last line without one was a write cut short.
    QByteArray tail;
    qint64 pos = size;
    std::optional<qint64> newest;
    qint64 cutoff = 0;
    qsizetype start = 0; // where the first whole line of `tail` begins
    while (pos > 0 && size - pos < kMaxTailBytes) {
        const qint64 from = std::max<qint64>(0, pos - kChunk);
        if (!file.seek(from)) {
            recent.problem = file.errorString();
            return recent;
        }
        tail.prepend(file.read(pos - from));
        pos = from;
        if (!newest) {
            const qsizetype end = tail.lastIndexOf('\n');
            if (end < 0)
                continue;
            tail.truncate(end + 1);
            const qsizetype lastStart = tail.lastIndexOf('\n', end - 1) + 1;
            if (lastStart == 0 && pos > 0)
                continue; // the last line is longer than what was read
            newest = lineTime(QByteArrayView(tail).sliced(lastStart));
            if (!newest)
                break; // not measurement lines: the last lines as text
            cutoff = *newest - qint64(days) * 86400 * 1000;
        }
        // The first whole line of what was read decides whether to read further back.
        start = pos > 0 ? tail.indexOf('\n') + 1 : 0;
        if (pos == 0)
            break;
        if (start <= 0)
            continue;
        const qsizetype next = tail.indexOf('\n', start);
        // A piece of a torn write there says nothing: read on, within the bound.
        const auto first = lineTime(QByteArrayView(tail).sliced(start, next - start + 1));
        if (first && *first < cutoff)
            break;
    }
    if (newest) {
        if (pos > 0)
            tail.remove(0, start);
        RecentSink sink(recent, cutoff);
        // A piece of a write cut short, kept by the merge with a line end after it, is no
        // measurement: it is counted and passed over, and the reading goes on after it.
        QByteArrayView rest(tail);
        bool read = false;
        while (!rest.isEmpty()) {
            DataFileParser parser(sink);
            if (parser.feed(rest) && parser.finish()) {
                read = parser.kind() == DataFileKind::Sensor;
                break;
            }
            const qint64 bad = parser.error() ? parser.error()->line : 0;
            qsizetype after = 0;
            for (qint64 i = 0; i < bad && after >= 0; ++i) {
                after = rest.indexOf('\n', after);
                if (after >= 0)
                    ++after;
            }
            if (bad <= 0 || after <= 0)
                break;
            ++recent.unreadLines;
            rest = rest.sliced(after);
        }
        if (read && !recent.times.empty()) {
            recent.timed = true;
            return recent;
        }
        recent = RecentData{};
    }
    // The last lines as they are.
    const qsizetype end = tail.lastIndexOf('\n');
    if (end >= 0)
        tail.truncate(end);
    QList<QByteArray> lines = tail.split('\n');
    if (pos > 0 && !lines.isEmpty())
        lines.removeFirst();
    const qsizetype keep = std::min<qsizetype>(lines.size(), textLines);
    for (qsizetype i = lines.size() - keep; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        recent.lastLines << line.left(400);
    }
    return recent;
}

link::Result<SiteSummary> buildSite(const Network& network, const std::vector<Alert>& open,
                                    const SiteOptions& options)
{
    const Texts& tx = options.language == QLatin1String("en") ? kEnglish : kItalian;
    SiteSummary summary;
    summary.folder = QDir::cleanPath(QFileInfo(options.siteFolder()).absoluteFilePath());
    const QFileInfo target(summary.folder);
    if (target.isSymLink() || (target.exists() && !target.isDir()))
        return link::Error::file(QStringLiteral("%1 is not a folder.").arg(summary.folder));
    if (const QString wrong = placeProblem(summary.folder, options.dir, network); !wrong.isEmpty())
        return link::Error::file(wrong + QStringLiteral(" Choose another folder with --out."));
    // Replaced only when it holds nothing but what a report wrote there (hidden files count).
    if (target.exists()) {
        const bool marked = QFileInfo(QDir(summary.folder).filePath(kSiteMark)).isFile();
        const bool empty = QDir(summary.folder).entryList(kEveryEntry).isEmpty();
        if (!empty && !marked)
            return link::Error::file(
                QStringLiteral("%1 is not a site made by stazione-cli; choose another folder with --out.")
                    .arg(summary.folder));
        if (const QString other = foreignEntry(summary.folder); !empty && !other.isEmpty())
            return link::Error::file(summary.folder + QStringLiteral(" holds ") + other +
                                     QStringLiteral(", which no report wrote: it is not replaced."));
    }
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent))
        return link::Error::file(QStringLiteral("Cannot create %1.").arg(parent));
    removeLeftovers(parent, target.fileName());
    QString fresh;
    for (int attempt = 0; attempt < 100 && fresh.isEmpty(); ++attempt) {
        const QString name =
            QDir(parent).filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".nuovo-") +
                                  QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                                  QString::number(attempt));
        if (QDir().mkdir(name))
            fresh = name;
    }
    if (fresh.isEmpty())
        return link::Error::file(QStringLiteral("Cannot create a folder beside %1.").arg(summary.folder));
    const auto fail = [&fresh](const QString& why) {
        removeSite(fresh);
        return link::Error::file(why);
    };
    QByteArray written = kSiteMarkFirstLine;

    std::vector<Row> rows;
    for (const StationHistory& s : network.stations) {
        Row r;
        r.station = &s;
        for (const Alert& a : open) {
            if (a.key == s.key())
                r.alerts.push_back(&a);
        }
        const Call* last = s.lastCall();
        const bool counted = last && last->counts();
        r.failed = counted && !last->ok();
        r.never = r.failed && s.lastSuccess() == nullptr;
        summary.ok += counted && last->ok() ? 1 : 0;
        summary.failed += r.failed ? 1 : 0;
        summary.neverReached += r.never ? 1 : 0;
        summary.cancelledOnly += counted ? 0 : 1;
        rows.push_back(r);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const auto rank = [](const Row& r) { return !r.alerts.empty() ? 0 : (r.failed || r.never ? 1 : 2); };
        return rank(a) < rank(b);
    });
    summary.stations = int(rows.size());

    for (const Row& r : rows) {
        const StationHistory& s = *r.station;
        const QString archive = archiveOf(s, options.dir);
        const QString folder = QFileInfo(archive).absolutePath();
        RecentData recent;
        if (options.recent) {
            auto read = options.recent(s, options.days);
            if (!read)
                return fail(read.error().message);
            recent = std::move(*read);
        } else if (!archive.isEmpty() && QFileInfo(folder).isSymLink()) {
            // The station's folder is read as itself, never through a link to somewhere else.
            recent.problem = folder + QStringLiteral(" is a link: its archive is not read.");
        } else if (!archive.isEmpty()) {
            recent = readRecent(archive, options.days);
        }
        std::optional<StationSensors> sensors;
        QString sensorsProblem;
        if (options.sensors) {
            sensors = options.sensors(s);
        } else if (!archive.isEmpty() && !QFileInfo(folder).isSymLink()) {
            if (auto kept = readSensors(folder))
                sensors = std::move(*kept);
            else
                sensorsProblem = kept.error().message;
        }
        recent.channels = namedChannels(recent.channels, sensors ? &*sensors : nullptr);
        const QString page = stationPageName(s);
        QString csvName;
        if (recent.timed) {
            csvName = page.chopped(5) + QStringLiteral(".csv");
            if (QString e = writeFile(QDir(fresh).filePath(csvName), csvOf(recent).toUtf8()); !e.isEmpty())
                return fail(e);
            written += csvName.toUtf8() + '\n';
        }
        const QFileInfo archiveFile(archive);
        const QString archiveLink =
            !archive.isEmpty() && !QFileInfo(folder).isSymLink() && !archiveFile.isSymLink() &&
                    archiveFile.isFile()
                ? QDir(summary.folder).relativeFilePath(archiveFile.absoluteFilePath())
                : QString();
        const QString html =
            stationPage(s, r.alerts, recent, archiveLink, csvName, sensors, sensorsProblem, options, tx);
        if (QString e = writeFile(QDir(fresh).filePath(page), html.toUtf8()); !e.isEmpty())
            return fail(e);
        written += page.toUtf8() + '\n';
    }
    if (QString e = writeFile(QDir(fresh).filePath(QStringLiteral("index.html")),
                              indexPage(rows, open, summary, network, options, tx).toUtf8());
        !e.isEmpty())
        return fail(e);
    written += "index.html\n";
    // Last: a folder without its mark is no site, and a run killed before this point left only
    // files of the site's own names, which the next run removes.
    if (QString e = writeFile(QDir(fresh).filePath(kSiteMark), written); !e.isEmpty())
        return fail(e);
    // Readable by a web server as the folder it replaces was.
    QFile(fresh).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                QFileDevice::ExeOther);
    if (QString e = swapIn(fresh, summary.folder); !e.isEmpty())
        return fail(e);
    return summary;
}

} // namespace stazione::data
