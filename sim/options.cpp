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
    QString text = modelOrShorthand.trimmed();
    if (text == QLatin1String("410"))
        return kBaseModel;
    if (text == QLatin1String("610"))
        return kGsmModel;
    if (text == QLatin1String("510"))
        return kVibratingWireModel;
    return text;
}

QString dialResultText(DialResult result)
{
    switch (result) {
    case DialResult::Connect:
        return QStringLiteral("CONNECT");
    case DialResult::Busy:
        return QStringLiteral("BUSY");
    case DialResult::NoCarrier:
        return QStringLiteral("NO CARRIER");
    case DialResult::NoAnswer:
        return QStringLiteral("NO ANSWER");
    }
    return {};
}

std::optional<DialResult> dialResultFromText(const QString& text)
{
    QString word = text.trimmed().toUpper();
    word.replace(QLatin1Char('_'), QLatin1Char(' '));
    word.replace(QLatin1Char('-'), QLatin1Char(' '));
    for (const DialResult result :
         {DialResult::Connect, DialResult::Busy, DialResult::NoCarrier, DialResult::NoAnswer}) {
        if (word == dialResultText(result))
            return result;
    }
    return std::nullopt;
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
