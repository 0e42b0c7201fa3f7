#pragma once

#include "TariffEditor.h"

// The type-2 tariff editor: a charge per call and one per-minute rate at all times.
class FrmTyyppi2 : public TariffEditor {
    Q_OBJECT
public:
    FrmTyyppi2();

    TextBox* Text1;
    UpDown* UpDown1;
    TextBox* Text3;
    UpDown* UpDown3;
    TextBox* Text7;
    UpDown* UpDown7;
    TextBox* Text8;
    UpDown* UpDown8;

    void UpDown1_Change() { Text1->setText(QString::number(UpDown1->value())); }
    void UpDown3_Change() { Text3->setText(QString::number(UpDown3->value())); }
    void UpDown7_Change() { Text7->setText(QString::number(UpDown7->value())); }
    void UpDown8_Change() { Text8->setText(QString::number(UpDown8->value())); }
};
