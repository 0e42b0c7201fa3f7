#include "MeterTest.h"
#include "app/Globals.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <limits>

using namespace Qt::StringLiterals;

// The type-1 meter: its window, the clock, the cost, the end of the call and the close.
class MeterWindowTest : public MeterTest {
    Q_OBJECT
private:
    static constexpr int Kept = std::numeric_limits<int>::min();

    // The Tuesday 10.00 call: 50 penni a call, 20 a minute in the day, 5 to the provider.
    static CallSetup tuesdayCall() {
        CallSetup setup;
        setup.puhelu = QStringLiteral("50");
        setup.arkisin1 = QStringLiteral("20");
        setup.arkisin2 = QStringLiteral("300");
        setup.arkisin3 = QStringLiteral("12,5");
        setup.provider = QStringLiteral("5");
        return setup;
    }

private slots:
    void opensAsASmallMeterAboveOtherWindows() {
        startProgram();
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.windowTitle(), QStringLiteral("Orvalin"));
        QVERIFY(meter.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(meter.windowFlags() & Qt::WindowMaximizeButtonHint));
        // 15 twips to the pixel on the 96-dpi test screen.
        QCOMPARE(meter.size(), QSize(262, 36));
        QCOMPARE(meter.minimumSize(), meter.maximumSize());
        QCOMPARE(meter.geometry().topLeft(), QPoint(365, 366));
        QCOMPARE(meter.font().family(), QStringLiteral("Arial"));
        QCOMPARE(meter.font().pointSizeF(), 8.25);

        const QList<std::tuple<Label*, QString, QRect>> captions = {
            {meter.Label2, QStringLiteral("Kesto:"), QRect(26, 4, 31, 14)},
            {meter.Label5, QStringLiteral("Hinta:"), QRect(158, 4, 27, 14)},
            {meter.Label3, QStringLiteral("Yhteensä:"), QRect(7, 20, 50, 14)},
            {meter.Label7, QStringLiteral("Yhteensä:"), QRect(135, 20, 50, 14)}};
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
            {meter.Kesto, QStringLiteral("00:00:00"), QPoint(60, 4)},
            {meter.Kustannukset, QStringLiteral("0 markkaa"), QPoint(188, 4)},
            {meter.Yhteensä, QStringLiteral("00:00:00"), QPoint(60, 20)},
            {meter.KustannuksetYhteensä, QStringLiteral("0 markkaa"), QPoint(188, 20)}};
        for (const auto& [label, text, place] : values) {
            QCOMPARE(label->text(), text);
            QCOMPARE(label->pos(), place);
            QVERIFY(label->isVisible());
            // The whole text shows, however long the price grows.
            QVERIFY(label->width() >= label->sizeHint().width());
        }
        for (Label* field : {meter.KestoTunnit, meter.KestoSekunnit, meter.YhteensäMinuutit1,
                             meter.KustannuksetPenniä, meter.Kustannukset1, meter.Kustannukset2})
            QVERIFY(!field->isVisible());

        const QList<std::tuple<QTimer*, int, bool>> timers = {
            {meter.Timer1, 1000, false}, {meter.Timer2, 1000, false}, {meter.Timer3, 1000, false},
            {meter.Timer4, 1000, false}, {meter.Timer6, 5000, false}, {meter.Timer7, 50, true}};
        for (const auto& [timer, interval, active] : timers) {
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(timer->isActive(), active);
        }
        QCOMPARE(meter.Timer5->interval(), 1000);
        QVERIFY(meter.Timer5->isActive());
        QCOMPARE(platform().alarm().patterns.value(1), QStringLiteral("??:??:??"));
        QVERIFY(isLoaded("Form7"));
        QVERIFY(!form<Form7>().isVisible());
    }

    void theTuesdayCallCountsAndChargesEveryBegunMinute() {
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("50"));
        QCOMPARE(meter.Kustannukset->text(), QStringLiteral("0,5 markkaa"));
        QCOMPARE(meter.Kustannukset1->text(), QStringLiteral("50"));
        QCOMPARE(PuheluMinuutit, 0);

        tick();
        QCOMPARE(meter.KestoSekunnit->text(), QStringLiteral("1"));
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:00:01"));
        QCOMPARE(meter.Yhteensä->text(), QStringLiteral("00:00:01"));
        QCOMPARE(PuheluMinuutit, 1);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("75"));
        QCOMPARE(meter.Kustannukset->text(), QStringLiteral("0,75 markkaa"));
        QCOMPARE(meter.KustannuksetYhteensä->text(), QStringLiteral("0,75 markkaa"));

        tick(58);
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:00:59"));
        tick();
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:01:00"));
        QCOMPARE(meter.KestoSekunnit->text(), QStringLiteral("00"));
        QCOMPARE(PuheluMinuutit, 1);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("75"));

        tick();
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:01:01"));
        QCOMPARE(PuheluMinuutit, 2);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("100"));
        QCOMPARE(meter.Kustannukset->text(), QStringLiteral("1 markkaa"));
        QCOMPARE(meter.Kustannukset1->text(), QStringLiteral("100"));
        QCOMPARE(meter.Kustannukset2->text(), QStringLiteral("1"));
        QCOMPARE(meter.KustannuksetYhteensä->text(), QStringLiteral("1 markkaa"));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
    }

    void carriesIntoTheNextUnit_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("counters");
        QTest::newRow("a minute") << u"00:00:59"_s << u"00:01:00"_s << u"00:1:00"_s;
        QTest::newRow("an hour") << u"00:59:59"_s << u"01:00:00"_s << u"1:00:00"_s;
        QTest::newRow("ten hours") << u"9:59:59"_s << u"10:00:00"_s << u"10:00:00"_s;
        QTest::newRow("a hundred hours") << u"99:59:59"_s << u"100:00:00"_s << u"100:00:00"_s;
        QTest::newRow("the end of the count") << u"999:59:59"_s << u"00:00:00"_s << u"00:00:00"_s;
    }
    void carriesIntoTheNextUnit() {
        QFETCH(QString, before);
        QFETCH(QString, shown);
        QFETCH(QString, counters);
        startProgram();
        Form2& meter = openMeter<Form2>();
        const QStringList start = before.split(u':');
        setDuration(meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit, start);
        setDuration(meter.YhteensäTunnit, meter.YhteensäMinuutit, meter.YhteensäSekunnit, start);
        tick();
        QCOMPARE(meter.Kesto->text(), shown);
        QCOMPARE(meter.Yhteensä->text(), shown);
        QCOMPARE(meter.KestoTunnit->text() + u':' + meter.KestoMinuutit->text() + u':' +
                     meter.KestoSekunnit->text(),
                 counters);
        QCOMPARE(meter.YhteensäTunnit->text() + u':' + meter.YhteensäMinuutit->text() + u':' +
                     meter.YhteensäSekunnit->text(),
                 counters);
        tick();
        QCOMPARE(meter.Kesto->text().right(3), QStringLiteral(":01"));
    }

    void restoresTheTotalsAsStored_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("atOpen");
        QTest::addColumn<QString>("afterATick");
        QTest::newRow("two-digit texts") << u"05:07:09"_s << u"05:07:09"_s << u"05:07:10"_s;
        QTest::newRow("a minute carry") << u"12:59:59"_s << u"12:59:59"_s << u"13:00:00"_s;
        QTest::newRow("three-digit hours") << u"123:00:00"_s << u"123:00:00"_s << u"123:00:01"_s;
        QTest::newRow("seconds past the carry keep counting")
            << u"00:00:75"_s << u"00:00:75"_s << u"00:00:76"_s;
        QTest::newRow("a reset store") << u"::"_s << u"00:00:00"_s << u"00:00:01"_s;
        QTest::newRow("texts that are no counts are ignored")
            << u"viisi:-3:1,5"_s << u"00:00:00"_s << u"00:00:01"_s;
    }
    void restoresTheTotalsAsStored() {
        QFETCH(QString, stored);
        QFETCH(QString, atOpen);
        QFETCH(QString, afterATick);
        storeTotal(stored);
        startProgram();
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.Yhteensä->text(), atOpen);
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:00:00"));
        tick();
        QCOMPARE(meter.Yhteensä->text(), afterATick);
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:00:01"));
    }

    void restoresTheTotalCost_data() {
        QTest::addColumn<QString>("stored1");
        QTest::addColumn<QString>("stored2");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("penniAfterOpen");
        QTest::newRow("one decimal") << u"1230"_s << u"12,3"_s << u"12,3 markkaa"_s << u"1230"_s;
        QTest::newRow("whole markka") << u"1200"_s << u"12"_s << u"12 markkaa"_s << u"1200"_s;
        QTest::newRow("five penni") << u"5"_s << u"0,05"_s << u"0,05 markkaa"_s << u"5"_s;
        QTest::newRow("tenths of penni")
            << u"1234,5"_s << u"12,34"_s << u"12,34 markkaa"_s << u"1234,5"_s;
        QTest::newRow("wider than its place")
            << u"123456"_s << u"1234,56"_s << u"1234,56 markkaa"_s << u"123456"_s;
        QTest::newRow("a reset store") << u""_s << u""_s << u"0 markkaa"_s << u"0"_s;
        QTest::newRow("no number") << u"paljon"_s << u"x"_s << u"0 markkaa"_s << u"0"_s;
    }
    void restoresTheTotalCost() {
        QFETCH(QString, stored1);
        QFETCH(QString, stored2);
        QFETCH(QString, shown);
        QFETCH(QString, penniAfterOpen);
        store(Keys::Asetukset, Keys::Kustannukset1, stored1);
        store(Keys::Asetukset, Keys::Kustannukset2, stored2);
        platform().clock.weekdayText = QStringLiteral("lauantai");
        startProgram();
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.KustannuksetYhteensä->text(), shown);
        QVERIFY(meter.KustannuksetYhteensä->width() >=
                meter.KustannuksetYhteensä->sizeHint().width());
        QVERIFY(meter.KustannuksetYhteensä->geometry().right() < meter.width());
        QCOMPARE(meter.Kustannukset1->text(), penniAfterOpen);
        QCOMPARE(meter.Kustannukset->text(), QStringLiteral("0 markkaa"));
    }

    void thePerCallChargeIsMadeOnWeekdaysInTheDay_data() {
        QTest::addColumn<QString>("weekday");
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("callAmount");
        QTest::newRow("Tuesday 10.00") << u"tiistai"_s << u"10"_s << u"50"_s;
        QTest::newRow("Monday 07.00") << u"maanantai"_s << u"07"_s << u"50"_s;
        QTest::newRow("Friday 16.59") << u"perjantai"_s << u"16"_s << u"50"_s;
        QTest::newRow("Friday 17.00") << u"perjantai"_s << u"17"_s << u"0"_s;
        QTest::newRow("Saturday 10.00") << u"lauantai"_s << u"10"_s << u"0"_s;
        QTest::newRow("Sunday 12.00") << u"sunnuntai"_s << u"12"_s << u"0"_s;
        QTest::newRow("Tuesday 06.59") << u"tiistai"_s << u"06"_s << u"0"_s;
        QTest::newRow("Monday 06.59") << u"maanantai"_s << u"06"_s << u"0"_s;
    }
    void thePerCallChargeIsMadeOnWeekdaysInTheDay() {
        QFETCH(QString, weekday);
        QFETCH(QString, hour);
        QFETCH(QString, callAmount);
        store(Keys::Asetukset, Keys::Kustannukset1, QStringLiteral("1000"));
        platform().clock.weekdayText = weekday;
        platform().clock.hourText = hour;
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.KustannuksetPenniä->text(), callAmount);
        QCOMPARE(meter.Kustannukset1->text(), NumberToText(1000 + NumberFromText(callAmount)));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
    }

    void theSaturdayCallPaysTheBlockThenTheProviderThenTheLaterRate() {
        platform().clock.weekdayText = QStringLiteral("lauantai");
        platform().clock.hourText = QStringLiteral("23");
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("0"));
        tick();
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("305"));
        QVERIFY(FirstBlockCharged);
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("310"));
        // Past midnight the call is still in its block.
        platform().clock.weekdayText = QStringLiteral("sunnuntai");
        platform().clock.hourText = QStringLiteral("00");
        tick(28 * 60);
        QCOMPARE(PuheluMinuutit, 30);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("450"));
        tick(60);
        QCOMPARE(PuheluMinuutit, 31);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("467,5"));
        QCOMPARE(meter.Kustannukset->text(), QStringLiteral("4,67 markkaa"));
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("485"));
        QCOMPARE(meter.Kustannukset1->text(), QStringLiteral("485"));
    }

    void theBlockCountsFromTheStartOfTheCall() {
        platform().clock.hourText = QStringLiteral("16");
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        tick(49 * 60);
        QCOMPARE(PuheluMinuutit, 49);
        QCOMPARE(meter.KustannuksetPenniä->text(), QString::number(50 + 49 * 25));
        platform().clock.hourText = QStringLiteral("17");
        tick();
        QCOMPARE(meter.KustannuksetPenniä->text(), QString::number(50 + 49 * 25 + 305));
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), NumberToText(50 + 49 * 25 + 305 + 17.5));
        // Back in the day the day rate applies, and the block is never charged twice.
        platform().clock.weekdayText = QStringLiteral("keskiviikko");
        platform().clock.hourText = QStringLiteral("07");
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), NumberToText(50 + 49 * 25 + 305 + 17.5 + 25));
        platform().clock.hourText = QStringLiteral("17");
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(),
                 NumberToText(50 + 49 * 25 + 305 + 17.5 + 25 + 17.5));
    }

    void aWeekdayInAnotherLanguageStopsEveryCharge() {
        platform().clock.weekdayText = QStringLiteral("Tuesday");
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        QCOMPARE(platform().messageBoxes.texts(), QStringList{QStringLiteral("!!!")});
        const Message& message = platform().messageBoxes.shown.first();
        QCOMPARE(message.icon, Message::Icon::Critical);
        QCOMPARE(message.title, QStringLiteral("Orvalin"));
        QVERIFY(meter.isVisible());
        tick();
        QCOMPARE(platform().messageBoxes.shown.size(), 2);
        tick(60);
        QCOMPARE(platform().messageBoxes.texts(), QStringList(3, QStringLiteral("!!!")));
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("0"));
        QCOMPARE(meter.Kustannukset1->text(), QStringLiteral("0"));
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:01:01"));
    }

    void aTariffFieldThatIsNoNumberChargesNothingForItself() {
        CallSetup setup = tuesdayCall();
        setup.puhelu = QStringLiteral("viisikymmentä");
        setup.arkisin1 = QStringLiteral("20 p");
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("0"));
        tick();
        QCOMPARE(meter.KustannuksetPenniä->text(), QStringLiteral("5"));
    }

    void anotherAlarmNumberOnlyLetsPendingEventsRun() {
        startProgram();
        Form2& meter = openMeter<Form2>();
        bool ran = false;
        QTimer::singleShot(0, &meter, [&ran] { ran = true; });
        platform().alarm().fire(2);
        QVERIFY(ran);
        QCOMPARE(meter.Kesto->text(), QStringLiteral("00:00:00"));
        QCOMPARE(meter.Yhteensä->text(), QStringLiteral("00:00:00"));
        QCOMPARE(PuheluMinuutit, 0);
        ran = false;
        QTimer::singleShot(0, &meter, [&ran] { ran = true; });
        tick();
        QVERIFY(ran);
    }

    void restoresThePositionWithinTheScreen_data() {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
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
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(int, y);
        QFETCH(int, x);
        store(Keys::Asetukset, Keys::Top, top);
        store(Keys::Asetukset, Keys::Left, left);
        startProgram();
        Form2& meter = openMeter<Form2>();
        const QPoint design = meter.pos();
        meter.Timer7_Timer();
        QVERIFY(!meter.Timer7->isActive());
        QCOMPARE(meter.pos(), QPoint(x == Kept ? design.x() : x, y == Kept ? design.y() : y));
    }

    void theProbeEndsTheCallOnlyWhenThePortOpens() {
        startProgram();
        Form2& meter = openMeter<Form2>();
        platform().ports.calls.clear();
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls,
                 (QStringList{QStringLiteral("setPort 1"), QStringLiteral("open")}));
        QVERIFY(isLoaded("Form2"));

        platform().ports.calls.clear();
        platform().ports.refuseSetPort = true;
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls, QStringList{QStringLiteral("setPort 1")});
        QVERIFY(isLoaded("Form2"));
        QVERIFY(platform().messageBoxes.shown.isEmpty());

        // The port is read from the settings at every probe.
        platform().ports.refuseSetPort = false;
        platform().ports.calls.clear();
        form<Form4>().Combo1->select(2);
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls,
                 (QStringList{QStringLiteral("setPort 3"), QStringLiteral("open"),
                              QStringLiteral("close")}));
        QVERIFY(!isLoaded("Form2"));
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
        QVERIFY(!isLoaded("Form2"));
        QCOMPARE(
            platform().messageBoxes.texts(),
            QStringList{QStringLiteral("Yhteyden kesto: 00:00:01\nYhteyden hinta: 0 markkaa")});
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void closingByTheTitleBarLogsStoresSummarisesAndEndsTheRun() {
        startProgram(tuesdayCall());
        Form2& meter = openMeter<Form2>();
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        tick(7);
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
            clockStopped =
                meter.Kesto->text() == QStringLiteral("00:00:07") && !meter.Timer5->isActive();
        };
        meter.close();

        QCOMPARE(
            platform().messageBoxes.texts(),
            QStringList{QStringLiteral("Yhteyden kesto: 00:00:07\nYhteyden hinta: 0,75 markkaa")});
        const Message& summary = platform().messageBoxes.shown.first();
        QCOMPARE(summary.icon, Message::Icon::Information);
        QVERIFY(summary.systemModal);
        QCOMPARE(summary.title, QStringLiteral("Orvalin"));
        QCOMPARE(row, (QStringList{QStringLiteral("6. joulukuuta 2026"), QStringLiteral("00:00:07"),
                                   QStringLiteral("0,75 markkaa")}));
        // The window's outer edges, in twips.
        QCOMPARE(storedWhileShown,
                 (QStringList{QStringLiteral("00"), QStringLiteral("00"), QStringLiteral("07"),
                              QStringLiteral("75"), QStringLiteral("0,75"),
                              QString::number(meter.pos().x() * 15),
                              QString::number(meter.pos().y() * 15)}));
        QVERIFY(meterHidden);
        QVERIFY(clockStopped);
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
        QVERIFY(!platform().dialer.calls.contains(QStringLiteral("HangUp")));
    }

    void theStoredPositionIsWhereTheWindowWasLeft() {
        startProgram();
        Form2& meter = openMeter<Form2>();
        QTRY_VERIFY(!meter.Timer7->isActive());
        meter.move(40, 700);
        unload<Form2>();
        QCOMPARE(stored(Keys::Asetukset, Keys::Left), QStringLiteral("600"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Top), QStringLiteral("10500"));
        startProgram();
        Form2& again = openMeter<Form2>();
        QTRY_COMPARE(again.pos(), QPoint(40, 700));
        QVERIFY(!again.Timer7->isActive());
    }

    void closingTheStartUpWindowClosesTheMeterWithItsSequence() {
        startProgram(tuesdayCall());
        openMeter<Form2>();
        tick(3);
        form<Form1>().close();
        QCOMPARE(
            platform().messageBoxes.texts(),
            QStringList{QStringLiteral("Yhteyden kesto: 00:00:03\nYhteyden hinta: 0,75 markkaa")});
        QCOMPARE(stored(Keys::Asetukset, Keys::Sekunnit), QStringLiteral("03"));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void endingTheRunAtOnceStoresTheCallWithoutWaitingForTheUser() {
        startProgram(tuesdayCall());
        const Form2& meter = openMeter<Form2>();
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
        QCOMPARE(stored(Keys::Asetukset, Keys::Minuutit), QStringLiteral("01"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Sekunnit), QStringLiteral("01"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Kustannukset1), QStringLiteral("100"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Left), left);
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());

        // The next run's meter asks the user again.
        startProgram();
        openMeter<Form2>();
        unload<Form2>();
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
    }

    void endingTheRunWithoutAMeterClosesEveryWindow() {
        startProgram();
        form<Form1>().show();
        EndRunNow();
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void escDoesNotEndTheMetering() {
        startProgram();
        Form2& meter = openMeter<Form2>();
        QVERIFY(QTest::qWaitForWindowActive(&meter));
        QTest::keyClick(&meter, Qt::Key_Escape);
        QVERIFY(isLoaded("Form2"));
        QVERIFY(meter.isVisible());
    }
};

ORVALIN_TEST_MAIN(MeterWindowTest)
#include "tst_meter.moc"
