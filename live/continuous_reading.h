#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QString>

#include <functional>

// The main window's continuous reading: the logger sends, again and again, a reading per channel
// as a triple of fields (channel index, label, value).
namespace stazione::live {

struct Reading {
    int index = 0;
    QString label;
    QString value; // the value shown ("12.346", "5.0"); the received text when it is not a number
    bool isNumber = false;
};

// Readings per group: the channel count, twice for the vibrating-wire logger, which sends two
// readings per channel.
int readingsPerGroup(const QString& modello, int channels);

// Sends "p", then reads groups of `perGroup` triples until `stopRequested` says so after a group.
// A wait that ends once a stop was asked for ends the reading without an error: the logger may
// have stopped before finishing its group.
link::Status runContinuousReading(link::Link& link, int perGroup,
                                  const std::function<void(const Reading&)>& reading,
                                  const std::function<bool()>& stopRequested);

// "B" into the running stream, keeping what was received of the current group.
link::Status stopContinuousReading(link::Link& link);

} // namespace stazione::live
