#pragma once

#include "common/Controls.h"
#include "common/Form.h"

class QListWidget;
class QTimer;

// The dialing status window: the attempt number, the redial countdown and the status lines; it
// redials when the countdown runs out.
class Form5 : public Form {
    Q_OBJECT
public:
    Form5();

    void Form_Unload() override;

    Label* Label1;
    Label* lblSoitto;
    Label* Label7;
    Label* lblOdotetaan;
    Label* Label2;
    Label* Label4;
    Label* Label3;
    CommandButton* Command1;
    QListWidget* List1;
    QTimer* Timer1;

    void Timer1_Timer();
    void lblOdotetaan_Change();
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
};
