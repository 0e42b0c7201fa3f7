#pragma once

#include <QString>

// Money is kept in penni and shown in markka, cut (never rounded) to at most two decimals.

// The amount in markka as the meter shows it: 1230 penni gives "12,3", 1234,9 gives "12,34".
QString MarkkaText(double penni);
// What follows the markka in every amount the program shows and logs.
inline const QString Markkaa = QStringLiteral(" markkaa");

// The whole markka of the amount, cut: 999 penni gives 9, 1000 gives 10.
double WholeMarkka(double penni);
