#include "Form3.h"

#include "Form4.h"
#include "common/FormRegistry.h"

Form3::Form3()
    : Puhelu(new TextBox(QStringLiteral("0"), this)),
      Arkisin1(new TextBox(QStringLiteral("0"), this)),
      Arkisin2(new TextBox(QStringLiteral("0"), this)),
      Arkisin3(new TextBox(QStringLiteral("0"), this)),
      PalvelunTarjoaja(new TextBox(QStringLiteral("0"), this)) {
    setWindowTitle(QStringLiteral("Hinnat"));
    connect(PalvelunTarjoaja, &TextBox::changed, this, &Form3::PalvelunTarjoaja_Change);
}

void Form3::PalvelunTarjoaja_Change() {
    form<Form4>().Label12->setText(PalvelunTarjoaja->text() +
                                   QStringLiteral(" penniä / minuutti. "));
}
