#pragma once

#include "common/Controls.h"
#include "common/Form.h"

#include <QHash>

class ListView;
struct ListItem;

// The number of rows of the stored log: its rows end at the first key whose date is empty or
// missing, and rows stored after such a gap are never read.
qint32 LogLength(const QHash<QString, QString>& dates);
// The stored log as the viewer reads it, each item tagged with its key.
QList<ListItem> ReadLog(const QString& path);

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

    void Command1_Click();
    void Command2_Click();
    void ListView1_ColumnClick(int column);
};
