#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The logger's commands: for each one, the exact text that goes on the wire. The command text is
// written in one piece, the parameter text one character at a time (Link::Invia_Comando). Numbers
// the program computes go in signed notation (" 3"); texts the operator typed go as given, and
// the callers trim them where the operation says so.
namespace stazione::link::cmd {

struct Command {
    QString text;   // the letter (or, for the second step of some commands, the value)
    QString params; // every value followed by ","; empty for the letter alone

    QString wire() const { return text + params; }
    bool operator==(const Command&) const = default;
};

// Sent as two transmissions with a pause between: the letter alone, then the value as command
// text with "," as parameter text.
struct TwoStep {
    Command first;
    Command second;
};

// The confirmation code of the two destructive commands.
inline constexpr const char* kConfirmationCode = "839,";

// Identification and acquisition state.
Command identify();                          // V -> model, version
Command readAcquisitionEnabled();            // O -> 1 / 0
TwoStep setAcquisitionEnabled(bool enabled); // o, then "1," / "0,"
Command stopAcquisition();                   // B

// Clock, schedule and memory. Day, month, hour, minute and second go as typed; the year is the
// numeric value of its box, sent counted from 1900.
Command readClock(); // G ","
Command writeClock(const QString& day, const QString& month, long long year, const QString& hour,
                   const QString& minute, const QString& second);
Command readNextAcquisition(); // D, 20 characters
inline constexpr int kNextAcquisitionLength = 20;
Command readIntervalPart(int index);                              // C; 0 hours, 1 minutes, 2 seconds
Command writeIntervalPart(int index, const QString& threeDigits); // c
Command readMemoryState();                                        // M "," -> possible, available
Command readPreheating();                                         // E "," -> milliseconds
Command writePreheating(const QString& fiveDigits);               // e, no reply
inline constexpr int kMaxPreheatingMs = 30000;

// Channels, erase and reset.
Command readChannelCount();                            // H -> count, ...
Command readChannelCountForSession();                  // H "0," (the continuous measurement asks this way)
TwoStep writeChannelCount(long long count);            // h, then the count in signed notation
Command eraseMemory();                                 // b 839,
Command resetLogger();                                 // z 839,
Command readProperty(int slot);                        // R
Command writeProperty(int slot, const QString& value); // r

// Station, power supply and peripherals.
Command readStationName();                                           // Q
Command writeStationName(const QString& name);                       // q
Command readBatteryVoltage();                                        // W
Command readBatteryType();                                           // F -> 1 lead-acid, 0 other
Command writeBatteryType(int state);                                 // f " 1," / " 0,"
Command writePhoneAlarm(const QString& number, const QString& flag); // f number,flag, no reply
Command readMiniPanel();                                             // U
Command readEventCounterSwitch();                                    // U ","
Command writeMiniPanel(int state);                                   // u " 1," / " 0,"
Command switchEventCounter(bool on);                                 // u "1," / "0," (no blank)
Command readRainAmount();                                            // <
Command writeRainAmount(const QString& amount);                      // >, no reply
Command readEventCount();                                            // L ","
Command readFsValues();                                              // T -> six fields

// Messaging and alarms. GSM entries 0-9 are the SMS numbers, 10 the number of SMS to send; entry
// 10 goes as "10," without the blank.
inline constexpr int kGsmNumbers = 10;
inline constexpr int kGsmSmsCountEntry = 10;
Command readGsmEntry(int index);                        // I
Command writeGsmEntry(int index, const QString& value); // i index,value
// The ten numbers, the SMS count and the SMS flag; the flag text goes as the caller wrote it.
Command writeGsmList(const QStringList& numbers, const QString& smsCount, const QString& smsFlag);
Command setGsmEnabled(bool enabled);                      // j "1," / "0,", no reply
Command writeAlarmEntry(int entry, const QString& value); // j entry,value
Command readAlarmEntry(int entry);                        // J
inline int alarmStateEntry(int row)
{
    return 3 * row;
}
inline int alarmUpperEntry(int row)
{
    return 3 * row + 1;
}
inline int alarmLowerEntry(int row)
{
    return 3 * row + 2;
}
Command readPersonalText(); // X -> five lines
inline constexpr int kPersonalTextLines = 5;
// x alone, then each line as its own transmission with "," as parameters.
QList<Command> writePersonalText(const QStringList& lines);
Command readEmailEnabled();                               // Y
Command setEmailEnabled(bool enabled);                    // y "1," / "0,", no reply
Command readGprsSetting(int index);                       // K
Command writeGprsSetting(int index, const QString& text); // k
inline constexpr int kGprsSettings = 10;
Command readStartDate(); // Y ","
Command writeStartDate(const QString& day, const QString& month, long long year, const QString& hour,
                       const QString& minute, const QString& second); // y, six values
Command startNow(); // y with 13 October 1975 00:00:00: a start in the past starts at once

// Data transfer and live measurement.
TwoStep downloadRecords(bool fromEnd); // A, then "1," / "0,"; lines up to the code 3
inline constexpr char kEndOfText = '\x03';
Command downloadCounted();            // a -> N, C, N records of 6 + C fields
Command endContinuousMeasurement();   // a
Command startContinuousMeasurement(); // P
Command startContinuousReading();     // p
inline constexpr const char* kLoggerTimeout = "%%";

// The retry read over a modem call: the letter alone, a reply of known length cut at fixed places.
namespace retry {
struct Query {
    Command command;
    int length;
};
Query clock();                  // G, 19
Query interval();               // C, 12
Query preheating();             // E, 5
Query channelCount();           // H, 3
Query channelDetail(int count); // H, 4c + 4
Query stationName();            // Q, 5
Query nextAcquisition();        // N, 20
Query memory();                 // M, 12
Query fsValues();               // T, 3
} // namespace retry

// Characters [position, position + length) counted from 1; shorter replies give what is there.
QString cut(const QString& reply, int position, int length);

// The five two-character fields of a next-acquisition reply (day, month, two-digit year, hour,
// minute) at positions 2, 6, 10, 14 and 18.
std::array<QString, 5> nextAcquisitionFields(const QString& reply);
// The five three-character fields of the retry clock at 1, 5, 9, 13, 17.
std::array<QString, 5> retryClockFields(const QString& reply);
// Hours, minutes, seconds at 1, 5, 9.
std::array<QString, 3> retryIntervalFields(const QString& reply);
// Acquisitions possible (1-5) and available (7-11).
std::array<QString, 2> retryMemoryFields(const QString& reply);

} // namespace stazione::link::cmd
