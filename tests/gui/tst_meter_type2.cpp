#include "MeterTest.h"
#include "app/Globals.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "log/ListView.h"

using namespace Qt::StringLiterals;

// The type-2 meter: one charge for every begun minute at all times, a per-call charge whatever
// the day, and a total-duration check that waits for a click on the total.
class MeterType2Test : public MeterTest {
    Q_OBJECT
private:
    static CallSetup type2Call() {
        CallSetup setup;
        setup.type = u"Tyyppi 2"_s;
        setup.puhelu = u"50"_s;
        setup.arkisin1 = u"12,5"_s;
        // Left in force by type 1; type 2 never charges them.
        setup.arkisin2 = u"300"_s;
        setup.arkisin3 = u"99"_s;
        setup.provider = u"5"_s;
        return setup;
    }

private slots:
    void theSaturdayNightCallPaysTheSameEveryMinute() {
        platform().clock.weekdayText = u"lauantai"_s;
        platform().clock.hourText = u"23"_s;
        startProgram(type2Call());
        Form22& meter = openMeter<Form22>();
        QCOMPARE(meter.windowTitle(), u"Orvalin"_s);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"50"_s);
        tick();
        QCOMPARE(meter.KustannuksetPenniä->text(), u"67,5"_s);
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"85"_s);
        platform().clock.weekdayText = u"sunnuntai"_s;
        platform().clock.hourText = u"00"_s;
        tick(29 * 60);
        QCOMPARE(PuheluMinuutit, 31);
        QCOMPARE(meter.KustannuksetPenniä->text(), NumberToText(50 + 31 * 17.5));
        QCOMPARE(meter.Kustannukset1->text(), NumberToText(50 + 31 * 17.5));
        QCOMPARE(meter.Kustannukset->text(), u"5,92 markkaa"_s);
        QVERIFY(!FirstBlockCharged);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
    }

    void tenthsOfPenniAddUp() {
        CallSetup setup;
        setup.type = u"Tyyppi 2"_s;
        setup.puhelu = u"0,0"_s;
        setup.arkisin1 = u"12,5"_s;
        startProgram(setup);
        Form22& meter = openMeter<Form22>();
        QCOMPARE(meter.KustannuksetPenniä->text(), u"0"_s);
        tick();
        QCOMPARE(meter.KustannuksetPenniä->text(), u"12,5"_s);
        QCOMPARE(meter.Kustannukset->text(), u"0,12 markkaa"_s);
        tick(60);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"25"_s);
        QCOMPARE(meter.Kustannukset->text(), u"0,25 markkaa"_s);
    }

    void weekdayNamesOfAnyLanguageChargeNormally_data() {
        QTest::addColumn<QString>("weekday");
        QTest::newRow("English") << u"Saturday"_s;
        QTest::newRow("Swedish") << u"lördag"_s;
        QTest::newRow("none") << u""_s;
    }
    void weekdayNamesOfAnyLanguageChargeNormally() {
        QFETCH(QString, weekday);
        platform().clock.weekdayText = weekday;
        startProgram(type2Call());
        Form22& meter = openMeter<Form22>();
        tick(61);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"85"_s);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
    }

    void thePassedTotalLimitWaitsForAClickOnTheTotal_data() {
        QTest::addColumn<QString>("total");
        QTest::addColumn<bool>("raised");
        QTest::newRow("12:15 against 10 h") << u"12:15:00"_s << true;
        QTest::newRow("9:15 against 10 h") << u"09:15:00"_s << false;
    }
    void thePassedTotalLimitWaitsForAClickOnTheTotal() {
        QFETCH(QString, total);
        QFETCH(bool, raised);
        storeTotal(total);
        CallSetup setup = type2Call();
        setup.yhteensäTuntia = u"10"_s;
        startProgram(setup);
        Form22& meter = openMeter<Form22>();
        QVERIFY(!meter.Timer4->isActive());
        tick(3);
        QVERIFY(!meter.Timer4->isActive());
        QVERIFY(!meter.Timer6->isActive());
        QTest::mouseClick(meter.Yhteensä, Qt::LeftButton);
        QCOMPARE(meter.Timer4->isActive(), raised);
        QCOMPARE(meter.Timer6->isActive(), raised);
    }

    void theTotalMinutesStillMeetTheirLimitByThemselves() {
        storeTotal(u"12:15:00"_s);
        CallSetup setup = type2Call();
        setup.yhteensäMinuuttia = u"16"_s;
        startProgram(setup);
        Form22& meter = openMeter<Form22>();
        tick(59);
        QVERIFY(!meter.Timer4->isActive());
        tick();
        QCOMPARE(meter.Yhteensä->text(), u"12:16:00"_s);
        QVERIFY(meter.Timer4->isActive());
    }

    void closesAsTheTypeOneMeterDoes() {
        startProgram(type2Call());
        Form22& meter = openMeter<Form22>();
        tick(2);
        QStringList row;
        platform().messageBoxes.whileShown = [&row](const Message&) {
            const ListView* list = form<Form7>().ListView1;
            const int last = list->count() - 1;
            row = QStringList{list->text(last, 1), list->text(last, 2)};
        };
        meter.close();
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{u"Yhteyden kesto: 00:00:02\nYhteyden hinta: 0,67 markkaa"_s});
        QCOMPARE(row, (QStringList{u"00:00:02"_s, u"0,67 markkaa"_s}));
        QCOMPARE(stored(Keys::Asetukset, Keys::Sekunnit), u"02"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Kustannukset1), u"67,5"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Kustannukset2), u"0,67"_s);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void totalsContinueFromOneTypeToTheOther() {
        CallSetup first;
        first.puhelu = u"50"_s;
        startProgram(first);
        openMeter<Form2>();
        tick(7);
        unload<Form2>();

        startProgram(type2Call());
        Form22& second = openMeter<Form22>();
        QCOMPARE(second.Yhteensä->text(), u"00:00:07"_s);
        QCOMPARE(second.KustannuksetYhteensä->text(), u"1 markkaa"_s);
        tick(60);
        unload<Form22>();

        startProgram(first);
        Form2& third = openMeter<Form2>();
        QCOMPARE(third.Yhteensä->text(), u"00:01:07"_s);
        QCOMPARE(third.KustannuksetYhteensä->text(), u"1,67 markkaa"_s);
    }
};

ORVALIN_TEST_MAIN(MeterType2Test)
#include "tst_meter_type2.moc"
