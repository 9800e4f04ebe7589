#pragma once

#include <QString>

namespace stazione::link {

// Identification replies of the three logger models, compared exactly.
inline const QString kModelBase = QStringLiteral("KVE_M410_M610");       // two channels, no GSM
inline const QString kModelFamily = QStringLiteral("KVE_M610_M410");     // four channels, GSM
inline const QString kModelVibratingWire = QStringLiteral("KVE_M510HX"); // six channels, GSM

bool isKnownModel(const QString& modello);
bool isTwoModelFamily(const QString& modello);

// The model as captions show it: without the "KVE_" prefix.
QString shortModelName(const QString& modello);

} // namespace stazione::link
