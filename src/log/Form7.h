#pragma once

#include "common/Controls.h"
#include "common/Form.h"

class ListView;

// The log viewer: every metered call's date, duration and price, the number of calls and the
// total cost. Its list holds the log for the whole run and is written back when it unloads.
class Form7 : public Form {
    Q_OBJECT
public:
    Form7();

    void Form_Load() override;
    void Form_Unload() override;

    ListView* ListView1;
    Label* Label1;
    Label* Label2;
    Label* Label3;
    Label* Label4;
    CommandButton* Command1;
    // Saves the list, in its order, as a CSV file for a spreadsheet.
    CommandButton* Command2;
    // Opens the statistics of the list.
    CommandButton* Command3;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void ListView1_ColumnClick(int column);
};
