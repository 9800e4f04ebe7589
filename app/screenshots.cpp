// Takes the pictures of the README: the connection window, then every tab of the main window
// after a connection to each logger model, on the simulated logger; the activity pane during a
// download; the main window in English.
//
//   stazione-screenshots OUTPUT_FOLDER
//
// Run it under a display (docs/make-screenshots starts one with Xvfb).

#include "app/application.h"
#include "link/comm_port.h"
#include "link/timing.h"
#include "live/session_table.h"
#include "modem/stations.h"
#include "session/port_scan.h"
#include "sim/pty_server.h"
#include "ui/allarmi_an.h"
#include "ui/data/download_handlers.h"
#include "ui/data_viewer.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/grafici.h"
#include "ui/language.h"
#include "ui/live/measurement_window.h"
#include "ui/main/connection.h"
#include "ui/mis_cont.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"
#include "ui/sensori_an.h"
#include "ui/trace_chart.h"

#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>

using namespace stazione;

namespace {

// Answers every question the way the pictures need, without a window of its own.
class AutomaticDialogs final : public ui::Dialogs {
public:
    explicit AutomaticDialogs(QString sessionFile)
        : m_sessionFile(std::move(sessionFile))
    {}
    bool askYesNo(QWidget*, const QString&, const QString&, Icon, bool) override { return false; }
    void inform(QWidget*, const QString&, const QString&, Icon) override {}
    void beep() override {}
    bool askRetryCancel(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        return m_sessionFile;
    }

private:
    QString m_sessionFile;
};

// A month of a continuous measurement every ten minutes on four channels: two piezometers, one
// of which jumps one night, a temperature with its day and night, a battery; a few time-outs.
QByteArray monthOfReadings()
{
    QByteArray text = "[INIZIO DATI]\r\nDate,CH 0,CH 1,CH 2,CH 3\r\n";
    const QDateTime start(QDate(2026, 11, 1), QTime(0, 0));
    const int rows = 30 * 24 * 6;
    for (int r = 0; r < rows; ++r) {
        const QDateTime t = start.addSecs(600LL * r);
        const double day = double(r) / 144.0;
        const double jump = r > 17 * 144 + 20 ? 4.2 * (1.0 - std::exp(-(r - 17 * 144 - 20) / 30.0)) : 0.0;
        const double p1 = 12.0 + 0.4 * std::sin(day / 3.0) + jump;
        const double p2 = 8.5 + 0.3 * std::sin(day / 4.0 + 1.0);
        const double temp = 9.0 + 5.0 * std::sin((day - 0.3) * 2 * M_PI) + 2.0 * std::sin(day / 5.0);
        const double battery = 12.9 - 0.02 * day;
        text += t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
        const bool timeout = r % 1500 == 700;
        for (double v : {p1, p2, temp, battery})
            text += timeout ? QByteArray(",Timeout") : ',' + QByteArray::number(v, 'f', 3);
        text += "\r\n";
    }
    return text + "[FINE DATI]\r\n";
}

bool save(QWidget& window, const QString& path)
{
    QTest::qWait(300); // let the window settle and paint
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The pictures do not need the logger's real pauses.
constexpr double kScale = 0.05;

// A simulated logger of `model` on COM3 (of the ports folder in STAZIONE_PORTS).
sim::Options loggerOptions(const QString& model)
{
    sim::Options options;
    options.model = model;
    options.timeScale = kScale;
    return options;
}

// The program against a simulated logger: started, then connected by the scan.
struct OnSimulator {
    OnSimulator(const sim::Options& options, const QString& sessionFile)
        : logger(options)
        , dialogs(sessionFile)
        , stazione(link::makeSystemCommPort(), dialogs)
    {}
    // True once the connection window shows.
    bool start(const QString& ports)
    {
        if (!logger.start(ports, 3)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(logger.errorString()));
            return false;
        }
        stazione.start();
        return QTest::qWaitFor([&] { return stazione.form2().isVisible(); }, 5000);
    }
    // True when the scan found the logger.
    bool connect()
    {
        auto found = stazione.connection().Command1_Click();
        return found && *found;
    }

    sim::PtyServer logger;
    AutomaticDialogs dialogs;
    session::Application stazione;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: stazione-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    // The pictures show the program in its own language, whatever the machine's locale.
    ui::installLanguage(ui::kItalian);

    link::setTimeScale(kScale);
    QTemporaryDir ports;
    QTemporaryDir config;
    qputenv("STAZIONE_PORTS", ports.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("STAZIONE_SYSTEM_PORTS", "0");

    {
        // The data viewer on a month of readings, the mouse on the night of the jump.
        const QString file = config.filePath(QStringLiteral("mc_01-11-2026_0.0.00.txt"));
        QFile readings(file);
        if (!readings.open(QIODevice::WriteOnly) || readings.write(monthOfReadings()) < 0)
            return 1;
        readings.close();
        AutomaticDialogs dialogs(file);
        ui::DataViewer viewer(dialogs);
        viewer.resize(1100, 640);
        viewer.show();
        if (!QTest::qWaitForWindowExposed(&viewer) || !viewer.openFile(file))
            return 1;
        QTest::qWait(200);
        ui::TraceChart& chart = *viewer.chart;
        const QRectF area = chart.chart()->plotArea();
        const QPointF night(area.left() + area.width() * (17.2 / 30.0), area.center().y());
        const QPoint at = chart.mapFromScene(chart.chart()->mapToScene(night));
        QTest::mouseMove(chart.viewport(), at);
        viewer.status->setText(chart.describe(at));
        if (!save(viewer, out + QStringLiteral("/data_viewer.png")))
            return 1;
        viewer.hide();
    }

    {
        // The modem window with a directory and a modem found on COM2.
        sim::Options options;
        options.modem = true;
        options.timeScale = kScale;
        sim::PtyServer modemLine(options);
        if (!modemLine.start(ports.path(), 2))
            return 1;
        modem::StationDirectory directory;
        const char* names[] = {"Pozzo 1", "Frana Nord", "Diga", "Piezometro P4", "Stazione Meteo"};
        for (int i = 0; i < 5; ++i)
            directory[i] = {QString::fromLatin1(names[i]), QStringLiteral("+39 333 12345%1").arg(i),
                            QStringLiteral("31/12/2027"),
                            i < 3 ? QStringLiteral("0%1/11/2026").arg(i + 1) : QString()};
        modem::saveStations(directory, modem::stationsFile(), modem::lastCallsFile());
        session::writeSavedPort(modem::modemPortFile(), 2);
        AutomaticDialogs dialogs(config.filePath(QStringLiteral("unused.txt")));
        session::Application stazione(link::makeSystemCommPort(), dialogs);
        stazione.modem().open();
        stazione.modem().Sel_Click(3);
        stazione.modemWindow().Sel[3]->setChecked(true);
        if (!save(stazione.modemWindow(), out + QStringLiteral("/modem.png")))
            return 1;
        stazione.modemWindow().hide();
    }

    const std::pair<const char*, const char*> models[] = {
        {"410", "m410"}, {"610", "m610"}, {"510", "m510hx"}};
    bool first = true;
    for (const auto& [model, tag] : models) {
        OnSimulator run(loggerOptions(QString::fromLatin1(model)),
                        config.filePath(QStringLiteral("mc_session.txt")));
        session::Application& stazione = run.stazione;
        if (!run.start(ports.path()))
            return 1;
        if (first && !save(stazione.form2(), out + QStringLiteral("/connection.png")))
            return 1;
        first = false;
        if (!run.connect()) {
            std::fprintf(stderr, "no logger found for model %s\n", model);
            return 1;
        }
        ui::Form1& main = stazione.form1();
        for (int tab = 0; tab < main.SSTab1->count(); ++tab) {
            main.SSTab1->setCurrentIndex(tab);
            if (!save(main,
                      QStringLiteral("%1/%2_tab%3.png").arg(out, QLatin1String(tag), QString::number(tab))))
                return 1;
        }
        if (QLatin1String(tag) == QLatin1String("m610")) {
            // The two windows opened from the main window, after a read.
            main.Leggi_poprietà->click();
            stazione.sensori().Leggi_prop->click();
            if (!save(stazione.sensori(), out + QStringLiteral("/sensori_an.png")))
                return 1;
            stazione.sensori().close();
            main.Leggi_Allarmi->click();
            stazione.allarmi().Leggi_all[0]->click();
            stazione.allarmi().MESSAGGIO_PERSONALE_LEGGI->click();
            if (!save(stazione.allarmi(), out + QStringLiteral("/allarmi_an.png")))
                return 1;
            stazione.allarmi().close();

            // A short continuous measurement with its chart open.
            stazione.grafici().chkCH[0]->setChecked(true);
            stazione.grafici().chkCH[1]->setChecked(true);
            stazione.measurement().cmdGrafico();
            ui::MisCont& session = stazione.misCont();
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                const int rows = stazione.measurement().table().gridRows();
                if (rows >= 3 && session.cmdGraf->isEnabled() && !stazione.measurement().GraficoAperto)
                    session.cmdGraf->click();
                if (rows >= 40) {
                    save(session, out + QStringLiteral("/mis_cont.png"));
                    save(stazione.grafici(), out + QStringLiteral("/grafici.png"));
                    session.cmdStop->click();
                    poll.stop();
                }
            });
            poll.start(20);
            session.cmdStart->click();
            stazione.grafici().close();
            session.close();
        }
        main.hide();
    }

    {
        // The activity pane during a sensor-data download, with the line paced as at 9600 baud:
        // a few exchanges before it, the download's progress and its "Annulla".
        sim::Options options = loggerOptions(QStringLiteral("610"));
        options.pace = true;
        options.records = 2000;
        OnSimulator run(options, config.filePath(QStringLiteral("unused.txt")));
        session::Application& stazione = run.stazione;
        if (!run.start(ports.path()) || !run.connect())
            return 1;
        ui::Form1& main = stazione.form1();
        main.SSTab1->setCurrentIndex(3);
        main.leggi_nome->click();
        main.Status->click();
        main.SSTab1->setCurrentIndex(4);
        QTemporaryDir folder;
        stazione.downloads().chooseFolder(folder.path());
        bool saved = false;
        auto* annulla = main.findChild<QPushButton*>(QStringLiteral("Annulla"));
        QTimer::singleShot(4000, &main, [&] {
            saved = save(main, out + QStringLiteral("/activity_download.png"));
            if (annulla)
                annulla->click();
            // The logger goes on sending: the drain's countdown, then a second "Annulla".
            QTimer::singleShot(2500, &main, [&] {
                saved = saved && save(main, out + QStringLiteral("/activity_draining.png"));
                if (annulla)
                    annulla->click();
            });
        });
        main.Acquisisci->click();
        if (!saved || !save(main, out + QStringLiteral("/activity_cancelled.png")))
            return 1;
        // A read at once: the logger is still sending, and the wait for its end is shown.
        main.SSTab1->setCurrentIndex(3);
        QTimer::singleShot(2500, &main, [&] {
            saved = save(main, out + QStringLiteral("/activity_tail.png"));
            if (annulla)
                annulla->click();
        });
        main.leggi_nome->click();
        if (!saved)
            return 1;
        main.hide();
    }

    {
        // The same program with "--lang en": the connection window and the main window.
        ui::installLanguage(ui::kEnglish);
        OnSimulator run(loggerOptions(QStringLiteral("610")), config.filePath(QStringLiteral("unused.txt")));
        session::Application& stazione = run.stazione;
        if (!run.start(ports.path()) || !run.connect())
            return 1;
        ui::Form1& main = stazione.form1();
        main.SSTab1->setCurrentIndex(0);
        if (!save(main, out + QStringLiteral("/english_m610_tab0.png")))
            return 1;
        main.hide();
        ui::installLanguage(ui::kItalian);
    }
    return 0;
}
