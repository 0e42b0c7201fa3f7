#pragma once

#include "common/Controls.h"
#include "common/Form.h"

class QGroupBox;

// The settings window: alarm limits, the provider's charge, the modem's port, the redial wait and
// the tariff type in force. It stays loaded, mostly hidden, and other windows read its fields.
class Form4 : public Form {
    Q_OBJECT
public:
    Form4();

    void Form_Load() override;

    QGroupBox* Frame1;
    TextBox* YhteydenHinta;
    UpDown* UpDown1;
    TextBox* HinnatYhteensä;
    UpDown* UpDown2;
    TextBox* KestoTuntia;
    UpDown* UpDown3;
    TextBox* KestoMinuuttia;
    UpDown* UpDown4;
    TextBox* YhteensäTuntia;
    UpDown* UpDown5;
    TextBox* YhteensäMinuuttia;
    UpDown* UpDown6;
    QGroupBox* Frame2;
    Label* Label12;
    CommandButton* Command4;
    DropDownList* Combo1;
    CommandButton* Command2;
    TextBox* txtOdotetaan;
    UpDown* UpDown8;
    DropDownList* Combo2;
    CommandButton* Command3;
    CommandButton* Command5;
    CommandButton* Command1;

    void Combo1_Click();
    void Combo2_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    void YhteydenHinta_Change();
    void HinnatYhteensä_Change();
    void KestoTuntia_Change();
    void KestoMinuuttia_Change();
    void YhteensäTuntia_Change();
    void YhteensäMinuuttia_Change();
    void txtOdotetaan_Change();

    void UpDown1_Change() { YhteydenHinta->setText(QString::number(UpDown1->value())); }
    void UpDown2_Change() { HinnatYhteensä->setText(QString::number(UpDown2->value())); }
    void UpDown3_Change() { KestoTuntia->setText(QString::number(UpDown3->value())); }
    void UpDown4_Change() { KestoMinuuttia->setText(QString::number(UpDown4->value())); }
    void UpDown5_Change() { YhteensäTuntia->setText(QString::number(UpDown5->value())); }
    void UpDown6_Change() { YhteensäMinuuttia->setText(QString::number(UpDown6->value())); }
    void UpDown8_Change() { txtOdotetaan->setText(QString::number(UpDown8->value())); }
};
