#pragma once

#include "config/date_fields.h"
#include "link/link.h"
#include "link/result.h"

// The date from which the logger measures, and the immediate start.
namespace stazione::config {

// "Y,": the start date, as the date boxes show it.
link::Result<config::DateFields> readStartDate(link::Link& link);

// "y" with the boxes' texts as typed and the year counted from 1900, then (after a pause) the
// start date read back. The boxes must hold a valid time (config::timeIsValid).
link::Result<config::DateFields> writeStartDate(link::Link& link, const config::DateFields& boxes);

// "y" with 13 October 1975 00:00:00, a start in the past that starts the measuring at once,
// then the start date read back.
link::Result<config::DateFields> startNow(link::Link& link);

} // namespace stazione::config
