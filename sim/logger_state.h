#pragma once

#include "sim/options.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace stazione::sim {

// Everything the logger keeps in its memory. Texts that the client passes through without
// interpreting them (numbers, limits, settings) are kept as texts, as received.
//
// Times of the logger (its clock, record time stamps) are wall times of the logger's own
// clock with no time zone: they are held as Qt::UTC values whose fields are the logger's.
struct State {
    static constexpr int kPropertySlots = 80;
    static constexpr int kGsmEntries = 11; // ten SMS numbers, then the number of SMS to send
    static constexpr int kAlarmEntries = 48;
    static constexpr int kPersonalLines = 5;
    static constexpr int kGprsSettings = 10;
    static constexpr int kMaxChannels = 16;
    static constexpr int kMaxNameLength = 32;
    static constexpr int kMaxPreheatMs = 30000;
    static constexpr int kMemoryCells = 32768;

    QString identification;
    QString version;

    bool acquisitionEnabled = true;
    qint64 clockOffsetMs = 0;              // logger clock minus host local time
    std::array<int, 3> interval{0, 10, 0}; // hours, minutes, seconds
    int preheatMs = 1500;
    int channels = 4;
    QStringList properties; // analog sensor properties by slot
    QString stationName = QStringLiteral("STAZ1");
    QString batteryVoltage = QStringLiteral("12.6");
    bool leadAcidBattery = true;
    QString phoneAlarmNumber;
    QString phoneAlarmFlag = QStringLiteral("0");
    bool miniPanel = false; // also the event-counter (rain gauge) switch
    QString rainAmount = QStringLiteral("0.2");
    int eventCount = 0;
    QStringList gsmEntries;
    QString smsFlag = QStringLiteral("0");
    bool gsmEnabled = false;
    QStringList alarmEntries; // 3i state, 3i+1 upper, 3i+2 lower of row i
    QStringList personalText;
    bool emailEnabled = false;
    std::array<int, 6> startDate{13, 10, 1975, 0, 0, 0}; // day, month, year, hour, minute, second
    QStringList gprsSettings;
    QList<QDateTime> records; // time stamps of the recorded acquisitions, oldest first

    // Acquisitions the memory can hold with the present channel count, and how many are free.
    int possibleAcquisitions() const;
    int availableAcquisitions() const;

    // Interval in seconds; never 0, so that a schedule can always be computed.
    qint64 intervalSeconds() const;

    // First acquisition strictly after the given logger time; acquisitions fall on multiples
    // of the interval counted from midnight.
    QDateTime nextAcquisitionAfter(const QDateTime& loggerNow) const;
};

// The memory of a logger fresh from the factory, with `options.records` acquisitions recorded
// up to loggerNow.
State defaultState(const Options& options, const QDateTime& loggerNow);

// The measured value of one channel in a recorded acquisition: a temperature between 15 and
// 25 degrees that drifts slowly with the time stamp, so that downloads repeat exactly.
double recordedValue(const QDateTime& stamp, int channel);

} // namespace stazione::sim
