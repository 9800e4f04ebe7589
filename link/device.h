#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

namespace stazione::link {

// Line settings as the serial component takes them ("9600,N,8,1").
struct LineSettings {
    int baud = 9600;
    char parity = 'N'; // N, E, O, M, S
    int dataBits = 8;
    int stopBits = 1; // 1 or 2; "1.5" is stored as 3

    static bool parse(const QString& text, LineSettings* out);
    QString toString() const;
};

// Why a device would not open.
// NoPermission: the device is there but this user may not open it (not in its group).
enum class OpenFailure { None, NotPresent, AlreadyOpen, InUse, NoPermission, BadSettings };

// The smallest thing the serial component needs from a real port: open a path, move bytes,
// tell when bytes arrived or the line went away. The QSerialPort version drives real ports and
// pseudo-terminals; the tests plug an in-memory one in through the same interface.
class Device : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Device() override = default;

    virtual OpenFailure open(const QString& path, const LineSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual qint64 bytesAvailable() const = 0;
    // Takes up to maxBytes of what is waiting (all of it when maxBytes <= 0).
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Queues the bytes for transmission; false when the line is gone.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual void clearInput() = 0;

    // Stops telling of arrivals for a while: what comes meanwhile stays in the driver and is
    // told of (and taken in one read) when the hold ends. A device that cannot hold ignores it.
    virtual void holdInput(std::chrono::milliseconds duration) { (void)duration; }
    // Ends a hold at once.
    virtual void releaseInput() {}

    // Modem control lines. A device that has none (a pseudo-terminal) ignores them.
    virtual void setDataTerminalReady(bool on) = 0;
    virtual void setRequestToSend(bool on) = 0;

signals:
    void readyRead();
    // Emitted once when the line fails under an open port; the device is closed by then.
    void lineLost(const QString& reason);
};

} // namespace stazione::link
