#pragma once

#include "common/Controls.h"
#include "common/Form.h"

// How the settings window shows the provider's charge after the number.
inline const QString PenniäMinuutissa = QStringLiteral(" penniä / minuutti. ");

// The tariff in force, never shown: the tariff editors, the settings window and the start-up
// window fill its fields, and the meters read them.
class Form3 : public Form {
    Q_OBJECT
public:
    Form3();

    TextBox* Puhelu;
    TextBox* Arkisin1;
    TextBox* Arkisin2;
    TextBox* Arkisin3;
    TextBox* PalvelunTarjoaja;

    void PalvelunTarjoaja_Change();
};
