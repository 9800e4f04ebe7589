#include "link/device.h"

#include <QStringList>

namespace stazione::link {

bool LineSettings::parse(const QString& text, LineSettings* out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity))
        return false;
    s.parity = parity.at(0).toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return false;
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = 1;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = 3;
    else if (stop == QLatin1String("2"))
        s.stopBits = 2;
    else
        return false;
    *out = s;
    return true;
}

QString LineSettings::toString() const
{
    const QString stop = stopBits == 3 ? QStringLiteral("1.5") : QString::number(stopBits);
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stop);
}

} // namespace stazione::link
