#include "live/continuous_reading.h"

#include "config/clock_schedule.h"
#include "link/exchange.h"
#include "link/models.h"
#include "link/numbers.h"

namespace stazione::live {

int readingsPerGroup(const QString& modello, int channels)
{
    return modello == link::kModelVibratingWire ? 2 * channels : channels;
}

link::Status runContinuousReading(link::Link& link, int perGroup,
                                  const std::function<void(const Reading&)>& reading,
                                  const std::function<bool()>& stopRequested)
{
    // A group without readings would loop for ever without once waiting for the logger.
    if (perGroup <= 0)
        return link::Error::data(config::kNoChannelMessage);
    if (auto s = link.Svuota_Buffer(); !s)
        return s;
    if (auto s = link::send(link, link::cmd::startContinuousReading()); !s)
        return s;
    auto endedByStop = [&](const link::Error& error) -> link::Status {
        if (stopRequested())
            return {};
        return error;
    };
    do {
        for (int i = 0; i < perGroup; ++i) {
            Reading r;
            auto index = link.Leggi_Risposta();
            if (!index)
                return endedByStop(index.error());
            auto label = link.Leggi_Risposta();
            if (!label)
                return endedByStop(label.error());
            auto value = link.Leggi_Risposta();
            if (!value)
                return endedByStop(value.error());
            r.index = static_cast<int>(link::integerValue(*index));
            r.label = *label;
            r.isNumber = link::isNumber(*value);
            r.value = r.isNumber ? link::formatNumber(*value, link::pattern::kReading) : *value;
            reading(r);
        }
    } while (!stopRequested());
    return {};
}

link::Status stopContinuousReading(link::Link& link)
{
    return link::sendKeepingInput(link, link::cmd::stopAcquisition());
}

} // namespace stazione::live
