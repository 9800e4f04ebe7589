#include "network/sensors.h"

#include "link/settings_file.h"
#include "network/collection_report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

namespace stazione::data {

namespace {

// The file holds a few hundred bytes; anything much larger is not ours.
constexpr qint64 kLargestFile = 1 << 20;

} // namespace

const ChannelSensor* StationSensors::channel(int n) const
{
    for (const ChannelSensor& c : channels) {
        if (c.channel == n)
            return &c;
    }
    return nullptr;
}

QJsonObject toJson(const StationSensors& sensors)
{
    QJsonArray channels;
    for (const ChannelSensor& c : sensors.channels)
        channels.append(QJsonObject{{QStringLiteral("channel"), c.channel},
                                    {QStringLiteral("name"), c.name},
                                    {QStringLiteral("zero_volts"), c.zeroVolts},
                                    {QStringLiteral("full_volts"), c.fullVolts},
                                    {QStringLiteral("zero_value"), c.zeroValue},
                                    {QStringLiteral("full_value"), c.fullValue}});
    return {{QStringLiteral("read"), isoTime(sensors.read)}, {QStringLiteral("channels"), channels}};
}

std::optional<StationSensors> sensorsFromJson(const QJsonObject& object)
{
    StationSensors s;
    s.read = QDateTime::fromString(object.value(QStringLiteral("read")).toString(), Qt::ISODate);
    const QJsonValue channels = object.value(QStringLiteral("channels"));
    if (!s.read.isValid() || !channels.isArray())
        return std::nullopt;
    const QJsonArray list = channels.toArray();
    for (const auto& v : list) {
        const QJsonObject c = v.toObject();
        if (!c.value(QStringLiteral("channel")).isDouble())
            return std::nullopt;
        s.channels.push_back({.channel = c.value(QStringLiteral("channel")).toInt(),
                              .name = c.value(QStringLiteral("name")).toString(),
                              .zeroVolts = c.value(QStringLiteral("zero_volts")).toString(),
                              .fullVolts = c.value(QStringLiteral("full_volts")).toString(),
                              .zeroValue = c.value(QStringLiteral("zero_value")).toString(),
                              .fullValue = c.value(QStringLiteral("full_value")).toString()});
    }
    return s;
}

link::Result<std::optional<StationSensors>> readSensors(const QString& stationFolder)
{
    const QString path = QDir(stationFolder).filePath(kSensorsFileName);
    if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
        return std::optional<StationSensors>();
    QFile file;
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened)
        return link::Error::file(QStringLiteral("%1: %2").arg(path, opened.refusal->text()));
    if (file.size() > kLargestFile)
        return link::Error::file(QStringLiteral("%1 is too large to hold the channels' names.").arg(path));
    QJsonParseError parsed{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parsed);
    auto sensors = doc.isObject() ? sensorsFromJson(doc.object()) : std::nullopt;
    if (!sensors)
        return link::Error::file(QStringLiteral("%1 does not hold the channels' names.").arg(path));
    return std::optional<StationSensors>(std::move(*sensors));
}

link::Status writeSensors(const QString& stationFolder, const StationSensors& sensors)
{
    const QString path = QDir(stationFolder).filePath(kSensorsFileName);
    if (QFileInfo(path).isSymLink() || (QFileInfo::exists(path) && !QFileInfo(path).isFile()))
        return link::Error::file(QStringLiteral("%1 is not a regular file.").arg(path));
    const QByteArray bytes = QJsonDocument(toJson(sensors)).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return link::Error::file(QStringLiteral("%1 not written: %2").arg(path, file.errorString()));
    return {};
}

bool sensorsDue(const std::optional<StationSensors>& kept, const QDateTime& now, int everyDays)
{
    if (!kept || !kept->read.isValid())
        return true;
    // A read dated after now (the PC's clock set back) is not trusted to be recent.
    const qint64 age = kept->read.secsTo(now);
    return age < 0 || age >= qint64(everyDays) * 86400;
}

QString channelLabel(int channel, const StationSensors* sensors)
{
    QString label = QStringLiteral("CH %1").arg(channel);
    const ChannelSensor* c = sensors ? sensors->channel(channel) : nullptr;
    if (c && !c->name.trimmed().isEmpty())
        label += QLatin1Char(' ') + c->name.trimmed();
    return label;
}

QStringList namedChannels(const QStringList& columns, const StationSensors* sensors)
{
    if (!sensors)
        return columns;
    static const QRegularExpression plain(QStringLiteral("^CH (\\d+)$"));
    QStringList named;
    named.reserve(columns.size());
    for (const QString& column : columns) {
        const auto m = plain.match(column);
        named << (m.hasMatch() ? channelLabel(m.captured(1).toInt(), sensors) : column);
    }
    return named;
}

} // namespace stazione::data
