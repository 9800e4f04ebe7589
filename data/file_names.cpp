#include "data/file_names.h"

#include <algorithm>

namespace stazione::data {

DateParts dateParts(const QDate& date)
{
    const QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    return {text.left(2), text.mid(3, 2), text.right(2)};
}

QString safeStationName(const QString& station)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    // 255 bytes a name on the usual file systems, less "_DD_MM_YY_SENS.txt.part" and the like.
    constexpr qsizetype kMostBytes = 200;
    QString out = station;
    for (QChar& c : out) {
        if (c.unicode() < 32 || c.unicode() == 127 || refused.contains(c))
            c = QLatin1Char('_');
    }
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char32_t code = out.at(i).unicode();
        const bool pair = out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate();
        const qsizetype size = pair ? 4 : code < 0x80 ? 1 : code < 0x800 ? 2 : 3;
        if (bytes + size > kMostBytes) {
            out.truncate(i);
            break;
        }
        bytes += size;
        if (pair)
            ++i;
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
