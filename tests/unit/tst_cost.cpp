#include "WindowTest.h"
#include "meter/CostRules.h"
#include "meter/Markka.h"

#include <QTest>

class CostTest : public QObject {
    Q_OBJECT
private slots:
    void markkaTextCutsToTwoDecimals_data() {
        QTest::addColumn<double>("penni");
        QTest::addColumn<QString>("markka");
        QTest::addColumn<double>("whole");
        QTest::newRow("one decimal, no trailing zero") << 1230.0 << "12,3" << 12.0;
        QTest::newRow("whole markka, no comma") << 1200.0 << "12" << 12.0;
        QTest::newRow("five penni") << 5.0 << "0,05" << 0.0;
        QTest::newRow("cut, not rounded") << 1234.9 << "12,34" << 12.0;
        QTest::newRow("half a penni") << 12.5 << "0,12" << 0.0;
        QTest::newRow("just below ten markka") << 999.0 << "9,99" << 9.0;
        QTest::newRow("ten markka") << 1000.0 << "10" << 10.0;
        QTest::newRow("nothing") << 0.0 << "0" << 0.0;
        QTest::newRow("sum of tenths") << 37.5 << "0,37" << 0.0;
        QTest::newRow("a large total") << 123456789.0 << "1234567,89" << 1234567.0;
        QTest::newRow("a negative amount") << -250.0 << "-2,5" << -2.0;
    }
    void markkaTextCutsToTwoDecimals() {
        QFETCH(double, penni);
        QCOMPARE(MarkkaText(penni), cell("markka"));
        QCOMPARE(WholeMarkka(penni), cell<double>("whole"));
    }

    void momentOfWeek_data() {
        QTest::addColumn<QString>("weekday");
        QTest::addColumn<double>("hour");
        QTest::addColumn<Moment>("moment");
        QTest::newRow("Tuesday 10") << "tiistai" << 10.0 << Moment::Day;
        QTest::newRow("Monday 06") << "maanantai" << 6.0 << Moment::OtherTimes;
        QTest::newRow("Monday 07") << "maanantai" << 7.0 << Moment::Day;
        QTest::newRow("Wednesday 16") << "keskiviikko" << 16.0 << Moment::Day;
        QTest::newRow("Thursday 17") << "torstai" << 17.0 << Moment::OtherTimes;
        QTest::newRow("Thursday 00") << "torstai" << 0.0 << Moment::OtherTimes;
        QTest::newRow("Friday 16") << "perjantai" << 16.0 << Moment::Day;
        QTest::newRow("Friday 17") << "perjantai" << 17.0 << Moment::OtherTimes;
        QTest::newRow("Friday 23") << "perjantai" << 23.0 << Moment::OtherTimes;
        QTest::newRow("Saturday 10") << "lauantai" << 10.0 << Moment::OtherTimes;
        QTest::newRow("Sunday 12") << "sunnuntai" << 12.0 << Moment::OtherTimes;
        QTest::newRow("English name") << "Tuesday" << 10.0 << Moment::Unrecognised;
        QTest::newRow("essive form") << "tiistaina" << 10.0 << Moment::Unrecognised;
        QTest::newRow("capitalised") << "Tiistai" << 10.0 << Moment::Unrecognised;
        QTest::newRow("empty") << "" << 10.0 << Moment::Unrecognised;
    }
    void momentOfWeek() {
        QCOMPARE(MomentOfWeek(cell("weekday"), cell<double>("hour")), cell<Moment>("moment"));
    }

    void type1ChargeOfEveryBegunMinute_data() {
        QTest::addColumn<Moment>("moment");
        QTest::addColumn<int>("minute");
        QTest::addColumn<bool>("blockCharged");
        QTest::addColumn<double>("charge");
        // Arkisin1 20, Arkisin2 300, Arkisin3 12,5, provider 5.
        QTest::newRow("day") << Moment::Day << 1 << false << 25.0;
        QTest::newRow("day after the block") << Moment::Day << 40 << true << 25.0;
        QTest::newRow("other times, first minute") << Moment::OtherTimes << 1 << false << 305.0;
        QTest::newRow("inside the block") << Moment::OtherTimes << 2 << true << 5.0;
        QTest::newRow("last minute of the block") << Moment::OtherTimes << 30 << true << 5.0;
        QTest::newRow("after the block") << Moment::OtherTimes << 31 << true << 17.5;
        QTest::newRow("other times begin in minute 50")
            << Moment::OtherTimes << 50 << false << 305.0;
        QTest::newRow("and the minute after") << Moment::OtherTimes << 51 << true << 17.5;
    }
    void type1ChargeOfEveryBegunMinute() {
        const Type1Rates rates{20, 300, 12.5, 5};
        QCOMPARE(Type1MinuteCharge(cell<Moment>("moment"), cell<int>("minute"),
                                   cell<bool>("blockCharged"), rates),
                 cell<double>("charge"));
    }
};

ORVALIN_TEST_MAIN(CostTest)
#include "tst_cost.moc"
