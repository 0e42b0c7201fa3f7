#include "Form4.h"

#include "Form3.h"
#include "FrmTyyppi1.h"
#include "FrmTyyppi2.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "settings/SettingsStore.h"

Form4::Form4()
    : YhteydenHinta(new TextBox(QStringLiteral("0"), this)),
      HinnatYhteensä(new TextBox(QStringLiteral("0"), this)),
      KestoTuntia(new TextBox(QStringLiteral("0"), this)),
      KestoMinuuttia(new TextBox(QStringLiteral("0"), this)),
      YhteensäTuntia(new TextBox(QStringLiteral("0"), this)),
      YhteensäMinuuttia(new TextBox(QStringLiteral("0"), this)),
      txtOdotetaan(new TextBox(QStringLiteral("60"), this)), Combo1(new DropDownList(this)),
      Combo2(new DropDownList(this)),
      Label12(new Label(QStringLiteral("0 penniä / minuutti."), this)) {
    setWindowTitle(QStringLiteral("Asetukset"));
    setClientSizeTwips(5490, 6750);
    connect(Combo1, &DropDownList::click, this, &Form4::Combo1_Click);
    connect(Combo2, &DropDownList::click, this, &Form4::Combo2_Click);
}

void Form4::Form_Load() {
    const QStringList ports = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4")};
    Combo1->fill(ports);
    const qsizetype port = ports.indexOf(GetSetting(Keys::App, Keys::Asetukset, Keys::Portti, {}));
    Combo1->select(port >= 0 ? static_cast<int>(port) : 0);

    Combo2->fill({Keys::Tyyppi1, Keys::Tyyppi2});
    Combo2->select(GetSetting(Keys::App, Keys::Asetukset, Keys::Tyyppi, {}) == Keys::Tyyppi2 ? 1
                                                                                             : 0);
}

void Form4::Combo1_Click() {
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Portti, Combo1->currentText());
}

void Form4::Combo2_Click() {
    const QString type = Combo2->currentText();
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Tyyppi, type);
    const auto amount = [](const TextBox* whole, const TextBox* fraction) -> QString {
        return whole->text() + u',' + fraction->text();
    };
    Form3& tariff = form<Form3>();
    if (type == Keys::Tyyppi1) {
        FrmTyyppi1& editor = form<FrmTyyppi1>();
        tariff.Puhelu->setText(amount(editor.Text1, editor.Text3));
        tariff.Arkisin1->setText(amount(editor.Text7, editor.Text8));
        tariff.Arkisin2->setText(amount(editor.Text2, editor.Text4));
        tariff.Arkisin3->setText(amount(editor.Text5, editor.Text6));
    } else if (type == Keys::Tyyppi2) {
        FrmTyyppi2& editor = form<FrmTyyppi2>();
        tariff.Puhelu->setText(amount(editor.Text1, editor.Text3));
        tariff.Arkisin1->setText(amount(editor.Text7, editor.Text8));
    }
}
