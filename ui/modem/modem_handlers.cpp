#include "ui/modem/modem_handlers.h"

#include "data/downloads.h"
#include "data/file_names.h"
#include "link/messages.h"
#include "link/models.h"
#include "link/numbers.h"
#include "link/port_resolver.h"
#include "link/timing.h"
#include "link/typed_values.h"
#include "modem/collection.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "network/alerts.h"
#include "network/collection_report.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "session/port_scan.h"
#include "session/session.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/language.h"
#include "ui/main/adaptation.h"
#include "ui/modem/modem_window.h"
#include "ui/windows.h"

#include <QAction>
#include <QButtonGroup>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace stazione::modem {

using namespace std::chrono_literals;

ModemHandlers::ModemHandlers(session::Session& session, ui::Form2& form2, ui::Form1& form1,
                             ui::ModemWindow& window, ui::Dialogs& dialogs, Steps steps, QObject* parent)
    : QObject(parent)
    , Timer1(new QTimer(this))
    , m_session(session)
    , m_form2(form2)
    , m_form1(form1)
    , m_window(window)
    , m_dialogs(dialogs)
    , m_steps(std::move(steps))
{
    Timer1->setInterval(link::scaled(2000ms));
    connect(Timer1, &QTimer::timeout, this, &ModemHandlers::Timer1_Timer);
    // Every control that talks to the modem or the logger is one exchange of the session's guard:
    // while another one waits (the call's start-up, a read of the main window) it is refused
    // with a beep, so that nothing of it reaches the line.
    auto exchange = [this](auto operation) {
        return [this, operation] {
            const auto held = m_session.guard().begin();
            if (!held) {
                m_dialogs.beep();
                return;
            }
            operation();
        };
    };
    connect(window.SERMODEM, &QLineEdit::textChanged, this, exchange([this] { SERMODEM_Change(); }));
    connect(window.CERCAMODEM, &QPushButton::clicked, this, exchange([this] { CERCAMODEM_Click(); }));
    connect(window.selGroup(), &QButtonGroup::idClicked, this, &ModemHandlers::Sel_Click);
    connect(window.Salva, &QAction::triggered, this, &ModemHandlers::Salva_Click);
    auto report = [this](const link::Status& s) {
        if (s || s.error().kind == link::ErrorKind::Cancelled)
            return;
        if (s.error().kind == link::ErrorKind::Refused)
            ui::reportError(m_dialogs, &m_window, s.error());
        else
            show(link::operatorSentence(s.error()));
    };
    connect(window.Connetti, &QAction::triggered, this,
            exchange([this, report] { report(Connetti_Click()); }));
    connect(window.Scarica_Vai, &QAction::triggered, this,
            exchange([this, report] { report(Scarica_Vai_Click()); }));
    connect(window.Riprova, &QAction::triggered, this, exchange([this, report] { report(Riprova_Click()); }));
    connect(window.Interrompi, &QAction::triggered, this, [this, report] {
        // A stop: during another exchange it ends that exchange's wait and sends nothing; the
        // hang-up itself is the next click.
        const auto held = m_session.guard().begin();
        if (!held) {
            m_session.link().cancel();
            return;
        }
        report(Interrompi_Click());
    });
    connect(&window, &ui::ModemWindow::closed, this, &ModemHandlers::Form_Unload);
    // After the hang-up the main window would look connected to a line that is down: the modem
    // window comes back, for the next station or to close.
    connect(form1.Riaggancia, &QPushButton::clicked, this, exchange([this] {
                const link::Status hungUp = Interrompi_Click();
                m_form1.hide();
                m_window.setEnabled(true);
                m_window.show();
                m_window.raise();
                if (hungUp) {
                    show(tr("Chiamata chiusa: scegli la prossima stazione da chiamare"));
                    m_window.Interrompi->setEnabled(false);
                } else {
                    // The line may still be up: "Interrompi" tries again.
                    show(link::operatorSentence(hungUp.error()));
                    m_window.Interrompi->setEnabled(true);
                }
            }));
    // Reads files only: not an exchange with the line.
    connect(window.Rapporto, &QPushButton::clicked, this, &ModemHandlers::Rapporto_Click);
    openPage = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

void ModemHandlers::show(const QString& text)
{
    m_window.Text1->setText(ui::shown(text));
}

void ModemHandlers::open()
{
    m_form2.hide();
    m_window.setEnabled(true);
    Form_Load();
    m_window.show();
    m_window.raise();
}

void ModemHandlers::Form_Load()
{
    m_loading = true;
    const StationDirectory directory = loadStations(stationsFile(), lastCallsFile());
    for (int i = 0; i < kStations; ++i) {
        m_window.Nome[i]->setText(directory[i].Nome);
        m_window.Telefono[i]->setText(directory[i].Telefono);
        m_window.Scadenza[i]->setText(directory[i].Scadenza);
        m_window.Uldata[i]->setText(directory[i].Uldata);
    }
    showCollections();
    // The modem's saved port, or else the first port that is not the logger's cable: the window
    // never opens probing (and blaming) the cable's own port.
    const int saved = session::readSavedPort(modemPortFile());
    const int port = saved != 0 && !isCablePort(saved) ? saved : firstPortBesidesCable();
    ui::centreOnScreen(&m_window);
    // The box starts at "0" each time the window opens, as a window loaded anew does; the port
    // closed when the window was last closed is then probed, and opened, again.
    m_window.SERMODEM->setText(QStringLiteral("0"));
    m_loading = false;
    // A port that differs from the box's "0" is probed at once, as any change of the box is.
    m_window.SERMODEM->setText(QString::number(port));
}

QString ModemHandlers::resultWords(data::CollectResult result)
{
    // The report file keeps its own words ("busy"); the window says them in the run's language.
    switch (result) {
    case data::CollectResult::Ok:
        return tr("riuscita");
    case data::CollectResult::Busy:
        return tr("numero occupato");
    case data::CollectResult::NoCarrier:
        return tr("linea caduta");
    case data::CollectResult::NoAnswer:
        return tr("nessuna risposta");
    case data::CollectResult::TimedOut:
        return tr("tempo scaduto");
    case data::CollectResult::LineLost:
        return tr("connessione persa");
    case data::CollectResult::FileError:
        return tr("errore del file");
    case data::CollectResult::Cancelled:
        return tr("interrotta");
    case data::CollectResult::Refused:
        return tr("numero rifiutato");
    case data::CollectResult::ClockRefused:
        return tr("orologio non accettato dal datalogger");
    }
    return {};
}

void ModemHandlers::showCollections()
{
    const QString report = rememberedReport();
    const QMap<int, data::StationOutcome> last = data::lastOutcomes(report);
    const std::vector<data::Alert> alerts =
        report.isEmpty() ? std::vector<data::Alert>()
                         : data::openAlerts(QFileInfo(report).dir().filePath(data::kAlertsFileName));
    for (int i = 0; i < kStations; ++i) {
        const auto found = last.constFind(i + 1);
        // A row renamed since is not the station that was collected.
        if (found == last.constEnd() || found->name != m_window.Nome[i]->text()) {
            m_window.setCollectionMark(i, QColor(), QString());
            continue;
        }
        const data::StationOutcome& o = *found;
        const bool ok = o.result == data::CollectResult::Ok;
        QStringList open;
        for (const data::Alert& a : alerts) {
            if (a.station == i + 1)
                open << alertText(a);
        }
        // A station that answered but has an open alert is not "all well".
        const QColor colour = !ok               ? QColor(255, 0, 0)
                              : !open.isEmpty() ? QColor(255, 128, 0)
                              : o.complete      ? QColor(0, 176, 0)
                                                : QColor(255, 200, 0);
        QString tip = tr("Raccolta del %1: %2")
                          .arg(o.start.toLocalTime().toString(QStringLiteral("dd/MM/yyyy hh:mm")),
                               resultWords(o.result));
        if (ok || o.newLines > 0)
            tip += tr("\nRighe nuove: %1%2")
                       .arg(o.newLines)
                       .arg(o.complete ? QString() : tr(" (scarico incompleto)"));
        if (!o.battery.isEmpty())
            tip += tr("\nBatteria: %1 V").arg(o.battery);
        if (!o.error.isEmpty())
            tip += QStringLiteral("\n") + o.error;
        for (const QString& a : open)
            tip += tr("\nAllarme: %1").arg(a);
        m_window.setCollectionMark(i, colour, tip);
    }
}

QString ModemHandlers::alertText(const data::Alert& a)
{
    return data::alertWords(a.kind, ui::currentLanguage(), QStringLiteral("%1").arg(a.value),
                            QStringLiteral("%1").arg(a.threshold));
}

void ModemHandlers::Rapporto_Click()
{
    const QString report = rememberedReport();
    if (report.isEmpty() || !QFileInfo(report).isFile()) {
        show(tr("Nessuna raccolta finora: il rapporto di rete nasce dalla prima."));
        return;
    }
    const QDir dir = QFileInfo(report).dir();
    data::SiteOptions options;
    options.dir = dir.path();
    options.language = ui::currentLanguage();
    options.now = QDateTime::currentDateTime();
    const QString index = QDir(options.siteFolder()).filePath(QStringLiteral("index.html"));
    const QDateTime built = QFileInfo(index).lastModified();
    const QFileInfo alerts(dir.filePath(data::kAlertsFileName));
    const bool stale = !built.isValid() || QFileInfo(report).lastModified() > built ||
                       (alerts.exists() && alerts.lastModified() > built);
    if (stale) {
        auto network = data::readNetwork(report);
        // Never a site on alerts that could not be read: it would tell "no open alert".
        auto open = data::readOpenAlerts(alerts.filePath());
        auto site = !network ? link::Result<data::SiteSummary>(network.error())
                    : !open  ? link::Result<data::SiteSummary>(open.error())
                             : data::buildSite(*network, *open, options);
        if (!site) {
            show(tr("Rapporto di rete non creato: %1").arg(site.error().message));
            return;
        }
    }
    if (!openPage || !openPage(index))
        show(tr("Il rapporto di rete è in %1").arg(index));
    else
        show(tr("Rapporto di rete: %1").arg(index));
}

void ModemHandlers::Form_Unload()
{
    Timer1->stop();
    // Closed in the middle of the call's start-up (Escape): its pauses end too, not only its
    // waits, or it would go on reading from a port that is closed under it.
    link::Link& link = m_session.link();
    if (link.inWait())
        link.abort();
    else
        link.cancel();
    m_window.hide();
    m_form2.setEnabled(true);
    m_form2.show();
    m_session.link().Porta_Off();
}

void ModemHandlers::SERMODEM_Change()
{
    if (m_loading)
        return;
    const auto exchange = m_session.guard().hold();
    const int port = static_cast<int>(link::integerValue(m_window.SERMODEM->text()));
    if (isCablePort(port)) {
        // AT text on the logger's line reaches the logger as commands "A", "T", ...: the port
        // is left closed, so that no dial can go out on it either.
        m_session.link().Porta_Off();
        show(cablePortText(port));
        return;
    }
    if (const auto reply = probeModem(m_session.link(), port)) {
        show(foundText(port, *reply));
        session::writeSavedPort(modemPortFile(), port);
    } else {
        show(kNoModem);
    }
}

QList<int> ModemHandlers::portsBesidesCable() const
{
    QList<int> ports;
    for (const link::PortChoice& choice : link::portChoices(link::PortResolver())) {
        if (!isCablePort(choice.number))
            ports << choice.number;
    }
    return ports;
}

int ModemHandlers::firstPortBesidesCable() const
{
    const QList<int> ports = portsBesidesCable();
    return ports.isEmpty() ? 0 : ports.first();
}

void ModemHandlers::CERCAMODEM_Click()
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    show(kSearching);
    // Every port there is but the cable's, from the one after the box's round to it again: a
    // modem below the box's port is found as well.
    const int from = static_cast<int>(link::integerValue(m_window.SERMODEM->text()));
    QList<int> ports = portsBesidesCable();
    const auto after = std::find_if(ports.begin(), ports.end(), [from](int n) { return n > from; });
    std::rotate(ports.begin(), after, ports.end());
    link.clearAbort();
    bool cancelled = false;
    std::optional<int> found;
    {
        session::Progress::Scope progress(m_session.progress(), tr("Ricerca del modem"), ports.size(),
                                          [&link, &cancelled] {
                                              cancelled = true;
                                              link.abort();
                                          });
        for (int i = 0; i < ports.size() && !cancelled && !found; ++i) {
            m_session.progress().step(i, tr("Ricerca del modem: COM%1 (%2 di %3)")
                                             .arg(QString::number(ports[i]), QString::number(i + 1),
                                                  QString::number(ports.size())));
            if (probeModem(link, ports[i]))
                found = ports[i];
            link.Porta_Off();
        }
    }
    link.clearAbort();
    m_window.SERMODEM->setEnabled(true);
    m_window.CERCAMODEM->setEnabled(true);
    if (!found) {
        QStringList tried;
        for (int n : ports)
            tried << QStringLiteral("COM%1").arg(n);
        show(cancelled         ? tr("Ricerca del modem interrotta")
             : tried.isEmpty() ? tr("Nessuna porta da provare oltre a quella del datalogger")
                               : ui::shown(kNoModem) + QStringLiteral(" (") +
                                     tried.join(QStringLiteral(", ")) + QLatin1Char(')'));
        return;
    }
    // The port found is probed again by the box's own change, which also remembers it; a box
    // already showing it is probed here.
    const QString text = link::signedNotation(*found);
    if (m_window.SERMODEM->text() == text)
        SERMODEM_Change();
    else
        m_window.SERMODEM->setText(text);
}

bool ModemHandlers::isCablePort(int port) const
{
    return port > 0 && port == m_session.link().Porta;
}

QString ModemHandlers::cablePortText(int port)
{
    return tr("Com%1 è la porta del datalogger: il modem non vi è stato cercato")
        .arg(link::signedNotation(port));
}

void ModemHandlers::Sel_Click(int row)
{
    Stazione_Scelta = row;
    m_window.setSelectedRowColours(row);
    m_window.Connetti->setEnabled(true);
}

void ModemHandlers::Salva_Click()
{
    StationDirectory directory;
    for (int i = 0; i < kStations; ++i)
        directory[i] = {m_window.Nome[i]->text(), m_window.Telefono[i]->text(), m_window.Scadenza[i]->text(),
                        m_window.Uldata[i]->text()};
    // A directory file that could not be read whole was never shown: it is not written over.
    if (auto current = readStations(stationsFile(), lastCallsFile()); !current) {
        show(tr("%1 non è stato letto per intero e non viene sovrascritto: %2")
                 .arg(stationsFile(), current.error().message));
        return;
    }
    if (!saveStations(directory, stationsFile(), lastCallsFile()))
        show(tr("Impossibile salvare %1").arg(stationsFile()));
    else if (const auto wide = notLatin1(directory))
        show(tr("%1 è salvato in UTF-8: %2 non rientra in Latin-1 e un programma che legge "
                "l'elenco in Latin-1 lo mostra storpiato.")
                 .arg(stationsFile(), *wide));
    else
        show(tr("Elenco delle stazioni salvato in %1").arg(stationsFile()));
}

link::Status ModemHandlers::dial(bool pauseAfterFirstDigit)
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    const QLineEdit* number = m_window.Telefono[Stazione_Scelta];
    if (auto s = link::checkTyped(number->objectName(), number->text(), link::TypedFor::Modem); !s)
        return s;
    if (isCablePort(link.port().commPort()) || !link.port().portOpen())
        return link::Error::data(tr("Nessun modem trovato: scegli la porta del modem prima di chiamare."));
    m_window.Interrompi->setEnabled(true);
    // The status box now tells the call, not the modem found before it.
    show(tr("Chiamata in corso: %1, %2").arg(m_window.Nome[Stazione_Scelta]->text(), number->text()));
    // The call runs on the port the modem was found on, which the link keeps open from now on.
    // `Porta` stays the cable's port: the connection window saves it and resets through it.
    link.Porta_Aperta = true;
    if (auto s = modem::dial(link, m_window.Telefono[Stazione_Scelta]->text(), pauseAfterFirstDigit); !s)
        return s;
    Timer1->start();
    return {};
}

link::Status ModemHandlers::Connetti_Click()
{
    return dial(false);
}

link::Status ModemHandlers::Scarica_Vai_Click()
{
    return dial(true);
}

void ModemHandlers::Timer1_Timer()
{
    // A tick during another exchange would take its replies off the line: the next tick looks.
    if (m_session.guard().busy())
        return;
    const auto exchange = m_session.guard().hold();
    auto received = m_session.link().port().inputAll();
    if (!received)
        return;
    Ricevuto = QString::fromLatin1(*received);
    if (Ricevuto.isEmpty())
        return;
    if (Ricevuto.size() >= 2)
        show(shownReply(Ricevuto));
    if (!isConnect(Ricevuto))
        return;
    if (auto s = startUp(); !s && s.error().kind != link::ErrorKind::Cancelled)
        show(link::operatorSentence(s.error()));
}

link::Status ModemHandlers::startUp()
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    m_window.Riprova->setEnabled(true);
    show(QStringLiteral("M610 GSM CONNESSO"));
    // The date of the call is kept at once, whatever happens next on the line.
    m_window.Uldata[Stazione_Scelta]->setText(callDateText(QDate::currentDate()));
    Salva_Click();
    Timer1->stop();
    // The three pauses of the start-up keep the window still for 21 s: a bar and "Annulla"; the
    // status box says the same as the bar.
    const QString waiting = tr("Avvio della chiamata: attesa del datalogger");
    show(waiting);
    link.clearAbort();
    auto progress = std::make_optional<session::Progress::Scope>(m_session.progress(), waiting, 3,
                                                                 [&link] { link.abort(); });
    auto id = remoteStartup(link, [this](int k) { m_session.progress().step(k); });
    progress.reset(); // what follows has its own words, in the box and in the bar
    if (!id)
        return id.error();
    m_session.record.Modello = id->Modello;
    m_session.record.Versione = id->Versione;

    const RemoteModel kind = remoteModel(id->Modello);
    if (kind != RemoteModel::Other) {
        m_form1.restoreModelVisibility();
        session::adattaForm1(m_form1,
                             kind == RemoteModel::Family ? link::kModelFamily : link::kModelVibratingWire);
        if (m_steps.gsmReads) {
            if (auto s = m_steps.gsmReads(); !s)
                return s;
        }
    }
    const QString caption = link::shortModelName(id->Modello) + QLatin1Char(' ') + id->Versione;
    m_form2.setWindowTitle(caption);
    m_form1.setWindowTitle(caption);
    link.Ritardo(10);
    show(remoteFoundText(id->Versione));
    link.Ritardo(10);
    if (m_steps.retrieval) {
        auto retrieved = session::runRetrieval(
            link, id->Modello, m_steps.retrieval, [this](const QString& text) { show(text); },
            session::RetrievalKind::Remote, &m_session.activity(), &m_session.progress());
        if (!retrieved)
            return retrieved;
    }
    m_form1.setWindowTitle(caption);
    handOver();
    m_form1.Nome_File_Dati->setText(
        data::sensorFileName(m_session.record.Nome_Centralina, QDate::currentDate()));
    return {};
}

void ModemHandlers::handOver()
{
    // The main window says who is on the line and offers the hang-up.
    const QString station = m_window.Nome[Stazione_Scelta]->text();
    const QString number = m_window.Telefono[Stazione_Scelta]->text();
    m_form1.InLinea->setText(tr("In linea: %1 (%2)").arg(station, number));
    m_form1.InLinea->setVisible(true);
    m_form1.Riaggancia->setVisible(true);
    m_form1.Riaggancia->setEnabled(true);
    m_session.activity().add(tr("Chiamata: in linea con %1 (%2)").arg(station, number));
    m_window.hide();
    m_form2.hide();
    m_form1.setEnabled(true);
    ui::centreOnScreen(&m_form1);
    m_form1.show();
    m_form1.raise();
    emit handedOver();
}

link::Status ModemHandlers::Interrompi_Click()
{
    const auto exchange = m_session.guard().hold();
    auto hungUp = hangUp(m_session.link());
    if (m_form1.InLinea->isVisible()) {
        m_form1.InLinea->setVisible(false);
        m_form1.Riaggancia->setVisible(false);
        if (hungUp)
            m_session.activity().add(tr("Chiamata chiusa"));
        else
            m_session.activity().failed(tr("Chiamata"), hungUp.error());
    }
    return hungUp;
}

link::Status ModemHandlers::Riprova_Click()
{
    const auto exchange = m_session.guard().hold();
    (void)m_session.link().port().discardInput();
    show(tr("Sto riprovando..."));
    Timer1->stop();
    auto values = Recupera_Dati(m_session.link());
    if (!values)
        return values.error();
    for (int i = 0; i < 5; ++i) {
        m_form1.data[i]->setText(values->data[i]);
        m_form1.Prox[i]->setText(values->Prox[i]);
    }
    for (int i = 0; i < 3; ++i)
        m_form1.conversione[i]->setText(values->conversione[i]);
    m_form1.preaccensione->setText(values->preaccensione);
    m_form1.Nome_Centralina->setText(values->Nome_Centralina);
    m_session.record.Nome_Centralina = values->Nome_Centralina;
    if (values->Acq_possibili) {
        m_form1.Acq_possibili->setText(*values->Acq_possibili);
        m_form1.acq_disponibili->setText(*values->acq_disponibili);
    }
    handOver();
    return {};
}

} // namespace stazione::modem
