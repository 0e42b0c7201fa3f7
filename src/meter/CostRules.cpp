#include "CostRules.h"

Moment MomentOfWeek(const QString& weekday, double hour) {
    if (weekday == Weekday::Lauantai || weekday == Weekday::Sunnuntai)
        return Moment::OtherTimes;
    for (const QString& day : {Weekday::Maanantai, Weekday::Tiistai, Weekday::Keskiviikko,
                               Weekday::Torstai, Weekday::Perjantai})
        if (weekday == day)
            return hour >= 7 && hour < 17 ? Moment::Day : Moment::OtherTimes;
    return Moment::Unrecognised;
}

std::optional<double> Type1MinuteCharge(Moment moment, qint32 minute, bool firstBlockCharged,
                                        const Type1Rates& rates) {
    switch (moment) {
    case Moment::Day:
        return rates.arkisin1 + rates.palvelunTarjoaja;
    case Moment::OtherTimes:
        if (!firstBlockCharged)
            return rates.arkisin2 + rates.palvelunTarjoaja;
        if (minute <= 30)
            return rates.palvelunTarjoaja;
        return rates.arkisin3 + rates.palvelunTarjoaja;
    case Moment::Unrecognised:
        break;
    }
    return std::nullopt;
}

double Type2MinuteCharge(double arkisin1, double palvelunTarjoaja) {
    return arkisin1 + palvelunTarjoaja;
}
