#pragma once

#include "link/comm_port.h"
#include "link/device.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace stazione::testing {

// An in-memory serial device: the test decides what arrives and when, and reads back every
// write with the time it was made.
class FakeDevice final : public link::Device {
public:
    struct Write {
        QByteArray bytes;
        qint64 atMs;
    };

    FakeDevice() { m_clock.start(); }

    link::OpenFailure open(const QString& path, const link::LineSettings& settings) override
    {
        if (m_open)
            return link::OpenFailure::AlreadyOpen;
        if (missing.contains(path))
            return link::OpenFailure::NotPresent;
        if (busy.contains(path))
            return link::OpenFailure::InUse;
        if (denied.contains(path))
            return link::OpenFailure::NoPermission;
        m_open = true;
        openedPath = path;
        openedSettings = settings;
        ++openCount;
        if (onOpen)
            onOpen(path);
        return link::OpenFailure::None;
    }
    void close() override
    {
        if (m_open)
            ++closeCount;
        m_open = false;
        m_input.clear();
    }
    bool isOpen() const override { return m_open; }

    qint64 bytesAvailable() const override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override
    {
        ++readCount;
        const qint64 n = maxBytes > 0 ? std::min<qint64>(maxBytes, m_input.size()) : m_input.size();
        QByteArray out = m_input.left(n);
        m_input.remove(0, n);
        return out;
    }
    bool write(const QByteArray& bytes) override
    {
        if (!m_open)
            return false;
        writes.append({bytes, m_clock.elapsed()});
        if (onWrite)
            onWrite(openedPath, bytes);
        return true;
    }
    void clearInput() override { m_input.clear(); }
    // Holding changes only when the port would be told of arrivals, never what arrives: the fake
    // keeps telling at once and records the hold.
    void holdInput(std::chrono::milliseconds) override
    {
        held = true;
        ++holds;
    }
    void releaseInput() override { held = false; }
    void setDataTerminalReady(bool on) override { dtr = on; }
    void setRequestToSend(bool on) override { rts = on; }

    // Bytes arrive now (only while open, as on a real line).
    void deliver(const QByteArray& bytes)
    {
        if (!m_open)
            return;
        m_input += bytes;
        emit readyRead();
    }
    void deliverLater(int ms, const QByteArray& bytes)
    {
        QTimer::singleShot(ms, this, [this, bytes] { deliver(bytes); });
    }
    void dropLineLater(int ms)
    {
        QTimer::singleShot(ms, this, [this] {
            m_open = false;
            m_input.clear();
            emit lineLost(QStringLiteral("device unplugged"));
        });
    }

    QByteArray written() const
    {
        QByteArray all;
        for (const Write& w : writes)
            all += w.bytes;
        return all;
    }
    qint64 nowMs() const { return m_clock.elapsed(); }

    // Hooks that let a test play the logger: called after an open and after every write.
    std::function<void(const QString& path)> onOpen;
    std::function<void(const QString& path, const QByteArray& bytes)> onWrite;

    QSet<QString> missing;
    QSet<QString> busy;
    QSet<QString> denied; // the device is there, this user may not open it
    QList<Write> writes;
    QString openedPath;
    link::LineSettings openedSettings;
    int openCount = 0;
    int closeCount = 0;
    int readCount = 0;
    int holds = 0;
    bool held = false;
    bool dtr = false;
    bool rts = false;

private:
    QElapsedTimer m_clock;
    QByteArray m_input;
    bool m_open = false;
};

// A ports folder with entries COM1..COM5 and a CommPort on a FakeDevice behind it.
struct FakePortFixture {
    FakePortFixture()
    {
        for (int n = 1; n <= 5; ++n) {
            QFile f(dir.filePath(QStringLiteral("COM%1").arg(n)));
            f.open(QIODevice::WriteOnly);
        }
        auto owned = std::make_unique<FakeDevice>();
        device = owned.get();
        port = std::make_unique<link::CommPort>(std::move(owned), link::PortResolver(dir.path(), false));
    }
    QString pathOf(int n) const { return dir.filePath(QStringLiteral("COM%1").arg(n)); }

    QTemporaryDir dir;
    FakeDevice* device = nullptr;
    std::unique_ptr<link::CommPort> port;
};

} // namespace stazione::testing
