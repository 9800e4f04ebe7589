#include "link/commands.h"

#include "link/numbers.h"

namespace stazione::link::cmd {

namespace {

const QString kComma = QStringLiteral(",");

Command letter(const char* text, QString params = {})
{
    return {QString::fromLatin1(text), std::move(params)};
}

// Each value followed by a comma.
QString values(std::initializer_list<QString> list)
{
    QString out;
    for (const QString& v : list)
        out += v + kComma;
    return out;
}

QString index(long long i)
{
    return signedNotation(i);
}

QString gsmIndex(int i)
{
    return i == kGsmSmsCountEntry ? QStringLiteral("10") : index(i);
}

QString bit(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString dateValues(const QString& day, const QString& month, long long year, const QString& hour,
                   const QString& minute, const QString& second)
{
    return values({day, month, signedNotation(year - 1900), hour, minute, second});
}

} // namespace

Command identify()
{
    return letter("V");
}
Command readAcquisitionEnabled()
{
    return letter("O");
}
TwoStep setAcquisitionEnabled(bool enabled)
{
    return {letter("o"), {bit(enabled), kComma}};
}
Command stopAcquisition()
{
    return letter("B");
}

Command readClock()
{
    return letter("G", kComma);
}
Command writeClock(const QString& day, const QString& month, long long year, const QString& hour,
                   const QString& minute, const QString& second)
{
    return letter("g", dateValues(day, month, year, hour, minute, second));
}
Command readNextAcquisition()
{
    return letter("D");
}
Command readIntervalPart(int i)
{
    return letter("C", values({index(i)}));
}
Command writeIntervalPart(int i, const QString& threeDigits)
{
    return letter("c", values({index(i), threeDigits}));
}
Command readMemoryState()
{
    return letter("M", kComma);
}
Command readPreheating()
{
    return letter("E", kComma);
}
Command writePreheating(const QString& fiveDigits)
{
    return letter("e", values({fiveDigits}));
}

Command readChannelCount()
{
    return letter("H");
}
Command readChannelCountForSession()
{
    return letter("H", QStringLiteral("0,"));
}
TwoStep writeChannelCount(long long count)
{
    return {letter("h"), {signedNotation(count), kComma}};
}
Command eraseMemory()
{
    return letter("b", QString::fromLatin1(kConfirmationCode));
}
Command resetLogger()
{
    return letter("z", QString::fromLatin1(kConfirmationCode));
}
Command readProperty(int slot)
{
    return letter("R", values({index(slot)}));
}
Command writeProperty(int slot, const QString& value)
{
    return letter("r", values({index(slot), value}));
}

Command readStationName()
{
    return letter("Q");
}
Command writeStationName(const QString& name)
{
    return letter("q", values({name}));
}
Command readBatteryVoltage()
{
    return letter("W");
}
Command readBatteryType()
{
    return letter("F");
}
Command writeBatteryType(int state)
{
    return letter("f", values({signedNotation(state)}));
}
Command writePhoneAlarm(const QString& number, const QString& flag)
{
    return letter("f", values({number, flag}));
}
Command readMiniPanel()
{
    return letter("U");
}
Command readEventCounterSwitch()
{
    return letter("U", kComma);
}
Command writeMiniPanel(int state)
{
    return letter("u", values({signedNotation(state)}));
}
Command switchEventCounter(bool on)
{
    return letter("u", values({bit(on)}));
}
Command readRainAmount()
{
    return letter("<");
}
Command writeRainAmount(const QString& amount)
{
    return letter(">", values({amount}));
}
Command readEventCount()
{
    return letter("L", kComma);
}
Command readFsValues()
{
    return letter("T");
}

Command readGsmEntry(int i)
{
    return letter("I", values({gsmIndex(i)}));
}
Command writeGsmEntry(int i, const QString& value)
{
    return letter("i", values({gsmIndex(i), value}));
}
Command writeGsmList(const QStringList& numbers, const QString& smsCount, const QString& smsFlag)
{
    QString params;
    for (int i = 0; i < kGsmNumbers; ++i)
        params += numbers.value(i) + kComma;
    params += values({smsCount, smsFlag});
    return letter("i", params);
}
Command setGsmEnabled(bool enabled)
{
    return letter("j", values({bit(enabled)}));
}
Command writeAlarmEntry(int entry, const QString& value)
{
    return letter("j", values({index(entry), value}));
}
Command readAlarmEntry(int entry)
{
    return letter("J", values({index(entry)}));
}
Command readPersonalText()
{
    return letter("X");
}
QList<Command> writePersonalText(const QStringList& lines)
{
    QList<Command> out{letter("x")};
    for (int i = 0; i < kPersonalTextLines; ++i)
        out.append(Command{lines.value(i), kComma});
    return out;
}
Command readEmailEnabled()
{
    return letter("Y");
}
Command setEmailEnabled(bool enabled)
{
    return letter("y", values({bit(enabled)}));
}
Command readGprsSetting(int i)
{
    return letter("K", values({index(i)}));
}
Command writeGprsSetting(int i, const QString& text)
{
    return letter("k", values({index(i), text}));
}
Command readStartDate()
{
    return letter("Y", kComma);
}
Command writeStartDate(const QString& day, const QString& month, long long year, const QString& hour,
                       const QString& minute, const QString& second)
{
    return letter("y", dateValues(day, month, year, hour, minute, second));
}
Command startNow()
{
    return letter("y", QStringLiteral("13,10,75,00,00,00,"));
}

TwoStep downloadRecords(bool fromEnd)
{
    return {letter("A"), {bit(fromEnd), kComma}};
}
Command downloadCounted()
{
    return letter("a");
}
Command endContinuousMeasurement()
{
    return letter("a");
}
Command startContinuousMeasurement()
{
    return letter("P");
}
Command startContinuousReading()
{
    return letter("p");
}

namespace retry {
Query clock()
{
    return {letter("G"), 19};
}
Query interval()
{
    return {letter("C"), 12};
}
Query preheating()
{
    return {letter("E"), 5};
}
Query channelCount()
{
    return {letter("H"), 3};
}
Query channelDetail(int count)
{
    return {letter("H"), 4 * count + 4};
}
Query stationName()
{
    return {letter("Q"), 5};
}
Query nextAcquisition()
{
    return {letter("N"), 20};
}
Query memory()
{
    return {letter("M"), 12};
}
Query fsValues()
{
    return {letter("T"), 3};
}
} // namespace retry

QString cut(const QString& reply, int position, int length)
{
    return reply.mid(position - 1, length);
}

std::array<QString, 5> nextAcquisitionFields(const QString& reply)
{
    return {cut(reply, 2, 2), cut(reply, 6, 2), cut(reply, 10, 2), cut(reply, 14, 2), cut(reply, 18, 2)};
}

std::array<QString, 5> retryClockFields(const QString& reply)
{
    return {cut(reply, 1, 3), cut(reply, 5, 3), cut(reply, 9, 3), cut(reply, 13, 3), cut(reply, 17, 3)};
}

std::array<QString, 3> retryIntervalFields(const QString& reply)
{
    return {cut(reply, 1, 3), cut(reply, 5, 3), cut(reply, 9, 3)};
}

std::array<QString, 2> retryMemoryFields(const QString& reply)
{
    return {cut(reply, 1, 5), cut(reply, 7, 5)};
}

} // namespace stazione::link::cmd
