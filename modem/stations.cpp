#include "modem/stations.h"

#include "link/port_resolver.h"
#include "link/settings_file.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace stazione::modem {

namespace {

// The lines of a text file, created empty when missing. Files of the older tools are in the
// Windows code page of the time, ours in Latin-1 when that is enough: bytes that are not valid
// UTF-8 are taken as Latin-1, so both load.
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

QStringList readLines(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!QFileInfo::exists(path)) {
        // Made as a file of its own: a link to nowhere in its place is replaced, not followed.
        (void)link::writeSettingsFile(path, {});
        return {};
    }
    const auto bytes = link::readSettingsFile(path);
    if (!bytes)
        return {};
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

// Written in UTF-8, whatever the line holds.
bool writeLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
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

StationDirectory loadStations(const QString& stations, const QString& lastCalls)
{
    StationDirectory directory;
    const QStringList values = readLines(stations);
    for (int i = 0; i < kStations; ++i) {
        directory[i].Nome = values.value(3 * i);
        directory[i].Telefono = values.value(3 * i + 1);
        directory[i].Scadenza = values.value(3 * i + 2);
    }
    const QStringList last = readLines(lastCalls);
    for (int i = 0; i < kStations; ++i)
        directory[i].Uldata = last.value(i);
    return directory;
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
