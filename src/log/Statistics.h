#pragma once

#include "log/CallLog.h"
#include "meter/CostRules.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// What the calls of the log cost, month by month, and what they would have cost under the other
// tariff type: the figures of the statistics window, computed from the log's rows as stored.

// The calls of one month, or of the rows whose date cannot be read (an invalid month).
struct MonthTotal {
    QDate month;
    int calls = 0;
    qint64 seconds = 0;
    double markka = 0;
};

struct LogStatistics {
    // The months that have calls, in time order.
    QList<MonthTotal> months;
    MonthTotal unknownDate;
    // Rows whose price is empty or no money text: they add nothing to the cost.
    int withoutPrice = 0;
};

LogStatistics SummariseLog(const QList<LogRow>& rows);

// The date as the meter logs it ("8. joulukuuta 2026"); nothing for another form.
std::optional<QDate> LoggedDate(const QString& text);
// A duration summed over calls, hours not wrapped: "12:04:31".
QString DurationText(qint64 seconds);
// The month's cost at the pace of its days so far, today included.
double CostAtThisPace(double soFar, const QDate& today);

// The tariffs of both types as their editors hold them, and the provider's charge, in penni.
struct Tariffs {
    double puhelu1 = 0;
    Type1Rates type1;
    double puhelu2 = 0;
    double arkisin1Type2 = 0;
};

// What a call that began at this moment and lasted this long costs under each type, minute by
// minute as the meter charges it, in penni. A call's moment outside the Finnish week (never, for
// a stored start moment) costs what was charged until then.
double Type1CallCost(const QDateTime& began, qint64 seconds, const Tariffs& tariffs);
double Type2CallCost(qint64 seconds, const Tariffs& tariffs);

// The calls that began in the months from `first` to `last`, priced under both types; the calls
// of those months without a start moment are left out and counted.
struct TariffComparison {
    int calls = 0;
    int leftOut = 0;
    double type1 = 0;
    double type2 = 0;
};
TariffComparison CompareTariffs(const QList<LogRow>& rows, const QDate& first, const QDate& last,
                                const Tariffs& tariffs);
