#pragma once

#include "common/Controls.h"
#include "common/Form.h"

// The provider's charge per minute, edited and stored on "&Ok".
class Form6 : public Form {
    Q_OBJECT
public:
    Form6();

    void Form_Load() override;

    TextBox* Text1;
    UpDown* UpDown1;
    Label* Label1;
    CommandButton* Command1;

    void UpDown1_Change() { Text1->setText(QString::number(UpDown1->value())); }
    void Command1_Click();
};
