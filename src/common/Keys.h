#pragma once

#include <QString>
#include <QStringList>

// The names under which the program keeps its settings: application, sections and keys.
namespace Keys {

inline const QString App = QStringLiteral("Orvalin");

inline const QString Asetukset = QStringLiteral("Asetukset");
inline const QString Tyyppi1 = QStringLiteral("Tyyppi 1");
inline const QString Tyyppi2 = QStringLiteral("Tyyppi 2");
inline const QString Päivämäärä = QStringLiteral("Päivämäärä");
inline const QString Kesto = QStringLiteral("Kesto");
inline const QString Hinta = QStringLiteral("Hinta");
// The moment each logged call's meter opened, under the call's row key, beside the log.
inline const QString Alkuhetki = QStringLiteral("Alkuhetki");
// Every section that holds a part of a logged call's row, under the row's key.
inline const QStringList CallRowSections = {Päivämäärä, Kesto, Hinta, Alkuhetki};

// Section "Asetukset".
inline const QString Tyyppi = QStringLiteral("Tyyppi");
inline const QString Portti = QStringLiteral("Portti");
inline const QString Odotetaan = QStringLiteral("Odotetaan");
inline const QString Palveluntarjoaja = QStringLiteral("Palveluntarjoaja");
inline const QString Palveluntarjoaja2 = QStringLiteral("Palveluntarjoaja 2");
inline const QString Käyttäjä = QStringLiteral("Käyttäjä");
inline const QString Kustannukset1 = QStringLiteral("Kustannukset 1");
inline const QString Kustannukset2 = QStringLiteral("Kustannukset 2");
inline const QString Tunnit = QStringLiteral("Tunnit");
inline const QString Minuutit = QStringLiteral("Minuutit");
inline const QString Sekunnit = QStringLiteral("Sekunnit");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString YhteensäHinta = QStringLiteral("Yhteensä Hinta");
inline const QString HinnatYhteensä = QStringLiteral("Hinnat Yhteensä");
inline const QString KestoTuntia = QStringLiteral("Kesto Tuntia");
inline const QString KestoMinuuttia = QStringLiteral("Kesto Minuuttia");
inline const QString KestotYhteensäTuntia = QStringLiteral("Kestot Yhteensä Tuntia");
inline const QString KestotYhteensäMinuuttia = QStringLiteral("Kestot Yhteensä Minuuttia");

// Sections "Tyyppi 1" and "Tyyppi 2": each amount's whole penni under _1, its tenths under _2.
inline const QString Puhelu_1 = QStringLiteral("Puhelu 1");
inline const QString Puhelu_2 = QStringLiteral("Puhelu 2");
inline const QString Arkisin1_1 = QStringLiteral("Arkisin1 1");
inline const QString Arkisin1_2 = QStringLiteral("Arkisin1 2");
inline const QString Arkisin2_1 = QStringLiteral("Arkisin2 1");
inline const QString Arkisin2_2 = QStringLiteral("Arkisin2 2");
inline const QString Arkisin3_1 = QStringLiteral("Arkisin3 1");
inline const QString Arkisin3_2 = QStringLiteral("Arkisin3 2");

} // namespace Keys
