#include "link/comm_port.h"

#include "link/qt_serial_device.h"
#include "link/timing.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace stazione::link {

namespace {
constexpr int kReady = 1;
constexpr int kTimedOut = 2;
constexpr int kCancelled = 3;
constexpr int kLost = 4;

// A stream is gathered only once this much came without a command in between: the short reply
// to a command is always seen as soon as its last character is there.
constexpr qint64 kStreamBytes = 256;
// Slower than 5 characters a millisecond is a slow stream (9600 baud gives about one); a
// pseudo-terminal or a fast line hands over thousands at a time and is never held back. One slow
// arrival in a fast stream (the reader caught up with it) is not enough: it takes a few in a row.
constexpr qint64 kSlowNsPerByte = 200'000;
constexpr int kSlowArrivals = 3;
// A gathering ends this long before the wait's deadline at the latest, so that what came during
// it is read before a time-out is declared.
constexpr auto kGatherMargin = std::chrono::milliseconds(10);
} // namespace

class CommPort::Waiter : public QObject {
public:
    explicit Waiter(QObject* parent)
        : QObject(parent)
        , loop(this)
        , timer(this)
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (!running || deadline.isForever())
                return;
            if (const qint64 left = deadline.remainingTime(); left > 0)
                timer.start(int(left));
            else
                loop.exit(kTimedOut);
        });
    }

    // The timer is left running after a wait: the next one, usually with a later deadline, keeps
    // it and only looks again when it fires, instead of setting a timer up for every wait.
    void arm(QDeadlineTimer until)
    {
        deadline = until;
        if (until.isForever())
            return;
        const qint64 left = std::max<qint64>(0, until.remainingTime());
        if (!timer.isActive() || timer.remainingTime() > left)
            timer.start(int(left));
    }

    QEventLoop loop;
    QTimer timer;
    QDeadlineTimer deadline;
    std::optional<char> terminator;
    bool running = false;
};

CommPort::CommPort(std::unique_ptr<Device> device, PortResolver resolver, QObject* parent)
    : QObject(parent)
    , m_device(std::move(device))
    , m_resolver(std::move(resolver))
{
    m_clock.start();
    connect(m_device.get(), &Device::readyRead, this, &CommPort::onReadyRead);
    connect(m_device.get(), &Device::lineLost, this, [this](const QString& reason) {
        qCInfo(lcLink).noquote() << QStringLiteral("COM%1 lost: %2").arg(m_commPort).arg(reason);
        m_lost = true;
        m_lostReason = reason;
        m_arrived.clear();
        for (int i = 0; i < m_depth; ++i)
            m_waiters[size_t(i)]->loop.exit(kLost);
        emit lineLost(reason);
    });
}

CommPort::~CommPort()
{
    // A wait still running below (the port was destroyed from inside it) keeps its waiter until
    // its loop has returned; it then finds the port gone and reports a cancel.
    for (int i = 0; i < m_depth; ++i) {
        Waiter* waiter = m_waiters[size_t(i)];
        waiter->loop.exit(kCancelled);
        waiter->setParent(nullptr);
        waiter->deleteLater();
    }
    m_device->disconnect(this);
    m_device->close();
    m_lock.unlock();
}

Status CommPort::setCommPort(int number)
{
    if (m_device->isOpen())
        return Error::port(
            port_error::kAlreadyOpen,
            QStringLiteral("The port number cannot change while COM%1 is open.").arg(m_commPort));
    m_commPort = number;
    return {};
}

Status CommPort::setSettings(const QString& settings)
{
    LineSettings parsed;
    if (!LineSettings::parse(settings, &parsed))
        return Error::port(port_error::kInvalidSettings,
                           QStringLiteral("Invalid line settings \"%1\".").arg(settings));
    m_settings = parsed;
    return {};
}

Status CommPort::setDtrEnable(bool on)
{
    m_dtr = on;
    if (m_device->isOpen())
        m_device->setDataTerminalReady(on);
    return {};
}

Status CommPort::setRtsEnable(bool on)
{
    m_rts = on;
    if (m_device->isOpen())
        m_device->setRequestToSend(on);
    return {};
}

bool CommPort::portOpen() const
{
    return m_device->isOpen();
}

Status CommPort::setPortOpen(bool open)
{
    Status status = openOrClose(open);
    if (!status) {
        Error error = status.error();
        error.comPort = m_commPort;
        if (const auto mapping = m_resolver.resolve(m_commPort))
            error.device = mapping->path;
        return error;
    }
    return status;
}

Status CommPort::openOrClose(bool open)
{
    if (!open) {
        if (m_device->isOpen()) {
            qCInfo(lcLink).noquote() << QStringLiteral("COM%1 closed").arg(m_commPort);
            if (m_trace)
                m_trace->note(QStringLiteral("COM%1 closed").arg(m_commPort));
        }
        m_device->close();
        m_arrived.clear();
        forgetStream();
        m_lock.unlock();
        return {};
    }
    if (m_device->isOpen())
        return Error::port(port_error::kAlreadyOpen,
                           QStringLiteral("COM%1 is already open.").arg(m_commPort));
    const auto mapping = m_resolver.resolve(m_commPort);
    if (!mapping)
        return Error::port(port_error::kInvalidPort,
                           QStringLiteral("COM%1 is not in the system.").arg(m_commPort));
    m_devicePath = mapping->path;
    // Only a device that is there can be shared with another program; the lock is taken before
    // the open so that the other program's line is never disturbed (an open raises DTR).
    if (QFileInfo::exists(mapping->path) && !m_lock.lock(mapping->path, m_lockWaitMs))
        return Error::port(port_error::kInUse,
                           QStringLiteral("COM%1 (%2) is in use by another Stazione program, %3.")
                               .arg(m_commPort)
                               .arg(mapping->path, m_lock.holder()));
    const OpenFailure failure = m_device->open(mapping->path, m_settings);
    if (failure != OpenFailure::None)
        m_lock.unlock();
    else
        m_cut = false; // a line opened afresh holds nothing of an earlier exchange
    switch (failure) {
    case OpenFailure::None:
        break;
    case OpenFailure::NotPresent:
        return Error::port(
            port_error::kNotAvailable,
            QStringLiteral("COM%1 (%2) is not in the system.").arg(m_commPort).arg(mapping->path));
    case OpenFailure::AlreadyOpen:
        return Error::port(port_error::kAlreadyOpen,
                           QStringLiteral("COM%1 is already open.").arg(m_commPort));
    case OpenFailure::InUse:
        return Error::port(port_error::kInUse,
                           QStringLiteral("COM%1 (%2) is in use.").arg(m_commPort).arg(mapping->path));
    case OpenFailure::NoPermission:
        return Error::port(
            port_error::kNoPermission,
            QStringLiteral("COM%1 (%2): permission denied. Give your user the serial ports with "
                           "\"sudo adduser $USER dialout\", then log out and in again.")
                .arg(m_commPort)
                .arg(mapping->path));
    case OpenFailure::BadSettings:
        return Error::port(port_error::kInvalidSettings,
                           QStringLiteral("COM%1 does not take the settings %2.")
                               .arg(m_commPort)
                               .arg(m_settings.toString()));
    }
    qCInfo(lcLink).noquote() << QStringLiteral("COM%1 opened on %2").arg(m_commPort).arg(mapping->path);
    m_lost = false;
    m_lostReason.clear();
    m_arrived.clear();
    forgetStream();
    m_device->setDataTerminalReady(m_dtr);
    if (m_rts)
        m_device->setRequestToSend(true);
    m_device->clearInput();
    if (m_trace)
        m_trace->note(QStringLiteral("COM%1 opened on %2").arg(m_commPort).arg(mapping->path));
    return {};
}

Error CommPort::notOpenError() const
{
    Error error =
        m_lost
            ? Error::lineLost(
                  QStringLiteral("The connection on COM%1 was lost (%2).").arg(m_commPort).arg(m_lostReason))
            : Error::port(port_error::kNotOpen, QStringLiteral("COM%1 is not open.").arg(m_commPort));
    error.comPort = m_commPort;
    error.device = m_devicePath;
    return error;
}

Result<qint64> CommPort::inBufferCount() const
{
    if (!m_device->isOpen())
        return notOpenError();
    return m_arrived.size() + m_device->bytesAvailable();
}

Status CommPort::discardInput()
{
    if (!m_device->isOpen())
        return notOpenError();
    takeArrived();
    if (m_trace)
        m_trace->dropped(m_arrived);
    m_arrived.clear();
    m_device->clearInput();
    forgetStream();
    return {};
}

Status CommPort::output(const QByteArray& bytes, Trace::Part part)
{
    if (!m_device->isOpen())
        return notOpenError();
    if (m_trace)
        m_trace->sent(bytes, part);
    // The reply is to be seen as soon as it is there.
    forgetStream();
    if (m_device->write(bytes))
        return {};
    if (!m_device->isOpen())
        return notOpenError();
    Error error = Error::lineLost(QStringLiteral("Writing to COM%1 failed.").arg(m_commPort));
    error.comPort = m_commPort;
    error.device = m_devicePath;
    return error;
}

Result<QByteArray> CommPort::input()
{
    if (!m_device->isOpen())
        return notOpenError();
    takeArrived();
    QByteArray bytes;
    if (m_inputLen > 0 && m_inputLen < m_arrived.size()) {
        bytes = m_arrived.left(m_inputLen);
        m_arrived.remove(0, m_inputLen);
    } else {
        bytes.swap(m_arrived);
    }
    if (m_trace)
        m_trace->received(bytes);
    return bytes;
}

Result<QByteArray> CommPort::inputAll()
{
    if (!m_device->isOpen())
        return notOpenError();
    takeArrived();
    QByteArray bytes;
    bytes.swap(m_arrived);
    if (m_trace)
        m_trace->received(bytes);
    return bytes;
}

void CommPort::takeArrived()
{
    if (m_device->bytesAvailable() <= 0)
        return;
    QByteArray bytes = m_device->read(0);
    if (m_arrived.isEmpty())
        m_arrived.swap(bytes);
    else
        m_arrived += bytes;
}

void CommPort::onReadyRead()
{
    const qsizetype before = m_arrived.size();
    takeArrived();
    const qsizetype fresh = m_arrived.size() - before;
    if (fresh <= 0)
        return;
    noteArrival(fresh);
    const char* const from = m_arrived.constData() + before;
    bool woken = false;
    for (int i = 0; i < m_depth; ++i) {
        Waiter* waiter = m_waiters[size_t(i)];
        if (!waiter->terminator || std::memchr(from, *waiter->terminator, size_t(fresh))) {
            waiter->loop.exit(kReady);
            woken = true;
        }
    }
    if (!woken && m_depth > 0)
        gatherIfSlow(*m_waiters[size_t(m_depth - 1)]);
}

void CommPort::noteArrival(qsizetype bytes)
{
    const qint64 now = m_clock.nsecsElapsed();
    if (now - m_lastArrivalNs >= bytes * kSlowNsPerByte)
        m_slowArrivals = std::min(m_slowArrivals + 1, kSlowArrivals);
    else
        m_slowArrivals = 0;
    m_lastArrivalNs = now;
    m_sinceOutput += bytes;
}

void CommPort::gatherIfSlow(const Waiter& waiter)
{
    // Only a wait for a terminator is worth gathering for: any other wants each character.
    if (!waiter.terminator || m_slowArrivals < kSlowArrivals || m_sinceOutput < kStreamBytes)
        return;
    if (!waiter.deadline.isForever() &&
        waiter.deadline.remainingTimeAsDuration() < kGatherTime + kGatherMargin)
        return;
    m_device->holdInput(kGatherTime);
}

void CommPort::forgetStream()
{
    m_sinceOutput = 0;
    m_slowArrivals = 0;
    m_device->releaseInput();
}

CommPort::Wait CommPort::waitForMoreInput(QDeadlineTimer deadline, std::optional<char> terminator)
{
    if (!m_device->isOpen())
        return Wait::LineLost;
    if (pausesAborted()) {
        m_cut = true;
        return Wait::Cancelled;
    }
    if (deadline.hasExpired())
        return Wait::TimedOut;
    if (terminator && m_arrived.contains(*terminator))
        return Wait::Ready;

    if (size_t(m_depth) == m_waiters.size())
        m_waiters.push_back(new Waiter(this));
    Waiter* waiter = m_waiters[size_t(m_depth)];
    waiter->terminator = terminator;
    waiter->arm(deadline);
    waiter->running = true;
    ++m_depth;
    // On a slow stream the next terminator is still some characters away: gather them first.
    gatherIfSlow(*waiter);

    QPointer<CommPort> self(this);
    const int rc = waiter->loop.exec();
    if (!self)
        return Wait::Cancelled;
    --m_depth;
    waiter->running = false;

    switch (rc) {
    case kReady:
        return Wait::Ready;
    case kTimedOut:
        return Wait::TimedOut;
    case kLost:
        return Wait::LineLost;
    default:
        // kCancelled, or 0 when the application is quitting and every loop is told to end.
        m_cut = true;
        return Wait::Cancelled;
    }
}

void CommPort::cancelWaits()
{
    // Also with no wait pending (RESTORE between exchanges): whatever the logger may still send
    // is not the next command's reply.
    m_cut = true;
    for (int i = 0; i < m_depth; ++i)
        m_waiters[size_t(i)]->loop.exit(kCancelled);
}

std::unique_ptr<CommPort> makeSystemCommPort(QObject* parent)
{
    return std::make_unique<CommPort>(std::make_unique<QtSerialDevice>(), PortResolver(), parent);
}

} // namespace stazione::link
