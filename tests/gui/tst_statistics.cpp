#include "WindowTest.h"

Q_DECLARE_METATYPE(LogRow)

namespace {

LogRow call(const QString& date, const QString& duration, const QString& price,
            const QString& began = {}) {
    return {{date, duration, price}, -1, began};
}

} // namespace

// The log viewer's statistics: the months and years of the log, this month's pace and what the
// calls would have cost under the other tariff type, with "today" 8 December 2026.
class StatisticsTest : public WindowTest {
    Q_OBJECT
private:
    // Stores the log as the meter leaves it, then opens the statistics on the viewer's list.
    FrmTilastot& openOn(const QList<LogRow>& log) {
        for (qsizetype i = 0; i < log.size(); ++i)
            for (int c = 0; c < 4; ++c)
                store(Keys::CallRowSections[c], QString::number(i),
                      c < 3 ? log[i].texts[c] : log[i].began);
        return form<FrmTilastot>();
    }

private slots:
    // Rows of "month|calls|duration|price", ";"-separated, a year's subtotal after its months, the
    // grand total last, and the note on rows without a price.
    void showsTheMonthsInTimeOrderWithTheirYears_data() {
        QTest::addColumn<QList<LogRow>>("log");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("note");
        QTest::newRow("months out of order, a year change")
            << QList<LogRow>{call(u"3. tammikuuta 2026"_s, u"00:10:00"_s, u"1 markkaa"_s),
                             call(u"30. joulukuuta 2025"_s, u"01:00:00"_s, u"2,5 markkaa"_s),
                             call(u"1. tammikuuta 2026"_s, u"00:00:30"_s, u"0,25 markkaa"_s)}
            << u"joulukuu 2025|1|01:00:00|2,5 markkaa;vuosi 2025|1|01:00:00|2,5 markkaa;"
               u"tammikuu 2026|2|00:10:30|1,25 markkaa;vuosi 2026|2|00:10:30|1,25 markkaa;"
               u"yhteensä|3|01:10:30|3,75 markkaa"_s
            << QString();
        QTest::newRow("an unreadable date, an empty price")
            << QList<LogRow>{call(u"12/05/2001"_s, u"00:10:00"_s, u"1 markkaa"_s),
                             call(u"5. maaliskuuta 2025"_s, u"00:05:00"_s, QString())}
            << u"maaliskuu 2025|1|00:05:00|0 markkaa;vuosi 2025|1|00:05:00|0 markkaa;"
               u"päivä tuntematon|1|00:10:00|1 markkaa;yhteensä|2|00:15:00|1 markkaa"_s
            << u"hinta puuttuu: 1 riviä"_s;
        QTest::newRow("a total above 1 000 markkaa, hours beyond 99")
            << QList<LogRow>{call(u"1. toukokuuta 2026"_s, u"99:00:00"_s, u"999,99 markkaa"_s),
                             call(u"2. toukokuuta 2026"_s, u"02:00:00"_s, u"0,02 markkaa"_s)}
            << u"toukokuu 2026|2|101:00:00|1000,01 markkaa;"
               u"vuosi 2026|2|101:00:00|1000,01 markkaa;yhteensä|2|101:00:00|1000,01 markkaa"_s
            << QString();
    }
    void showsTheMonthsInTimeOrderWithTheirYears() {
        QFETCH(QList<LogRow>, log);
        const FrmTilastot& window = openOn(log);
        const QTreeWidget* shown = window.Taulukko;
        const auto cell = [&](int i, int c) { return shown->topLevelItem(i)->text(c); };
        QTEST(table(shown->topLevelItemCount(), cell, 4), "table");
        QTEST(window.Puuttuu->text(), "note");
    }

    // This month at its pace over 8 of its 31 days; the chart's last bar is this month, and a
    // screen reader hears its highest month. A type-1 call of a weekday evening would have cost
    // less under type 2, and the calls without a start moment are named as left out.
    void showsThePaceTheChartAndTheOtherType() {
        store(Keys::Tyyppi1, u"Arkisin2 1"_s, u"300"_s);
        store(Keys::Tyyppi2, u"Arkisin1 1"_s, u"10"_s);
        store(Keys::Asetukset, Keys::Palveluntarjoaja, u"5"_s);
        const FrmTilastot& window =
            openOn({call(u"2. joulukuuta 2026"_s, u"00:01:00"_s, u"4 markkaa"_s),
                    call(u"3. marraskuuta 2026"_s, u"00:02:00"_s, u"3,1 markkaa"_s,
                         u"2026-11-03T20:00:00+02:00"_s),
                    call(u"4. marraskuuta 2026"_s, u"00:02:00"_s, u"3,1 markkaa"_s),
                    call(u"5. lokakuuta 2025"_s, u"00:02:00"_s, u"1 markkaa"_s)});
        QCOMPARE(window.TämäKuukausi->text() + u'|' + window.Tahti->text(),
                 u"Tämä kuukausi tähän mennessä: 4 markkaa|Samaa tahtia koko kuukausi: 15,5 "
                 u"markkaa"_s);
        QCOMPARE(window.Kaavio->accessibleDescription(),
                 u"Kallein kuukausi: marraskuu 2026, 6,2 markkaa."_s);
        const QString compared = window.Vertailu->text();
        for (const QString& said :
             {u"Edellinen kuukausi (marraskuu 2026), 1 yhteyttä: tyyppi 1: 3,1 markkaa, tyyppi 2: "
              u"0,3 markkaa; tyyppi 2 on 2,8 markkaa halvempi."_s,
              u"(joulukuu 2025 – marraskuu 2026), 1 yhteyttä"_s,
              u"pois 1 yhteyttä, joiden alkuhetkeä"_s})
            QVERIFY2(compared.contains(said), qPrintable(compared));
    }

    // "T&ilastot..." after "&Tallenna..." in the tab order; Esc leaves nothing of the window
    // loaded. (Qt's test keys reach no mnemonic here; the real keyboard's Alt+I does.)
    void theButtonOpensItAndEscClosesIt() {
        const Form7& viewer = form<Form7>();
        QCOMPARE(viewer.Command3->shortcut(), QKeySequence(u"Alt+I"_s));
        QCOMPARE(viewer.Command2->nextInFocusChain(), viewer.Command3);
        bool opened = false;
        clickOpeningModal(viewer.Command3, [&](QWidget* window) {
            opened = qobject_cast<FrmTilastot*>(window) && window->windowTitle() == u"Tilastot";
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QVERIFY(opened);
        QVERIFY(!FormRegistry::instance().isLoaded(u"FrmTilastot"_s));
    }
};

ORVALIN_TEST_MAIN(StatisticsTest)
#include "tst_statistics.moc"
