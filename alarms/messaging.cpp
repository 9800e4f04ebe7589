#include "alarms/messaging.h"

#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

#include <QCoreApplication>

namespace stazione::alarms {

namespace {

// The GSM entries as their boxes are named: ten numbers, then the number of SMS to send.
QList<link::TypedValue> gsmBoxes(const QStringList& entries)
{
    QList<link::TypedValue> typed =
        link::typedArray("NUMERO_ALLARME_SMS", entries.mid(0, link::cmd::kGsmNumbers));
    typed.append({QStringLiteral("NUMERO_ALLARMI_SMS"), entries.value(link::cmd::kGsmSmsCountEntry)});
    return typed;
}

// Writes each entry with its value trimmed, one acknowledged write after the other; a refusal
// does not stop the rest. Every value is checked before the first is sent.
template<int N>
link::Result<std::array<bool, N>>
writeEach(link::Link& link, const QStringList& values, const QList<link::TypedValue>& typed,
          link::cmd::Command (*command)(int, const QString&), const std::function<void(int, bool)>& answered)
{
    if (auto s = link::checkTyped(typed); !s)
        return s.error();
    std::array<bool, N> accepted{};
    for (int i = 0; i < N; ++i) {
        const QString value = values.value(i).trimmed();
        auto ok = link::write(link, command(i, value));
        if (!ok)
            return ok.error();
        accepted[i] = *ok;
        if (answered)
            answered(i, *ok);
        if (*ok)
            link.Ritardo(10);
    }
    return accepted;
}

} // namespace

link::Result<QStringList> readGsmEntries(link::Link& link,
                                         const std::function<void(int, const QString&)>& entryRead)
{
    QStringList values;
    for (int i = 0; i < kGsmEntries; ++i) {
        if (i == link::cmd::kGsmSmsCountEntry)
            link.Ritardo(5);
        auto value = link::requestField(link, link::cmd::readGsmEntry(i));
        if (!value)
            return value.error();
        values << value->trimmed();
        if (entryRead)
            entryRead(i, values.last());
        if (i < link::cmd::kGsmSmsCountEntry)
            link.Ritardo(5);
    }
    return values;
}

QString gsmSentCaption(int index)
{
    const QString written =
        index == link::cmd::kGsmSmsCountEntry ? QStringLiteral("10") : link::signedNotation(index);
    return QCoreApplication::translate("stazione::alarms::Messaging", "Trasmissione parametro %1 : OK")
        .arg(written);
}

link::Result<std::array<bool, kGsmEntries>> writeGsmEntries(link::Link& link, const QStringList& values,
                                                            const std::function<void(int, bool)>& answered)
{
    return writeEach<kGsmEntries>(link, values, gsmBoxes(values), &link::cmd::writeGsmEntry, answered);
}

link::Status sendAlarmSwitches(link::Link& link, const QStringList& entries, const QString& smsFlag,
                               const QString& phoneNumber, const QString& phoneFlag)
{
    QList<link::TypedValue> typed = gsmBoxes(entries);
    typed.append({QStringLiteral("NUMERO_ALLARME_TELEFONO"), phoneNumber});
    if (auto s = link::checkTyped(typed); !s)
        return s;
    QStringList numbers;
    for (int i = 0; i < link::cmd::kGsmNumbers; ++i)
        numbers << entries.value(i).trimmed();
    const auto list =
        link::cmd::writeGsmList(numbers, entries.value(link::cmd::kGsmSmsCountEntry).trimmed(), smsFlag);
    if (auto s = link::send(link, list); !s)
        return s;
    const auto phone = link::cmd::writePhoneAlarm(phoneNumber.trimmed(), phoneFlag);
    return link::send(link, phone);
}

link::Status setGsmEnabled(link::Link& link, bool enabled)
{
    return link::send(link, link::cmd::setGsmEnabled(enabled));
}

link::Result<long long> readEmailEnabled(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    auto state = link::requestField(link, link::cmd::readEmailEnabled());
    if (!state)
        return state.error();
    return link::integerValue(*state);
}

link::Result<long long> setEmailEnabled(link::Link& link, bool enabled)
{
    if (auto s = link::send(link, link::cmd::setEmailEnabled(enabled)); !s)
        return s.error();
    link.Ritardo(50);
    return readEmailEnabled(link);
}

const QStringList& gprsLabels()
{
    static const QStringList labels{QStringLiteral("GPRS USERNAME"),  QStringLiteral("GPRS PASSWORD"),
                                    QStringLiteral("APN SERVER"),     QStringLiteral("FTP SERVER"),
                                    QStringLiteral("FTP USERNAME"),   QStringLiteral("FTP PASSWORD"),
                                    QStringLiteral("FTP DIRECTORY"),  QStringLiteral("FTP PORTA"),
                                    QStringLiteral("TRASMETTI OGNI"), QStringLiteral("INVIA SEMPRE TUTTO")};
    return labels;
}

link::Result<QStringList> readGprsSettings(link::Link& link,
                                           const std::function<void(int, const QString&)>& settingRead)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    QStringList values;
    for (int i = 0; i < kGprsSettings; ++i) {
        auto value = link::requestField(link, link::cmd::readGprsSetting(i));
        if (!value)
            return value.error();
        values << *value;
        if (settingRead)
            settingRead(i, *value);
        link.Ritardo(10);
    }
    return values;
}

link::Result<std::array<bool, kGprsSettings>>
writeGprsSettings(link::Link& link, const QStringList& values, const std::function<void(int, bool)>& answered)
{
    return writeEach<kGprsSettings>(link, values, link::typedArray("GPRS", values.mid(0, kGprsSettings)),
                                    &link::cmd::writeGprsSetting, answered);
}

QString gprsSentCaption(int index)
{
    return QCoreApplication::translate("stazione::alarms::Messaging", "Trasmissione parametro %1 : OK")
        .arg(link::signedNotation(index));
}

} // namespace stazione::alarms
