#include "Form5.h"

#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/NumberText.h"
#include "platform/Platform.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QTimer>

Form5::Form5()
    : Label1(new Label(QStringLiteral("Soitto:"), this)),
      lblSoitto(new Label(QStringLiteral("1"), this)),
      Label7(new Label(QStringLiteral("Odotetaan:"), this)), lblOdotetaan(new Label({}, this)),
      Label2(new Label(QStringLiteral("sekuntia"), this)),
      Label4(new Label(QStringLiteral("Tila:"), this)),
      Label3(new Label(QStringLiteral("-"), this)),
      Command1(new CommandButton(QStringLiteral("&Peruuta"), this)), List1(new QListWidget(this)),
      Timer1(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Soitetaan..."));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    // The status lines are the only sign of progress until the line turns out busy, so the
    // window grows by the list's height to show it under the button.
    setClientSizeTwips(3270, 3030);
    place(Label1, 540, 180, 495, 195);
    place(lblSoitto, 1140, 180, 135, 195);
    place(Label7, 240, 420, 795, 195);
    place(lblOdotetaan, 1245, 420, 60, 195);
    place(Label2, 1440, 420, 600, 195);
    place(Label4, 720, 660, 315, 195);
    place(Label3, 1140, 660, 45, 195);
    place(Command1, 960, 1080, 1395, 315);
    place(List1, 120, 1485, 3030, 1425);
    List1->setAccessibleName(QStringLiteral("Soiton vaiheet"));
    for (Label* label : {Label1, lblSoitto, Label7, lblOdotetaan, Label2, Label4, Label3})
        label->setAutoSize(true);

    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
    connect(lblOdotetaan, &Label::changed, this, &Form5::lblOdotetaan_Change);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
}

void Form5::Form_Unload() {
    // The window lives on until Qt deletes it; a tick meanwhile must not redial.
    Timer1->stop();
}

void Form5::Timer1_Timer() {
    lblOdotetaan->setText(NumberToText(NumberFromText(lblOdotetaan->text()) - 1));
}

void Form5::lblOdotetaan_Change() {
    if (lblOdotetaan->text() != u"0")
        return;
    lblOdotetaan->setText({});
    Timer1->stop();
    List1->clear();
    form<Form1>().mRAS1.Dial();
    lblSoitto->setText(NumberToText(NumberFromText(lblSoitto->text()) + 1));
}

void Form5::Command1_Click() {
    form<Form1>().mRAS1.HangUp();
    unload<Form5>();
    form<Form1>().show();
}

void Form5::closeEvent(QCloseEvent* event) {
    // Closing the window any other way would leave the call dialing with no window to show for
    // it, so the close box and Esc cancel the call as "&Peruuta" does.
    event->ignore();
    Command1_Click();
}
