#pragma once

// What every fuzz target shares: a Qt application for the link's event loops, a ports folder
// with COM1, and a serial device that plays the fuzzer's bytes as the logger's answer.

#include "link/comm_port.h"
#include "link/device.h"
#include "link/link.h"
#include "link/timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <memory>

namespace stazione::fuzz {

// The folder the targets write their files into; it holds the ports folder's COM1 too.
inline QTemporaryDir& workFolder()
{
    static QTemporaryDir dir;
    return dir;
}

// Once per process: the application, a quiet log, pauses of no length, and COM1.
inline void initialise()
{
    static int argc = 1;
    static char name[] = "stazione-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    qputenv("STAZIONE_LOCK_DIR", workFolder().path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", workFolder().path().toLocal8Bit());
    qSetMessagePattern(QStringLiteral("%{if-critical}%{message}%{endif}"));
    link::setTimeScale(1e-6);
    QFile com1(workFolder().filePath(QStringLiteral("COM1")));
    com1.open(QIODevice::WriteOnly);
}

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The logger's side of the line: nothing arrives until the program has written a command, then
// the bytes come in pieces of varying size, as a real line delivers them. When they are used up
// the line is lost, which ends any wait at once.
class BytesDevice final : public link::Device {
public:
    explicit BytesDevice(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {}

    link::OpenFailure open(const QString&, const link::LineSettings&) override
    {
        if (m_open)
            return link::OpenFailure::AlreadyOpen;
        m_open = true;
        return link::OpenFailure::None;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }

    qint64 bytesAvailable() const override { return m_written ? m_bytes.size() - m_pos : 0; }
    QByteArray read(qint64 maxBytes) override
    {
        if (!m_written)
            return {};
        if (m_pos >= m_bytes.size()) {
            if (m_open) {
                m_open = false;
                emit lineLost(QStringLiteral("end of the fuzzer's bytes"));
            }
            return {};
        }
        static constexpr qsizetype kPieces[] = {1, 7, 64, 3, 512, 20};
        qsizetype n = kPieces[m_reads++ % std::size(kPieces)];
        if (maxBytes > 0)
            n = std::min<qsizetype>(n, maxBytes);
        const QByteArray piece = m_bytes.mid(m_pos, n);
        m_pos += piece.size();
        return piece;
    }
    bool write(const QByteArray&) override
    {
        if (!m_open)
            return false;
        m_written = true;
        return true;
    }
    // The bytes count as arriving after each discard, so that one input can answer the several
    // commands of an exchange.
    void clearInput() override {}
    void setDataTerminalReady(bool) override {}
    void setRequestToSend(bool) override {}

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    qsizetype m_reads = 0;
    bool m_written = false;
    bool m_open = false;
};

// A connection on COM1 as the port scan leaves it, with the bytes as everything the logger says.
struct Connection {
    explicit Connection(QByteArray bytes)
        : port(std::make_unique<BytesDevice>(std::move(bytes)),
               link::PortResolver(workFolder().path(), false))
    {
        (void)port.setCommPort(1);
        (void)port.setPortOpen(true);
        link.Porta = 1;
        link.Porta_Aperta = true;
        link.setReplyTimeout(std::chrono::milliseconds(50));
    }

    link::CommPort port;
    link::Link link{port};
};

} // namespace stazione::fuzz
