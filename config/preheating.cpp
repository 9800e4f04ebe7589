#include "config/preheating.h"

#include "link/commands.h"
#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

namespace stazione::config {

link::Result<QString> readPreheating(link::Link& link)
{
    return link::requestField(link, link::cmd::readPreheating());
}

std::optional<QString> preheatingToSend(const QString& box)
{
    if (link::numericValue(box) > link::cmd::kMaxPreheatingMs)
        return std::nullopt;
    return link::formatNumber(box, link::pattern::kFiveDigits);
}

link::Status writePreheating(link::Link& link, const QString& fiveDigits)
{
    if (auto s = link::checkTyped(QStringLiteral("preaccensione"), fiveDigits); !s)
        return s;
    return link::send(link, link::cmd::writePreheating(fiveDigits));
}

} // namespace stazione::config
