#include "modem/modem.h"

#include "link/commands.h"
#include "link/exchange.h"
#include "link/models.h"
#include "link/numbers.h"
#include "link/typed_values.h"

#include <QCoreApplication>

#include <algorithm>

namespace stazione::modem {

std::optional<QString> probeModem(link::Link& link, int number)
{
    link::CommPort& port = link.port();
    // Errors of the port are not fatal here: a port that does not open has no modem on it.
    (void)port.setRtsEnable(true);
    (void)port.setDtrEnable(true);
    (void)port.setPortOpen(false);
    (void)port.setCommPort(number);
    (void)port.setSettings(QStringLiteral("9600,N,8,1"));
    port.setInputLen(0);
    if (!port.setPortOpen(true))
        return std::nullopt;
    (void)port.discardInput();
    link.Ritardo(20);
    (void)port.output("ATE0\r");
    link.Ritardo(20);
    (void)port.discardInput();
    (void)port.output("ATI3\r");
    link.Ritardo(20);
    auto reply = port.inputAll();
    if (!reply || !isModemReply(*reply))
        return std::nullopt;
    return QString::fromLatin1(*reply);
}

bool isModemReply(const QByteArray& reply)
{
    // A logger answers letters it takes for commands too, often at length: only a modem ends its
    // answer with the final result "OK" on a line of its own.
    if (reply.size() <= 8)
        return false;
    const auto lines = reply.split('\n');
    return std::any_of(lines.begin(), lines.end(),
                       [](const QByteArray& line) { return line.trimmed() == QByteArrayLiteral("OK"); });
}

QString foundText(int port, const QString& reply)
{
    return QCoreApplication::translate("stazione::modem::Modem", "Modem Trovato su Com%1")
               .arg(link::signedNotation(port)) +
           reply + QLatin1Char('\r');
}

QString dialString(const QString& number, bool pauseAfterFirstDigit)
{
    const QString dialled = pauseAfterFirstDigit ? number.left(1) + QLatin1Char(',') + number.mid(1) : number;
    return QStringLiteral("ATD") + dialled + QLatin1Char('\r');
}

link::Status dial(link::Link& link, const QString& number, bool pauseAfterFirstDigit)
{
    if (auto s = link::checkTyped(QStringLiteral("Telefono"), number, link::TypedFor::Modem); !s)
        return s;
    link.Ritardo(50);
    if (auto s = link.port().output("atx0\r"); !s)
        return s;
    link.Ritardo(50);
    if (pauseAfterFirstDigit && number.isEmpty())
        return link::Error::data(QCoreApplication::translate(
            "stazione::modem::Modem", "La stazione scelta non ha un numero da chiamare."));
    return link.port().output(dialString(number, pauseAfterFirstDigit).toLatin1());
}

bool isConnect(const QString& received)
{
    return received.mid(2, 7) == QLatin1String("CONNECT");
}

QString shownReply(const QString& received)
{
    return received.size() < 2 ? QString() : received.mid(2);
}

link::Status hangUp(link::Link& link)
{
    // A modem takes "+++" as the escape only after a second of silence on the line: a hang-up
    // right after an exchange would otherwise go to the logger as data.
    link.Ritardo(100);
    // The hang-up goes out at once, whatever the logger behind the modem is still sending.
    if (auto s = link.Invia_Comando(QString(), QStringLiteral("+++"), link::Link::Input::Keep); !s)
        return s;
    link.Ritardo(500);
    return link.Invia_Comando(QString(), QStringLiteral("ATH\r"), link::Link::Input::Keep);
}

link::Result<session::Identification> remoteStartup(link::Link& link, const std::function<void(int)>& paused)
{
    link.port().setInputLen(1);
    for (int i = 0; i < 3; ++i) {
        link.Ritardo(700);
        if (link::pausesAborted())
            return link::Error::cancelled(QStringLiteral("The call's start-up was cancelled."));
        if (paused)
            paused(i + 1);
        if (auto s = link.Svuota_Buffer(); !s)
            return s.error();
    }
    // The second answer is the one kept.
    auto first = session::askIdentification(link);
    if (!first)
        return first.error();
    return session::askIdentification(link);
}

RemoteModel remoteModel(const QString& modello)
{
    if (link::isTwoModelFamily(modello))
        return RemoteModel::Family;
    if (modello.endsWith(QLatin1String("HX")))
        return RemoteModel::VibratingWire;
    return RemoteModel::Other;
}

QString remoteFoundText(const QString& versione)
{
    return QCoreApplication::translate("stazione::modem::Modem", "Dispositivo  M410-M610 %1 rilevato")
        .arg(versione);
}

link::Result<RetryValues> Recupera_Dati(link::Link& link)
{
    using namespace link::cmd;
    RetryValues v;
    auto ask = [&link](const retry::Query& q) { return link.Invia_Attendi(q.command.wire(), q.length); };
    auto numberText = [](const QString& field) { return QString::number(link::integerValue(field)); };

    link.Ritardo(700);
    (void)link.port().discardInput();

    auto clock = ask(retry::clock());
    if (!clock)
        return clock.error();
    const auto c = retryClockFields(*clock);
    v.data = {c[0].right(2), c[1].right(2), QString::number(link::integerValue(c[2]) + 2000), c[3].right(2),
              c[4].right(2)};

    auto interval = ask(retry::interval());
    if (!interval)
        return interval.error();
    const auto t = retryIntervalFields(*interval);
    v.conversione = {numberText(t[0]), numberText(t[1]), numberText(t[2])};

    auto preheating = ask(retry::preheating());
    if (!preheating)
        return preheating.error();
    v.preaccensione = preheating->left(5);

    link.Ritardo(50);
    auto channels = ask(retry::channelCount());
    if (!channels)
        return channels.error();
    v.channels = static_cast<int>(link::integerValue(*channels));
    link.Ritardo(50);
    if (v.channels != 0) {
        // The detail of the channels is awaited and dropped: only its length matters.
        if (auto detail = ask(retry::channelDetail(v.channels)); !detail)
            return detail.error();
    }

    auto name = ask(retry::stationName());
    if (!name)
        return name.error();
    v.Nome_Centralina = name->left(5);

    auto next = ask(retry::nextAcquisition());
    if (!next)
        return next.error();
    const auto n = nextAcquisitionFields(*next);
    v.Prox = {n[0], n[1], QString::number(link::integerValue(n[2]) + 2000), n[3], n[4]};

    if (v.channels != 0) {
        link.Ritardo(50);
        auto memory = ask(retry::memory());
        if (!memory)
            return memory.error();
        const auto m = retryMemoryFields(*memory);
        v.Acq_possibili = m[0];
        v.acq_disponibili = m[1];
    }

    link.Ritardo(80);
    if (auto tail = ask(retry::fsValues()); !tail)
        return tail.error();
    return v;
}

} // namespace stazione::modem
