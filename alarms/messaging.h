#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QStringList>

#include <array>
#include <functional>

// The logger's GSM address book, the SMS and phone alarms, the GSM, e-mail and GPRS/FTP settings.
namespace stazione::alarms {

inline constexpr int kGsmEntries = 11; // ten SMS numbers, then the number of SMS to send

// "I" for entries 0 to 10, blanks around the values removed.
link::Result<QStringList>
readGsmEntries(link::Link& link, const std::function<void(int index, const QString&)>& entryRead = {});

// "i" for each entry with its value trimmed; goes on after a refusal. `answered` is told of each.
link::Result<std::array<bool, kGsmEntries>>
writeGsmEntries(link::Link& link, const QStringList& values,
                const std::function<void(int index, bool accepted)>& answered = {});

// "Trasmissione parametro  3 : OK", "Trasmissione parametro 10 : OK".
QString gsmSentCaption(int index);

// The SMS and phone alarm switches: the whole address book with the SMS flag ("i", twelve
// values), then the phone number with the phone flag ("f"). The flag of the box being pressed goes
// as a bare digit, the other one as its box shows it (" 0" or " 1"): the caller writes both texts.
link::Status sendAlarmSwitches(link::Link& link, const QStringList& entries, const QString& smsFlag,
                               const QString& phoneNumber, const QString& phoneFlag);

// "j" with "1," or "0,": the logger's GSM function. Nothing is read.
link::Status setGsmEnabled(link::Link& link, bool enabled);

// "Y": 1 when the logger sends e-mail, 0 when not.
link::Result<long long> readEmailEnabled(link::Link& link);
// "y" with "1," or "0,", a pause, then the state read back.
link::Result<long long> setEmailEnabled(link::Link& link, bool enabled);

inline constexpr int kGprsSettings = 10;
const QStringList& gprsLabels(); // "GPRS USERNAME" ... "INVIA SEMPRE TUTTO"

// "K" for the ten settings, as received.
link::Result<QStringList>
readGprsSettings(link::Link& link, const std::function<void(int index, const QString&)>& settingRead = {});
// "k" for each setting, trimmed; goes on after a refusal.
link::Result<std::array<bool, kGprsSettings>>
writeGprsSettings(link::Link& link, const QStringList& values,
                  const std::function<void(int index, bool accepted)>& answered = {});
// "Trasmissione parametro  7 : OK".
QString gprsSentCaption(int index);

} // namespace stazione::alarms
