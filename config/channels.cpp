#include "config/channels.h"

#include "link/exchange.h"
#include "link/numbers.h"

namespace stazione::config {

link::Result<QString> readChannelCount(link::Link& link)
{
    return link::requestField(link, link::cmd::readChannelCount());
}

link::Result<ChannelWrite> writeChannelCount(link::Link& link, long long count)
{
    if (auto s = link::send(link, link::cmd::eraseMemory()); !s)
        return s.error();
    link.Ritardo(50);
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    const auto command = link::cmd::writeChannelCount(count);
    if (auto s = link::send(link, command.first); !s)
        return s.error();
    link.Ritardo(50);
    auto accepted = link::write(link, command.second);
    if (!accepted)
        return accepted.error();
    ChannelWrite result;
    result.accepted = *accepted;
    link.Ritardo(50);
    auto channels = readChannelCount(link);
    if (!channels)
        return channels.error();
    result.channels = *channels;
    link.Ritardo(20); // the channel read's own pause
    link.Ritardo(50);
    auto memory = readMemoryState(link);
    if (!memory)
        return memory.error();
    result.memory = *memory;
    link.Ritardo(20);
    return result;
}

std::optional<QString> correctedChannelBox(const QString& text)
{
    const double value = link::numericValue(text);
    if (value < 0 || value > kMaxChannels)
        return QStringLiteral("0");
    return std::nullopt;
}

} // namespace stazione::config
