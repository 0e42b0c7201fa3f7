#pragma once

#include "common/Controls.h"
#include "common/Form.h"

// The type-1 tariff editor: a charge per call, a weekday day rate, and at other times a charge
// for the first 30 minutes followed by a per-minute rate.
class FrmTyyppi1 : public Form {
    Q_OBJECT
public:
    FrmTyyppi1();

    TextBox* Text1;
    TextBox* Text2;
    TextBox* Text3;
    TextBox* Text4;
    TextBox* Text5;
    TextBox* Text6;
    TextBox* Text7;
    TextBox* Text8;
};
