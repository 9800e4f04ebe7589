#include "network/collection_report.h"

#include "network/archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>

#include <array>
#include <cmath>
#include <utility>

namespace stazione::data {

namespace {

constexpr std::array<std::pair<CollectResult, const char*>, 10> kResults{{
    {CollectResult::Ok, "ok"},
    {CollectResult::Busy, "busy"},
    {CollectResult::NoCarrier, "no-carrier"},
    {CollectResult::NoAnswer, "no-answer"},
    {CollectResult::TimedOut, "timeout"},
    {CollectResult::LineLost, "line-lost"},
    {CollectResult::FileError, "file-error"},
    {CollectResult::Cancelled, "cancelled"},
    {CollectResult::Refused, "refused"},
    {CollectResult::ClockRefused, "clock-refused"},
}};

// The battery's volts as a number; null when none was read or the logger's text is not a number.
QJsonValue batteryValue(const QString& volts)
{
    bool ok = false;
    const double value = volts.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

} // namespace

QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QString resultText(CollectResult result)
{
    for (const auto& [r, text] : kResults) {
        if (r == result)
            return QString::fromLatin1(text);
    }
    return {};
}

std::optional<CollectResult> resultFromText(const QString& text)
{
    for (const auto& [r, t] : kResults) {
        if (text == QLatin1String(t))
            return r;
    }
    return std::nullopt;
}

QString stationFolderOf(const StationOutcome& o)
{
    if (!o.folder.isEmpty() || o.archive.isEmpty())
        return o.folder;
    return QFileInfo(o.archive).absoluteDir().dirName();
}

QJsonObject toJson(const StationOutcome& o)
{
    QJsonObject j;
    j.insert(QStringLiteral("start"), isoTime(o.start));
    j.insert(QStringLiteral("end"), isoTime(o.end));
    j.insert(QStringLiteral("station"), o.row);
    j.insert(QStringLiteral("name"), o.name);
    j.insert(QStringLiteral("number"), o.number);
    j.insert(QStringLiteral("result"), resultText(o.result));
    j.insert(QStringLiteral("attempts"), o.attempts);
    j.insert(QStringLiteral("new_lines"), double(o.newLines));
    j.insert(QStringLiteral("total_lines"), double(o.totalLines));
    j.insert(QStringLiteral("complete"), o.complete);
    j.insert(QStringLiteral("battery"), batteryValue(o.battery));
    j.insert(QStringLiteral("memory_possible"),
             o.memoryPossible.isEmpty() ? QJsonValue() : QJsonValue(o.memoryPossible));
    j.insert(QStringLiteral("memory_available"),
             o.memoryAvailable.isEmpty() ? QJsonValue() : QJsonValue(o.memoryAvailable));
    j.insert(QStringLiteral("clock_drift_s"),
             o.clockDrift ? QJsonValue(double(*o.clockDrift)) : QJsonValue());
    j.insert(QStringLiteral("clock_corrected"), o.clockCorrected);
    j.insert(QStringLiteral("error"), o.error);
    j.insert(QStringLiteral("file"), o.file);
    j.insert(QStringLiteral("archive"), o.archive);
    j.insert(QStringLiteral("folder"), o.folder);
    if (!o.repairedTail.isEmpty())
        j.insert(QStringLiteral("repaired_tail"), o.repairedTail);
    if (!o.memoryChange.isEmpty())
        j.insert(QStringLiteral("memory_change"), o.memoryChange);
    if (o.unendedLine)
        j.insert(QStringLiteral("unended_line"), true);
    if (!o.reportError.isEmpty())
        j.insert(QStringLiteral("report_error"), o.reportError);
    return j;
}

StationOutcome outcomeFromJson(const QJsonObject& j)
{
    StationOutcome o;
    o.start = QDateTime::fromString(j.value(QStringLiteral("start")).toString(), Qt::ISODate);
    o.end = QDateTime::fromString(j.value(QStringLiteral("end")).toString(), Qt::ISODate);
    o.row = j.value(QStringLiteral("station")).toInt();
    o.name = j.value(QStringLiteral("name")).toString();
    o.number = j.value(QStringLiteral("number")).toString();
    o.result =
        resultFromText(j.value(QStringLiteral("result")).toString()).value_or(CollectResult::FileError);
    o.attempts = j.value(QStringLiteral("attempts")).toInt();
    o.newLines = qint64(j.value(QStringLiteral("new_lines")).toDouble());
    o.totalLines = qint64(j.value(QStringLiteral("total_lines")).toDouble());
    o.complete = j.value(QStringLiteral("complete")).toBool();
    // Reports written before the battery was a number hold it as the logger's text.
    const QJsonValue battery = j.value(QStringLiteral("battery"));
    // Volts with the two decimals the logger sends them with.
    o.battery = battery.isDouble() ? QString::number(battery.toDouble(), 'f', 2) : battery.toString();
    o.memoryPossible = j.value(QStringLiteral("memory_possible")).toString();
    o.memoryAvailable = j.value(QStringLiteral("memory_available")).toString();
    if (j.value(QStringLiteral("clock_drift_s")).isDouble())
        o.clockDrift = qint64(j.value(QStringLiteral("clock_drift_s")).toDouble());
    o.clockCorrected = j.value(QStringLiteral("clock_corrected")).toBool();
    o.error = j.value(QStringLiteral("error")).toString();
    o.file = j.value(QStringLiteral("file")).toString();
    o.archive = j.value(QStringLiteral("archive")).toString();
    o.folder = j.value(QStringLiteral("folder")).toString();
    o.repairedTail = j.value(QStringLiteral("repaired_tail")).toString();
    o.memoryChange = j.value(QStringLiteral("memory_change")).toString();
    o.unendedLine = j.value(QStringLiteral("unended_line")).toBool();
    o.reportError = j.value(QStringLiteral("report_error")).toString();
    return o;
}

link::Status appendReport(const QString& path, const StationOutcome& outcome)
{
    QFile file;
    if (const auto opened =
            link::openRegularFile(file, path, QIODevice::WriteOnly | QIODevice::Append, link::AtLink::Refuse);
        !opened)
        return link::Error::file(
            QStringLiteral("Report not written: %1").arg(archiveRefusal(path, *opened.refusal).message));
    // A line cut short by a crash would glue the next line to it: start on a fresh line.
    QByteArray line = QJsonDocument(toJson(outcome)).toJson(QJsonDocument::Compact) + '\n';
    if (file.size() > 0) {
        QFile check;
        if (link::openRegularFile(check, path, QIODevice::ReadOnly, link::AtLink::Refuse) &&
            check.seek(file.size() - 1) && check.read(1) != "\n")
            line.prepend('\n');
    }
    if (file.write(line) != line.size() || !file.flush())
        return link::Error::file(QStringLiteral("Report not written: %1: %2")
                                     .arg(path, file.error() == QFileDevice::NoError
                                                    ? QStringLiteral("the disk is full")
                                                    : file.errorString()));
    return {};
}

QMap<int, StationOutcome> lastOutcomes(const QString& path, qint64 tailBytes)
{
    QMap<int, StationOutcome> last;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return last;
    const qint64 from = std::max<qint64>(0, file.size() - tailBytes);
    if (!file.seek(from))
        return last;
    QByteArray text = file.readAll();
    if (from > 0) {
        // The first line read is most likely a part of a line.
        const qsizetype lf = text.indexOf('\n');
        text = lf < 0 ? QByteArray() : text.mid(lf + 1);
    }
    for (const QByteArray& line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            continue;
        const StationOutcome o = outcomeFromJson(doc.object());
        last.insert(o.row, o);
    }
    return last;
}

QString outcomeTable(const QList<StationOutcome>& outcomes)
{
    // The table is the command line's, which speaks English.
    const QStringList header{QStringLiteral("No."),    QStringLiteral("Name"),     QStringLiteral("Number"),
                             QStringLiteral("Result"), QStringLiteral("Attempts"), QStringLiteral("New"),
                             QStringLiteral("Total"),  QStringLiteral("Complete"), QStringLiteral("Battery"),
                             QStringLiteral("Clock"),  QStringLiteral("Error")};
    QList<QStringList> rows{header};
    for (const StationOutcome& o : outcomes) {
        QString clock;
        if (o.clockDrift)
            clock = QStringLiteral("%1%2 s%3")
                        .arg(*o.clockDrift > 0 ? QStringLiteral("+") : QString())
                        .arg(*o.clockDrift)
                        .arg(o.clockCorrected ? QStringLiteral(" (corrected)") : QString());
        rows << QStringList{QString::number(o.row),
                            o.name,
                            o.number,
                            resultText(o.result),
                            QString::number(o.attempts),
                            QString::number(o.newLines),
                            QString::number(o.totalLines),
                            o.result == CollectResult::Ok || o.newLines > 0
                                ? (o.complete ? QStringLiteral("yes") : QStringLiteral("no"))
                                : QString(),
                            o.battery,
                            clock,
                            o.reportError.isEmpty() ? o.error
                            : o.error.isEmpty()     ? o.reportError
                                                    : o.error + QStringLiteral("; ") + o.reportError};
    }
    std::vector<qsizetype> widths(size_t(header.size()), 0);
    for (const QStringList& r : rows) {
        for (qsizetype c = 0; c < r.size(); ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], r[c].size());
    }
    QString table;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c) {
            if (c + 1 == r.size())
                line += r[c];
            else
                line += r[c].leftJustified(widths[size_t(c)]) + QStringLiteral("  ");
        }
        table += line.trimmed() + QLatin1Char('\n');
    }
    return table;
}

} // namespace stazione::data
