#include "network/collection_report.h"

#include "network/archive.h"
#include "network/outcome_fields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>

#include <array>
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
    for (const OutcomeField& field : kOutcomeFields)
        writeField(field, o, j);
    if (o.sensors)
        j.insert(QStringLiteral("sensors"), toJson(*o.sensors));
    return j;
}

StationOutcome outcomeFromJson(const QJsonObject& j)
{
    StationOutcome o;
    for (const OutcomeField& field : kOutcomeFields)
        readField(field, j, o);
    if (const QJsonValue sensors = j.value(QStringLiteral("sensors")); sensors.isObject())
        o.sensors = sensorsFromJson(sensors.toObject());
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
