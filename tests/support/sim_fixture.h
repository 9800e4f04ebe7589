#pragma once

#include "sim/pty_server.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace stazione::testing {

// A private ports folder and settings folder, with simulated loggers linked into it as COMn.
// The program under test finds them through STAZIONE_PORTS and XDG_CONFIG_HOME.
class SimBench {
public:
    explicit SimBench(double timeScale = 0.05)
        : m_timeScale(timeScale)
    {
        qputenv("STAZIONE_PORTS", m_ports.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("STAZIONE_SYSTEM_PORTS", "0");
    }

    // Starts a logger on COMn; `adjust` changes its options first; `logSink` hears its log (from
    // the simulator's thread).
    sim::PtyServer& add(int port, const std::function<void(sim::Options&)>& adjust = {},
                        std::function<void(const QString&)> logSink = {})
    {
        sim::Options options;
        options.timeScale = m_timeScale;
        if (adjust)
            adjust(options);
        m_servers.push_back(std::make_unique<sim::PtyServer>(options));
        sim::PtyServer& server = *m_servers.back();
        if (logSink)
            server.setLogSink(std::move(logSink));
        if (!server.start(m_ports.path(), port))
            qFatal("simulator on COM%d did not start: %s", port, qPrintable(server.errorString()));
        return server;
    }

    QString portsFolder() const { return m_ports.path(); }
    QString settingsFolder() const { return m_config.path() + QStringLiteral("/stazione"); }
    QString savedPortFile() const { return settingsFolder() + QStringLiteral("/qx255.ini"); }

private:
    double m_timeScale;
    QTemporaryDir m_ports;
    QTemporaryDir m_config;
    std::vector<std::unique_ptr<sim::PtyServer>> m_servers;
};

} // namespace stazione::testing
