// The reply-field splitter: every field the logger's bytes hold, read as the windows read them,
// and cut at the fixed places of the replies that are taken by position.

#include "fuzz/fuzz_support.h"
#include "link/commands.h"
#include "link/numbers.h"

using namespace stazione;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Connection c(fuzz::bytesOf(data, size));
    if (!c.link.Invia_Comando(QStringLiteral("G"), QStringLiteral(",")))
        return 0;
    while (auto field = c.link.Leggi_Risposta()) {
        (void)link::integerValue(*field);
        (void)link::formatNumber(*field, link::pattern::kTwoDigits);
        (void)link::cmd::nextAcquisitionFields(*field);
        (void)link::cmd::retryClockFields(*field);
        (void)link::cmd::retryIntervalFields(*field);
        (void)link::cmd::retryMemoryFields(*field);
    }
    return 0;
}
