#pragma once

#include "link/comm_port.h"
#include "link/link.h"
#include "session/activity.h"
#include "session/exchange_guard.h"
#include "session/progress.h"

#include <QString>

#include <array>
#include <memory>

namespace stazione::session {

// What the program knows of the connected logger besides what the windows show.
struct DeviceRecord {
    QString Modello;  // identification reply; empty until a scan identified a logger
    QString Versione; // second field of the identification
    // The six values behind "leggifs": two whole numbers, then four scaled by 1/1000000.
    std::array<double, 6> fs{};
    bool fsRead = false;
    // The station name the logger holds, as last read back or accepted by it; empty until then.
    // Files are named from it, never from a box the logger may have refused.
    QString Nome_Centralina;
};

// The one serial port and the one link of the program, and the device record. Every window
// and handler works on the same instance.
class Session {
public:
    explicit Session(std::unique_ptr<link::CommPort> port);
    ~Session();

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    link::CommPort& port() { return *m_port; }
    link::Link& link() { return m_link; }
    // Every exchange of every window and how it ended.
    Activity& activity() { return m_activity; }
    // The long wait under way, with its "Annulla".
    Progress& progress() { return m_progress; }
    // One exchange at a time, for every window and verb.
    ExchangeGuard& guard() { return m_guard; }

    DeviceRecord record;
    // 1 asks the main window's continuous reading to end after its current group.
    qint16 Stop_Continua = 0;

private:
    std::unique_ptr<link::CommPort> m_port;
    link::Link m_link;
    Activity m_activity;
    Progress m_progress;
    ExchangeGuard m_guard;
};

// What the strip and the pane say while a command waits for the end of a stream given up earlier.
QString drainWaitText();

// "T": the values behind the button leggifs; stored, shown nowhere.
link::Status readFsValues(link::Link& link, DeviceRecord& record);

} // namespace stazione::session
