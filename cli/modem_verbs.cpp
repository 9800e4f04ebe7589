// The modem window's own operations: its station directory, the modem search, the hang-up and the
// retry read of a call.

#include "cli/cli.h"
#include "link/comm_port.h"
#include "link/link.h"
#include "link/numbers.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "session/port_scan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace stazione::cli {

namespace {

// A port number as typed on the command line: 1 to 32767.
std::optional<int> portNumber(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 1 || number > 32767)
        return std::nullopt;
    return number;
}

int listStations(const Options& options, const modem::StationDirectory& directory)
{
    QJsonArray rows;
    for (int i = 0; i < modem::kStations; ++i) {
        const modem::Station& s = directory[i];
        if (s.Nome.isEmpty() && s.Telefono.isEmpty() && s.Scadenza.isEmpty() && s.Uldata.isEmpty())
            continue;
        rows.append(QJsonObject{{QStringLiteral("row"), i + 1},
                                {QStringLiteral("Nome"), s.Nome},
                                {QStringLiteral("Telefono"), s.Telefono},
                                {QStringLiteral("Scadenza"), s.Scadenza},
                                {QStringLiteral("Uldata"), s.Uldata}});
    }
    if (options.json) {
        out(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
        return kExitOk;
    }
    if (rows.isEmpty())
        message(QStringLiteral("No station in %1.").arg(modem::stationsFile()));
    for (const QJsonValue v : rows) {
        const QJsonObject r = v.toObject();
        out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                .arg(r.value("row").toInt())
                .arg(r.value("Nome").toString(), r.value("Telefono").toString(),
                     r.value("Scadenza").toString(), r.value("Uldata").toString()));
    }
    return kExitOk;
}

std::optional<int> rowArgument(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 1 || number > modem::kStations) {
        message(QStringLiteral("stazione-cli: a station of the directory is 1 to %1.").arg(modem::kStations));
        return std::nullopt;
    }
    return number - 1;
}

// A row's values from "NAME NUMBER [DATE]". Each value is one line of modem.ini: a line break in
// it would move every later station.
bool fillRow(const QStringList& values, modem::Station& station)
{
    if (values.size() < 2 || values.size() > 3) {
        message(QStringLiteral("stazione-cli: a station takes NAME NUMBER and an optional DATE."));
        return false;
    }
    for (const QString& v : values) {
        if (v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('\r'))) {
            message(QStringLiteral("stazione-cli: a station's values stand on one line each."));
            return false;
        }
    }
    // The number goes to the modem when the station is called: no control character in it.
    if (refused({{QStringLiteral("NUMBER"), values[1]}}, link::TypedFor::Modem))
        return false;
    station.Nome = values[0];
    station.Telefono = values[1];
    station.Scadenza = values.value(2);
    return true;
}

} // namespace

// "stations" lists the directory; "stations add", "set" and "remove" change it and write modem.ini
// and last.ini as the modem window's "Salva i dati" does.
int runStations(const Options& options)
{
    // A directory that cannot be read whole is neither listed as empty nor written over.
    const auto read = modem::readStations(modem::stationsFile(), modem::lastCallsFile());
    if (!read) {
        message(read.error().message + QStringLiteral(" The directory is left as it is."));
        return kExitFailure;
    }
    modem::StationDirectory directory = *read;
    if (const int more = modem::rowsPastDirectory(modem::stationsFile()); more > 0)
        message(QStringLiteral("%1 holds %2 more stations past row %3: they are not shown, and are kept as "
                               "they are.")
                    .arg(modem::stationsFile(), QString::number(more), QString::number(modem::kStations)));
    if (options.arguments.isEmpty())
        return listStations(options, directory);
    const QString action = options.arguments[0];
    int row = -1;
    if (action == QLatin1String("add")) {
        for (int i = 0; i < modem::kStations && row < 0; ++i) {
            const modem::Station& s = directory[i];
            if (s.Nome.isEmpty() && s.Telefono.isEmpty() && s.Scadenza.isEmpty() && s.Uldata.isEmpty())
                row = i;
        }
        if (row < 0) {
            message(QStringLiteral("The station directory is full (%1 stations).").arg(modem::kStations));
            return kExitFailure;
        }
        if (!fillRow(options.arguments.mid(1), directory[row]))
            return kExitUsage;
    } else if (action == QLatin1String("set") || action == QLatin1String("remove")) {
        const auto chosen = options.arguments.size() > 1 ? rowArgument(options.arguments[1]) : std::nullopt;
        if (!chosen)
            return kExitUsage;
        row = *chosen;
        if (action == QLatin1String("remove")) {
            if (options.arguments.size() != 2) {
                message(QStringLiteral("stazione-cli: stations remove takes the station's number."));
                return kExitUsage;
            }
            directory[row] = {};
        } else if (!fillRow(options.arguments.mid(2), directory[row])) {
            return kExitUsage;
        }
    } else {
        message(QStringLiteral("stazione-cli: stations takes add, set or remove, or nothing to list."));
        return kExitUsage;
    }
    if (!modem::saveStations(directory, modem::stationsFile(), modem::lastCallsFile())) {
        message(QStringLiteral("Cannot save %1.").arg(modem::stationsFile()));
        return kExitFailure;
    }
    if (const auto wide = modem::notLatin1(directory))
        message(QStringLiteral("%1 is written in UTF-8: %2 does not fit Latin-1, so a program that reads the "
                               "directory as Latin-1 shows it wrongly.")
                    .arg(modem::stationsFile(), *wide));
    return listStations(options, directory);
}

// "Cerca Modem": asks each port for a modem's identification, as typing the port into the modem
// window's box does, and keeps the first port that answers in pmodem.ini.
int runFindModem(const Options& options)
{
    int first = 1;
    int last = 30;
    if (options.arguments.size() == 1) {
        const auto only = portNumber(options.arguments[0]);
        if (!only) {
            message(QStringLiteral("stazione-cli: find-modem takes a port number, e.g. 2."));
            return kExitUsage;
        }
        first = last = *only;
    } else if (!options.arguments.isEmpty()) {
        message(QStringLiteral("stazione-cli: find-modem takes at most one port number."));
        return kExitUsage;
    }
    const auto opened = openConnection(options);
    if (!opened)
        return kExitFailure;
    link::Link& link = *opened->link;
    for (int n = first; n <= last; ++n) {
        message(coreText(modem::kSearching) + QStringLiteral(" COM%1").arg(n));
        const auto reply = modem::probeModem(link, n);
        link.Porta_Off();
        if (!reply)
            continue;
        const bool saved = session::writeSavedPort(modem::modemPortFile(), n);
        Report report(options.json);
        report.add(QStringLiteral("SERMODEM"), n);
        report.add(QStringLiteral("Text1"), modem::foundText(n, *reply).trimmed());
        report.print();
        if (!saved) {
            // The modem window would not find it there next time.
            message(QStringLiteral("stazione-cli: the modem's port cannot be saved in ") +
                    modem::modemPortFile() + QLatin1Char('.'));
            return kExitFailure;
        }
        return kExitOk;
    }
    message(coreText(modem::kNoModem));
    return kExitFailure;
}

// "Stop" of the modem window: the escape and ATH to the modem on port M.
int runHangUp(const Options& options)
{
    const auto number = options.arguments.size() == 1 ? portNumber(options.arguments[0]) : std::nullopt;
    if (!number) {
        message(QStringLiteral("stazione-cli: hang-up takes the modem's port number, e.g. 2."));
        return kExitUsage;
    }
    const auto opened = openConnection(options);
    if (!opened)
        return kExitFailure;
    link::Link& link = *opened->link;
    link::CommPort* port = opened->port.get();
    (void)port->setCommPort(*number);
    (void)port->setSettings(QStringLiteral("9600,N,8,1"));
    (void)port->setDtrEnable(true);
    if (auto s = port->setPortOpen(true); !s) {
        message(s.error().message);
        return kExitFailure;
    }
    link.Porta_Aperta = true;
    const auto hungUp = modem::hangUp(link);
    link.Porta_Off();
    if (!hungUp) {
        message(hungUp.error().message);
        return kExitFailure;
    }
    return kExitOk;
}

// "Riprova": the retry read of a call, with its fixed-length replies. Over a call it runs right
// after CONNECT instead of the start-up's identification, as when the start-up did not finish.
int runRetry(const Options& options)
{
    Options retry = options;
    retry.remoteStartup = false;
    return onLogger(retry, [](Run& run) {
        (void)run.link.port().discardInput();
        message(QStringLiteral("Reading the call's values again..."));
        auto values = modem::Recupera_Dati(run.link);
        if (!values)
            return fail(values.error());
        run.report.add(QStringLiteral("data"), textArray(values->data));
        run.report.add(QStringLiteral("conversione"), textArray(values->conversione));
        run.report.add(QStringLiteral("preaccensione"), values->preaccensione);
        run.report.add(QStringLiteral("MUX"), QString::number(values->channels));
        run.report.add(QStringLiteral("Nome_Centralina"), values->Nome_Centralina);
        run.report.add(QStringLiteral("Prox"), textArray(values->Prox));
        if (values->Acq_possibili) {
            run.report.add(QStringLiteral("Acq_possibili"), *values->Acq_possibili);
            run.report.add(QStringLiteral("acq_disponibili"), *values->acq_disponibili);
        }
        return Verdict::Done;
    });
}

} // namespace stazione::cli
