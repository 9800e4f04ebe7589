#include "sim/logger_state.h"

#include <algorithm>
#include <cmath>

namespace stazione::sim {

int State::possibleAcquisitions() const
{
    return kMemoryCells / std::max(1, channels);
}

int State::availableAcquisitions() const
{
    return std::max(0, possibleAcquisitions() - static_cast<int>(records.size()));
}

qint64 State::intervalSeconds() const
{
    const qint64 seconds = qint64(interval[0]) * 3600 + qint64(interval[1]) * 60 + interval[2];
    return seconds > 0 ? seconds : 60;
}

QDateTime State::nextAcquisitionAfter(const QDateTime& loggerNow) const
{
    const QDateTime midnight(loggerNow.date(), QTime(0, 0), Qt::UTC);
    const qint64 step = intervalSeconds();
    const qint64 sinceMidnight = midnight.secsTo(loggerNow);
    return midnight.addSecs((sinceMidnight / step + 1) * step);
}

State defaultState(const Options& options, const QDateTime& loggerNow)
{
    State state;
    state.identification = identificationFor(options.model);
    state.version = options.version;
    state.channels = options.channels >= 0 ? options.channels : defaultChannels(state.identification);

    // Slot = property * stride + channel: the first `stride` slots hold the channel names, the
    // others the four numbers of each channel's linear scaling.
    const int stride = propertyStride(state.identification);
    static const char* const kScaling[] = {"0.000", "2.500", "0.0", "100.0"};
    for (int slot = 0; slot < State::kPropertySlots; ++slot) {
        const int property = slot / stride;
        const int channel = slot % stride;
        if (property == 0)
            state.properties << (channel < options.sensorNames.size() ? options.sensorNames[channel]
                                                                      : QStringLiteral("CH%1").arg(channel));
        else
            state.properties << QString::fromLatin1(kScaling[(property - 1) % 4]);
    }

    for (int i = 0; i < 10; ++i)
        state.gsmEntries << QStringLiteral("33300000%1").arg(i, 2, 10, QLatin1Char('0'));
    state.gsmEntries << QStringLiteral("1");

    for (int row = 0; row < State::kAlarmEntries / 3; ++row)
        state.alarmEntries << QStringLiteral("0") << QStringLiteral("80.0") << QStringLiteral("-10.0");

    state.personalText = {QStringLiteral("ALLARME"), QStringLiteral("STAZIONE"),
                          QStringLiteral("CONTROLLARE"), QStringLiteral("SENSORI"), QStringLiteral("-")};

    state.gprsSettings = {QStringLiteral("user"),        QStringLiteral("secret"),
                          QStringLiteral("apn.example"), QStringLiteral("ftp.example"),
                          QStringLiteral("logger"),      QStringLiteral("ftppass"),
                          QStringLiteral("/data"),       QStringLiteral("21"),
                          QStringLiteral("60"),          QStringLiteral("0")};

    // The newest record sits on the last acquisition at or before now, the others go back one
    // interval each.
    const qint64 step = state.intervalSeconds();
    const QDateTime newest = state.nextAcquisitionAfter(loggerNow).addSecs(-step);
    for (int i = options.records - 1; i >= 0; --i)
        state.records << newest.addSecs(-step * i);
    return state;
}

double recordedValue(const QDateTime& stamp, int channel)
{
    const double hours = static_cast<double>(stamp.toSecsSinceEpoch() % 864000) / 3600.0;
    return 20.0 + 4.5 * std::sin(hours * 0.7 + channel * 1.3);
}

} // namespace stazione::sim
