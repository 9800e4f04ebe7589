#include "link/models.h"

namespace stazione::link {

bool isKnownModel(const QString& modello)
{
    return modello == kModelBase || modello == kModelFamily || modello == kModelVibratingWire;
}

bool isTwoModelFamily(const QString& modello)
{
    return modello == kModelBase || modello == kModelFamily;
}

QString shortModelName(const QString& modello)
{
    QString name = modello;
    return name.remove(QStringLiteral("KVE_"));
}

} // namespace stazione::link
