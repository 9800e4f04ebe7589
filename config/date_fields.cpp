#include "config/date_fields.h"

#include "link/numbers.h"

#include <QDateTime>

namespace stazione::config {

DateFields dateFieldsForDisplay(const QStringList& received)
{
    DateFields out;
    for (int i = 0; i < 6; ++i) {
        const QString value = link::plainNumber(received.value(i));
        out[i] = i < 3 ? value : link::formatNumber(value, link::pattern::kTwoDigits);
    }
    return out;
}

DateFields dateFieldsOf(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return dateFieldsForDisplay({QString::number(d.day()), QString::number(d.month()),
                                 QString::number(d.year()), QString::number(t.hour()),
                                 QString::number(t.minute()), QString::number(t.second())});
}

bool timeIsValid(const QString& hour, const QString& minute)
{
    const double h = link::numericValue(hour);
    const double m = link::numericValue(minute);
    return h >= 0 && h <= 23 && m >= 0 && m <= 59;
}

} // namespace stazione::config
