#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QString>

// The station name, the power supply, the mini-panel / event-counter switch, the rain amount and
// the event count.
namespace stazione::config {

// "Q": the station name, blanks around it removed.
link::Result<QString> readStationName(link::Link& link);
// "q" with the name as given (the caller trims it); true when the logger answered "OK".
link::Result<bool> writeStationName(link::Link& link, const QString& name);

// "W": the battery voltage with two integer and two decimal digits ("12.6" -> "12.60").
link::Result<QString> readBatteryVoltage(link::Link& link);

// "F" after a flush: 1 lead-acid, 0 other.
link::Result<long long> readBatteryType(link::Link& link);
// "U": 1 on, 0 off.
link::Result<long long> readMiniPanel(link::Link& link);

struct SwitchWrite {
    bool accepted = false;
    long long readBack = 0; // the state the logger holds afterwards
};
// "f" / "u" with the state in signed notation, then the state read back after a pause.
link::Result<SwitchWrite> writeBatteryType(link::Link& link, int state);
link::Result<SwitchWrite> writeMiniPanel(link::Link& link, int state);

// "u" with "1," or "0," (the event counter), a pause, then "U," read back. No answer is read to "u".
link::Result<long long> switchEventCounter(link::Link& link, bool on);

// "<": the rain amount, blanks around it removed.
link::Result<QString> readRainAmount(link::Link& link);
// ">" with the amount (the caller trims it), then the amount read back.
link::Result<QString> writeRainAmount(link::Link& link, const QString& amount);

// "L,": the event count as received.
link::Result<QString> readEventCount(link::Link& link);

} // namespace stazione::config
