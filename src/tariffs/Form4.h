#pragma once

#include "common/Controls.h"
#include "common/Form.h"

// The settings window: alarm limits, the provider's charge, the modem's port, the redial wait and
// the tariff type in force. It stays loaded, mostly hidden, and other windows read its fields.
class Form4 : public Form {
    Q_OBJECT
public:
    Form4();

    void Form_Load() override;

    TextBox* YhteydenHinta;
    TextBox* HinnatYhteensä;
    TextBox* KestoTuntia;
    TextBox* KestoMinuuttia;
    TextBox* YhteensäTuntia;
    TextBox* YhteensäMinuuttia;
    TextBox* txtOdotetaan;
    DropDownList* Combo1;
    DropDownList* Combo2;
    Label* Label12;

    void Combo1_Click();
    void Combo2_Click();
};
