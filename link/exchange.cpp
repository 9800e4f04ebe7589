#include "link/exchange.h"

namespace stazione::link {

Status send(Link& link, const cmd::Command& command)
{
    return link.Invia_Comando(command.text, command.params);
}

Status sendKeepingInput(Link& link, const cmd::Command& command)
{
    return link.Invia_Comando(command.text, command.params, Link::Input::Keep);
}

Status send(Link& link, const cmd::TwoStep& command, int pauseHundredths)
{
    if (auto s = send(link, command.first); !s)
        return s;
    link.Ritardo(pauseHundredths);
    return send(link, command.second);
}

Result<QStringList> request(Link& link, const cmd::Command& command, int fields)
{
    if (auto s = send(link, command); !s)
        return s.error();
    QStringList out;
    for (int i = 0; i < fields; ++i) {
        auto field = link.Leggi_Risposta();
        if (!field)
            return field.error();
        out << *field;
    }
    return out;
}

Result<QString> requestField(Link& link, const cmd::Command& command)
{
    if (auto s = send(link, command); !s)
        return s.error();
    return link.Leggi_Risposta();
}

Result<bool> write(Link& link, const cmd::Command& command)
{
    auto field = requestField(link, command);
    if (!field)
        return field.error();
    return *field == kAccepted;
}

} // namespace stazione::link
