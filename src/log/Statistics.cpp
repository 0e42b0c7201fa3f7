#include "Statistics.h"

#include "common/NumberText.h"
#include "meter/Markka.h"
#include "platform/LinuxPlatform.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <map>

namespace {

// The month words of the logged dates, as the meter writes them.
const QHash<QString, int>& MonthWords() {
    static const QHash<QString, int> words = [] {
        QHash<QString, int> map;
        for (int month = 1; month <= 12; ++month)
            map.insert(FinnishLongDate(QDate(2000, month, 1)).section(u' ', 1, 1), month);
        return map;
    }();
    return words;
}

// Where each hour of the week falls in the tariff of type 1, by the day of the week (1 Monday ..
// 7 Sunday) and the hour: the meter's rule, asked once for each, since a year's calls are
// priced minute by minute.
Moment MomentOfHour(int dayOfWeek, int hour) {
    static const auto moments = [] {
        std::array<std::array<Moment, 24>, 7> table{};
        for (int day = 1; day <= 7; ++day)
            for (int h = 0; h < 24; ++h)
                table[day - 1][h] =
                    MomentOfWeek(FinnishWeekday(QDate(2026, 12, 6).addDays(day)), h);
        return table;
    }();
    return moments[dayOfWeek - 1][hour];
}

// "hh:mm:ss", the hours of any length.
std::optional<qint64> LoggedSeconds(const QString& duration) {
    const qsizetype first = duration.indexOf(u':');
    const qsizetype second = duration.indexOf(u':', first + 1);
    const QStringView parts[] = {QStringView(duration).left(first),
                                 QStringView(duration).mid(first + 1, second - first - 1),
                                 QStringView(duration).mid(second + 1)};
    qint64 seconds = 0;
    for (const QStringView part : parts) {
        bool number = false;
        seconds = seconds * 60 + part.toUInt(&number);
        if (!number || first < 0 || second < 0)
            return std::nullopt;
    }
    return seconds;
}

std::optional<double> LoggedMarkka(const QString& price) {
    return price.endsWith(Markkaa) ? ParseNumber(price.chopped(Markkaa.size())) : std::nullopt;
}

// The begun minutes the meter charges: one at the first second of each.
qint64 BegunMinutes(qint64 seconds) {
    return (seconds + 59) / 60;
}

} // namespace

std::optional<QDate> LoggedDate(const QString& text) {
    const qsizetype dot = text.indexOf(QStringLiteral(". "));
    const qsizetype blank = text.indexOf(u' ', dot + 2);
    if (dot < 0 || blank < 0)
        return std::nullopt;
    const int month = MonthWords().value(text.mid(dot + 2, blank - dot - 2));
    const QDate date(QStringView(text).mid(blank + 1).toInt(), month,
                     QStringView(text).left(dot).toInt());
    return month && date.isValid() ? std::optional(date) : std::nullopt;
}

QString DurationText(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar(u'0'))
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

LogStatistics SummariseLog(const QList<LogRow>& rows) {
    LogStatistics statistics;
    std::map<QDate, MonthTotal> months;
    for (const LogRow& row : rows) {
        const std::optional<QDate> date = LoggedDate(row.texts[0]);
        MonthTotal& total =
            date ? months[QDate(date->year(), date->month(), 1)] : statistics.unknownDate;
        ++total.calls;
        total.seconds += LoggedSeconds(row.texts[1]).value_or(0);
        if (const std::optional<double> markka = LoggedMarkka(row.texts[2]))
            total.markka += *markka;
        else
            ++statistics.withoutPrice;
    }
    for (auto& [month, total] : months) {
        total.month = month;
        statistics.months << total;
    }
    return statistics;
}

double CostAtThisPace(double soFar, const QDate& today) {
    return soFar / today.day() * today.daysInMonth();
}

double Type1CallCost(const QDateTime& began, qint64 seconds, const Tariffs& tariffs) {
    // The moment of the call's second `second`, counted from the meter's opening, as the meter's
    // calendar gives it: the weekday and the whole hour.
    const qint64 startOfDay = began.time().msecsSinceStartOfDay() / 1000;
    const auto momentAt = [&](qint64 second) {
        const qint64 since = startOfDay + second;
        const int day = static_cast<int>((began.date().dayOfWeek() - 1 + since / 86400) % 7) + 1;
        return MomentOfHour(day, static_cast<int>(since % 86400 / 3600));
    };
    double cost = momentAt(0) == Moment::Day ? tariffs.puhelu1 : 0;
    bool firstBlockCharged = false;
    for (qint64 minute = 1; minute <= BegunMinutes(seconds); ++minute) {
        const Moment moment = momentAt((minute - 1) * 60 + 1);
        const std::optional<double> charge = Type1MinuteCharge(moment, static_cast<qint32>(minute),
                                                               firstBlockCharged, tariffs.type1);
        cost += charge.value_or(0);
        firstBlockCharged = firstBlockCharged || moment == Moment::OtherTimes;
    }
    return cost;
}

double Type2CallCost(qint64 seconds, const Tariffs& tariffs) {
    return tariffs.puhelu2 +
           BegunMinutes(seconds) *
               Type2MinuteCharge(tariffs.arkisin1Type2, tariffs.type1.palvelunTarjoaja);
}

TariffComparison CompareTariffs(const QList<LogRow>& rows, const QDate& first, const QDate& last,
                                const Tariffs& tariffs) {
    TariffComparison comparison;
    const auto within = [&](const QDate& date) {
        return date >= first && date < last.addMonths(1);
    };
    for (const LogRow& row : rows) {
        if (row.began.isEmpty()) {
            const std::optional<QDate> date = LoggedDate(row.texts[0]);
            comparison.leftOut += date && within(*date);
            continue;
        }
        // The day first, from the text's start: most calls of a long log lie outside the months.
        const QStringView day(row.began);
        if (!within(QDate(day.left(4).toInt(), day.mid(5, 2).toInt(), day.mid(8, 2).toInt())))
            continue;
        const QDateTime began = QDateTime::fromString(row.began, Qt::ISODate);
        const qint64 seconds = LoggedSeconds(row.texts[1]).value_or(0);
        ++comparison.calls;
        comparison.type1 += Type1CallCost(began, seconds, tariffs);
        comparison.type2 += Type2CallCost(seconds, tariffs);
    }
    return comparison;
}
