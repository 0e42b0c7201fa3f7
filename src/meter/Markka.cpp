#include "Markka.h"

#include "common/NumberText.h"

namespace {

// The 0-based place of the decimal comma in a number text, or -1. The sign or the first digit
// always comes before it, so the search starts at the second character.
qsizetype CommaPlace(const QString& text) {
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i] == u',')
            return i;
    return -1;
}

} // namespace

QString MarkkaText(double penni) {
    const QString text = NumberToText(penni / 100);
    const qsizetype comma = CommaPlace(text);
    return comma < 0 ? text : text.left(comma + 3);
}

double WholeMarkka(double penni) {
    const double markka = penni / 100;
    const QString text = NumberToText(markka);
    const qsizetype comma = CommaPlace(text);
    return comma < 0 ? markka : NumberFromText(text.left(comma));
}
