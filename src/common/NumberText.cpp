#include "NumberText.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

bool IsDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<double> ParseNumber(const QString& text) {
    // Up to 15 plain digits, as the meter's counters are, are a whole number that a double holds
    // exactly: read without the conversion below, every second.
    if (text.size() <= 15 && IsDigits(text)) {
        qint64 value = 0;
        for (const QChar digit : text)
            value = value * 10 + (digit.unicode() - u'0');
        return static_cast<double>(value);
    }
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    bool comma = false;
    for (qsizetype j = i; j < t.size(); ++j) {
        if (t[j] >= u'0' && t[j] <= u'9')
            ++digits;
        else if (t[j] == u',' && !comma)
            comma = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    QString c = t;
    c.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(c, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double NumberFromText(const QString& text) {
    return ParseNumber(text).value_or(0.0);
}

std::optional<qint32> WholeNumberFromText(const QString& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded =
        std::nearbyint(*value); // the default rounding mode rounds halves to even
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

QString NumberToText(double number) {
    if (!std::isfinite(number))
        return QStringLiteral("0");
    // A whole number below 10^15 has at most 15 digits and needs no rounding: the meter's counters
    // write one every second, and this spares them the conversions below.
    if (std::fabs(number) < 1e15 && number == std::trunc(number))
        return QString::number(static_cast<qint64>(number));
    // Round to 15 significant digits first, then write the result in plain positional notation.
    const QString scientific = QLocale::c().toString(number, 'e', 14);
    const double rounded = QLocale::c().toDouble(scientific);
    if (rounded == 0.0)
        return QStringLiteral("0");
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::max(0, 14 - exponent);
    QString text = QLocale::c().toString(rounded, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    text.replace(u'.', u',');
    return text;
}
