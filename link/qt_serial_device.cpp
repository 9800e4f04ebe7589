#include "link/qt_serial_device.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace stazione::link {

namespace {

// QSerialPort reports a device held by another program and a device this user may not open
// with the same error; only the file's permissions tell them apart.
bool accessDenied(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

QSerialPort::Parity toQtParity(char parity)
{
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits toQtStopBits(int stopBits)
{
    switch (stopBits) {
    case 2:
        return QSerialPort::TwoStop;
    case 3:
        return QSerialPort::OneAndHalfStop;
    default:
        return QSerialPort::OneStop;
    }
}

} // namespace

QtSerialDevice::QtSerialDevice(QObject* parent)
    : Device(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Device::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialDevice::onError);
    m_hold.setSingleShot(true);
    m_hold.setTimerType(Qt::CoarseTimer);
    connect(&m_hold, &QTimer::timeout, this, [this] {
        if (QSocketNotifier* notifier = readNotifier())
            notifier->setEnabled(true);
    });
}

QtSerialDevice::~QtSerialDevice()
{
    // No signal may reach a half-destroyed owner while the port closes.
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

OpenFailure QtSerialDevice::open(const QString& path, const LineSettings& settings)
{
    if (m_port.isOpen())
        return OpenFailure::AlreadyOpen;
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return OpenFailure::NotPresent;
        case QSerialPort::OpenError:
            return OpenFailure::AlreadyOpen;
        case QSerialPort::PermissionError:
            return accessDenied(path) ? OpenFailure::NoPermission : OpenFailure::InUse;
        default:
            return OpenFailure::NotPresent;
        }
    }
    const bool applied = m_port.setBaudRate(settings.baud) && m_port.setParity(toQtParity(settings.parity)) &&
                         m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                         m_port.setStopBits(toQtStopBits(settings.stopBits)) &&
                         m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        m_port.close();
        m_port.clearError();
        return OpenFailure::BadSettings;
    }
    // Qt does not drop what the driver buffered before the port was opened.
    m_port.clear(QSerialPort::Input);
    return OpenFailure::None;
}

void QtSerialDevice::close()
{
    m_hold.stop();
    if (m_port.isOpen()) {
        if (m_port.bytesToWrite() > 0)
            m_port.waitForBytesWritten(200);
        m_port.close();
    }
    m_port.clearError();
}

bool QtSerialDevice::isOpen() const
{
    return m_port.isOpen();
}

qint64 QtSerialDevice::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtSerialDevice::read(qint64 maxBytes)
{
    if (!m_port.isOpen())
        return {};
    return maxBytes > 0 ? m_port.read(maxBytes) : m_port.readAll();
}

bool QtSerialDevice::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size())
        return false;
    // QSerialPort sends from its buffer when the event loop next runs; a command written just before
    // the port closes (a stop, an end of session) must not stay behind in it.
    m_port.flush();
    return true;
}

void QtSerialDevice::clearInput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

// QSerialPort reads whatever arrives as soon as the read notifier it keeps as a child says so, one
// wake-up per character on a slow line. Holding is switching that notifier off for a moment: the
// driver keeps the characters, and when the notifier is back on QSerialPort takes them all in
// one read. It switches the notifier back on itself when it is read from. Without such a
// notifier (another platform) nothing is held.
void QtSerialDevice::holdInput(std::chrono::milliseconds duration)
{
    QSocketNotifier* notifier = readNotifier();
    if (!notifier || !notifier->isEnabled())
        return;
    notifier->setEnabled(false);
    m_hold.start(duration);
}

void QtSerialDevice::releaseInput()
{
    if (!m_hold.isActive())
        return;
    m_hold.stop();
    if (QSocketNotifier* notifier = readNotifier())
        notifier->setEnabled(true);
}

QSocketNotifier* QtSerialDevice::readNotifier()
{
    if (!m_port.isOpen())
        return nullptr;
    if (m_readNotifier && m_readNotifier->socket() == m_port.handle())
        return m_readNotifier;
    m_readNotifier = nullptr;
    const auto notifiers = m_port.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier* notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read && notifier->socket() == m_port.handle())
            m_readNotifier = notifier;
    }
    return m_readNotifier;
}

void QtSerialDevice::setDataTerminalReady(bool on)
{
    // A pseudo-terminal has no DTR line: the request fails with "inappropriate ioctl", which
    // is not a fault of the link.
    if (m_port.isOpen() && !m_port.setDataTerminalReady(on))
        m_port.clearError();
}

void QtSerialDevice::setRequestToSend(bool on)
{
    if (m_port.isOpen() && !m_port.setRequestToSend(on))
        m_port.clearError();
}

void QtSerialDevice::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
        return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError: {
        // When the far end of a pseudo-terminal goes away, Qt 6.4 keeps reporting read errors
        // in a tight loop for as long as the port stays open: close it at the first one.
        if (!m_port.isOpen())
            return;
        const QString reason = m_port.errorString();
        m_port.close();
        m_port.clearError();
        emit lineLost(reason);
        return;
    }
    default:
        // Errors of open() are reported through its return value.
        return;
    }
}

} // namespace stazione::link
