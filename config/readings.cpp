#include "config/readings.h"

#include "link/exchange.h"
#include "link/numbers.h"

namespace stazione::config {

link::Result<QString> readChannelCount(link::Link& link)
{
    return link::requestField(link, link::cmd::readChannelCount());
}

link::Result<std::optional<MemoryState>> readMemoryState(link::Link& link)
{
    auto channels = readChannelCount(link);
    if (!channels)
        return channels.error();
    if (link::numericValue(*channels) == 0)
        return std::optional<MemoryState>();
    link.Ritardo(50);
    auto fields = link::request(link, link::cmd::readMemoryState(), 2);
    if (!fields)
        return fields.error();
    return std::optional<MemoryState>(MemoryState{fields->at(0), fields->at(1)});
}

link::Result<QString> readIntervalPart(link::Link& link, int index)
{
    return link::requestField(link, link::cmd::readIntervalPart(index));
}

link::Result<QString> readStationName(link::Link& link)
{
    auto name = link::requestField(link, link::cmd::readStationName());
    if (!name)
        return name.error();
    return name->trimmed();
}

link::Result<long long> readAcquisitionEnabled(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    auto state = link::requestField(link, link::cmd::readAcquisitionEnabled());
    if (!state)
        return state.error();
    return link::integerValue(*state);
}

} // namespace stazione::config
