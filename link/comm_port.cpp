#include "link/comm_port.h"

#include "link/qt_serial_device.h"
#include "link/timing.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace stazione::link {

namespace {
constexpr int kReady = 1;
constexpr int kTimedOut = 2;
constexpr int kCancelled = 3;
constexpr int kLost = 4;
} // namespace

CommPort::CommPort(std::unique_ptr<Device> device, PortResolver resolver, QObject* parent)
    : QObject(parent)
    , m_device(std::move(device))
    , m_resolver(std::move(resolver))
{
    connect(m_device.get(), &Device::lineLost, this, [this](const QString& reason) {
        qCInfo(lcLink).noquote() << QStringLiteral("COM%1 lost: %2").arg(m_commPort).arg(reason);
        m_lost = true;
        m_lostReason = reason;
        emit lineLost(reason);
    });
}

CommPort::~CommPort()
{
    cancelWaits();
    m_device->disconnect(this);
    m_device->close();
    m_lock.unlock();
}

Status CommPort::setCommPort(int number)
{
    if (m_device->isOpen())
        return Error::port(port_error::kAlreadyOpen,
                           QStringLiteral("The port number cannot change while COM%1 is open.").arg(m_commPort));
    m_commPort = number;
    return {};
}

Status CommPort::setSettings(const QString& settings)
{
    LineSettings parsed;
    if (!LineSettings::parse(settings, &parsed))
        return Error::port(port_error::kInvalidSettings, QStringLiteral("Invalid line settings \"%1\".").arg(settings));
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
        m_lock.unlock();
        return {};
    }
    if (m_device->isOpen())
        return Error::port(port_error::kAlreadyOpen, QStringLiteral("COM%1 is already open.").arg(m_commPort));
    const auto mapping = m_resolver.resolve(m_commPort);
    if (!mapping)
        return Error::port(port_error::kInvalidPort, QStringLiteral("COM%1 is not in the system.").arg(m_commPort));
    m_devicePath = mapping->path;
    // Only a device that is there can be shared with another program; the lock is taken before
    // the open so that the other program's line is never disturbed (an open raises DTR).
    if (QFileInfo::exists(mapping->path) && !m_lock.lock(mapping->path, m_lockWaitMs))
        return Error::port(port_error::kInUse, QStringLiteral("COM%1 (%2) is in use by another Stazione program, %3.")
                                                   .arg(m_commPort)
                                                   .arg(mapping->path, m_lock.holder()));
    const OpenFailure failure = m_device->open(mapping->path, m_settings);
    if (failure != OpenFailure::None)
        m_lock.unlock();
    switch (failure) {
    case OpenFailure::None:
        break;
    case OpenFailure::NotPresent:
        return Error::port(port_error::kNotAvailable,
                           QStringLiteral("COM%1 (%2) is not in the system.").arg(m_commPort).arg(mapping->path));
    case OpenFailure::AlreadyOpen:
        return Error::port(port_error::kAlreadyOpen, QStringLiteral("COM%1 is already open.").arg(m_commPort));
    case OpenFailure::InUse:
        return Error::port(port_error::kInUse,
                           QStringLiteral("COM%1 (%2) is in use.").arg(m_commPort).arg(mapping->path));
    case OpenFailure::NoPermission:
        return Error::port(port_error::kNoPermission,
                           QStringLiteral("COM%1 (%2): permission denied. Give your user the serial ports with "
                              "\"sudo adduser $USER dialout\", then log out and in again.")
                               .arg(m_commPort)
                               .arg(mapping->path));
    case OpenFailure::BadSettings:
        return Error::port(
            port_error::kInvalidSettings,
            QStringLiteral("COM%1 does not take the settings %2.").arg(m_commPort).arg(m_settings.toString()));
    }
    qCInfo(lcLink).noquote() << QStringLiteral("COM%1 opened on %2").arg(m_commPort).arg(mapping->path);
    m_lost = false;
    m_lostReason.clear();
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
    Error error = m_lost ? Error::lineLost(QStringLiteral("The connection on COM%1 was lost (%2).")
                                               .arg(m_commPort)
                                               .arg(m_lostReason))
                         : Error::port(port_error::kNotOpen, QStringLiteral("COM%1 is not open.").arg(m_commPort));
    error.comPort = m_commPort;
    error.device = m_devicePath;
    return error;
}

Result<qint64> CommPort::inBufferCount() const
{
    if (!m_device->isOpen())
        return notOpenError();
    return m_device->bytesAvailable();
}

Status CommPort::discardInput()
{
    if (!m_device->isOpen())
        return notOpenError();
    if (m_trace)
        m_trace->dropped(m_device->read(0));
    m_device->clearInput();
    return {};
}

Status CommPort::output(const QByteArray& bytes, Trace::Part part)
{
    if (!m_device->isOpen())
        return notOpenError();
    if (m_trace)
        m_trace->sent(bytes, part);
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
    QByteArray bytes = m_device->read(m_inputLen);
    if (m_trace)
        m_trace->received(bytes);
    return bytes;
}

Result<QByteArray> CommPort::inputAll()
{
    if (!m_device->isOpen())
        return notOpenError();
    QByteArray bytes = m_device->read(0);
    if (m_trace)
        m_trace->received(bytes);
    return bytes;
}

CommPort::Wait CommPort::waitForMoreInput(QDeadlineTimer deadline)
{
    if (!m_device->isOpen())
        return Wait::LineLost;
    if (pausesAborted())
        return Wait::Cancelled;
    if (deadline.hasExpired())
        return Wait::TimedOut;

    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(kTimedOut); });
    connect(m_device.get(), &Device::readyRead, &loop, [&loop] { loop.exit(kReady); });
    connect(m_device.get(), &Device::lineLost, &loop, [&loop] { loop.exit(kLost); });
    if (!deadline.isForever())
        timer.start(std::max<qint64>(0, deadline.remainingTime()));

    m_waits.push_back(&loop);
    QPointer<CommPort> self(this);
    const int rc = loop.exec();
    if (!self)
        return Wait::Cancelled;
    m_waits.erase(std::remove(m_waits.begin(), m_waits.end(), &loop), m_waits.end());

    switch (rc) {
    case kReady:
        return Wait::Ready;
    case kTimedOut:
        return Wait::TimedOut;
    case kLost:
        return Wait::LineLost;
    default:
        // kCancelled, or 0 when the application is quitting and every loop is told to end.
        return Wait::Cancelled;
    }
}

void CommPort::cancelWaits()
{
    for (QEventLoop* loop : m_waits)
        loop->exit(kCancelled);
}

std::unique_ptr<CommPort> makeSystemCommPort(QObject* parent)
{
    return std::make_unique<CommPort>(std::make_unique<QtSerialDevice>(), PortResolver(), parent);
}

} // namespace stazione::link
