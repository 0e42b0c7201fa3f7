#pragma once

#include "common/Controls.h"
#include "common/Form.h"

class DialUp;
class QComboBox;
class QFrame;

// The start-up window: the user picks a dial-up entry, types a user name and a password, and
// dials; it also opens the settings and the log viewer, and closing it ends the program.
class Form1 : public Form {
    Q_OBJECT
public:
    Form1();

    void Form_Load() override;
    void Form_QueryUnload() override;
    void Form_Unload() override;

    Label* Label1;
    QComboBox* Combo1;
    Label* Label2;
    TextBox* Text2;
    Label* Label3;
    TextBox* Text3;
    CommandButton* Command3;
    CommandButton* Command4;
    CommandButton* Command1;
    QFrame* Frame1;
    QFrame* Frame2;
    QLabel* Picture1;
    DialUp& mRAS1;

    void Combo1_Change();
    void Text2_Change();
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void mRAS1_Progress(int ConnectState);
    void mRAS1_Done();

protected:
    // Esc does not end the program.
    void reject() override {}
};
