#pragma once

#include "link/link.h"
#include "link/timing.h"
#include "support/fake_device.h"

#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

namespace stazione::testing {

// Plays a logger on a FakeDevice from a script: when the bytes received so far end with the next
// expected command, its reply goes out. Everything received stays in `received` for the test.
class ScriptedLogger {
public:
    explicit ScriptedLogger(FakeDevice& device)
        : m_device(device)
    {
        device.onWrite = [this](const QString&, const QByteArray& bytes) {
            received += bytes;
            m_pending += bytes;
            if (!m_script.isEmpty() && m_pending.endsWith(m_script.first().first)) {
                m_device.deliverLater(1, m_script.takeFirst().second);
                m_pending.clear();
            }
        };
    }

    // When `command` (letter and parameters, as on the wire) has arrived, answer `reply`.
    void expect(const QByteArray& command, const QByteArray& reply) { m_script.append({command, reply}); }
    bool scriptDone() const { return m_script.isEmpty(); }

    QByteArray received;

private:
    FakeDevice& m_device;
    QByteArray m_pending;
    QList<QPair<QByteArray, QByteArray>> m_script;
};

// A connection held open on a fake port, with a scripted logger behind it.
class ScriptedConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        link::setTimeScale(0.05);
        link.setReplyTimeout(std::chrono::milliseconds(500));
        ASSERT_TRUE(fx.port->setCommPort(3).ok());
        ASSERT_TRUE(fx.port->setPortOpen(true).ok());
        link.Porta = 3;
        link.Porta_Aperta = true;
    }

    FakePortFixture fx;
    link::Link link{*fx.port};
    ScriptedLogger logger{*fx.device};
};

} // namespace stazione::testing
