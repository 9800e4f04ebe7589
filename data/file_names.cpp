#include "data/file_names.h"

namespace stazione::data {

DateParts dateParts(const QDate& date)
{
    const QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    return {text.left(2), text.mid(3, 2), text.right(2)};
}

QString safeStationName(const QString& station)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString out = station;
    for (QChar& c : out) {
        if (c.unicode() < 32 || c.unicode() == 127 || refused.contains(c))
            c = QLatin1Char('_');
    }
    return out;
}

QString dataFileName(const QString& station, const QDate& date)
{
    const DateParts d = dateParts(date);
    return safeStationName(station) + QLatin1Char('_') + d.dd + QLatin1Char('_') + d.mm + QLatin1Char('_') +
           d.yy + QStringLiteral(".txt");
}

} // namespace stazione::data
