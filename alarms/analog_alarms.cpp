#include "alarms/analog_alarms.h"

#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

#include <QCoreApplication>

namespace stazione::alarms {

link::Result<QList<AlarmRow>> readAlarmRows(link::Link& link, int rows,
                                            const std::function<void(int, const AlarmRow&)>& rowRead)
{
    QList<AlarmRow> out;
    for (int i = 0; i < rows; ++i) {
        QString values[3];
        for (int e = 0; e < 3; ++e) {
            auto value = link::requestField(link, link::cmd::readAlarmEntry(3 * i + e));
            if (!value)
                return value.error();
            values[e] = e == 0 ? *value : value->trimmed();
            link.Ritardo(10);
        }
        out.append({values[0], values[1], values[2]});
        if (rowRead)
            rowRead(i, out.last());
    }
    return out;
}

link::Result<QList<std::array<bool, 3>>> writeAlarmRows(link::Link& link, const QList<AlarmRow>& rows,
                                                        const std::function<void(int, int, bool)>& answered)
{
    QList<link::TypedValue> typed;
    for (int i = 0; i < rows.size(); ++i) {
        typed.append({link::boxName("AllarmeAttivo", i), rows[i].state});
        typed.append({link::boxName("CA", i), rows[i].upper});
        typed.append({link::boxName("CB", i), rows[i].lower});
    }
    if (auto s = link::checkTyped(typed); !s)
        return s.error();
    return link::writeTable<3>(
        link, rows.size(),
        [&rows](int row, int entry) {
            const AlarmRow& r = rows[row];
            const QString& value = entry == 0 ? r.state : entry == 1 ? r.upper : r.lower;
            return link::cmd::writeAlarmEntry(3 * row + entry, value.trimmed());
        },
        answered);
}

QString alarmSentCaption(int row)
{
    return QCoreApplication::translate("stazione::alarms::AnalogAlarms", "Trasmissione parametro%1OK")
        .arg(link::signedNotation(row));
}

link::Result<QStringList> readPersonalText(link::Link& link,
                                           const std::function<void(int, const QString&)>& lineRead)
{
    if (auto s = link::send(link, link::cmd::readPersonalText()); !s)
        return s.error();
    QStringList lines;
    for (int i = 0; i < kPersonalLines; ++i) {
        auto line = link.Leggi_Risposta();
        if (!line)
            return line.error();
        lines << *line;
        if (lineRead)
            lineRead(i, *line);
        link.Ritardo(10);
    }
    return lines;
}

link::Status writePersonalText(link::Link& link, const QStringList& lines)
{
    if (auto s = link::checkTyped(link::typedArray("SMS_PERSONALIZZATO", lines.mid(0, kPersonalLines))); !s)
        return s;
    for (const link::cmd::Command& transmission : link::cmd::writePersonalText(lines)) {
        if (auto s = link::send(link, transmission); !s)
            return s;
        if (transmission.params == QLatin1String(","))
            link.Ritardo(10);
    }
    return link::send(link, link::cmd::readPersonalText());
}

} // namespace stazione::alarms
