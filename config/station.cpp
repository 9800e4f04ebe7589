#include "config/station.h"

#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

namespace stazione::config {

namespace {

link::Result<long long> readSwitch(link::Link& link, const link::cmd::Command& command, bool flushFirst)
{
    if (flushFirst) {
        if (auto s = link.Svuota_Buffer(); !s)
            return s.error();
    }
    auto state = link::requestField(link, command);
    if (!state)
        return state.error();
    return link::integerValue(*state);
}

link::Result<SwitchWrite> writeSwitch(link::Link& link, const link::cmd::Command& command,
                                      link::Result<long long> (*readBack)(link::Link&))
{
    auto accepted = link::write(link, command);
    if (!accepted)
        return accepted.error();
    SwitchWrite result;
    result.accepted = *accepted;
    if (result.accepted)
        link.Ritardo(10);
    link.Ritardo(50);
    auto state = readBack(link);
    if (!state)
        return state.error();
    result.readBack = *state;
    return result;
}

} // namespace

link::Result<QString> readStationName(link::Link& link)
{
    auto name = link::requestField(link, link::cmd::readStationName());
    if (!name)
        return name.error();
    return name->trimmed();
}

link::Result<bool> writeStationName(link::Link& link, const QString& name)
{
    if (auto s = link::checkTyped(QStringLiteral("Nome_Centralina"), name); !s)
        return s.error();
    return link::write(link, link::cmd::writeStationName(name));
}

link::Result<QString> readBatteryVoltage(link::Link& link)
{
    auto volts = link::requestField(link, link::cmd::readBatteryVoltage());
    if (!volts)
        return volts.error();
    return link::formatNumber(*volts, link::pattern::kVoltage);
}

link::Result<long long> readBatteryType(link::Link& link)
{
    return readSwitch(link, link::cmd::readBatteryType(), true);
}

link::Result<long long> readMiniPanel(link::Link& link)
{
    return readSwitch(link, link::cmd::readMiniPanel(), true);
}

link::Result<SwitchWrite> writeBatteryType(link::Link& link, int state)
{
    return writeSwitch(link, link::cmd::writeBatteryType(state), &readBatteryType);
}

link::Result<SwitchWrite> writeMiniPanel(link::Link& link, int state)
{
    return writeSwitch(link, link::cmd::writeMiniPanel(state), &readMiniPanel);
}

link::Result<long long> switchEventCounter(link::Link& link, bool on)
{
    if (auto s = link::send(link, link::cmd::switchEventCounter(on)); !s)
        return s.error();
    link.Ritardo(50);
    return readSwitch(link, link::cmd::readEventCounterSwitch(), false);
}

link::Result<QString> readRainAmount(link::Link& link)
{
    auto amount = link::requestField(link, link::cmd::readRainAmount());
    if (!amount)
        return amount.error();
    return amount->trimmed();
}

link::Result<QString> writeRainAmount(link::Link& link, const QString& amount)
{
    if (auto s = link::checkTyped(QStringLiteral("mmpioggia"), amount); !s)
        return s.error();
    if (auto s = link::send(link, link::cmd::writeRainAmount(amount)); !s)
        return s.error();
    return readRainAmount(link);
}

link::Result<QString> readEventCount(link::Link& link)
{
    return link::requestField(link, link::cmd::readEventCount());
}

} // namespace stazione::config
