#include "FrmTyyppi1.h"

FrmTyyppi1::FrmTyyppi1()
    : Text1(new TextBox(QStringLiteral("0"), this)), Text2(new TextBox(QStringLiteral("0"), this)),
      Text3(new TextBox(QStringLiteral("0"), this)), Text4(new TextBox(QStringLiteral("0"), this)),
      Text5(new TextBox(QStringLiteral("0"), this)), Text6(new TextBox(QStringLiteral("0"), this)),
      Text7(new TextBox(QStringLiteral("0"), this)), Text8(new TextBox(QStringLiteral("0"), this)) {
    setWindowTitle(QStringLiteral("Hinnat [ Tyyppi 1 ]"));
    setClientSizeTwips(8610, 1755);
}
