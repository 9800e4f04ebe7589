#pragma once

#include "app/application.h"
#include "link/comm_port.h"
#include "session/session.h"
#include "sim/pty_server.h"
#include "support/scripted_dialogs.h"
#include "support/sim_fixture.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/main/connection.h"

#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <chrono>

namespace stazione::testing {

// The program as a user starts it, on the simulated line, with scripted message boxes.
struct Program {
    ScriptedDialogs dialogs;
    session::Application app{link::makeSystemCommPort(), dialogs};

    Program() { app.session().link().setReplyTimeout(std::chrono::milliseconds(1500)); }

    // Scans (with the retrieval) and checks that the main window took over.
    void connect()
    {
        // The scan waits for the logger's answer as long as the program's own default allows (a
        // loaded PC may take seconds); the short time-out is for the exchanges after it.
        link::Link& link = app.session().link();
        const auto timeout = link.replyTimeout();
        link.setReplyTimeout(std::chrono::seconds(10));
        auto found = app.connection().Command1_Click();
        link.setReplyTimeout(timeout);
        QVERIFY2(found.ok(), found.ok() ? "" : qPrintable(found.error().message));
        QVERIFY2(*found, qPrintable(app.form2().Label2->text()));
        QVERIFY(app.form1().isVisible());
    }
};

// A program connected to a simulated logger on COM3, with the logger's transcript emptied: ready
// for one operation.
struct ConnectedProgram {
    SimBench bench;
    sim::PtyServer* logger = nullptr;
    Program p;

    explicit ConnectedProgram(const std::function<void(sim::Options&)>& adjust = {})
    {
        logger = &bench.add(3, adjust);
        p.connect();
        logger->clearTranscript();
        logger->clearReceived();
    }
    ui::Form1& f() { return p.app.form1(); }
};

// Replaces the box's text as the operator types it.
inline void type(QLineEdit* box, const QString& text)
{
    box->clear();
    QTest::keyClicks(box, text);
}

// The logger's transcript as "letter values" lines ("C  0" is C with the value " 0").
inline QStringList commands(const sim::PtyServer& sim)
{
    QStringList out;
    for (const sim::Transmission& t : sim.transcript())
        out << t.command +
                   (t.values.isEmpty() ? QString() : QLatin1Char(' ') + t.values.join(QLatin1Char(',')));
    return out;
}

} // namespace stazione::testing
