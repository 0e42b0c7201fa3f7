#pragma once

#include <QString>

// The rules by which the meter's alarms are raised: the limits as the settings window holds them,
// as texts, against the meter's counters and amounts.

// A duration limit of 0 hours and 0 minutes is off; one that is set is met when each of its parts
// is "0" or the counter's very text, so "01" hours never match and the alarm goes at the minute.
bool DurationLimitMet(const QString& hours, const QString& minutes, const QString& hourCount,
                      const QString& minuteCount);
// Unit by unit, a set limit is reached also when the counters have passed it; a limit or counter
// that is no whole number is never reached.
bool DurationLimitPassed(const QString& hours, const QString& minutes, const QString& hourCount,
                         const QString& minuteCount);
// A price limit of "0" is off, and one that is no number is never reached; whole markka are
// compared, the cost cut to them.
bool PriceLimitReached(const QString& limit, double wholeMarkka);
