#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QList>
#include <QString>

#include <array>
#include <functional>

// The five properties of each analog channel: a name and the four numbers of its linear scaling.
namespace stazione::config {

inline constexpr int kProperties =
    5; // name, zero volts, full-scale volts, zero physical, full-scale physical
using ChannelProperties = std::array<QString, kProperties>;

// The logger keeps the properties in one table: property k of channel i sits at k * stride + i.
// The base model packs its channels two by two; the others four by four.
int propertyStride(const QString& modello);
inline int propertySlot(int channel, int property, int stride)
{
    return property * stride + channel;
}

// With more active channels than the stride, two channels share slots: a write would overwrite
// one channel's properties with another's.
inline bool propertySlotsCollide(int channels, int stride)
{
    return channels > stride;
}
QString slotCollisionMessage(int channels, int stride);

// "R" for each property of channels 0 to n-1; the numbers come back without the blanks around
// them, the name as received. `channelDone` is told after each channel.
link::Result<QList<ChannelProperties>>
readProperties(link::Link& link, const QString& modello, int channels,
               const std::function<void(int channel, const ChannelProperties&)>& channelDone = {});

// "r" for each property of the given channels (row i is channel i): the name as typed, the
// numbers trimmed. Goes on after a refused property. `answered` is told of every reply.
link::Result<QList<std::array<bool, kProperties>>>
writeProperties(link::Link& link, const QString& modello, const QList<ChannelProperties>& rows,
                const std::function<void(int channel, int property, bool accepted)>& answered = {});

// The main window's caption after an accepted property of channel i: "Trasmissione parametro 3OK".
QString propertySentCaption(int channel);

} // namespace stazione::config
