#pragma once

#include "link/comm_port.h"
#include "session/application.h"
#include "session/connection.h"
#include "sim/pty_server.h"
#include "support/scripted_dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"

#include <QLabel>
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
        auto found = app.connection().Command1_Click();
        QVERIFY2(found.ok(), found.ok() ? "" : qPrintable(found.error().message));
        QVERIFY2(*found, qPrintable(app.form2().Label2->text()));
        QVERIFY(app.form1().isVisible());
    }
};

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
