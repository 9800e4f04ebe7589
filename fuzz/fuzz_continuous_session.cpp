// The continuous measurement: the logger's bytes as the answer to the channel count and then as
// the sets of the session, laid out in the session's table.

#include "fuzz/fuzz_support.h"
#include "live/measurement.h"
#include "live/session_table.h"

using namespace stazione;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Connection c(fuzz::bytesOf(data, size));
    const auto channels = live::requestSessionChannels(c.link);
    if (!channels)
        return 0;
    live::SessionTable table;
    table.start(*channels);
    live::SessionHooks hooks;
    hooks.line = [](const QString& line) { (void)line.size(); };
    (void)live::runSession(c.link, table, *channels, QString(), hooks);
    for (int row = 0; row < table.gridRows(); ++row) {
        for (int column = 0; column < table.gridColumns(); ++column)
            (void)table.cell(row, column);
    }
    return 0;
}
