#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QString>

#include <optional>

// Reads of the logger's settings, as plain exchanges over the link. The window handlers put the
// values into their boxes; the command line prints them.
namespace stazione::config {

// "H": the number of active channels, the first field as received.
link::Result<QString> readChannelCount(link::Link& link);

struct MemoryState {
    QString possible;  // acquisitions the memory can hold
    QString available; // acquisitions still available
};
// "H", then (only when a channel is active) a pause and "M". Nothing when no channel is active.
link::Result<std::optional<MemoryState>> readMemoryState(link::Link& link);

// "C" with index 0 (hours), 1 (minutes) or 2 (seconds): that part of the acquisition interval.
link::Result<QString> readIntervalPart(link::Link& link, int index);

// "Q": the station name, blanks around it removed.
link::Result<QString> readStationName(link::Link& link);

// "O": 1 when acquisition is enabled, 0 when not.
link::Result<long long> readAcquisitionEnabled(link::Link& link);

} // namespace stazione::config
