#pragma once

#include "TariffEditor.h"

// The type-1 tariff editor: a charge per call, a weekday day rate, and at other times a charge
// for the first 30 minutes followed by a per-minute rate.
class FrmTyyppi1 : public TariffEditor {
    Q_OBJECT
public:
    FrmTyyppi1();

    TextBox* Text1;
    UpDown* UpDown1;
    TextBox* Text3;
    UpDown* UpDown3;
    TextBox* Text7;
    UpDown* UpDown7;
    TextBox* Text8;
    UpDown* UpDown8;
    TextBox* Text2;
    UpDown* UpDown2;
    TextBox* Text4;
    UpDown* UpDown4;
    TextBox* Text5;
    UpDown* UpDown5;
    TextBox* Text6;
    UpDown* UpDown6;

    void UpDown1_Change() { Text1->setText(QString::number(UpDown1->value())); }
    void UpDown2_Change() { Text2->setText(QString::number(UpDown2->value())); }
    void UpDown3_Change() { Text3->setText(QString::number(UpDown3->value())); }
    void UpDown4_Change() { Text4->setText(QString::number(UpDown4->value())); }
    void UpDown5_Change() { Text5->setText(QString::number(UpDown5->value())); }
    void UpDown6_Change() { Text6->setText(QString::number(UpDown6->value())); }
    void UpDown7_Change() { Text7->setText(QString::number(UpDown7->value())); }
    void UpDown8_Change() { Text8->setText(QString::number(UpDown8->value())); }
};
