#pragma once

#include "config/clock_schedule.h"
#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

// The number of active channels. Changing it needs the data memory erased first.
namespace stazione::config {

inline constexpr int kMaxChannels = 16;

// "H": the number of active channels, the first field as received.
link::Result<QString> readChannelCount(link::Link& link);

inline const QString kChannelWriteQuestion = QStringLiteral(
    QT_TRANSLATE_NOOP("stazione::ui::Messages",
                      "Questa operazione necessita l'azzeramento della memoria. Vuoi proseguire?\r\nTutti i "
                      "dati verranno persi."));

struct ChannelWrite {
    bool accepted = false;
    QString channels;                  // the count read back
    std::optional<MemoryState> memory; // read back; nothing when no channel is active
};
// Erases the memory ("b" with the code), sends the count in two steps ("h", then the count in
// signed notation), reads the answer, then reads the count and the memory state back.
link::Result<ChannelWrite> writeChannelCount(link::Link& link, long long count);

// The edit check of a channel box: a count outside 0-16 becomes "0"; nothing to change otherwise.
std::optional<QString> correctedChannelBox(const QString& text);

} // namespace stazione::config
