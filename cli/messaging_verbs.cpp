#include "alarms/analog_alarms.h"
#include "alarms/messaging.h"
#include "cli/cli.h"
#include "config/channels.h"
#include "config/sensor_properties.h"
#include "link/numbers.h"

#include <QJsonArray>
#include <QMap>
#include <QRegularExpression>

namespace stazione::cli {

namespace {

QJsonArray flags(const auto& accepted)
{
    QJsonArray out;
    for (bool a : accepted)
        out.append(a);
    return out;
}

// The --set values by the name of their box: "GPRS_7=21" sets element 7 of GPRS, "NUMERO_ALLARMI_SMS=2"
// a single box. Names the command does not know, or elements past the end, are a usage error.
class Changes {
public:
    bool parse(const QStringList& sets, const QMap<QString, int>& boxes)
    {
        static const QRegularExpression indexed(QStringLiteral("^(.+)_(\\d+)$"));
        for (const QString& set : sets) {
            const qsizetype eq = set.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return refuse(QStringLiteral("--set takes NAME=VALUE, not \"%1\".").arg(set));
            const QString key = set.left(eq);
            const QString value = set.mid(eq + 1);
            if (boxes.value(key, -1) == 0) {
                m_values[key][0] = value;
                continue;
            }
            const auto match = indexed.match(key);
            const int size = match.hasMatch() ? boxes.value(match.captured(1), -1) : -1;
            const int index = match.hasMatch() ? match.captured(2).toInt() : -1;
            if (size <= 0 || index >= size)
                return refuse(QStringLiteral("--set: no box %1 here.").arg(key));
            m_values[match.captured(1)][index] = value;
        }
        return true;
    }
    bool empty() const { return m_values.isEmpty(); }
    bool has(const QString& name) const { return m_values.contains(name); }
    // The values of an array of boxes with the changes applied.
    QStringList apply(const QString& name, QStringList values) const
    {
        const QMap<int, QString> changed = m_values.value(name);
        for (auto it = changed.begin(); it != changed.end(); ++it) {
            if (it.key() < values.size())
                values[it.key()] = it.value();
        }
        return values;
    }
    std::optional<QString> single(const QString& name) const
    {
        if (!m_values.contains(name))
            return std::nullopt;
        return m_values.value(name).value(0);
    }

private:
    bool refuse(const QString& why)
    {
        message(QStringLiteral("stazione-cli: ") + why);
        return false;
    }
    QMap<QString, QMap<int, QString>> m_values;
};

// The number of active channels, as the logger reports it.
std::optional<int> activeChannels(link::Link& link)
{
    auto count = config::readChannelCount(link);
    if (failed(count))
        return std::nullopt;
    return static_cast<int>(link::integerValue(*count));
}

QStringList column(const QList<config::ChannelProperties>& rows, int k)
{
    QStringList out;
    for (const auto& row : rows)
        out << row[k];
    return out;
}

// Writes the rows, reports which cells the logger accepted under "accepted" (`accepted` turns false
// at the first refusal), pauses and reads the rows back: what is shown is what the logger now holds.
template<typename Write, typename Read>
auto writeRowsAndReadBack(Run& run, const Write& write, const Read& read, bool& accepted) -> decltype(read())
{
    auto written = write();
    if (!written)
        return written.error();
    QJsonArray answers;
    for (const auto& row : *written) {
        answers.append(flags(row));
        accepted = accepted && allAccepted(row);
    }
    run.report.add(QStringLiteral("accepted"), answers);
    run.link.Ritardo(10);
    return read();
}

const char* const kPropertyBoxes[config::kProperties] = {"NomeCanali", "CA", "CB", "CC", "CD"};

} // namespace

int runSensors(const Options& options)
{
    return onLogger(options, [&](Run& run) {
        const auto channels = activeChannels(run.link);
        if (!channels)
            return Verdict::Failed;
        const int n = std::clamp(*channels, 0, config::kMaxChannels);
        Changes changes;
        QMap<QString, int> boxes;
        for (const char* name : kPropertyBoxes)
            boxes.insert(QLatin1String(name), n);
        if (!changes.parse(options.sets, boxes))
            return Verdict::Refusal;
        const QString& model = run.logger.id.Modello;
        const int stride = config::propertyStride(model);
        if (!changes.empty() && config::propertySlotsCollide(n, stride)) {
            message(config::slotCollisionMessage(n, stride));
            return Verdict::Refusal;
        }
        auto rows = config::readProperties(run.link, model, n);
        if (!rows)
            return fail(rows.error());
        run.report.add(QStringLiteral("MUX"), QString::number(n));
        bool accepted = true;
        if (!changes.empty()) {
            QList<config::ChannelProperties> wanted = *rows;
            for (int k = 0; k < config::kProperties; ++k) {
                const QStringList values = changes.apply(QLatin1String(kPropertyBoxes[k]), column(*rows, k));
                for (int i = 0; i < n; ++i)
                    wanted[i][k] = values[i];
            }
            rows = writeRowsAndReadBack(
                run, [&] { return config::writeProperties(run.link, model, wanted); },
                [&] { return config::readProperties(run.link, model, n); }, accepted);
            if (!rows)
                return fail(rows.error());
        }
        for (int k = 0; k < config::kProperties; ++k)
            run.report.add(QLatin1String(kPropertyBoxes[k]), textArray(column(*rows, k)));
        return acceptedIf(accepted);
    });
}

int runGsm(const Options& options)
{
    Changes changes;
    if (!changes.parse(options.sets, {{QStringLiteral("NUMERO_ALLARME_SMS"), 10},
                                      {QStringLiteral("NUMERO_ALLARMI_SMS"), 0}}))
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        auto entries = alarms::readGsmEntries(run.link);
        if (!entries)
            return fail(entries.error());
        bool accepted = true;
        if (!changes.empty()) {
            QStringList wanted = changes.apply(QStringLiteral("NUMERO_ALLARME_SMS"), entries->mid(0, 10));
            wanted << changes.single(QStringLiteral("NUMERO_ALLARMI_SMS")).value_or(entries->value(10));
            auto written = alarms::writeGsmEntries(run.link, wanted);
            if (!written)
                return fail(written.error());
            accepted = allAccepted(*written);
            run.report.add(QStringLiteral("accepted"), flags(*written));
            entries = alarms::readGsmEntries(run.link);
            if (!entries)
                return fail(entries.error());
        }
        run.report.add(QStringLiteral("NUMERO_ALLARME_SMS"), textArray(entries->mid(0, 10)));
        run.report.add(QStringLiteral("NUMERO_ALLARMI_SMS"), entries->value(10));
        return acceptedIf(accepted);
    });
}

int runGprs(const Options& options)
{
    Changes changes;
    if (!changes.parse(options.sets,
                       {{QStringLiteral("GPRS"), alarms::kGprsSettings}, {QStringLiteral("EMAIL"), 0}}))
        return kExitUsage;
    const auto email = changes.single(QStringLiteral("EMAIL"));
    if (email && *email != QLatin1String("0") && *email != QLatin1String("1")) {
        message(QStringLiteral("stazione-cli: EMAIL is 0 or 1."));
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto settings = alarms::readGprsSettings(run.link);
        if (!settings)
            return fail(settings.error());
        bool accepted = true;
        QStringList shown = *settings;
        if (changes.has(QStringLiteral("GPRS"))) {
            // The window writes all ten settings as its boxes hold them, and reads nothing back.
            QStringList wanted;
            for (const QString& v : changes.apply(QStringLiteral("GPRS"), shown))
                wanted << v.trimmed();
            auto written = alarms::writeGprsSettings(run.link, wanted);
            if (!written)
                return fail(written.error());
            accepted = allAccepted(*written);
            run.report.add(QStringLiteral("accepted"), flags(*written));
            shown = wanted;
        }
        auto mail = email ? alarms::setEmailEnabled(run.link, *email == QLatin1String("1"))
                          : alarms::readEmailEnabled(run.link);
        if (!mail)
            return fail(mail.error());
        run.report.add(QStringLiteral("GPRS"), textArray(shown));
        run.report.add(QStringLiteral("EMAIL"), double(*mail));
        if (!options.json) {
            for (int i = 0; i < alarms::kGprsSettings; ++i)
                run.report.add(alarms::gprsLabels()[i], shown[i]);
        }
        return acceptedIf(accepted);
    });
}

int runAlarms(const Options& options)
{
    return onLogger(options, [&](Run& run) {
        int rows = options.rows.value_or(-1);
        if (rows < 0) {
            const auto channels = activeChannels(run.link);
            if (!channels)
                return Verdict::Failed;
            rows = *channels;
        }
        rows = std::clamp(rows, 0, alarms::kAlarmRows);
        Changes changes;
        if (!changes.parse(options.sets, {{QStringLiteral("AllarmeAttivo"), rows},
                                          {QStringLiteral("CA"), rows},
                                          {QStringLiteral("CB"), rows}}))
            return Verdict::Refusal;
        auto read = alarms::readAlarmRows(run.link, rows);
        if (!read)
            return fail(read.error());
        auto columns = [](const QList<alarms::AlarmRow>& r) {
            QStringList state, upper, lower;
            for (const auto& row : r) {
                state << row.state;
                upper << row.upper;
                lower << row.lower;
            }
            return std::array<QStringList, 3>{state, upper, lower};
        };
        bool accepted = true;
        if (!changes.empty()) {
            const auto c = columns(*read);
            const QStringList state = changes.apply(QStringLiteral("AllarmeAttivo"), c[0]);
            const QStringList upper = changes.apply(QStringLiteral("CA"), c[1]);
            const QStringList lower = changes.apply(QStringLiteral("CB"), c[2]);
            QList<alarms::AlarmRow> wanted;
            for (int i = 0; i < rows; ++i)
                wanted.append({state[i], upper[i], lower[i]});
            read = writeRowsAndReadBack(
                run, [&] { return alarms::writeAlarmRows(run.link, wanted); },
                [&] { return alarms::readAlarmRows(run.link, rows); }, accepted);
            if (!read)
                return fail(read.error());
        }
        const auto c = columns(*read);
        run.report.add(QStringLiteral("AllarmeAttivo"), textArray(c[0]));
        run.report.add(QStringLiteral("CA"), textArray(c[1]));
        run.report.add(QStringLiteral("CB"), textArray(c[2]));
        return acceptedIf(accepted);
    });
}

int runSmsText(const Options& options)
{
    Changes changes;
    if (!changes.parse(options.sets, {{QStringLiteral("SMS_PERSONALIZZATO"), alarms::kPersonalLines}}))
        return kExitUsage;
    return onLogger(options, [&](Run& run) {
        auto lines = alarms::readPersonalText(run.link);
        if (!lines)
            return fail(lines.error());
        if (!changes.empty()) {
            const QStringList wanted = changes.apply(QStringLiteral("SMS_PERSONALIZZATO"), *lines);
            if (auto s = alarms::writePersonalText(run.link, wanted); !s)
                return fail(s.error());
            lines = alarms::readPersonalText(run.link);
            if (!lines)
                return fail(lines.error());
        }
        run.report.add(QStringLiteral("SMS_PERSONALIZZATO"), textArray(*lines));
        return Verdict::Done;
    });
}

} // namespace stazione::cli
