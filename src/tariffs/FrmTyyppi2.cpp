#include "FrmTyyppi2.h"

#include "Form3.h"
#include "TariffFields.h"
#include "common/Keys.h"

FrmTyyppi2::FrmTyyppi2()
    : TariffEditor(Keys::Tyyppi2), Text1(new TextBox(QStringLiteral("0"), this)),
      UpDown1(new UpDown(0, 999, 0, this)), Text3(new TextBox(QStringLiteral("0"), this)),
      UpDown3(new UpDown(0, 9, 0, this)), Text7(new TextBox(QStringLiteral("0"), this)),
      UpDown7(new UpDown(0, 999, 0, this)), Text8(new TextBox(QStringLiteral("0"), this)),
      UpDown8(new UpDown(0, 9, 0, this)) {
    setClientSizeTwips(8835, 1155);

    place(Text1, 1485, 300, 375, 315);
    AddCaptionBefore(Text1, QStringLiteral("Kaikkina aikoina"));
    place(UpDown1, 1905, 300, 240, 315);
    AddCaption(this, QStringLiteral(","), 2205, 300);
    place(Text3, 2325, 300, 375, 315);
    place(UpDown3, 2745, 300, 240, 315);
    AddCaption(this, QStringLiteral("penniä / puhelu +"), 3105, 300);
    place(Text7, 4500, 300, 375, 315);
    place(UpDown7, 4920, 300, 240, 315);
    AddCaption(this, QStringLiteral(","), 5205, 300);
    place(Text8, 5325, 300, 375, 315);
    place(UpDown8, 5745, 300, 240, 315);
    AddCaption(this, QStringLiteral("penniä / minuutti"), 6105, 300);

    NameAmount(Text1, Text3, QStringLiteral("penniä / puhelu"));
    NameAmount(Text7, Text8, QStringLiteral("Kaikkina aikoina: penniä / minuutti"));

    place(Command1, 7560, 780, 1095, 315);
    MakeRoomForCaptions(this);
    setTabOrder(Text8, Command1);
    // The editor opens on its first amount, not on the Ok that comes before it in the chain.
    Text1->setFocus();

    connect(UpDown1, &UpDown::changed, this, &FrmTyyppi2::UpDown1_Change);
    connect(UpDown3, &UpDown::changed, this, &FrmTyyppi2::UpDown3_Change);
    connect(UpDown7, &UpDown::changed, this, &FrmTyyppi2::UpDown7_Change);
    connect(UpDown8, &UpDown::changed, this, &FrmTyyppi2::UpDown8_Change);

    // It has no amounts for other times: what type 1 put there stays in force.
    setAmounts({
        {Text1, UpDown1, Keys::Puhelu_1, Text3, UpDown3, Keys::Puhelu_2, &Form3::Puhelu},
        {Text7, UpDown7, Keys::Arkisin1_1, Text8, UpDown8, Keys::Arkisin1_2, &Form3::Arkisin1},
    });
}
