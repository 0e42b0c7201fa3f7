#include "Form1.h"

#include "Globals.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "dialup/Form5.h"
#include "log/Form7.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/Form6.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"

#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLineEdit>

Form1::Form1()
    : Label1(new Label(QStringLiteral("Yhteys:"), this)), Combo1(new QComboBox(this)),
      Label2(new Label(QStringLiteral("Käyttäjä:"), this)), Text2(new TextBox({}, this)),
      Label3(new Label(QStringLiteral("Salasana:"), this)), Text3(new TextBox({}, this)),
      Command3(new CommandButton(QStringLiteral("&Asetukset"), this)),
      Command4(new CommandButton(QStringLiteral("&Päiväkirja"), this)),
      Command1(new CommandButton(QStringLiteral("&Ota Yhteys"), this)), Frame1(new QFrame(this)),
      Frame2(new QFrame(this)), Picture1(new QLabel(this)), mRAS1(platform().dialUp()) {
    setClientSizeTwips(5925, 2580);
    for (Label* label : {Label1, Label2, Label3})
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A screen reader names each field by the caption at its left. The entry box's text field,
    // where the focus is while the user types, would otherwise have no name.
    Label1->setBuddy(Combo1);
    Label2->setBuddy(Text2);
    Label3->setBuddy(Text3);
    place(Label1, 1080, 600, 525, 195);
    place(Combo1, 1680, 540, 2295, 315);
    place(Label2, 990, 1020, 615, 195);
    place(Text2, 1680, 960, 2295, 285);
    place(Label3, 900, 1380, 705, 195);
    place(Text3, 1680, 1320, 2295, 285);
    place(Command3, 4260, 540, 1395, 315);
    place(Command4, 4260, 900, 1395, 315);
    place(Command1, 4260, 2160, 1395, 315);
    place(Frame1, 1020, 180, 4755, 75);
    place(Frame2, 1020, 1860, 4755, 75);
    place(Picture1, 240, 240, 480, 480);
    for (QFrame* frame : {Frame1, Frame2})
        frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Picture1->setPixmap(windowIcon().pixmap(twips(480), twips(480)));

    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is the entry's name as typed: a completion would turn "koti" into "kotiyhteys",
    // which names no entry.
    Combo1->setCompleter(nullptr);
    Combo1->lineEdit()->setAccessibleName(Label1->text());
    Text3->setEchoMode(QLineEdit::Password);
    Text3->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    setTabOrder(Combo1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, Command4);

    connect(Text2, &TextBox::changed, this, &Form1::Text2_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(&mRAS1, &DialUp::Progress, this, &Form1::mRAS1_Progress);
    connect(&mRAS1, &DialUp::Done, this, &Form1::mRAS1_Done);
}

void Form1::Form_Load() {
    const Environment& environment = platform().environment();
    setWindowTitle(QStringLiteral("Orvalin %1.%2")
                       .arg(environment.versionMajor())
                       .arg(environment.versionMinor()));

    const int count = mRAS1.EntryCount();
    for (int i = 0; i < count; ++i)
        Combo1->addItem(mRAS1.EntryAt(i));
    // Filling selects the first entry on its own; nothing is chosen until the stored index is.
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
    connect(Combo1, &QComboBox::editTextChanged, this, &Form1::Combo1_Change);

    const QString stored = GetSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja2, {});
    // Only a whole number is an index: "1,5" is none, and selects the first entry.
    bool whole = false;
    const int index = stored.trimmed().toInt(&whole);
    if (whole && index == -1)
        Combo1->setCurrentIndex(-1);
    else if (whole && index >= 0 && index < Combo1->count())
        Combo1->setCurrentIndex(index);
    else
        Combo1->setCurrentIndex(Combo1->count() > 0 ? 0 : -1);

    FirstBlockCharged = false;
    PuheluMinuutit = 0;

    Text2->setText(GetSetting(Keys::App, Keys::Asetukset, Keys::Käyttäjä, {}));

    // The hidden windows are not needed to show this one.
    FormRegistry::instance().loadAfterShowing([] {
        const QString charge = GetSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja, {});
        if (!charge.isEmpty()) {
            form<Form3>().PalvelunTarjoaja->setText(charge);
            form<Form4>().Label12->setText(charge + PenniäMinuutissa);
        }
        form<FrmTyyppi1>();
        form<FrmTyyppi2>();
        form<Form4>();
        form<Form7>();
    });
}

void Form1::Combo1_Change() {
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja2,
                QString::number(Combo1->findText(Combo1->currentText(),
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive)));
}

void Form1::Text2_Change() {
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Käyttäjä, Text2->text());
}

void Form1::Command3_Click() {
    form<Form4>().showOwnedBy(this);
}

void Form1::Command4_Click() {
    form<Form7>().exec();
}

void Form1::Form_QueryUnload() {
    unload<Form1>();
    unload<Form2>();
    unload<Form3>();
    unload<Form4>();
    unload<Form5>();
    unload<Form6>();
    unload<Form7>();
}

void Form1::Form_Unload() {
    unload<Form1>();
    unload<Form2>();
    unload<Form22>();
    unload<Form3>();
    unload<Form4>();
    unload<Form5>();
    unload<Form6>();
    unload<Form7>();
    unload<FrmTyyppi1>();
    unload<FrmTyyppi2>();
}
