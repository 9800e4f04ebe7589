#include "config/sensor_properties.h"

#include "link/exchange.h"
#include "link/models.h"
#include "link/numbers.h"
#include "link/typed_values.h"

#include <QCoreApplication>

namespace stazione::config {

int propertyStride(const QString& modello)
{
    return modello == link::kModelBase ? 2 : 4;
}

QString slotCollisionMessage(int channels, int stride)
{
    return QStringLiteral(
               "Questo datalogger conserva le proprietà di al massimo %1 canali: con %2 canali attivi la "
               "scrittura metterebbe le proprietà di un canale al posto di quelle di un altro.\n"
               "Scrittura annullata.")
        .arg(stride)
        .arg(channels);
}

QString propertySentCaption(int channel)
{
    return QCoreApplication::translate("stazione::config::SensorProperties", "Trasmissione parametro%1OK")
        .arg(link::signedNotation(channel));
}

link::Result<QList<ChannelProperties>>
readProperties(link::Link& link, const QString& modello, int channels,
               const std::function<void(int, const ChannelProperties&)>& channelDone)
{
    const int stride = propertyStride(modello);
    QList<ChannelProperties> rows;
    for (int i = 0; i < channels; ++i) {
        ChannelProperties row;
        for (int k = 0; k < kProperties; ++k) {
            auto value = link::requestField(link, link::cmd::readProperty(propertySlot(i, k, stride)));
            if (!value)
                return value.error();
            row[k] = k == 0 ? *value : value->trimmed();
        }
        rows.append(row);
        if (channelDone)
            channelDone(i, row);
        link.Ritardo(10);
    }
    return rows;
}

link::Result<QList<std::array<bool, kProperties>>>
writeProperties(link::Link& link, const QString& modello, const QList<ChannelProperties>& rows,
                const std::function<void(int, int, bool)>& answered)
{
    static const char* const kBoxes[kProperties] = {"NomeCanali", "CA", "CB", "CC", "CD"};
    QList<link::TypedValue> typed;
    for (int i = 0; i < rows.size(); ++i) {
        for (int k = 0; k < kProperties; ++k)
            typed.append({link::boxName(kBoxes[k], i), rows[i][k]});
    }
    if (auto s = link::checkTyped(typed); !s)
        return s.error();
    const int stride = propertyStride(modello);
    return link::writeTable<kProperties>(
        link, rows.size(),
        [&rows, stride](int channel, int k) {
            // The name goes as typed; the numbers without blanks around them.
            const QString value = k == 0 ? rows[channel][k] : rows[channel][k].trimmed();
            return link::cmd::writeProperty(propertySlot(channel, k, stride), value);
        },
        answered, 10);
}

} // namespace stazione::config
