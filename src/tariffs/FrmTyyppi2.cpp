#include "FrmTyyppi2.h"

FrmTyyppi2::FrmTyyppi2()
    : Text1(new TextBox(QStringLiteral("0"), this)), Text3(new TextBox(QStringLiteral("0"), this)),
      Text7(new TextBox(QStringLiteral("0"), this)), Text8(new TextBox(QStringLiteral("0"), this)) {
    setWindowTitle(QStringLiteral("Hinnat [ Tyyppi 2 ]"));
    setClientSizeTwips(8835, 1155);
}
