#pragma once

#include "link/device.h"

#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

namespace stazione::link {

// A real serial port (or a pseudo-terminal) through QSerialPort.
class QtSerialDevice final : public Device {
    Q_OBJECT
public:
    explicit QtSerialDevice(QObject* parent = nullptr);
    ~QtSerialDevice() override;

    OpenFailure open(const QString& path, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override;

    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxBytes) override;
    bool write(const QByteArray& bytes) override;
    void clearInput() override;
    void holdInput(std::chrono::milliseconds duration) override;
    void releaseInput() override;

    void setDataTerminalReady(bool on) override;
    void setRequestToSend(bool on) override;

private:
    void onError(QSerialPort::SerialPortError error);
    QSocketNotifier* readNotifier();

    QSerialPort m_port;
    QPointer<QSocketNotifier> m_readNotifier;
    QTimer m_hold;
};

} // namespace stazione::link
