#include "link/port_resolver.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>

#include <algorithm>

namespace stazione::link {

namespace {

bool isUsbAdapter(const QSerialPortInfo& info)
{
    const QString name = info.portName();
    return info.hasVendorIdentifier() || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("ttyACM"));
}

// ttyS10 after ttyS9.
bool naturalLess(const QString& a, const QString& b)
{
    auto split = [](const QString& s) {
        int i = s.size();
        while (i > 0 && s.at(i - 1).isDigit())
            --i;
        return std::pair<QString, int>(s.left(i), s.mid(i).toInt());
    };
    return split(a) < split(b);
}

bool systemFallbackFromEnvironment()
{
    // The test suite turns the fallback off so that a scan never touches the machine's own ports.
    return qEnvironmentVariable("STAZIONE_SYSTEM_PORTS") != QLatin1String("0");
}

} // namespace

QString settingsFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/stazione");
}

PortResolver::PortResolver()
    : PortResolver(defaultLinksFolder(), systemFallbackFromEnvironment())
{}

PortResolver::PortResolver(QString linksFolder, bool systemFallback)
    : m_linksFolder(std::move(linksFolder))
    , m_systemFallback(systemFallback)
{}

QString PortResolver::defaultLinksFolder()
{
    QString fromEnvironment = qEnvironmentVariable("STAZIONE_PORTS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return settingsFolder() + QStringLiteral("/ports");
}

QStringList PortResolver::systemPorts()
{
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::stable_sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        const bool usbA = isUsbAdapter(a);
        const bool usbB = isUsbAdapter(b);
        if (usbA != usbB)
            return usbA;
        return naturalLess(a.portName(), b.portName());
    });
    QStringList paths;
    for (const QSerialPortInfo& info : ports)
        paths << info.systemLocation();
    return paths;
}

std::optional<PortMapping> PortResolver::resolve(int number) const
{
    return resolve(number, nullptr);
}

std::optional<PortMapping> PortResolver::resolve(int number, const QStringList* listed) const
{
    if (number < 1 || number > kHighestPort)
        return std::nullopt;
    const QString link = QDir(m_linksFolder).filePath(QStringLiteral("COM%1").arg(number));
    const QFileInfo info(link);
    // A link whose device is gone still names the port: opening it reports the device missing.
    if (info.isSymLink() || info.exists())
        return PortMapping{number, link, true};
    if (!m_systemFallback)
        return std::nullopt;
    const QStringList system = listed ? *listed : systemPorts();
    if (number <= system.size())
        return PortMapping{number, system.at(number - 1), false};
    return std::nullopt;
}

QString PortChoice::label() const
{
    QString text = QStringLiteral("COM%1  %2").arg(number).arg(path);
    if (!target.isEmpty())
        text += QStringLiteral(" -> ") + target;
    if (!adapter.isEmpty())
        text += QStringLiteral("  (") + adapter + QLatin1Char(')');
    return text;
}

QList<PortChoice> portChoices(const PortResolver& resolver)
{
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    auto adapterOf = [&system](const QString& device) {
        const QString canonical = QFileInfo(device).canonicalFilePath();
        for (const QSerialPortInfo& info : system) {
            if (info.systemLocation() != device && info.systemLocation() != canonical)
                continue;
            if (!info.hasVendorIdentifier())
                return QString();
            return info.description().isEmpty() ? info.manufacturer() : info.description();
        }
        return QString();
    };
    QList<PortChoice> choices;
    for (const PortMapping& m : resolver.mapping()) {
        PortChoice choice;
        choice.number = m.number;
        choice.path = m.path;
        const QFileInfo info(m.path);
        if (info.isSymLink())
            choice.target = info.symLinkTarget();
        choice.adapter = adapterOf(choice.target.isEmpty() ? m.path : choice.target);
        choices << choice;
    }
    return choices;
}

QList<PortMapping> PortResolver::mapping() const
{
    QList<PortMapping> result;
    const QStringList system = m_systemFallback ? systemPorts() : QStringList();
    for (int n = 1; n <= kHighestPort; ++n) {
        if (auto m = resolve(n, &system))
            result << *m;
    }
    return result;
}

} // namespace stazione::link
