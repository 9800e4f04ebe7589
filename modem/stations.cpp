#include "modem/stations.h"

#include "link/port_resolver.h"
#include "link/settings_file.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace stazione::modem {

namespace {

// One line of the file: UTF-8 when it is valid UTF-8, else Latin-1. Files of the older tools are
// in the Windows code page of the time, and a directory saved by them may hold both.
QString decodeLine(QByteArrayView bytes)
{
    // A byte-order mark is kept as the character it is: every line is decoded from its start.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The lines of a text file, created empty when missing; the reason when it is there but cannot
// be read whole.
link::Result<QStringList> readLines(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QFileInfo info(path);
    if (!info.exists()) {
        // Made as a file of its own: a link to nowhere in its place is replaced, not followed.
        (void)link::writeSettingsFile(path, {});
        return QStringList();
    }
    const auto bytes = link::readSettingsFile(path);
    if (!bytes) {
        QString why;
        if (!info.isFile())
            why = QStringLiteral("it is not a regular file");
        else if (info.size() > link::kMaxSettingsFileBytes)
            why = QStringLiteral("it holds %1 bytes, more than a directory's %2")
                      .arg(info.size())
                      .arg(link::kMaxSettingsFileBytes);
        else
            why = QStringLiteral("it cannot be read");
        return link::Error::file(QStringLiteral("%1 was not read: %2.").arg(path, why));
    }
    QList<QByteArrayView> raw;
    QByteArrayView rest(*bytes);
    while (!rest.isEmpty()) {
        const qsizetype lf = rest.indexOf('\n');
        raw << (lf < 0 ? rest : rest.first(lf));
        rest = lf < 0 ? QByteArrayView() : rest.sliced(lf + 1);
    }
    QStringList lines;
    for (QByteArrayView line : raw) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines << decodeLine(line);
    }
    return lines;
}

// The bytes of the file past its first `count` lines (empty when it has no more): rows of a
// longer directory than the window's, which another program may use, written back as they were.
// Nothing when the file is there but cannot be read whole.
std::optional<QByteArray> bytesPastLines(const QString& path, qsizetype count)
{
    if (!QFileInfo::exists(path))
        return QByteArray();
    const auto bytes = link::readSettingsFile(path);
    if (!bytes)
        return std::nullopt;
    qsizetype from = 0;
    for (qsizetype line = 0; line < count; ++line) {
        const qsizetype lf = bytes->indexOf('\n', from);
        if (lf < 0)
            return QByteArray();
        from = lf + 1;
    }
    return bytes->mid(from);
}

bool fitsLatin1(const QStringList& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const QString& line) {
        return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 0xff; });
    });
}

// In Latin-1, the encoding every program sharing the directory reads, whenever each character
// fits; in UTF-8 only when one does not.
bool writeLines(const QString& path, const QStringList& lines)
{
    // What lies past the rows shown stays, byte for byte; a file that cannot be read whole is
    // not written over, or those rows would be lost.
    const auto beyond = bytesPastLines(path, lines.size());
    if (!beyond)
        return false;
    const bool latin1 = fitsLatin1(lines);
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += (latin1 ? line.toLatin1() : line.toUtf8()) + "\r\n";
    bytes += *beyond;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return link::writeSettingsFile(path, bytes);
}

} // namespace

QString stationsFile()
{
    return link::settingsFolder() + QStringLiteral("/modem.ini");
}
QString lastCallsFile()
{
    return link::settingsFolder() + QStringLiteral("/last.ini");
}
QString modemPortFile()
{
    return link::settingsFolder() + QStringLiteral("/pmodem.ini");
}

link::Result<StationDirectory> readStations(const QString& stations, const QString& lastCalls)
{
    StationDirectory directory;
    const auto values = readLines(stations);
    if (!values)
        return values.error();
    for (int i = 0; i < kStations; ++i) {
        directory[i].Nome = values->value(3 * i);
        directory[i].Telefono = values->value(3 * i + 1);
        directory[i].Scadenza = values->value(3 * i + 2);
    }
    const auto last = readLines(lastCalls);
    if (!last)
        return last.error();
    for (int i = 0; i < kStations; ++i)
        directory[i].Uldata = last->value(i);
    return directory;
}

int rowsPastDirectory(const QString& stations)
{
    const auto lines = readLines(stations);
    if (!lines)
        return 0;
    int rows = 0;
    for (qsizetype first = 3 * kStations; first < lines->size(); first += 3) {
        const bool used =
            std::any_of(lines->begin() + first, lines->begin() + std::min(first + 3, lines->size()),
                        [](const QString& value) { return !value.isEmpty(); });
        rows += used ? 1 : 0;
    }
    return rows;
}

StationDirectory loadStations(const QString& stations, const QString& lastCalls)
{
    auto directory = readStations(stations, lastCalls);
    return directory ? *directory : StationDirectory();
}

std::optional<QString> notLatin1(const StationDirectory& directory)
{
    for (int i = 0; i < kStations; ++i) {
        const Station& s = directory[size_t(i)];
        for (const QString& value : {s.Nome, s.Telefono, s.Scadenza, s.Uldata}) {
            if (!fitsLatin1({value}))
                return QStringLiteral("\"%1\" of station %2").arg(value, QString::number(i + 1));
        }
    }
    return std::nullopt;
}

bool saveStations(const StationDirectory& directory, const QString& stations, const QString& lastCalls)
{
    QStringList values;
    QStringList last;
    for (const Station& s : directory) {
        values << s.Nome << s.Telefono << s.Scadenza;
        last << s.Uldata;
    }
    // A value with a line break would shift every later value: it is kept on its one line.
    for (QString& v : values)
        v.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    for (QString& v : last)
        v.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    const bool stationsSaved = writeLines(stations, values);
    return writeLines(lastCalls, last) && stationsSaved;
}

QString callDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace stazione::modem
