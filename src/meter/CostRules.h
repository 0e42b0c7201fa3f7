#pragma once

#include <QString>
#include <optional>

// The tariff rules of the two meter windows, in penni.

// The Finnish weekday names the tariff of type 1 knows.
namespace Weekday {
inline const QString Maanantai = QStringLiteral("maanantai");
inline const QString Tiistai = QStringLiteral("tiistai");
inline const QString Keskiviikko = QStringLiteral("keskiviikko");
inline const QString Torstai = QStringLiteral("torstai");
inline const QString Perjantai = QStringLiteral("perjantai");
inline const QString Lauantai = QStringLiteral("lauantai");
inline const QString Sunnuntai = QStringLiteral("sunnuntai");
} // namespace Weekday

// Where a moment of the week falls in the tariff of type 1: weekdays from 07.00 to 17.00 are
// day, the rest of the week is other times. A weekday name in another language is recognised as
// neither.
enum class Moment { Day, OtherTimes, Unrecognised };

Moment MomentOfWeek(const QString& weekday, double hour);

// The tariff of type 1 as the tariff in force holds it.
struct Type1Rates {
    double arkisin1 = 0;         // per minute in the day
    double arkisin2 = 0;         // the first 30 minutes at other times, once
    double arkisin3 = 0;         // per minute at other times after the first 30
    double palvelunTarjoaja = 0; // the provider's charge, added to every minute
};

// The charge of the call's begun minute `minute` (1 for the first) under tariff type 1. At other
// times the first such minute pays the 30-minute charge, and the block counts from the start of
// the call, whenever other times began; nothing when the moment is unrecognised.
std::optional<double> Type1MinuteCharge(Moment moment, qint32 minute, bool firstBlockCharged,
                                        const Type1Rates& rates);

// The charge of every begun minute under tariff type 2, whatever the day and hour.
double Type2MinuteCharge(double arkisin1, double palvelunTarjoaja);
