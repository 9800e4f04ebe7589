#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace stazione::link {

// Where port number n (COMn) leads on this machine.
struct PortMapping {
    int number = 0;
    QString path;         // device path to open
    bool fromLinksFolder; // true: a COMn link in the ports folder; false: the n-th system port
};

// Turns port numbers into device paths. A folder of links named COM1..COM30 decides first
// (the simulator and the README put theirs there); a number without a link falls back to the
// n-th serial device that the system lists, USB adapters first, so a technician with one USB
// cable finds it as COM1.
class PortResolver {
public:
    static constexpr int kHighestPort = 30;

    // The links folder: STAZIONE_PORTS, else <config>/stazione/ports.
    PortResolver();
    explicit PortResolver(QString linksFolder, bool systemFallback = true);

    std::optional<PortMapping> resolve(int number) const;
    QList<PortMapping> mapping() const; // every port 1..30 that leads somewhere

    const QString& linksFolder() const { return m_linksFolder; }
    static QString defaultLinksFolder();
    static QStringList systemPorts(); // device paths, USB adapters first

private:
    std::optional<PortMapping> resolve(int number, const QStringList* listed) const;

    QString m_linksFolder;
    bool m_systemFallback = true;
};

// A port as the operator chooses it: "COM3  /dev/ttyUSB0  (FT232R USB UART)".
struct PortChoice {
    int number = 0;
    QString path;    // what COMn opens
    QString target;  // where a link leads, if it is one
    QString adapter; // the USB adapter's own name, if the device is one
    QString label() const;
};
// Every port 1..30 that leads somewhere, as `stazione-cli ports` lists them, with USB adapters named.
QList<PortChoice> portChoices(const PortResolver& resolver);

// The per-user settings folder of the program (<XDG_CONFIG_HOME or ~/.config>/stazione).
QString settingsFolder();

} // namespace stazione::link
