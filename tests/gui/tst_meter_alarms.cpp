#include "MeterTest.h"
#include "app/Globals.h"
#include "platform/LinuxPlatform.h"

#include <QDialog>
#include <QElapsedTimer>

using namespace Qt::StringLiterals;

// The four limit alarms of the meters: when they are raised, how they blink, flash and sound,
// and how a click on their caption acknowledges them.
class MeterAlarmsTest : public MeterTest {
    Q_OBJECT
private:
    static const QColor Red;

    // Puts the call's counters at "hours:minutes:seconds"; the minutes go first, so that putting
    // them there meets no limit on the way.
    static void setCall(MeterWindow& meter, const QString& hms) {
        const QStringList parts = hms.split(u':');
        meter.KestoMinuutit->setText(parts.value(1));
        meter.KestoTunnit->setText(parts.value(0));
        meter.KestoSekunnit->setText(parts.value(2));
    }

    static QColor background(QWidget& window) { return window.grab().toImage().pixelColor(2, 2); }

private slots:
    void aOneMinuteCallLimitBlinksASecondAndSoundsFiveSecondsAfterIt() {
        MeterWindow& meter = openMeterOn({.kestoMinuuttia = u"1"_s});
        tick(59);
        QCOMPARE(raised(meter), QString());
        tick();
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(raised(meter), u"3S"_s);
        QVERIFY(textColour(meter.Kesto) != Red);
        QVERIFY(!platform().flasher.isFlashing());

        QTRY_VERIFY_WITH_TIMEOUT(meter.Kesto->isHidden(), 1500);
        QVERIFY2(elapsed.elapsed() >= 900, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(textColour(meter.Kesto), Red);
        QVERIFY(platform().flasher.isFlashing());
        QTRY_VERIFY_WITH_TIMEOUT(meter.Kesto->isVisible(), 1500);
        QCOMPARE(textColour(meter.Kesto), Red);
        for (const Label* other : {meter.Yhteensä, meter.Kustannukset, meter.KustannuksetYhteensä})
            QVERIFY(other->isVisible() && textColour(other) != Red);

        QVERIFY(platform().sounds.played.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(platform().sounds.played.size(), 1, 6000);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(elapsed.elapsed() >= 4700, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(platform().sounds.played.first(), platform().env.folder + u"/hälytys.wav"_s);
    }

    void aCallLimitIsMetByTheCountersTexts_data() {
        textColumns({"hours", "minutes", "before"});
        QTest::addColumn<bool>("met");
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
        MeterWindow& meter =
            openMeterOn({.kestoTuntia = cell("hours"), .kestoMinuuttia = cell("minutes")});
        setCall(meter, cell("before"));
        QCOMPARE(raised(meter), QString());
        tick();
        QCOMPARE(raised(meter), cell<bool>("met") ? u"3S"_s : QString());
    }

    // Type 1 checks the total unit by unit already while the window opens and at every change;
    // type 2 only at a click on the total, and at a minute that meets the limit by its text.
    void theTotalIsCheckedUnitByUnit_data() {
        textColumns({"type", "total", "hours", "minutes"});
        QTest::addColumn<bool>("met");
        const QString t1 = Keys::Tyyppi1;
        const QString t2 = Keys::Tyyppi2;
        QTest::newRow("12:15 against 10 h") << t1 << u"12:15:00"_s << u"10"_s << u"0"_s << true;
        QTest::newRow("5:40 against 5 h 30 min")
            << t1 << u"05:40:00"_s << u"5"_s << u"30"_s << true;
        QTest::newRow("2:10 against 1 h 30 min")
            << t1 << u"02:10:00"_s << u"1"_s << u"30"_s << false;
        QTest::newRow("2:30 against 1 h 30 min")
            << t1 << u"02:30:00"_s << u"1"_s << u"30"_s << true;
        QTest::newRow("9:59 against 10 h") << t1 << u"09:59:00"_s << u"10"_s << u"0"_s << false;
        QTest::newRow("no limit") << t1 << u"12:15:00"_s << u"0"_s << u"0"_s << false;
        QTest::newRow("a limit that is no number")
            << t1 << u"12:15:00"_s << u"kymmenen"_s << u"0"_s << false;
        QTest::newRow("type 2, 12:15 against 10 h")
            << t2 << u"12:15:00"_s << u"10"_s << u"0"_s << true;
        QTest::newRow("type 2, 9:15 against 10 h")
            << t2 << u"09:15:00"_s << u"10"_s << u"0"_s << false;
    }
    void theTotalIsCheckedUnitByUnit() {
        QFETCH(QString, type);
        QFETCH(bool, met);
        storeTotal(cell("total"));
        startProgram(
            {.type = type, .yhteensäTuntia = cell("hours"), .yhteensäMinuuttia = cell("minutes")});
        MeterWindow& meter =
            type == Keys::Tyyppi1 ? static_cast<MeterWindow&>(form<Form2>()) : form<Form22>();
        const QString whenMet = met ? u"4S"_s : QString();
        QCOMPARE(raised(meter), type == Keys::Tyyppi1 ? whenMet : QString());
        meter.show();
        if (type == Keys::Tyyppi2) {
            tick(3);
            QCOMPARE(raised(meter), QString());
            QTest::mouseClick(meter.Yhteensä, Qt::LeftButton);
            QCOMPARE(raised(meter), whenMet);
        } else if (met) {
            QTRY_VERIFY_WITH_TIMEOUT(meter.Yhteensä->isHidden(), 1500);
            QCOMPARE(textColour(meter.Yhteensä), Red);
        }
    }

    void theTotalMinutesOfType2StillMeetTheirLimitByThemselves() {
        storeTotal(u"12:15:00"_s);
        MeterWindow& meter = openMeterOn({.type = u"Tyyppi 2"_s, .yhteensäMinuuttia = u"16"_s});
        tick(59);
        QCOMPARE(raised(meter), QString());
        tick();
        QCOMPARE(meter.Yhteensä->text(), u"12:16:00"_s);
        QCOMPARE(raised(meter), u"4S"_s);
    }

    // Every tick raises the total-duration alarm again, and a running alarm keeps its pace.
    void raisingARunningAlarmKeepsItsPace() {
        store(Keys::Asetukset, Keys::Tunnit, u"12"_s);
        MeterWindow& meter = openMeterOn({.yhteensäTuntia = u"10"_s});
        QCOMPARE(raised(meter), u"4S"_s);
        const int sound = meter.Timer6->remainingTime();
        const int blink = meter.Timer4->remainingTime();
        QTest::qWait(400);
        tick();
        QVERIFY(meter.Timer6->remainingTime() <= sound - 300);
        QVERIFY(meter.Timer4->remainingTime() <= blink - 300);
    }

    void clickingKestoSilencesEveryAlarmButStopsOnlyItsOwn() {
        MeterWindow& meter = openMeterOn({.puhelu = u"100"_s,
                                          .arkisin1 = u"20"_s,
                                          .kestoMinuuttia = u"1"_s,
                                          .yhteydenHinta = u"1"_s});
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        tick(61);
        QCOMPARE(raised(meter), u"13S"_s);
        meter.Timer3_Timer();
        meter.Timer1_Timer();
        QVERIFY(meter.Kesto->isHidden());
        QVERIFY(platform().flasher.isFlashing());
        const QPoint place = meter.pos();

        QTest::mouseClick(meter.Label2, Qt::LeftButton);
        QVERIFY(KestoAlarmAcknowledged);
        QVERIFY(!HintaAlarmAcknowledged);
        QCOMPARE(raised(meter), u"1"_s);
        QVERIFY(meter.Kesto->isVisible());
        QCOMPARE(textColour(meter.Kesto), Red);
        QVERIFY(!platform().flasher.isFlashing());
        QVERIFY(meter.isVisible());
        QCOMPARE(meter.windowTitle(), u"Orvalin"_s);
        QCOMPARE(meter.pos(), place);

        const int starts = platform().flasher.starts;
        meter.Timer1_Timer();
        QCOMPARE(platform().flasher.starts, starts + 1);
        // The sound comes back with the next price check, at the next begun minute.
        tick(59);
        QCOMPARE(meter.Kesto->text(), u"00:02:00"_s);
        QCOMPARE(raised(meter), u"1"_s);
        tick();
        QCOMPARE(raised(meter), u"1S"_s);
        // Acknowledged for the rest of the run.
        setCall(meter, u"1:0:59"_s);
        tick();
        QCOMPARE(raised(meter), u"1S"_s);
        QVERIFY(meter.Kesto->isVisible());
    }

    void aRunningTotalAlarmBringsTheSoundBackWithinATick() {
        store(Keys::Asetukset, Keys::Tunnit, u"12"_s);
        MeterWindow& meter = openMeterOn({.kestoMinuuttia = u"1"_s, .yhteensäTuntia = u"10"_s});
        tick(60);
        QCOMPARE(raised(meter), u"34S"_s);
        QTest::mouseClick(meter.Label2, Qt::LeftButton);
        QCOMPARE(raised(meter), u"4"_s);
        tick();
        QCOMPARE(raised(meter), u"4S"_s);
    }

    void aCaptionClickedBeforeTheLimitKeepsItsAlarmDownForTheRun_data() {
        QTest::addColumn<int>("caption");
        QTest::addColumn<QString>("stillRaised");
        QTest::newRow("Hinta:") << 5 << u"24S"_s;
        QTest::newRow("Yhteensä: of the cost") << 7 << u"14S"_s;
        QTest::newRow("Yhteensä: of the time") << 3 << u"12S"_s;
    }
    void aCaptionClickedBeforeTheLimitKeepsItsAlarmDownForTheRun() {
        QFETCH(int, caption);
        MeterWindow& meter = openMeterOn({.puhelu = u"100"_s,
                                          .arkisin1 = u"100"_s,
                                          .yhteensäMinuuttia = u"1"_s,
                                          .yhteydenHinta = u"2"_s,
                                          .hinnatYhteensä = u"2"_s});
        QCOMPARE(raised(meter), QString());
        QTest::mouseClick(caption == 5   ? meter.Label5
                          : caption == 7 ? meter.Label7
                                         : meter.Label3,
                          Qt::LeftButton);
        tick(61);
        QCOMPARE(meter.KustannuksetPenniä->text(), u"300"_s);
        QCOMPARE(raised(meter), cell("stillRaised"));
        QCOMPARE(HintaAlarmAcknowledged, caption == 5);
        QCOMPARE(YhteensäHintaAlarmAcknowledged, caption == 7);
        QCOMPARE(YhteensäKestoAlarmAcknowledged, caption == 3);
    }

    void thePerCallPriceLimitIsReachedInWholeMarkka_data() {
        textColumns({"limit", "puhelu"});
        QTest::addColumn<bool>("atOpen");
        QTest::addColumn<bool>("afterAMinute");
        QTest::newRow("999 penni, then 1000") << u"10"_s << u"999"_s << false << true;
        QTest::newRow("1000 penni at once") << u"10"_s << u"1000"_s << true << true;
        QTest::newRow("cut, not rounded") << u"10"_s << u"998,9"_s << false << false;
        QTest::newRow("no limit") << u"0"_s << u"5000"_s << false << false;
        QTest::newRow("a limit that is no number") << u"kymmenen"_s << u"5000"_s << false << false;
    }
    void thePerCallPriceLimitIsReachedInWholeMarkka() {
        QFETCH(bool, afterAMinute);
        MeterWindow& meter = openMeterOn(
            {.puhelu = cell("puhelu"), .arkisin1 = u"1"_s, .yhteydenHinta = cell("limit")});
        QCOMPARE(meter.Timer1->isActive(), cell<bool>("atOpen"));
        tick();
        QCOMPARE(raised(meter), afterAMinute ? u"1S"_s : QString());
        if (afterAMinute) {
            QTest::mouseClick(meter.Label5, Qt::LeftButton);
            tick(60);
            QCOMPARE(raised(meter), QString());
        }
    }

    void theTotalPriceLimitSeesTheNewTotal_data() {
        textColumns({"puhelu", "raisedAtOpen"});
        QTest::newRow("the charge reaches it") << u"50"_s << u"2S"_s;
        QTest::newRow("the charge falls short") << u"49,9"_s << QString();
    }
    void theTotalPriceLimitSeesTheNewTotal() {
        store(Keys::Asetukset, Keys::Kustannukset1, u"150"_s);
        startProgram({.puhelu = cell("puhelu"), .hinnatYhteensä = u"2"_s});
        QCOMPARE(raised(form<Form2>()), cell("raisedAtOpen"));
    }

    // The flashing the alarms use on Linux: the window's own background, lit once a second.
    void theLinuxFlasherLightsTheWindowUntilStoppedOrGone() {
        LinuxPlatform linuxPlatform;
        QDialog window;
        window.resize(200, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor normal = background(window);
        std::unique_ptr<Flasher> flasher = linuxPlatform.createFlasher(&window);
        QVERIFY(!flasher->isFlashing());

        flasher->start();
        QVERIFY(flasher->isFlashing());
        const QColor lit = background(window);
        QVERIFY(lit != normal);
        QTRY_COMPARE_WITH_TIMEOUT(background(window), normal, 900);
        QTRY_COMPARE_WITH_TIMEOUT(background(window), lit, 900);
        // Starting it again while it flashes keeps the window's own colours to return to.
        flasher->start();
        flasher->stop();
        QVERIFY(!flasher->isFlashing());
        QCOMPARE(background(window), normal);
        QTest::qWait(600);
        QCOMPARE(background(window), normal);

        flasher->start();
        QVERIFY(background(window) != normal);
        flasher.reset();
        QCOMPARE(background(window), normal);
    }
};

const QColor MeterAlarmsTest::Red{255, 0, 0};

ORVALIN_TEST_MAIN(MeterAlarmsTest)
#include "tst_meter_alarms.moc"
