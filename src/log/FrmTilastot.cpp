#include "FrmTilastot.h"

#include "Form7.h"
#include "ListView.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "meter/Markka.h"
#include "platform/LinuxPlatform.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"

#include <QHeaderView>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Money(double markka) {
    return MarkkaText(markka * 100) + Markkaa;
}

QString MonthName(const QDate& month) {
    return FinnishMonth(month.month()) + u' ' + QString::number(month.year());
}

QTreeWidgetItem* Row(QTreeWidget* table, const QString& name, const MonthTotal& total) {
    auto* row = new QTreeWidgetItem(table, {name, QString::number(total.calls),
                                            DurationText(total.seconds), Money(total.markka)});
    for (int column = 1; column < 4; ++column)
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

void Add(MonthTotal& sum, const MonthTotal& month) {
    sum.calls += month.calls;
    sum.seconds += month.seconds;
    sum.markka += month.markka;
}

// "type 1: X markkaa, type 2: Y markkaa; type N is Z markkaa cheaper".
QString Comparison(const QString& period, const TariffComparison& c) {
    const double difference = std::abs(c.type1 - c.type2) / 100;
    const QString cheaper = c.type1 == c.type2 ? QStringLiteral("kumpikin maksaa saman")
                                               : QStringLiteral("tyyppi %1 on %2 halvempi")
                                                     .arg(c.type1 < c.type2 ? 1 : 2)
                                                     .arg(Money(difference));
    return QStringLiteral("%1, %2 yhteyttä: tyyppi 1: %3, tyyppi 2: %4; %5.")
        .arg(period)
        .arg(c.calls)
        .arg(Money(c.type1 / 100), Money(c.type2 / 100), cheaper);
}

} // namespace

MonthChart::MonthChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Hinnat kuukausittain, 24 kuukautta"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MonthChart::setMonths(const QList<MonthTotal>& months) {
    m_months = months;
    const auto highest = std::max_element(
        m_months.begin(), m_months.end(),
        [](const MonthTotal& a, const MonthTotal& b) { return a.markka < b.markka; });
    setAccessibleDescription(highest == m_months.end() || highest->markka == 0
                                 ? QStringLiteral("Ei yhteyksiä näinä kuukausina.")
                                 : QStringLiteral("Kallein kuukausi: %1, %2.")
                                       .arg(MonthName(highest->month), Money(highest->markka)));
    update();
}

QSize MonthChart::sizeHint() const {
    const int line = fontMetrics().height();
    return {line * 30, line * 7};
}

// Each bar in proportion to the highest month; under each its month's number, and under each
// January its year. The current month is the last bar, drawn darker.
void MonthChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const QRect area = rect().adjusted(line / 2, line, -line / 2, -2 * line - line / 2);
    double highest = 0;
    for (const MonthTotal& month : m_months)
        highest = std::max(highest, month.markka);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    if (highest > 0)
        painter.drawText(QRect(area.left(), 0, area.width(), line), Qt::AlignLeft, Money(highest));
    const double width = double(area.width()) / std::max<qsizetype>(m_months.size(), 1);
    for (qsizetype i = 0; i < m_months.size(); ++i) {
        const MonthTotal& month = m_months[i];
        const bool current = i == m_months.size() - 1;
        const int left = area.left() + qRound(i * width);
        const int right = area.left() + qRound((i + 1) * width);
        const int height = highest > 0 ? qRound(area.height() * month.markka / highest) : 0;
        const QRect bar(left + 1, area.bottom() - height, right - left - 2, height);
        painter.fillRect(bar, current ? palette().color(QPalette::Highlight)
                                      : palette().color(QPalette::Mid));
        const QRect label(left, area.bottom() + 2, right - left, line);
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(month.month.month()));
        if (month.month.month() == 1 || i == 0)
            painter.drawText(QPoint(left + 1, label.bottom() + metrics.ascent()),
                             QString::number(month.month.year()));
    }
}

FrmTilastot::FrmTilastot()
    : Taulukko(new QTreeWidget(this)), Puuttuu(new Label({}, this)),
      TämäKuukausi(new Label({}, this)), Tahti(new Label({}, this)), Kaavio(new MonthChart(this)),
      Vertailu(new Label({}, this)), Command1(new CommandButton(QStringLiteral("&Sulje"), this)) {
    setWindowTitle(QStringLiteral("Tilastot"));
    Taulukko->setHeaderLabels({QStringLiteral("Kuukausi"), QStringLiteral("Yhteyksiä"),
                               QStringLiteral("Kesto"), QStringLiteral("Hinta")});
    Taulukko->setRootIsDecorated(false);
    Taulukko->setAccessibleName(QStringLiteral("Yhteydet kuukausittain"));
    Taulukko->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Half a year of months in view, whatever the font's size, and the window within a screen.
    Taulukko->setMinimumHeight(fontMetrics().height() * 10);
    Vertailu->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* control :
         std::initializer_list<QWidget*>{Taulukko, Puuttuu, TämäKuukausi, Tahti, Kaavio, Vertailu})
        layout->addWidget(control);
    layout->addWidget(Command1, 0, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, &FrmTilastot::Command1_Click);
}

void FrmTilastot::Form_Load() {
    const ListView* list = form<Form7>().ListView1;
    QList<LogRow> rows;
    rows.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        rows.append(
            LogRow{{list->text(i, 0), list->text(i, 1), list->text(i, 2)}, i, list->began(i)});
    const LogStatistics statistics = SummariseLog(rows);

    MonthTotal all;
    for (qsizetype i = 0; i < statistics.months.size(); ++i) {
        const MonthTotal& month = statistics.months[i];
        Row(Taulukko, MonthName(month.month), month);
        Add(all, month);
        const bool yearEnds = i + 1 == statistics.months.size() ||
                              statistics.months[i + 1].month.year() != month.month.year();
        if (yearEnds) {
            MonthTotal year;
            for (const MonthTotal& other : statistics.months)
                if (other.month.year() == month.month.year())
                    Add(year, other);
            QFont bold = Taulukko->font();
            bold.setBold(true);
            QTreeWidgetItem* row =
                Row(Taulukko, QStringLiteral("vuosi %1").arg(month.month.year()), year);
            for (int column = 0; column < 4; ++column)
                row->setFont(column, bold);
        }
    }
    if (statistics.unknownDate.calls > 0) {
        Row(Taulukko, QStringLiteral("päivä tuntematon"), statistics.unknownDate);
        Add(all, statistics.unknownDate);
    }
    Row(Taulukko, QStringLiteral("yhteensä"), all);
    Puuttuu->setText(statistics.withoutPrice > 0
                         ? QStringLiteral("hinta puuttuu: %1 riviä").arg(statistics.withoutPrice)
                         : QString());
    Puuttuu->setVisible(statistics.withoutPrice > 0);

    const QDate today = platform().calendar().now().date();
    const QDate thisMonth(today.year(), today.month(), 1);
    QList<MonthTotal> lastTwoYears;
    for (int back = 23; back >= 0; --back) {
        MonthTotal month{thisMonth.addMonths(-back), 0, 0, 0};
        for (const MonthTotal& logged : statistics.months)
            if (logged.month == month.month)
                month = logged;
        lastTwoYears << month;
    }
    const double soFar = lastTwoYears.last().markka;
    TämäKuukausi->setText(QStringLiteral("Tämä kuukausi tähän mennessä: %1").arg(Money(soFar)));
    Tahti->setText(
        QStringLiteral("Samaa tahtia koko kuukausi: %1").arg(Money(CostAtThisPace(soFar, today))));
    Kaavio->setMonths(lastTwoYears);

    // The tariffs as their editors hold them from the store, whichever type is in force.
    const FrmTyyppi1& type1 = form<FrmTyyppi1>();
    const FrmTyyppi2& type2 = form<FrmTyyppi2>();
    const Tariffs tariffs{
        type1.amount(&Form3::Puhelu),
        {type1.amount(&Form3::Arkisin1), type1.amount(&Form3::Arkisin2),
         type1.amount(&Form3::Arkisin3),
         NumberFromText(GetSetting(Keys::App, Keys::Asetukset, Keys::Palveluntarjoaja, {}))},
        type2.amount(&Form3::Puhelu),
        type2.amount(&Form3::Arkisin1)};
    const QDate lastMonth = thisMonth.addMonths(-1);
    const TariffComparison month = CompareTariffs(rows, lastMonth, lastMonth, tariffs);
    const TariffComparison year =
        CompareTariffs(rows, thisMonth.addMonths(-12), lastMonth, tariffs);
    QStringList said{
        QStringLiteral("Toisella hinnoittelutyypillä:"),
        Comparison(QStringLiteral("Edellinen kuukausi (%1)").arg(MonthName(lastMonth)), month),
        Comparison(QStringLiteral("Edelliset 12 kuukautta (%1 – %2)")
                       .arg(MonthName(thisMonth.addMonths(-12)), MonthName(lastMonth)),
                   year)};
    if (year.leftOut > 0)
        said << QStringLiteral("Vertailusta on jätetty pois %1 yhteyttä, joiden alkuhetkeä ei "
                               "ole tallennettu.")
                    .arg(year.leftOut);
    Vertailu->setText(said.join(u'\n'));
}

void FrmTilastot::Command1_Click() {
    unload<FrmTilastot>();
}
