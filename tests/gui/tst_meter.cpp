#include "MeterTest.h"
#include "app/Globals.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
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
            {meter.Timer4, 1000, false}, {meter.Timer5, 1000, true},  {meter.Timer6, 5000, false},
            {meter.Timer7, 50, true}};
        for (const auto& [timer, interval, active] : timers) {
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(timer->isActive(), active);
        }
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
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("counters");
        QTest::newRow("a minute") << "00"
                                  << "00"
                                  << "59"
                                  << "00:01:00" << QStringList{u"00"_s, u"1"_s, u"00"_s};
        QTest::newRow("an hour") << "00"
                                 << "59"
                                 << "59"
                                 << "01:00:00" << QStringList{u"1"_s, u"00"_s, u"00"_s};
        QTest::newRow("ten hours") << "9"
                                   << "59"
                                   << "59"
                                   << "10:00:00" << QStringList{u"10"_s, u"00"_s, u"00"_s};
        QTest::newRow("a hundred hours") << "99"
                                         << "59"
                                         << "59"
                                         << "100:00:00" << QStringList{u"100"_s, u"00"_s, u"00"_s};
        QTest::newRow("the end of the count")
            << "999"
            << "59"
            << "59"
            << "00:00:00" << QStringList{u"00"_s, u"00"_s, u"00"_s};
    }
    void carriesIntoTheNextUnit() {
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(QString, shown);
        QFETCH(QStringList, counters);
        startProgram();
        Form2& meter = openMeter<Form2>();
        setDuration(meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit, hours, minutes,
                    seconds);
        setDuration(meter.YhteensäTunnit, meter.YhteensäMinuutit, meter.YhteensäSekunnit, hours,
                    minutes, seconds);
        tick();
        QCOMPARE(meter.Kesto->text(), shown);
        QCOMPARE(meter.Yhteensä->text(), shown);
        QCOMPARE((QStringList{meter.KestoTunnit->text(), meter.KestoMinuutit->text(),
                              meter.KestoSekunnit->text()}),
                 counters);
        QCOMPARE((QStringList{meter.YhteensäTunnit->text(), meter.YhteensäMinuutit->text(),
                              meter.YhteensäSekunnit->text()}),
                 counters);
        tick();
        QCOMPARE(meter.Kesto->text().right(3), QStringLiteral(":01"));
    }

    void restoresTheTotalsAsStored_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("atOpen");
        QTest::addColumn<QString>("afterATick");
        QTest::newRow("two-digit texts") << QStringList{u"05"_s, u"07"_s, u"09"_s} << "05:07:09"
                                         << "05:07:10";
        QTest::newRow("a minute carry") << QStringList{u"12"_s, u"59"_s, u"59"_s} << "12:59:59"
                                        << "13:00:00";
        QTest::newRow("three-digit hours") << QStringList{u"123"_s, u"00"_s, u"00"_s} << "123:00:00"
                                           << "123:00:01";
        QTest::newRow("seconds past the carry keep counting")
            << QStringList{u"00"_s, u"00"_s, u"75"_s} << "00:00:75"
            << "00:00:76";
        QTest::newRow("a reset store") << QStringList{u""_s, u""_s, u""_s} << "00:00:00"
                                       << "00:00:01";
        QTest::newRow("texts that are no counts are ignored")
            << QStringList{u"viisi"_s, u"-3"_s, u"1_s, u5"_s} << "00:00:00"
            << "00:00:01";
    }
    void restoresTheTotalsAsStored() {
        QFETCH(QStringList, stored);
        QFETCH(QString, atOpen);
        QFETCH(QString, afterATick);
        store(Keys::Asetukset, Keys::Tunnit, stored[0]);
        store(Keys::Asetukset, Keys::Minuutit, stored[1]);
        store(Keys::Asetukset, Keys::Sekunnit, stored[2]);
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
        QTest::newRow("one decimal") << "1230"
                                     << "12,3"
                                     << "12,3 markkaa"
                                     << "1230";
        QTest::newRow("whole markka") << "1200"
                                      << "12"
                                      << "12 markkaa"
                                      << "1200";
        QTest::newRow("five penni") << "5"
                                    << "0,05"
                                    << "0,05 markkaa"
                                    << "5";
        QTest::newRow("tenths of penni") << "1234,5"
                                         << "12,34"
                                         << "12,34 markkaa"
                                         << "1234,5";
        QTest::newRow("wider than its place") << "123456"
                                              << "1234,56"
                                              << "1234,56 markkaa"
                                              << "123456";
        QTest::newRow("a reset store") << ""
                                       << ""
                                       << "0 markkaa"
                                       << "0";
        QTest::newRow("no number") << "paljon"
                                   << "x"
                                   << "0 markkaa"
                                   << "0";
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
        QTest::newRow("Tuesday 10.00") << "tiistai"
                                       << "10"
                                       << "50";
        QTest::newRow("Monday 07.00") << "maanantai"
                                      << "07"
                                      << "50";
        QTest::newRow("Friday 16.59") << "perjantai"
                                      << "16"
                                      << "50";
        QTest::newRow("Friday 17.00") << "perjantai"
                                      << "17"
                                      << "0";
        QTest::newRow("Saturday 10.00") << "lauantai"
                                        << "10"
                                        << "0";
        QTest::newRow("Sunday 12.00") << "sunnuntai"
                                      << "12"
                                      << "0";
        QTest::newRow("Tuesday 06.59") << "tiistai"
                                       << "06"
                                       << "0";
        QTest::newRow("Monday 06.59") << "maanantai"
                                      << "06"
                                      << "0";
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
        QTest::newRow("top beyond the screen, left negative") << "100000"
                                                              << "-300" << Kept << -20;
        QTest::newRow("both on the screen") << "1500"
                                            << "3000" << 100 << 200;
        QTest::newRow("at the screen's edge") << "11520"
                                              << "15360" << Kept << Kept;
        QTest::newRow("just inside the edge") << "11505"
                                              << "15345" << 767 << 1023;
        QTest::newRow("tenths of a twip") << "1500,5"
                                          << "29,9" << 100 << 2;
        QTest::newRow("nothing stored") << ""
                                        << "" << Kept << Kept;
        QTest::newRow("no numbers") << "ylhäällä"
                                    << "1e3" << Kept << Kept;
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

    void aPortTheCallDoesNotUseEndsTheMeterAfterAboutASecond() {
        startProgram();
        platform().ports.busy = {2};
        QElapsedTimer elapsed;
        elapsed.start();
        openMeter<Form2>();
        QTRY_VERIFY_WITH_TIMEOUT(!isLoaded("Form2"), 3000);
        QVERIFY2(elapsed.elapsed() >= 900, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(
            platform().messageBoxes.texts(),
            QStringList{QStringLiteral("Yhteyden kesto: 00:00:00\nYhteyden hinta: 0 markkaa")});
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
