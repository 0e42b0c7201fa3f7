#include "FrmTyyppi1.h"

#include "Form3.h"
#include "TariffFields.h"
#include "common/Keys.h"

FrmTyyppi1::FrmTyyppi1()
    : TariffEditor(Keys::Tyyppi1), Text1(new TextBox(QStringLiteral("0"), this)),
      UpDown1(new UpDown(0, 999, 0, this)), Text3(new TextBox(QStringLiteral("0"), this)),
      UpDown3(new UpDown(0, 9, 0, this)), Text7(new TextBox(QStringLiteral("0"), this)),
      UpDown7(new UpDown(0, 999, 0, this)), Text8(new TextBox(QStringLiteral("0"), this)),
      UpDown8(new UpDown(0, 9, 0, this)), Text2(new TextBox(QStringLiteral("0"), this)),
      UpDown2(new UpDown(0, 999, 0, this)), Text4(new TextBox(QStringLiteral("0"), this)),
      UpDown4(new UpDown(0, 9, 0, this)), Text5(new TextBox(QStringLiteral("0"), this)),
      UpDown5(new UpDown(0, 999, 0, this)), Text6(new TextBox(QStringLiteral("0"), this)),
      UpDown6(new UpDown(0, 9, 0, this)) {
    setClientSizeTwips(8610, 1755);

    place(Text1, 1380, 300, 375, 315);
    AddCaptionBefore(Text1, QStringLiteral("Arkisin 7-17"));
    place(UpDown1, 1800, 300, 240, 315);
    AddCaption(this, QStringLiteral(","), 2100, 300);
    place(Text3, 2220, 300, 375, 315);
    place(UpDown3, 2640, 300, 240, 315);
    AddCaption(this, QStringLiteral("penniä / puhelu +"), 3000, 300);
    place(Text7, 4380, 300, 375, 315);
    place(UpDown7, 4800, 300, 240, 315);
    AddCaption(this, QStringLiteral(","), 5100, 300);
    place(Text8, 5220, 300, 375, 315);
    place(UpDown8, 5640, 300, 240, 315);
    AddCaption(this, QStringLiteral("penniä / minuutti"), 6000, 300);

    place(Text2, 1380, 720, 375, 315);
    AddCaptionBefore(Text2, QStringLiteral("Muina aikoina"));
    place(UpDown2, 1800, 720, 240, 315);
    AddCaption(this, QStringLiteral(","), 2100, 720);
    place(Text4, 2220, 720, 375, 315);
    place(UpDown4, 2640, 720, 240, 315);
    AddCaption(this, QStringLiteral("penniä / 30 minuuttia, jonka jälkeen"), 3000, 720);
    place(Text5, 5640, 720, 375, 315);
    place(UpDown5, 6060, 720, 240, 315);
    AddCaption(this, QStringLiteral(","), 6360, 720);
    place(Text6, 6480, 720, 375, 315);
    place(UpDown6, 6900, 720, 240, 315);
    AddCaption(this, QStringLiteral("penniä / minuutti."), 7260, 720);

    NameAmount(Text1, Text3, QStringLiteral("penniä / puhelu"));
    NameAmount(Text7, Text8, QStringLiteral("Arkisin 7-17: penniä / minuutti"));
    NameAmount(Text2, Text4, QStringLiteral("Muina aikoina: penniä / 30 minuuttia"));
    NameAmount(Text5, Text6, QStringLiteral("Muina aikoina, sen jälkeen: penniä / minuutti"));

    place(Command1, 7320, 1380, 1095, 315);
    MakeRoomForCaptions(this);
    setTabOrder(Text6, Command1);
    // The editor opens on its first amount, not on the Ok that comes before it in the chain.
    Text1->setFocus();

    connect(UpDown1, &UpDown::changed, this, &FrmTyyppi1::UpDown1_Change);
    connect(UpDown2, &UpDown::changed, this, &FrmTyyppi1::UpDown2_Change);
    connect(UpDown3, &UpDown::changed, this, &FrmTyyppi1::UpDown3_Change);
    connect(UpDown4, &UpDown::changed, this, &FrmTyyppi1::UpDown4_Change);
    connect(UpDown5, &UpDown::changed, this, &FrmTyyppi1::UpDown5_Change);
    connect(UpDown6, &UpDown::changed, this, &FrmTyyppi1::UpDown6_Change);
    connect(UpDown7, &UpDown::changed, this, &FrmTyyppi1::UpDown7_Change);
    connect(UpDown8, &UpDown::changed, this, &FrmTyyppi1::UpDown8_Change);

    setAmounts({
        {Text1, UpDown1, Keys::Puhelu_1, Text3, UpDown3, Keys::Puhelu_2, &Form3::Puhelu},
        {Text7, UpDown7, Keys::Arkisin1_1, Text8, UpDown8, Keys::Arkisin1_2, &Form3::Arkisin1},
        {Text2, UpDown2, Keys::Arkisin2_1, Text4, UpDown4, Keys::Arkisin2_2, &Form3::Arkisin2},
        {Text5, UpDown5, Keys::Arkisin3_1, Text6, UpDown6, Keys::Arkisin3_2, &Form3::Arkisin3},
    });
}
