#pragma once

#include "link/result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The names and the linear scaling of a station's analog channels, as its logger last gave them
// to a collection: kept beside the archive (sensori.json), in the collection's report line of the
// call that read them, and in the database's "sensors" table.
namespace stazione::data {

struct ChannelSensor {
    int channel = 0;
    QString name; // as the logger sends it, the blanks kept
    // The scaling as the logger sends it: the volts at zero and full scale, and what they read.
    QString zeroVolts;
    QString fullVolts;
    QString zeroValue;
    QString fullValue;
    bool operator==(const ChannelSensor&) const = default;
};

struct StationSensors {
    QDateTime read; // when the logger gave them
    std::vector<ChannelSensor> channels;
    bool operator==(const StationSensors&) const = default;
    const ChannelSensor* channel(int n) const;
};

inline const QString kSensorsFileName = QStringLiteral("sensori.json");

QJsonObject toJson(const StationSensors& sensors);
// Nothing when the object holds no read time or no channel list.
std::optional<StationSensors> sensorsFromJson(const QJsonObject& object);

// The sensors kept in a station's folder; nothing when none were kept there. A file that cannot
// be read or does not hold them is an error, never taken for "none".
link::Result<std::optional<StationSensors>> readSensors(const QString& stationFolder);
// Replaces the folder's sensori.json in one step (never through a link).
link::Status writeSensors(const QString& stationFolder, const StationSensors& sensors);

// Whether a collection reads them again: never read, or read `everyDays` days ago or more.
bool sensorsDue(const std::optional<StationSensors>& kept, const QDateTime& now, int everyDays);

// A channel's column as the pages, the exports and the queries name it: "CH 0 Piezometro P1",
// or "CH 0" while its name is not known (or is blank).
QString channelLabel(int channel, const StationSensors* sensors);
// The labels "CH n" of a table's columns with the names added.
QStringList namedChannels(const QStringList& columns, const StationSensors* sensors);

} // namespace stazione::data
