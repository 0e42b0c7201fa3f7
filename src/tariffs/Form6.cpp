#include "Form6.h"

#include "Form3.h"
#include "Form4.h"
#include "TariffFields.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "settings/SettingsStore.h"

Form6::Form6()
    : Text1(new TextBox(QStringLiteral("0"), this)), UpDown1(new UpDown(0, 999, 0, this)),
      Label1(AddCaption(this, QStringLiteral("Penniä / Minuutti."), 1200, 300)),
      Command1(new CommandButton(QStringLiteral("&Ok"), this)) {
    setWindowTitle(QStringLiteral("Palveluntarjoajan perimä maksu"));
    setClientSizeTwips(4680, 870);
    place(Text1, 420, 300, 375, 315);
    Text1->setAccessibleName(windowTitle() + QStringLiteral(": penniä / minuutti"));
    place(UpDown1, 840, 300, 240, 315);
    place(Command1, 3360, 480, 1095, 315);

    connect(UpDown1, &UpDown::changed, this, &Form6::UpDown1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
}

void Form6::Form_Load() {
    LoadStoredValue(Text1, UpDown1,
                    GetSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja, {}));
}

void Form6::Command1_Click() {
    const QString charge = Text1->text();
    if (!IsWholePenniText(charge)) {
        RefuseTyped(Text1, QStringLiteral("Kirjoita maksuksi kokonaisluku väliltä 0–999."));
        return;
    }
    form<Form4>().Label12->setText(charge + PenniäMinuutissa);
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja, charge);
    form<Form3>().PalvelunTarjoaja->setText(charge);
    unload<Form6>();
}
