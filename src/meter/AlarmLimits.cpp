#include "AlarmLimits.h"

#include "common/NumberText.h"

namespace {

// A limit, or a part of one, that is off.
const QString Off = QStringLiteral("0");

bool LimitSet(const QString& hours, const QString& minutes) {
    return hours != Off || minutes != Off;
}

} // namespace

bool DurationLimitMet(const QString& hours, const QString& minutes, const QString& hourCount,
                      const QString& minuteCount) {
    return LimitSet(hours, minutes) && (hours == hourCount || hours == Off) &&
           (minutes == minuteCount || minutes == Off);
}

bool DurationLimitPassed(const QString& hours, const QString& minutes, const QString& hourCount,
                         const QString& minuteCount) {
    const std::optional<qint32> h = WholeNumberFromText(hourCount);
    const std::optional<qint32> L = WholeNumberFromText(hours);
    const std::optional<qint32> m = WholeNumberFromText(minuteCount);
    const std::optional<qint32> N = WholeNumberFromText(minutes);
    return LimitSet(hours, minutes) && h && L && m && N && *h >= *L && *m >= *N;
}

bool PriceLimitReached(const QString& limit, double wholeMarkka) {
    const std::optional<double> markka = ParseNumber(limit);
    return limit != Off && markka && wholeMarkka >= *markka;
}
