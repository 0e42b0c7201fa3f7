#pragma once

#include <QString>
#include <optional>

// The program keeps its numbers in control texts, written with the decimal comma and no grouping,
// so that every text it stores reads the same on any machine.

// The text as a number: blanks around it, an optional sign, digits and at most one ",". Returns
// nothing for any other text.
std::optional<double> ParseNumber(const QString& text);

// Whether the text is one or more digits and nothing else: no sign, blank or comma.
bool IsDigits(const QString& text);

// The text as a number; a text that is no number reads as 0.
double NumberFromText(const QString& text);

// The text as a whole number (halves round to even), or nothing when it is no number or does
// not fit in 32 bits.
std::optional<qint32> WholeNumberFromText(const QString& text);

// The number rounded to 15 significant digits, without grouping, without trailing zeros, with
// the decimal comma; a whole number has no comma.
QString NumberToText(double number);
