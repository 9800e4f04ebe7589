#include "link/link.h"

#include "link/exchange.h"
#include "link/timing.h"

#include <QElapsedTimer>

#include <cmath>

namespace stazione::link {

using namespace std::chrono_literals;

namespace {

std::chrono::milliseconds replyTimeoutFromEnvironment()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("STAZIONE_REPLY_TIMEOUT").toDouble(&ok);
    const auto timeout = ok ? timeoutFromSeconds(seconds) : std::nullopt;
    return timeout.value_or(Link::kDefaultReplyTimeout);
}

QString describeTimeout(std::chrono::milliseconds timeout)
{
    const double seconds = double(timeout.count()) / 1000.0;
    return QString::number(seconds, 'g', 3) + QStringLiteral(" s");
}

} // namespace

std::optional<std::chrono::milliseconds> timeoutFromSeconds(double seconds)
{
    // Written so that nan fails both comparisons.
    if (!(seconds >= kMinTimeoutSeconds && seconds <= kMaxTimeoutSeconds))
        return std::nullopt;
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

class Link::Around {
public:
    explicit Around(Link& link)
        : m_link(link)
    {
        if (link.Porta_Aperta || link.m_port.portOpen())
            return;
        m_status = link.Porta_On();
        m_openedHere = m_status.ok();
    }
    ~Around()
    {
        if (m_openedHere && !m_link.Porta_Aperta)
            m_link.Porta_Off();
    }
    Around(const Around&) = delete;
    Around& operator=(const Around&) = delete;

    const Status& status() const { return m_status; }

private:
    Link& m_link;
    Status m_status;
    bool m_openedHere = false;
};

Link::Link(CommPort& port, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_replyTimeout(replyTimeoutFromEnvironment())
{}

Result<bool> Link::Apri_Porta(qint16 porta)
{
    auto fail = [this](Error error) -> Result<bool> {
        m_port.setPortOpen(false).ok();
        return error;
    };
    if (auto s = m_port.setCommPort(porta); !s)
        return fail(s.error());
    if (auto s = m_port.setSettings(QStringLiteral("9600,N,8,1")); !s)
        return fail(s.error());
    m_port.setInputLen(1);
    if (auto s = m_port.setDtrEnable(true); !s)
        return fail(s.error());
    // Opening discards whatever the driver held from before.
    if (auto s = m_port.setPortOpen(true); !s)
        return fail(s.error());

    // Raising DTR wakes the logger; it needs a few seconds before it says anything.
    if (!pause(scaled(3000ms), Announce::Yes))
        return fail(waitFailure(CommPort::Wait::Cancelled, {}));

    QElapsedTimer t0;
    t0.start();
    const QDeadlineTimer listenUntil(scaled(2000ms), Qt::PreciseTimer);
    for (;;) {
        auto waiting = m_port.inBufferCount();
        if (!waiting)
            return fail(waiting.error());
        if (*waiting >= 2)
            break;
        const auto wait = m_port.waitForMoreInput(listenUntil);
        if (wait == CommPort::Wait::TimedOut)
            break;
        if (wait != CommPort::Wait::Ready)
            return fail(waitFailure(wait, {}));
    }
    auto heard = m_port.input();
    if (!heard)
        return fail(heard.error());
    const bool spoke = !heard->isEmpty();
    qCInfo(lcLink).noquote() << QStringLiteral("COM%1 %2 after opening")
                                    .arg(porta)
                                    .arg(spoke ? QStringLiteral("spoke") : QStringLiteral("stayed silent"));
    if (auto s = m_port.discardInput(); !s)
        return fail(s.error());
    Porta_Aperta = true;

    const auto settle = scaled(1000ms) - std::chrono::milliseconds(t0.elapsed());
    if (settle.count() > 0 && !pause(settle, Announce::No)) {
        Porta_Aperta = false;
        return fail(waitFailure(CommPort::Wait::Cancelled, {}));
    }
    return spoke;
}

Status Link::Invia_Comando(const QString& comando, const QString& parametri, Input input)
{
    Around around(*this);
    if (!around.status())
        return around.status();
    if (input == Input::Discard) {
        // After a cut the logger may still be sending the old stream: its tail runs out first, or
        // the reply to this command would be read in the middle of it.
        if (m_port.cut()) {
            emit drainStarted();
            auto drained = drainStream(*this, std::nullopt, kCutDrainLimit,
                                       [this](std::chrono::seconds left) { emit drainTick(left.count()); });
            emit drainEnded();
            if (!drained)
                return drained;
        }
        if (auto s = m_port.discardInput(); !s)
            return s;
        discardAccumulo();
    }
    qCDebug(lcLink) << "send" << comando << parametri;
    if (auto s = m_port.output(comando.toLatin1()); !s)
        return s;
    const QByteArray parameters = parametri.toLatin1();
    for (char c : parameters) {
        if (auto s = m_port.output(QByteArray(1, c), Trace::Part::Parameters); !s)
            return s;
        Ritardo(1);
    }
    return {};
}

Result<QString> Link::Leggi_Risposta()
{
    Around around(*this);
    if (!around.status())
        return around.status().error();
    const auto comma = readToComma();
    if (!comma)
        return comma.error();
    Risposta = QString::fromLatin1(m_accumulo.constData() + m_head, *comma - m_head);
    consumeTo(*comma + 1);
    qCDebug(lcLink) << "field" << Risposta;
    return Risposta;
}

Result<QByteArrayView> Link::nextFields()
{
    Around around(*this);
    if (!around.status())
        return around.status().error();
    if (const auto comma = readToComma(); !comma)
        return comma.error();
    return waitingFields();
}

Result<qsizetype> Link::readToComma()
{
    // Taking everything that is waiting at once gives the same fields as taking it a character
    // at a time, and keeps up with a logger that streams at full speed. The search for the comma
    // goes on where it stopped, unless the received text was consumed or dropped meanwhile (by
    // whatever ran during the wait): then it starts again at the first unconsumed character.
    // The reply time-out runs from the first wait: a field already received costs no clock.
    std::optional<QDeadlineTimer> deadline;
    qsizetype scanFrom = m_head;
    quint64 searched = m_accumuloChanges;
    for (;;) {
        if (searched != m_accumuloChanges)
            scanFrom = m_head;
        const qsizetype comma = m_accumulo.indexOf(',', std::max(scanFrom, m_head));
        if (comma >= 0)
            return comma;
        // The fields handed out before are no longer needed, and what stays is half a field.
        dropConsumed();
        scanFrom = m_accumulo.size();
        searched = m_accumuloChanges;
        auto chunk = m_port.inputAll();
        if (!chunk)
            return chunk.error();
        if (!chunk->isEmpty()) {
            if (m_accumulo.isEmpty())
                m_accumulo = std::move(*chunk);
            else
                m_accumulo += *chunk;
            continue;
        }
        if (!deadline)
            deadline.emplace(m_replyTimeout, Qt::PreciseTimer);
        const auto wait = m_port.waitForMoreInput(*deadline, ',');
        if (wait != CommPort::Wait::Ready)
            return waitFailure(wait, m_accumulo.mid(m_head));
    }
}

void Link::dropConsumed()
{
    if (m_head == 0)
        return;
    if (m_head == m_accumulo.size())
        m_accumulo.clear();
    else
        m_accumulo.remove(0, m_head);
    m_head = 0;
    ++m_accumuloChanges;
}

Status Link::Svuota_Buffer()
{
    Around around(*this);
    if (!around.status())
        return around.status();
    discardAccumulo();
    return m_port.discardInput();
}

void Link::Ritardo(int centesimi)
{
    if (centesimi <= 0)
        return;
    // A pause of a second or more is one the operator sees filling.
    pause(scaled(std::chrono::milliseconds(centesimi * 10)), centesimi >= 100 ? Announce::Yes : Announce::No);
}

bool Link::pause(std::chrono::milliseconds duration, Announce announce)
{
    if (announce == Announce::Yes)
        emit pauseStarted(duration);
    ++m_pauses;
    const bool whole = sleepKeepingPaint(duration);
    --m_pauses;
    return whole;
}

void Link::abort()
{
    abortPauses();
    m_port.cancelWaits();
}

void Link::clearAbort()
{
    clearAbortedPauses();
}

Status Link::Porta_On()
{
    return m_port.setPortOpen(true);
}

void Link::Porta_Off()
{
    m_port.setPortOpen(false).ok();
}

Result<QString> Link::Invia_Attendi(const QString& testo, int n)
{
    Around around(*this);
    if (!around.status())
        return around.status().error();
    if (auto s = m_port.discardInput(); !s)
        return s.error();
    if (auto s = m_port.output(testo.toLatin1()); !s)
        return s.error();
    const QDeadlineTimer deadline(m_replyTimeout, Qt::PreciseTimer);
    for (;;) {
        auto waiting = m_port.inBufferCount();
        if (!waiting)
            return waiting.error();
        if (*waiting >= n)
            break;
        const auto wait = m_port.waitForMoreInput(deadline);
        if (wait != CommPort::Wait::Ready) {
            QByteArray partial;
            if (auto got = m_port.inputAll())
                partial = *got;
            return waitFailure(wait, partial);
        }
    }
    auto text = m_port.inputAll();
    if (!text)
        return text.error();
    Risposta = QString::fromLatin1(*text);
    if (auto s = m_port.discardInput(); !s)
        return s.error();
    return Risposta;
}

Error Link::waitFailure(CommPort::Wait wait, const QByteArray& partial) const
{
    static const char* const kEnds[] = {"ready", "timed out", "cancelled", "line lost"};
    qCInfo(lcLink).noquote() << QStringLiteral("wait on COM%1 %2, partial field %3")
                                    .arg(m_port.commPort())
                                    .arg(QLatin1String(kEnds[int(wait)]))
                                    .arg(QString::fromLatin1(partial));
    const int porta = m_port.commPort();
    auto named = [&](Error error) {
        error.comPort = porta;
        error.device = m_port.devicePath();
        return error;
    };
    switch (wait) {
    case CommPort::Wait::TimedOut: {
        QString message = QStringLiteral("The logger on COM%1 did not answer within %2.")
                              .arg(porta)
                              .arg(describeTimeout(m_replyTimeout));
        if (!partial.isEmpty())
            message += QStringLiteral(" It sent \"%1\" and then stopped.")
                           .arg(QString::fromLatin1(partial.left(40)));
        Error error = named(Error::timedOut(message));
        m_port.markCut(); // the logger may answer late, into the next exchange
        error.waitedMs = m_replyTimeout.count();
        error.partial = partial.left(40);
        return error;
    }
    case CommPort::Wait::Cancelled:
        return named(
            Error::cancelled(QStringLiteral("The wait for the logger on COM%1 was cancelled.").arg(porta)));
    case CommPort::Wait::LineLost:
    case CommPort::Wait::Ready:
        break;
    }
    auto count = m_port.inBufferCount();
    if (!count)
        return count.error();
    return named(Error::lineLost(QStringLiteral("The connection on COM%1 was lost.").arg(porta)));
}

void Link::discardAccumulo()
{
    m_accumulo.clear();
    m_head = 0;
    ++m_accumuloChanges;
}

} // namespace stazione::link
