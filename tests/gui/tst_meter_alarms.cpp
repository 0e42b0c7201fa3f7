#include "MeterTest.h"
#include "app/Globals.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

// The four limit alarms of the type-1 meter: when they are raised, how they blink, flash and
// sound, and how a click on their caption acknowledges them.
class MeterAlarmsTest : public MeterTest {
    Q_OBJECT
private:
    static const QColor Red;

    // Puts the call's counters at "hours:minutes:seconds"; the minutes go first, so that putting
    // them there meets no limit on the way.
    static void setCall(Form2& meter, const QString& hms) {
        const QStringList parts = hms.split(u':');
        meter.KestoMinuutit->setText(parts.value(1));
        meter.KestoTunnit->setText(parts.value(0));
        meter.KestoSekunnit->setText(parts.value(2));
    }

private slots:
    void aOneMinuteCallLimitBlinksASecondAndSoundsFiveSecondsAfterIt() {
        CallSetup setup;
        setup.kestoMinuuttia = u"1"_s;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        tick(59);
        QCOMPARE(meter.Kesto->text(), u"00:00:59"_s);
        QVERIFY(!meter.Timer3->isActive());
        QVERIFY(!meter.Timer6->isActive());

        tick();
        QElapsedTimer raised;
        raised.start();
        QCOMPARE(meter.Kesto->text(), u"00:01:00"_s);
        QVERIFY(meter.Timer3->isActive());
        QVERIFY(meter.Timer6->isActive());
        QVERIFY(textColour(meter.Kesto) != Red);
        QVERIFY(meter.Kesto->isVisible());
        QVERIFY(!platform().flasher.isFlashing());

        QTRY_VERIFY_WITH_TIMEOUT(meter.Kesto->isHidden(), 1500);
        QVERIFY2(raised.elapsed() >= 900, qPrintable(QString::number(raised.elapsed())));
        QCOMPARE(textColour(meter.Kesto), Red);
        QVERIFY(platform().flasher.isFlashing());
        QTRY_VERIFY_WITH_TIMEOUT(meter.Kesto->isVisible(), 1500);
        QCOMPARE(textColour(meter.Kesto), Red);
        for (const Label* other : {meter.Yhteensä, meter.Kustannukset, meter.KustannuksetYhteensä})
            QVERIFY(other->isVisible() && textColour(other) != Red);

        QVERIFY(platform().sounds.played.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(platform().sounds.played.size(), 1, 6000);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(raised.elapsed() >= 4700, qPrintable(QString::number(raised.elapsed())));
        QCOMPARE(platform().sounds.played.first(), platform().env.folder + u"/hälytys.wav"_s);
    }

    void aCallLimitIsMetByTheCountersTexts_data() {
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("raised");
        QTest::newRow("0 h 1 min at 00:01:00") << u"0"_s << u"1"_s << u"0:0:59"_s << true;
        QTest::newRow("0 h 1 min again at 01:01:00") << u"0"_s << u"1"_s << u"1:0:59"_s << true;
        QTest::newRow("1 h 0 min not at 00:59:00") << u"1"_s << u"0"_s << u"0:58:59"_s << false;
        QTest::newRow("1 h 0 min at 01:00:00") << u"1"_s << u"0"_s << u"0:59:59"_s << true;
        QTest::newRow("2 h 0 min at 02:31:00") << u"2"_s << u"0"_s << u"2:30:59"_s << true;
        // The minute carry checks before the hours move on.
        QTest::newRow("2 h 0 min also at 03:00:00") << u"2"_s << u"0"_s << u"2:59:59"_s << true;
        QTest::newRow("2 h 0 min not at 03:01:00") << u"2"_s << u"0"_s << u"3:0:59"_s << false;
        QTest::newRow("0 h 30 min at 01:30:00") << u"0"_s << u"30"_s << u"1:29:59"_s << true;
        QTest::newRow("0 h 30 min not at 00:32:00") << u"0"_s << u"30"_s << u"0:31:59"_s << false;
        QTest::newRow("0 h 0 min is no limit") << u"0"_s << u"0"_s << u"0:59:59"_s << false;
        QTest::newRow("a limit written 01 is never met")
            << u"01"_s << u"0"_s << u"0:59:59"_s << false;
        QTest::newRow("a limit that is no number is never met")
            << u"yksi"_s << u"0"_s << u"0:59:59"_s << false;
    }
    void aCallLimitIsMetByTheCountersTexts() {
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(QString, before);
        QFETCH(bool, raised);
        CallSetup setup;
        setup.kestoTuntia = hours;
        setup.kestoMinuuttia = minutes;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        setCall(meter, before);
        QVERIFY(!meter.Timer3->isActive());
        tick();
        QCOMPARE(meter.Timer3->isActive(), raised);
        QCOMPARE(meter.Timer6->isActive(), raised);
        QVERIFY(!meter.Timer4->isActive());
    }

    void theTotalIsCheckedUnitByUnitAtEveryChange_data() {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<bool>("raised");
        QTest::newRow("12:15 against 10 h") << u"12:15:00"_s << u"10"_s << u"0"_s << true;
        QTest::newRow("5:40 against 5 h 30 min") << u"05:40:00"_s << u"5"_s << u"30"_s << true;
        QTest::newRow("2:10 against 1 h 30 min") << u"02:10:00"_s << u"1"_s << u"30"_s << false;
        QTest::newRow("2:30 against 1 h 30 min") << u"02:30:00"_s << u"1"_s << u"30"_s << true;
        QTest::newRow("9:59 against 10 h") << u"09:59:00"_s << u"10"_s << u"0"_s << false;
        QTest::newRow("no limit") << u"12:15:00"_s << u"0"_s << u"0"_s << false;
        QTest::newRow("a limit that is no number")
            << u"12:15:00"_s << u"kymmenen"_s << u"0"_s << false;
    }
    void theTotalIsCheckedUnitByUnitAtEveryChange() {
        QFETCH(QString, total);
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(bool, raised);
        storeTotal(total);
        CallSetup setup;
        setup.yhteensäTuntia = hours;
        setup.yhteensäMinuuttia = minutes;
        startProgram(setup);
        // Already while the window opens.
        Form2& meter = form<Form2>();
        QCOMPARE(meter.Timer4->isActive(), raised);
        QCOMPARE(meter.Timer6->isActive(), raised);
        meter.show();
        if (raised) {
            QTRY_VERIFY_WITH_TIMEOUT(meter.Yhteensä->isHidden(), 1500);
            QCOMPARE(textColour(meter.Yhteensä), Red);
        }
        QVERIFY(!meter.Timer3->isActive());
    }

    void raisingARunningAlarmKeepsItsPace() {
        store(Keys::Asetukset, Keys::Tunnit, u"12"_s);
        CallSetup setup;
        setup.yhteensäTuntia = u"10"_s;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        QVERIFY(meter.Timer4->isActive());
        const int sound = meter.Timer6->remainingTime();
        const int blink = meter.Timer4->remainingTime();
        QTest::qWait(400);
        // Every tick raises the total-duration alarm again.
        tick();
        QVERIFY(meter.Timer6->remainingTime() <= sound - 300);
        QVERIFY(meter.Timer4->remainingTime() <= blink - 300);
    }

    void clickingKestoSilencesEveryAlarmButStopsOnlyItsOwn() {
        CallSetup setup;
        setup.puhelu = u"100"_s;
        setup.arkisin1 = u"20"_s;
        setup.kestoMinuuttia = u"1"_s;
        setup.yhteydenHinta = u"1"_s;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        QVERIFY(meter.Timer1->isActive());
        tick(61);
        QVERIFY(meter.Timer3->isActive());
        meter.Timer3_Timer();
        meter.Timer1_Timer();
        QVERIFY(meter.Kesto->isHidden());
        QVERIFY(platform().flasher.isFlashing());
        const QPoint place = meter.pos();

        QTest::mouseClick(meter.Label2, Qt::LeftButton);
        QVERIFY(KestoAlarmAcknowledged);
        QVERIFY(!HintaAlarmAcknowledged);
        QVERIFY(!meter.Timer3->isActive());
        QVERIFY(!meter.Timer6->isActive());
        QVERIFY(meter.Kesto->isVisible());
        QCOMPARE(textColour(meter.Kesto), Red);
        QVERIFY(!platform().flasher.isFlashing());
        QVERIFY(meter.Timer1->isActive());
        QVERIFY(meter.isVisible());
        QCOMPARE(meter.windowTitle(), u"Orvalin"_s);
        QCOMPARE(meter.pos(), place);

        const int starts = platform().flasher.starts;
        meter.Timer1_Timer();
        QVERIFY(platform().flasher.isFlashing());
        QCOMPARE(platform().flasher.starts, starts + 1);
        // The sound comes back with the next price check, at the next begun minute.
        tick(59);
        QCOMPARE(meter.Kesto->text(), u"00:02:00"_s);
        QVERIFY(!meter.Timer6->isActive());
        tick();
        QVERIFY(meter.Timer6->isActive());
        // Acknowledged for the rest of the run.
        setCall(meter, u"1:0:59"_s);
        tick();
        QVERIFY(!meter.Timer3->isActive());
        QVERIFY(meter.Kesto->isVisible());
    }

    void aRunningTotalAlarmBringsTheSoundBackWithinATick() {
        store(Keys::Asetukset, Keys::Tunnit, u"12"_s);
        CallSetup setup;
        setup.kestoMinuuttia = u"1"_s;
        setup.yhteensäTuntia = u"10"_s;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        tick(60);
        QVERIFY(meter.Timer3->isActive());
        QTest::mouseClick(meter.Label2, Qt::LeftButton);
        QVERIFY(!meter.Timer6->isActive());
        QVERIFY(meter.Timer4->isActive());
        tick();
        QVERIFY(meter.Timer6->isActive());
    }

    void aCaptionClickedBeforeTheLimitKeepsItsAlarmDownForTheRun_data() {
        QTest::addColumn<int>("caption");
        QTest::newRow("Hinta:") << 5;
        QTest::newRow("Yhteensä: of the cost") << 7;
        QTest::newRow("Yhteensä: of the time") << 3;
    }
    void aCaptionClickedBeforeTheLimitKeepsItsAlarmDownForTheRun() {
        QFETCH(int, caption);
        CallSetup setup;
        setup.puhelu = u"100"_s;
        setup.arkisin1 = u"100"_s;
        setup.yhteydenHinta = u"2"_s;
        setup.hinnatYhteensä = u"2"_s;
        setup.yhteensäMinuuttia = u"1"_s;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        QVERIFY(!meter.Timer1->isActive() && !meter.Timer2->isActive());
        Label* label = caption == 5 ? meter.Label5 : caption == 7 ? meter.Label7 : meter.Label3;
        QTest::mouseClick(label, Qt::LeftButton);
        tick(61);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"300"_s);
        QCOMPARE(meter.Timer1->isActive(), caption != 5);
        QCOMPARE(meter.Timer2->isActive(), caption != 7);
        QCOMPARE(meter.Timer4->isActive(), caption != 3);
        QCOMPARE(HintaAlarmAcknowledged, caption == 5);
        QCOMPARE(YhteensäHintaAlarmAcknowledged, caption == 7);
        QCOMPARE(YhteensäKestoAlarmAcknowledged, caption == 3);
    }

    void thePerCallPriceLimitIsReachedInWholeMarkka_data() {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("puhelu");
        QTest::addColumn<bool>("atOpen");
        QTest::addColumn<bool>("afterAMinute");
        QTest::newRow("999 penni, then 1000") << u"10"_s << u"999"_s << false << true;
        QTest::newRow("1000 penni at once") << u"10"_s << u"1000"_s << true << true;
        QTest::newRow("cut, not rounded") << u"10"_s << u"998,9"_s << false << false;
        QTest::newRow("no limit") << u"0"_s << u"5000"_s << false << false;
        QTest::newRow("a limit that is no number") << u"kymmenen"_s << u"5000"_s << false << false;
    }
    void thePerCallPriceLimitIsReachedInWholeMarkka() {
        QFETCH(QString, limit);
        QFETCH(QString, puhelu);
        QFETCH(bool, atOpen);
        QFETCH(bool, afterAMinute);
        CallSetup setup;
        setup.puhelu = puhelu;
        setup.arkisin1 = u"1"_s;
        setup.yhteydenHinta = limit;
        startProgram(setup);
        Form2& meter = openMeter<Form2>();
        QCOMPARE(meter.Timer1->isActive(), atOpen);
        tick();
        QCOMPARE(meter.Timer1->isActive(), afterAMinute);
        QCOMPARE(meter.Timer6->isActive(), afterAMinute);
        QVERIFY(!meter.Timer2->isActive());
        if (afterAMinute) {
            QTest::mouseClick(meter.Label5, Qt::LeftButton);
            tick(60);
            QVERIFY(!meter.Timer1->isActive());
            QVERIFY(!meter.Timer6->isActive());
        }
    }

    void theTotalPriceLimitSeesTheNewTotal_data() {
        QTest::addColumn<QString>("puhelu");
        QTest::addColumn<bool>("raised");
        QTest::newRow("the charge reaches it") << u"50"_s << true;
        QTest::newRow("the charge falls short") << u"49,9"_s << false;
    }
    void theTotalPriceLimitSeesTheNewTotal() {
        QFETCH(QString, puhelu);
        QFETCH(bool, raised);
        store(Keys::Asetukset, Keys::Kustannukset1, u"150"_s);
        CallSetup setup;
        setup.puhelu = puhelu;
        setup.hinnatYhteensä = u"2"_s;
        startProgram(setup);
        Form2& meter = form<Form2>();
        QCOMPARE(meter.Timer2->isActive(), raised);
        QVERIFY(!meter.Timer1->isActive());
    }
};

const QColor MeterAlarmsTest::Red{255, 0, 0};

ORVALIN_TEST_MAIN(MeterAlarmsTest)
#include "tst_meter_alarms.moc"
