#pragma once

#include "common/Controls.h"
#include "common/Form.h"
#include "log/Statistics.h"

#include <QWidget>

class QTreeWidget;

// The cost of each of the last 24 months as bars, the current month marked.
class MonthChart : public QWidget {
    Q_OBJECT
public:
    explicit MonthChart(QWidget* parent = nullptr);
    // The months' costs in markka, oldest first, the current month last.
    void setMonths(const QList<MonthTotal>& months);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<MonthTotal> m_months;
};

// The statistics of the log viewer: the calls, their duration and price by month and year, this
// month at its pace, a chart of the last two years, and what the calls would have cost under the
// other tariff type. It reads the viewer's list and writes nothing.
class FrmTilastot : public Form {
    Q_OBJECT
public:
    FrmTilastot();

    void Form_Load() override;

    QTreeWidget* Taulukko;
    Label* Puuttuu;
    Label* TämäKuukausi;
    Label* Tahti;
    MonthChart* Kaavio;
    Label* Vertailu;
    CommandButton* Command1;

    void Command1_Click();
};
