#include "sim/options.h"

namespace stazione::sim {

Options Options::fromEnvironment()
{
    Options options;
    options.timeScale = timeScaleFromEnvironment();
    return options;
}

double timeScaleFromEnvironment()
{
    bool ok = false;
    const double scale = qEnvironmentVariable("STAZIONE_TIME_SCALE").toDouble(&ok);
    return ok && scale > 0 ? scale : 1.0;
}

QString identificationFor(const QString& modelOrShorthand)
{
    const QString text = modelOrShorthand.trimmed();
    if (text == QLatin1String("410"))
        return kBaseModel;
    if (text == QLatin1String("610"))
        return kGsmModel;
    if (text == QLatin1String("510"))
        return kVibratingWireModel;
    return text;
}

bool isVibratingWire(const QString& identification)
{
    return identification == kVibratingWireModel;
}

int defaultChannels(const QString& identification)
{
    if (identification == kBaseModel)
        return 2;
    if (identification == kVibratingWireModel)
        return 6;
    return 4;
}

int propertyStride(const QString& identification)
{
    return identification == kBaseModel ? 2 : 4;
}

} // namespace stazione::sim
