#include "MeterTest.h"
#include "app/Globals.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <limits>

using namespace Qt::StringLiterals;

// The meters of both tariff types: the window, the clock, the cost, the end of the call and the
// close.
class MeterWindowTest : public MeterTest {
    Q_OBJECT
private:
    static constexpr int Kept = std::numeric_limits<int>::min();

    // The Tuesday 10.00 call: 50 penni a call, 20 a minute in the day, 5 to the provider.
    static CallSetup tuesdayCall() {
        return {.puhelu = u"50"_s,
                .arkisin1 = u"20"_s,
                .arkisin2 = u"300"_s,
                .arkisin3 = u"12,5"_s,
                .provider = u"5"_s};
    }
    // Type 2 charges neither of the amounts of other times type 1 left in force.
    static CallSetup type2Call() {
        return {.type = u"Tyyppi 2"_s,
                .puhelu = u"50"_s,
                .arkisin1 = u"12,5"_s,
                .arkisin2 = u"300"_s,
                .arkisin3 = u"99"_s,
                .provider = u"5"_s};
    }

    void setClock(const QString& weekday, const QString& hour) {
        platform().clock.weekdayText = weekday;
        platform().clock.hourText = hour;
    }

private slots:
    void opensAsASmallMeterAboveOtherWindows() {
        Form2& meter = static_cast<Form2&>(openMeterOn());
        QCOMPARE(meter.windowTitle(), u"Orvalin"_s);
        QVERIFY(meter.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(meter.windowFlags() & Qt::WindowMaximizeButtonHint));
        // 15 twips to the pixel on the 96-dpi test screen.
        QCOMPARE(meter.size(), QSize(262, 36));
        QCOMPARE(meter.minimumSize(), meter.maximumSize());
        QCOMPARE(meter.geometry().topLeft(), QPoint(365, 366));
        QCOMPARE(meter.font().family(), u"Arial"_s);
        QCOMPARE(meter.font().pointSizeF(), 8.25);

        const QList<std::tuple<Label*, QString, QRect>> captions = {
            {meter.Label2, u"Kesto:"_s, QRect(26, 4, 31, 14)},
            {meter.Label5, u"Hinta:"_s, QRect(158, 4, 27, 14)},
            {meter.Label3, u"Yhteensä:"_s, QRect(7, 20, 50, 14)},
            {meter.Label7, u"Yhteensä:"_s, QRect(135, 20, 50, 14)}};
        for (const auto& [label, text, place] : captions) {
            QCOMPARE(label->text(), text);
            // A caption wider than its place grows to the left: it still ends at its place.
            QCOMPARE(label->geometry().topRight(), place.topRight());
            QCOMPARE(label->height(), place.height());
            QVERIFY(label->width() >= std::max(place.width(), label->sizeHint().width()));
            QVERIFY(label->alignment() & Qt::AlignRight);
            QCOMPARE(textColour(label), QColor(Qt::black));
        }
        const QList<std::tuple<Label*, QString, QPoint>> values = {
            {meter.Kesto, u"00:00:00"_s, QPoint(60, 4)},
            {meter.Kustannukset, u"0 markkaa"_s, QPoint(188, 4)},
            {meter.Yhteensä, u"00:00:00"_s, QPoint(60, 20)},
            {meter.KustannuksetYhteensä, u"0 markkaa"_s, QPoint(188, 20)}};
        for (const auto& [label, text, place] : values) {
            QCOMPARE(label->text(), text);
            QCOMPARE(label->pos(), place);
            QVERIFY(label->isVisible());
            QVERIFY(label->width() >= label->sizeHint().width());
        }
        for (Label* field : {meter.KestoTunnit, meter.KestoSekunnit, meter.YhteensäMinuutit1,
                             meter.KustannuksetPenniä, meter.Kustannukset1, meter.Kustannukset2})
            QVERIFY(!field->isVisible());
        for (const auto& [timer, interval] : {std::pair{meter.Timer1, 1000},
                                              {meter.Timer2, 1000},
                                              {meter.Timer3, 1000},
                                              {meter.Timer4, 1000},
                                              {meter.Timer7, 50}})
            QCOMPARE(timer->interval(), interval);
        QCOMPARE(raised(meter), QString());
        QVERIFY(meter.Timer5->isActive());
        QCOMPARE(platform().alarm().patterns.value(1), u"??:??:??"_s);
        QVERIFY(isLoaded("Form7"));
        QVERIFY(!form<Form7>().isVisible());
    }

    void carriesIntoTheNextUnit_data() {
        textColumns({"before", "shown", "counters"});
        QTest::newRow("a minute") << u"00:00:59"_s << u"00:01:00"_s << u"00:1:00"_s;
        QTest::newRow("an hour") << u"00:59:59"_s << u"01:00:00"_s << u"1:00:00"_s;
        QTest::newRow("ten hours") << u"9:59:59"_s << u"10:00:00"_s << u"10:00:00"_s;
        QTest::newRow("a hundred hours") << u"99:59:59"_s << u"100:00:00"_s << u"100:00:00"_s;
        QTest::newRow("the end of the count") << u"999:59:59"_s << u"00:00:00"_s << u"00:00:00"_s;
    }
    void carriesIntoTheNextUnit() {
        QFETCH(QString, shown);
        MeterWindow& meter = openMeterOn();
        const QStringList start = cell("before").split(u':');
        setDuration(meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit, start);
        setDuration(meter.YhteensäTunnit, meter.YhteensäMinuutit, meter.YhteensäSekunnit, start);
        tick();
        QCOMPARE(meter.Kesto->text(), shown);
        QCOMPARE(meter.Yhteensä->text(), shown);
        for (const auto& [h, m, s] :
             {std::tuple{meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit},
              {meter.YhteensäTunnit, meter.YhteensäMinuutit, meter.YhteensäSekunnit}})
            QCOMPARE(h->text() + u':' + m->text() + u':' + s->text(), cell("counters"));
        tick();
        QCOMPARE(meter.Kesto->text().right(3), u":01"_s);
    }

    // Saturday, so that no call is charged at the opening.
    void restoresTheTotalsAsStored_data() {
        textColumns(
            {"duration", "atOpen", "afterATick", "penni", "markka", "shownCost", "penniAfterOpen"});
        QTest::newRow("two-digit texts, one decimal")
            << u"05:07:09"_s << u"05:07:09"_s << u"05:07:10"_s << u"1230"_s << u"12,3"_s
            << u"12,3 markkaa"_s << u"1230"_s;
        QTest::newRow("a minute carry, whole markka")
            << u"12:59:59"_s << u"12:59:59"_s << u"13:00:00"_s << u"1200"_s << u"12"_s
            << u"12 markkaa"_s << u"1200"_s;
        QTest::newRow("three-digit hours, five penni")
            << u"123:00:00"_s << u"123:00:00"_s << u"123:00:01"_s << u"5"_s << u"0,05"_s
            << u"0,05 markkaa"_s << u"5"_s;
        QTest::newRow("seconds past the carry, tenths of penni")
            << u"00:00:75"_s << u"00:00:75"_s << u"00:00:76"_s << u"1234,5"_s << u"12,34"_s
            << u"12,34 markkaa"_s << u"1234,5"_s;
        QTest::newRow("a cost wider than its place")
            << u"00:00:00"_s << u"00:00:00"_s << u"00:00:01"_s << u"123456"_s << u"1234,56"_s
            << u"1234,56 markkaa"_s << u"123456"_s;
        QTest::newRow("a reset store") << u"::"_s << u"00:00:00"_s << u"00:00:01"_s << u""_s
                                       << u""_s << u"0 markkaa"_s << u"0"_s;
        QTest::newRow("texts that are no numbers are ignored")
            << u"viisi:-3:1,5"_s << u"00:00:00"_s << u"00:00:01"_s << u"paljon"_s << u"x"_s
            << u"0 markkaa"_s << u"0"_s;
    }
    void restoresTheTotalsAsStored() {
        storeTotal(cell("duration"));
        store(Keys::Asetukset, Keys::Kustannukset1, cell("penni"));
        store(Keys::Asetukset, Keys::Kustannukset2, cell("markka"));
        setClock(u"lauantai"_s, u"10"_s);
        MeterWindow& meter = openMeterOn();
        QCOMPARE(meter.Yhteensä->text(), cell("atOpen"));
        QCOMPARE(meter.KustannuksetYhteensä->text(), cell("shownCost"));
        // The whole text shows, however long the price grows.
        QVERIFY(meter.KustannuksetYhteensä->width() >=
                meter.KustannuksetYhteensä->sizeHint().width());
        QVERIFY(meter.KustannuksetYhteensä->geometry().right() < meter.width());
        QCOMPARE(meter.Kustannukset1->text(), cell("penniAfterOpen"));
        QCOMPARE(meter.Kustannukset->text(), u"0 markkaa"_s);
        tick();
        QCOMPARE(meter.Yhteensä->text(), cell("afterATick"));
        QCOMPARE(meter.Kesto->text(), u"00:00:01"_s);
    }

    // The steps are "N=penni", N ticks and then the call's cost in penni, or "@weekday/hour",
    // the clock moving on. The total goes up by as much as the call.
    void chargesTheCallAndEveryBegunMinute_data() {
        QTest::addColumn<CallSetup>("setup");
        textColumns({"start", "total", "steps", "markka"});
        QTest::addColumn<int>("unknownDays");
        const CallSetup t1 = tuesdayCall();
        const CallSetup t2 = type2Call();
        QTest::newRow("Tuesday day rate") << t1 << u"tiistai/10"_s << u""_s
                                          << u"0=50 1=75 58=75 1=75 1=100"_s << u"1 markkaa"_s << 0;
        // The per-call charge is made in the day on weekdays only, and added to the total.
        QTest::newRow("Monday 07.00")
            << t1 << u"maanantai/07"_s << u"1000"_s << u"0=50"_s << u""_s << 0;
        QTest::newRow("Friday 17.00")
            << t1 << u"perjantai/17"_s << u"1000"_s << u"0=0"_s << u""_s << 0;
        // The block, then the provider alone, then the later rate; past midnight the call is
        // still in its block.
        QTest::newRow("Saturday night")
            << t1 << u"lauantai/23"_s << u""_s
            << u"0=0 1=305 60=310 @sunnuntai/00 1680=450 60=467,5"_s << u"4,67 markkaa"_s << 0;
        // Back in the day the day rate applies, and the block is never charged twice.
        QTest::newRow("the block counts from the start of the call")
            << t1 << u"tiistai/16"_s << u""_s
            << u"2940=1275 @tiistai/17 1=1580 60=1597,5 @keskiviikko/07 60=1622,5 "
               u"@keskiviikko/17 60=1640"_s
            << u"16,4 markkaa"_s << 0;
        QTest::newRow("tariff fields that are no numbers charge nothing for themselves")
            << CallSetup{.puhelu = u"viisikymmentä"_s, .arkisin1 = u"20 p"_s, .provider = u"5"_s}
            << u"tiistai/10"_s << u""_s << u"0=0 1=5"_s << u"0,05 markkaa"_s << 0;
        // A weekday the program cannot name stops every charge, and says so at every one.
        QTest::newRow("a weekday in another language")
            << t1 << u"Tuesday/10"_s << u""_s << u"0=0 1=0 60=0"_s << u"0 markkaa"_s << 3;
        QTest::newRow("type 2, Saturday night")
            << t2 << u"lauantai/23"_s << u""_s << u"0=50 1=67,5 60=85 @sunnuntai/00 1740=592,5"_s
            << u"5,92 markkaa"_s << 0;
        QTest::newRow("type 2, tenths of penni add up")
            << CallSetup{.type = u"Tyyppi 2"_s, .puhelu = u"0,0"_s, .arkisin1 = u"12,5"_s}
            << u"tiistai/10"_s << u""_s << u"0=0 1=12,5 60=25"_s << u"0,25 markkaa"_s << 0;
        QTest::newRow("type 2, an English weekday")
            << t2 << u"Saturday/10"_s << u"1000"_s << u"0=50 61=85"_s << u""_s << 0;
        QTest::newRow("type 2, a Swedish weekday")
            << t2 << u"lördag/10"_s << u""_s << u"61=85"_s << u"0,85 markkaa"_s << 0;
        QTest::newRow("type 2, no weekday")
            << t2 << u"/10"_s << u""_s << u"61=85"_s << u"0,85 markkaa"_s << 0;
    }
    void chargesTheCallAndEveryBegunMinute() {
        QFETCH(QString, start);
        QFETCH(QString, total);
        QFETCH(QString, markka);
        QFETCH(int, unknownDays);
        store(Keys::Asetukset, Keys::Kustannukset1, total);
        setClock(start.section(u'/', 0, 0), start.section(u'/', 1));
        MeterWindow& meter = openMeterOn(cell<CallSetup>("setup"));
        for (const QString& step : cell("steps").split(u' ')) {
            if (step.startsWith(u'@')) {
                setClock(step.mid(1).section(u'/', 0, 0), step.section(u'/', 1));
                continue;
            }
            tick(step.section(u'=', 0, 0).toInt());
            const QString penni = step.section(u'=', 1);
            QCOMPARE(meter.KustannuksetPenniä->text(), penni);
            QCOMPARE(meter.Kustannukset1->text(),
                     NumberToText(NumberFromText(total) + NumberFromText(penni)));
        }
        if (!markka.isEmpty()) {
            QCOMPARE(meter.Kustannukset->text(), markka);
            QCOMPARE(meter.KustannuksetYhteensä->text(), markka);
        }
        QCOMPARE(platform().messageBoxes.texts(), QStringList(unknownDays, u"!!!"_s));
        if (unknownDays > 0) {
            QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Critical);
            QVERIFY(meter.isVisible());
        }
    }

    void anotherAlarmNumberOnlyLetsPendingEventsRun() {
        MeterWindow& meter = openMeterOn();
        bool ran = false;
        QTimer::singleShot(0, &meter, [&ran] { ran = true; });
        platform().alarm().fire(2);
        QVERIFY(ran);
        QCOMPARE(meter.Kesto->text() + meter.Yhteensä->text(), u"00:00:0000:00:00"_s);
        QCOMPARE(PuheluMinuutit, 0);
        ran = false;
        QTimer::singleShot(0, &meter, [&ran] { ran = true; });
        tick();
        QVERIFY(ran);
    }

    void restoresThePositionWithinTheScreen_data() {
        textColumns({"top", "left"});
        // Kept where the window keeps its design place.
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("x");
        QTest::newRow("top beyond the screen, left negative")
            << u"100000"_s << u"-300"_s << Kept << -20;
        QTest::newRow("both on the screen") << u"1500"_s << u"3000"_s << 100 << 200;
        QTest::newRow("at the screen's edge") << u"11520"_s << u"15360"_s << Kept << Kept;
        QTest::newRow("just inside the edge") << u"11505"_s << u"15345"_s << 767 << 1023;
        QTest::newRow("tenths of a twip") << u"1500,5"_s << u"29,9"_s << 100 << 2;
        QTest::newRow("nothing stored") << u""_s << u""_s << Kept << Kept;
        QTest::newRow("no numbers") << u"ylhäällä"_s << u"1e3"_s << Kept << Kept;
    }
    void restoresThePositionWithinTheScreen() {
        QFETCH(int, y);
        QFETCH(int, x);
        store(Keys::Asetukset, Keys::Top, cell("top"));
        store(Keys::Asetukset, Keys::Left, cell("left"));
        MeterWindow& meter = openMeterOn();
        const QPoint design = meter.pos();
        meter.Timer7_Timer();
        QVERIFY(!meter.Timer7->isActive());
        QCOMPARE(meter.pos(), QPoint(x == Kept ? design.x() : x, y == Kept ? design.y() : y));
    }

    void theProbeEndsTheCallOnlyWhenThePortOpens() {
        MeterWindow& meter = openMeterOn();
        platform().ports.calls.clear();
        meter.Timer5_Timer();
        platform().ports.refuseSetPort = true;
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls, (QStringList{u"setPort 1"_s, u"open"_s, u"setPort 1"_s}));
        QVERIFY(isLoaded("Form2"));
        QVERIFY(platform().messageBoxes.shown.isEmpty());

        // The port is read from the settings at every probe.
        platform().ports.refuseSetPort = false;
        platform().ports.calls.clear();
        form<Form4>().Combo1->select(2);
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls, (QStringList{u"setPort 3"_s, u"open"_s, u"close"_s}));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    // The probe wakes nobody itself: it runs with the clock's tick, after the tick's own work.
    void aPortTheCallDoesNotUseEndsTheMeterAtTheFirstTick() {
        startProgram();
        platform().ports.busy = {2};
        openMeter<Form2>();
        QTest::qWait(1200);
        QVERIFY(isLoaded("Form2"));
        QVERIFY(platform().ports.calls.isEmpty());
        tick();
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{summary(u"00:00:01"_s, u"0 markkaa"_s)});
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void closingLogsStoresSummarisesAndEndsTheRun_data() {
        QTest::addColumn<CallSetup>("setup");
        QTest::addColumn<bool>("byStartWindow");
        QTest::addColumn<int>("ticks");
        textColumns({"penni", "markka"});
        QTest::newRow("type 1, title bar") << tuesdayCall() << false << 7 << u"75"_s << u"0,75"_s;
        QTest::newRow("type 1, start-up window closed")
            << tuesdayCall() << true << 3 << u"75"_s << u"0,75"_s;
        QTest::newRow("type 2, title bar") << type2Call() << false << 2 << u"67,5"_s << u"0,67"_s;
    }
    void closingLogsStoresSummarisesAndEndsTheRun() {
        QFETCH(int, ticks);
        QFETCH(QString, markka);
        MeterWindow& meter = openMeterOn(cell<CallSetup>("setup"));
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        tick(ticks);
        const QString duration = u"00:00:0"_s + QString::number(ticks);
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        QStringList row;
        QStringList storedWhileShown;
        bool meterHidden = false;
        bool clockStopped = false;
        platform().messageBoxes.whileShown = [&](const Message&) {
            const ListView* list = form<Form7>().ListView1;
            const int last = list->count() - 1;
            row = QStringList{list->text(last, 0), list->text(last, 1), list->text(last, 2)};
            for (const QString& key :
                 {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit, Keys::Kustannukset1,
                  Keys::Kustannukset2, Keys::Left, Keys::Top})
                storedWhileShown << stored(Keys::Asetukset, key);
            meterHidden = !meter.isVisible();
            platform().alarm().fire(1);
            clockStopped = meter.Kesto->text() == duration && !meter.Timer5->isActive();
        };
        if (cell<bool>("byStartWindow"))
            form<Form1>().close();
        else
            meter.close();

        const QString cost = markka + u" markkaa"_s;
        QCOMPARE(platform().messageBoxes.texts(), QStringList{summary(duration, cost)});
        const Message& shown = platform().messageBoxes.shown.first();
        QCOMPARE(shown.icon, Message::Icon::Information);
        QVERIFY(shown.systemModal);
        QCOMPARE(row, (QStringList{u"6. joulukuuta 2026"_s, duration, cost}));
        // The window's outer edges, in twips.
        QCOMPARE(storedWhileShown, (QStringList{u"00"_s, u"00"_s, duration.right(2), cell("penni"),
                                                markka, QString::number(meter.pos().x() * 15),
                                                QString::number(meter.pos().y() * 15)}));
        QVERIFY(meterHidden);
        QVERIFY(clockStopped);
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
        QVERIFY(!platform().dialer.calls.contains(u"HangUp"_s));
    }

    void theStoredPositionIsWhereTheWindowWasLeft() {
        MeterWindow& meter = openMeterOn();
        QTRY_VERIFY(!meter.Timer7->isActive());
        meter.move(40, 700);
        unload<Form2>();
        QCOMPARE(stored(Keys::Asetukset, Keys::Left), u"600"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Top), u"10500"_s);
        MeterWindow& again = openMeterOn();
        QTRY_COMPARE(again.pos(), QPoint(40, 700));
    }

    void endingTheRunAtOnceStoresTheCallWithoutWaitingForTheUser() {
        const MeterWindow& meter = openMeterOn(tuesdayCall());
        tick(61);
        const QString left = QString::number(meter.pos().x() * 15);
        const ListView* list = form<Form7>().ListView1;
        const int before = list->count();
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        bool rowAdded = false;
        connect(list->model(), &QAbstractItemModel::rowsInserted, this,
                [&] { rowAdded = list->count() == before + 1; });
        EndRunNow();
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(rowAdded);
        QCOMPARE(stored(Keys::Asetukset, Keys::Minuutit) + stored(Keys::Asetukset, Keys::Sekunnit),
                 u"0101"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Kustannukset1), u"100"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Left), left);
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());

        // The next run's meter asks the user again.
        openMeterOn();
        unload<Form2>();
        QCOMPARE(platform().messageBoxes.shown.size(), 1);

        // Without a meter, every window closes all the same.
        startProgram();
        form<Form1>().show();
        EndRunNow();
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void escDoesNotEndTheMetering() {
        MeterWindow& meter = openMeterOn();
        QVERIFY(QTest::qWaitForWindowActive(&meter));
        QTest::keyClick(&meter, Qt::Key_Escape);
        QVERIFY(isLoaded("Form2"));
        QVERIFY(meter.isVisible());
    }
};

ORVALIN_TEST_MAIN(MeterWindowTest)
#include "tst_meter.moc"
