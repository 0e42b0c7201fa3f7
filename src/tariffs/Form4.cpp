#include "Form4.h"

#include "Form3.h"
#include "Form6.h"
#include "FrmTyyppi1.h"
#include "FrmTyyppi2.h"
#include "TariffFields.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QGroupBox>

namespace {

TextBox* NewLimit(QWidget* frame) {
    return new TextBox(QStringLiteral("0"), frame);
}

void Store(const QString& key, const TextBox* field) {
    SaveSetting(Keys::App, Keys::Asetukset, key, field->text());
}

} // namespace

Form4::Form4()
    : Frame1(new QGroupBox(QStringLiteral("Hälytykset"), this)), YhteydenHinta(NewLimit(Frame1)),
      UpDown1(new UpDown(0, 999, 0, Frame1)), HinnatYhteensä(NewLimit(Frame1)),
      UpDown2(new UpDown(0, 999, 0, Frame1)), KestoTuntia(NewLimit(Frame1)),
      UpDown3(new UpDown(0, 999, 0, Frame1)), KestoMinuuttia(NewLimit(Frame1)),
      UpDown4(new UpDown(0, 59, 0, Frame1)), YhteensäTuntia(NewLimit(Frame1)),
      UpDown5(new UpDown(0, 999, 0, Frame1)), YhteensäMinuuttia(NewLimit(Frame1)),
      UpDown6(new UpDown(0, 59, 0, Frame1)),
      Frame2(new QGroupBox(QStringLiteral("Palveluntarjoaja"), this)),
      Label12(new Label(QStringLiteral("0 penniä / minuutti."), Frame2)),
      Command4(new CommandButton(QStringLiteral("&Määritä hinta"), Frame2)),
      Combo1(new DropDownList(this)),
      Command2(new CommandButton(QStringLiteral("&NOLLAA LASKURIT"), this)),
      txtOdotetaan(new TextBox(QStringLiteral("60"), this)), UpDown8(new UpDown(1, 999, 60, this)),
      Combo2(new DropDownList(this)),
      Command3(new CommandButton(QStringLiteral("&Määritä hinnat"), this)),
      Command5(new CommandButton(QStringLiteral("&Näytä hinnat"), this)),
      Command1(new CommandButton(QStringLiteral("&Ok"), this)) {
    setWindowTitle(QStringLiteral("Asetukset"));
    setClientSizeTwips(5490, 6750);

    place(Frame1, 180, 240, 5115, 2475);
    const struct {
        const char* caption;
        TextBox* field;
        UpDown* spinner;
        const char* unit;
        TextBox* minutes;
        UpDown* minuteSpinner;
        int top;
    } limits[] = {
        {"Yhteyden hinta:", YhteydenHinta, UpDown1, "markkaa", nullptr, nullptr, 480},
        {"Hinnat yhteensä:", HinnatYhteensä, UpDown2, "markkaa", nullptr, nullptr, 840},
        {"Yhteyden kesto:", KestoTuntia, UpDown3, "tuntia", KestoMinuuttia, UpDown4, 1380},
        {"Kestot yhteensä:", YhteensäTuntia, UpDown5, "tuntia", YhteensäMinuuttia, UpDown6, 1800},
    };
    for (const auto& row : limits) {
        const QString caption = QString::fromUtf8(row.caption);
        place(row.field, 1620, row.top, 480, 315);
        AddCaptionBefore(row.field, caption);
        place(row.spinner, 2100, row.top, 240, 315);
        AddCaption(Frame1, QString::fromUtf8(row.unit), 2460, row.top);
        row.field->setAccessibleName(caption + u' ' + QString::fromUtf8(row.unit));
        if (row.minutes) {
            row.minutes->setAccessibleName(caption + QStringLiteral(" minuuttia"));
            place(row.minutes, 3060, row.top, 480, 315);
            place(row.minuteSpinner, 3540, row.top, 240, 315);
            AddCaption(Frame1, QStringLiteral("minuuttia"), 3900, row.top);
        }
    }

    place(Frame2, 180, 3000, 5115, 1515);
    AddCaption(Frame2, QStringLiteral("Palveluntarjoajan perimä maksu on:"), 360, 360);
    place(Label12, 360, 660, 4500, 315);
    place(Command4, 3480, 1020, 1455, 375);

    place(Combo1, 1020, 4920, 735, 315);
    AddCaptionBefore(Combo1, QStringLiteral("Com:"));
    // Wide enough for its caption on one line, and ending where the buttons below it end.
    place(Command2, 3660, 4800, 1695, 495);
    place(txtOdotetaan, 1020, 5340, 480, 315);
    AddCaptionBefore(txtOdotetaan, QStringLiteral("Odotetaan:"));
    place(UpDown8, 1500, 5340, 240, 315);
    AddCaption(this, QStringLiteral("sekuntia"), 1860, 5340);
    place(Combo2, 1020, 5760, 1455, 315);
    AddCaptionBefore(Combo2, QStringLiteral("Hinnat:"));
    place(Command3, 2580, 5760, 1335, 315);
    place(Command5, 4020, 5760, 1335, 315);
    place(Command1, 3960, 6360, 1335, 315);

    connect(Combo1, &DropDownList::click, this, &Form4::Combo1_Click);
    connect(Combo2, &DropDownList::click, this, &Form4::Combo2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(YhteydenHinta, &TextBox::changed, this, &Form4::YhteydenHinta_Change);
    connect(HinnatYhteensä, &TextBox::changed, this, &Form4::HinnatYhteensä_Change);
    connect(KestoTuntia, &TextBox::changed, this, &Form4::KestoTuntia_Change);
    connect(KestoMinuuttia, &TextBox::changed, this, &Form4::KestoMinuuttia_Change);
    connect(YhteensäTuntia, &TextBox::changed, this, &Form4::YhteensäTuntia_Change);
    connect(YhteensäMinuuttia, &TextBox::changed, this, &Form4::YhteensäMinuuttia_Change);
    connect(txtOdotetaan, &TextBox::changed, this, &Form4::txtOdotetaan_Change);
    connect(UpDown1, &UpDown::changed, this, &Form4::UpDown1_Change);
    connect(UpDown2, &UpDown::changed, this, &Form4::UpDown2_Change);
    connect(UpDown3, &UpDown::changed, this, &Form4::UpDown3_Change);
    connect(UpDown4, &UpDown::changed, this, &Form4::UpDown4_Change);
    connect(UpDown5, &UpDown::changed, this, &Form4::UpDown5_Change);
    connect(UpDown6, &UpDown::changed, this, &Form4::UpDown6_Change);
    connect(UpDown8, &UpDown::changed, this, &Form4::UpDown8_Change);
}

void Form4::Form_Load() {
    const auto stored = [](const QString& key) {
        return GetSetting(Keys::App, Keys::Asetukset, key, {});
    };

    const QStringList ports = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4")};
    Combo1->fill(ports);
    const qsizetype port = ports.indexOf(stored(Keys::Portti));
    Combo1->select(port >= 0 ? static_cast<int>(port) : 0);

    Combo2->fill({Keys::Tyyppi1, Keys::Tyyppi2});
    Combo2->select(stored(Keys::Tyyppi) == Keys::Tyyppi2 ? 1 : 0);

    LoadStoredValue(txtOdotetaan, UpDown8, stored(Keys::Odotetaan));
    LoadStoredValue(YhteydenHinta, UpDown1, stored(Keys::YhteensäHinta));
    LoadStoredValue(HinnatYhteensä, UpDown2, stored(Keys::HinnatYhteensä));
    LoadStoredValue(KestoTuntia, UpDown3, stored(Keys::KestoTuntia));
    LoadStoredValue(KestoMinuuttia, UpDown4, stored(Keys::KestoMinuuttia));
    LoadStoredValue(YhteensäTuntia, UpDown5, stored(Keys::KestotYhteensäTuntia));
    LoadStoredValue(YhteensäMinuuttia, UpDown6, stored(Keys::KestotYhteensäMinuuttia));
}

void Form4::Combo1_Click() {
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Portti, Combo1->currentText());
}

void Form4::Combo2_Click() {
    const QString type = Combo2->currentText();
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Tyyppi, type);
    if (type == Keys::Tyyppi1)
        form<FrmTyyppi1>().putInForce();
    else if (type == Keys::Tyyppi2)
        form<FrmTyyppi2>().putInForce();
}

void Form4::Command1_Click() {
    hide();
}

void Form4::Command2_Click() {
    const Message question{
        QStringLiteral("Haluatko varmasti nollata kaikki laskurit sekä päiväkirjan?"),
        Message::Icon::Critical, Message::Buttons::YesNo, Message::Answer::No};
    if (platform().messages().show(question) != Message::Answer::Yes)
        return;
    {
        const SettingsTransaction transaction;
        for (const QString& total : {Keys::Kustannukset1, Keys::Kustannukset2, Keys::Tunnit,
                                     Keys::Minuutit, Keys::Sekunnit})
            SaveSetting(Keys::App, Keys::Asetukset, total, {});
        for (const QString& log : {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta})
            SaveSetting(Keys::App, log, QStringLiteral("0"), {});
        for (const QString& log : Keys::CallRowSections)
            DeleteSetting(Keys::App, log);
    }
    // The viewer writes its list back when it unloads; emptied, it writes nothing.
    if (Form7* viewer = FormRegistry::instance().loaded<Form7>())
        viewer->ListView1->clear();
    unload<Form7>();
}

void Form4::Command3_Click() {
    const QString type = Combo2->currentText();
    if (type == Keys::Tyyppi1)
        form<FrmTyyppi1>().execOwnedBy(this);
    else if (type == Keys::Tyyppi2)
        form<FrmTyyppi2>().execOwnedBy(this);
}

void Form4::Command4_Click() {
    form<Form6>().execOwnedBy(this);
}

void Form4::Command5_Click() {
    const Form3& tariff = form<Form3>();
    const QString type = Combo2->currentText();
    const QString perCall =
        QStringLiteral("Puhelu = ") + tariff.Puhelu->text() + QStringLiteral(" penniä/puhelu");
    QStringList lines;
    if (type == Keys::Tyyppi1)
        lines = {perCall,
                 QStringLiteral("Arkisin 7-17 = ") + tariff.Arkisin1->text() +
                     QStringLiteral(" penniä/minuutti"),
                 QStringLiteral("Muina aikoina = ") + tariff.Arkisin2->text() +
                     QStringLiteral(" penniä/30 minuuttia"),
                 QStringLiteral("Ylimenevä aika = ") + tariff.Arkisin3->text() +
                     QStringLiteral(" penniä/minuutti")};
    else if (type == Keys::Tyyppi2)
        lines = {perCall, QStringLiteral("Kaikkina aikoina = ") + tariff.Arkisin1->text() +
                              QStringLiteral(" penniä/minuutti")};
    else
        return;
    platform().messages().show({lines.join(u'\n')});
}

void Form4::YhteydenHinta_Change() {
    Store(Keys::YhteensäHinta, YhteydenHinta);
}

void Form4::HinnatYhteensä_Change() {
    Store(Keys::HinnatYhteensä, HinnatYhteensä);
}

void Form4::KestoTuntia_Change() {
    Store(Keys::KestoTuntia, KestoTuntia);
}

void Form4::KestoMinuuttia_Change() {
    Store(Keys::KestoMinuuttia, KestoMinuuttia);
}

void Form4::YhteensäTuntia_Change() {
    Store(Keys::KestotYhteensäTuntia, YhteensäTuntia);
}

void Form4::YhteensäMinuuttia_Change() {
    Store(Keys::KestotYhteensäMinuuttia, YhteensäMinuuttia);
}

void Form4::txtOdotetaan_Change() {
    Store(Keys::Odotetaan, txtOdotetaan);
}
