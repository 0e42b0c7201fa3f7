#pragma once

#include "common/Controls.h"
#include "common/Form.h"

// The type-2 tariff editor: a charge per call and one per-minute rate at all times.
class FrmTyyppi2 : public Form {
    Q_OBJECT
public:
    FrmTyyppi2();

    TextBox* Text1;
    TextBox* Text3;
    TextBox* Text7;
    TextBox* Text8;
};
