#include "config/start_date.h"

#include "link/exchange.h"
#include "link/numbers.h"
#include "link/typed_values.h"

namespace stazione::config {

namespace {

link::Result<config::DateFields> sendThenReadBack(link::Link& link, const link::cmd::Command& command)
{
    if (auto s = link::send(link, command); !s)
        return s.error();
    link.Ritardo(100);
    return readStartDate(link);
}

} // namespace

link::Result<config::DateFields> readStartDate(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    auto fields = link::request(link, link::cmd::readStartDate(), 6);
    if (!fields)
        return fields.error();
    return config::dateFieldsForDisplay(*fields);
}

link::Result<config::DateFields> writeStartDate(link::Link& link, const config::DateFields& b)
{
    if (auto s = link::checkTyped(link::typedArray("data_allarme", b)); !s)
        return s.error();
    return sendThenReadBack(
        link, link::cmd::writeStartDate(b[0], b[1], link::integerValue(b[2]), b[3], b[4], b[5]));
}

link::Result<config::DateFields> startNow(link::Link& link)
{
    return sendThenReadBack(link, link::cmd::startNow());
}

} // namespace stazione::config
