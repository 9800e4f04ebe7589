#include "modem/stations.h"

#include "link/port_resolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace stazione::modem {

namespace {

// The lines of a text file, created empty when missing. Files of the older tools are in the
// Windows code page of the time, ours in Latin-1 when that is enough: bytes that are not valid
// UTF-8 are taken as Latin-1, so both load.
QStringList readLines(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists()) {
        file.open(QIODevice::WriteOnly);
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

QByteArray encode(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return text.toUtf8();
    }
    return text.toLatin1();
}

bool writeLines(const QString& path, const QStringList& lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += encode(line) + "\r\n";
    file.write(bytes);
    return file.commit();
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
