#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "meter/TickTimer.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;

// The meters of both tariff types: the clock, the cost, the alarms, the end of the call and the
// close. A call's setup is written "name=value ...": t the tariff type, p the per-call charge,
// a1..a3 the rates and v the provider's charge in penni, kh/km the call's duration limit, yh/ym
// the total's, h the call's price limit and hy the total price's, in markka; the rest is 0, and "_"
// stands for a space.
class MeterWindowTest : public WindowTest {
    Q_OBJECT
private:
    static inline const QColor Red{255, 0, 0};
    // 50 penni a call, 20 a minute in the day, 300 for the first block, 12,5 later, 5 to the
    // provider; type 2 charges neither of the amounts of other times.
    static inline const QString T1 = u"p=50 a1=20 a2=300 a3=12,5 v=5"_s;
    static inline const QString T2 = u"t=2 p=50 a1=12,5 a2=300 a3=99 v=5"_s;

    // Starts the program as a run does, with the tariff type stored and the tariff and limits
    // that the loaded windows publish. The modem's port 1 stays busy, as a connection holds it,
    // until a test lets it go.
    MeterWindow& startProgram(const QString& setup = {}) {
        QHash<QString, QString> s;
        for (const QString& pair : setup.split(u' ', Qt::SkipEmptyParts))
            s[pair.section(u'=', 0, 0)] = pair.section(u'=', 1).replace(u'_', u' ');
        const QString type = u"Tyyppi "_s + s.value(u"t"_s, u"1"_s);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        // The tariff in force is read again from the store while a call goes on.
        for (const auto& [key, name] : {std::pair{u"Puhelu"_s, u"p"_s},
                                        {u"Arkisin1"_s, u"a1"_s},
                                        {u"Arkisin2"_s, u"a2"_s},
                                        {u"Arkisin3"_s, u"a3"_s}}) {
            const QString amount = s.value(name, u"0"_s);
            store(type, key + u" 1"_s, amount.section(u',', 0, 0));
            store(type, key + u" 2"_s, amount.contains(u',') ? amount.section(u',', 1) : u"0"_s);
        }
        platform().ports.busy = {1};
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        const Form3& t = form<Form3>();
        const Form4& l = form<Form4>();
        const QStringList names = u"p a1 a2 a3 v kh km yh ym h hy"_s.split(u' ');
        TextBox* const boxes[] = {t.Puhelu,         t.Arkisin1,         t.Arkisin2,
                                  t.Arkisin3,       t.PalvelunTarjoaja, l.KestoTuntia,
                                  l.KestoMinuuttia, l.YhteensäTuntia,   l.YhteensäMinuuttia,
                                  l.YhteydenHinta,  l.HinnatYhteensä};
        for (int i = 0; i < names.size(); ++i)
            boxes[i]->setText(s.value(names[i], u"0"_s));
        return type == Keys::Tyyppi2 ? static_cast<MeterWindow&>(form<Form22>()) : form<Form2>();
    }
    // The program started on the setup and the meter of its tariff type shown.
    MeterWindow& openMeterOn(const QString& setup = {}) {
        MeterWindow& meter = startProgram(setup);
        meter.show();
        return meter;
    }
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            platform().alarm().fire(1);
    }
    void setClock(const QString& dayHour) {
        platform().clock.weekdayText = dayHour.section(u'/', 0, 0);
        platform().clock.hourText = dayHour.section(u'/', 1);
    }
    // Puts a duration's counters at "h:m:s" through their own reactions, minutes first, so that
    // putting them there meets no limit on the way.
    static void setCounters(Label* h, Label* m, Label* s, const QString& hms) {
        m->setText(hms.section(u':', 1, 1));
        h->setText(hms.section(u':', 0, 0));
        s->setText(hms.section(u':', 2));
    }
    static QString counters(const Label* h, const Label* m, const Label* s) {
        return h->text() + u':' + m->text() + u':' + s->text();
    }
    static void storeTotal(const QString& hms) {
        for (int i = 0; i < 3; ++i)
            store(Keys::Asetukset, QList{Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit}[i],
                  hms.section(u':', i, i));
    }
    // The alarms that blink, by the number of their timer, and "S" when the sound repeats.
    static QString raised(const MeterWindow& m) {
        QString on;
        const QTimer* const timers[] = {m.Timer1, m.Timer2, m.Timer3, m.Timer4, m.Timer6};
        for (int i = 0; i < 5; ++i)
            if (timers[i]->isActive())
                on += u"1234S"_s[i];
        return on;
    }

private slots:
    void opensAsASmallMeterAboveOtherWindows() {
        MeterWindow& m = openMeterOn();
        QVERIFY(m.windowFlags() & Qt::WindowStaysOnTopHint);
        QStringList texts{m.windowTitle()};
        for (const Label* l : {m.Label2, m.Kesto, m.Label5, m.Kustannukset, m.Label3, m.Yhteensä,
                               m.Label7, m.KustannuksetYhteensä})
            texts << l->text();
        QCOMPARE(texts.join(u'|'), u"Orvalin|Kesto:|00:00:00|Hinta:|0 markkaa|Yhteensä:|00:00:00|"
                                   u"Yhteensä:|0 markkaa"_s);
        QVERIFY(m.Timer5->isActive() && raised(m).isEmpty() && m.size() == QSize(262, 36));
    }

    // A stored place on the screen is taken, in twips (15 to the pixel here); one off the
    // screen, or no number, leaves the design place (5475 and 5490 twips).
    void takesItsStoredPlace_data() {
        rows({"1500 3000 100,200", "16000 12000 363,364", "x 1500 363,100"});
    }
    void takesItsStoredPlace() {
        const QStringList r = row();
        store(Keys::Asetukset, Keys::Left, r[0]);
        store(Keys::Asetukset, Keys::Top, r[1]);
        const MeterWindow& m = openMeterOn();
        QTRY_VERIFY(!m.Timer7->isActive());
        QCOMPARE(u"%1,%2"_s.arg(m.x()).arg(m.y()), r[2]);
    }

    // "before shown counters": both durations carry at 60, up to the end of the count.
    void carriesIntoTheNextUnit_data() {
        rows({"00:00:59 00:01:00 00:1:00", "00:59:59 01:00:00 1:00:00", "9:59:59 10:00:00 10:00:00",
              "999:59:59 00:00:00 00:00:00"});
    }
    void carriesIntoTheNextUnit() {
        const QStringList r = row();
        MeterWindow& m = openMeterOn();
        setCounters(m.KestoTunnit, m.KestoMinuutit, m.KestoSekunnit, r[0]);
        setCounters(m.YhteensäTunnit, m.YhteensäMinuutit, m.YhteensäSekunnit, r[0]);
        tick();
        QCOMPARE(m.Kesto->text() + u' ' + m.Yhteensä->text(), r[1] + u' ' + r[1]);
        QCOMPARE(counters(m.KestoTunnit, m.KestoMinuutit, m.KestoSekunnit), r[2]);
        QCOMPARE(counters(m.YhteensäTunnit, m.YhteensäMinuutit, m.YhteensäSekunnit), r[2]);
    }

    // "stored duration|total after a tick|stored penni|stored markka|shown cost", on a Saturday
    // so that no call is charged at the opening.
    void restoresTheTotalsAsStored_data() {
        rows({"12:59:59|13:00:00|1200|12|12 markkaa",
              "00:00:75|00:00:76|1234,5|12,34|12,34 markkaa", "::|00:00:01|||0 markkaa",
              "viisi:-3:1,5|00:00:01|paljon|x|0 markkaa"});
    }
    void restoresTheTotalsAsStored() {
        const QStringList r = row(u'|');
        storeTotal(r[0]);
        store(Keys::Asetukset, Keys::Kustannukset1, r[2]);
        store(Keys::Asetukset, Keys::Kustannukset2, r[3]);
        setClock(u"lauantai/10"_s);
        MeterWindow& m = openMeterOn();
        QCOMPARE(m.KustannuksetYhteensä->text(), r[4]);
        tick();
        QCOMPARE(m.Yhteensä->text(), r[1]);
        QCOMPARE(m.Kustannukset1->text(), NumberToText(NumberFromText(r[2])));
    }

    // "setup|weekday/hour|stored total|steps|markka|unknown days". A step is "N=penni", N ticks
    // and then the call's cost in penni, or "@weekday/hour", the clock moving on. The total goes
    // up by as much as the call; a weekday the program cannot name stops every charge, and says
    // so at every one. The first block counts from the start of the call and is charged once.
    void chargesTheCallAndEveryBegunMinute_data() {
        rows({"T1|tiistai/10||0=50 1=75 58=75 1=75 1=100|1 markkaa|0",
              "T1|maanantai/07|1000|0=50||0", "T1|perjantai/16||0=50||0",
              "T1|perjantai/17|1000|0=0||0", "T1|maanantai/06||0=0||0",
              "T1|lauantai/23||0=0 1=305 60=310 @sunnuntai/00 1680=450 60=467,5|4,67 markkaa|0",
              "T1|tiistai/16||2940=1275 @tiistai/17 1=1580 60=1597,5 @keskiviikko/07 60=1622,5 "
              "@keskiviikko/17 60=1640|16,4 markkaa|0",
              "p=viisikymmentä a1=20_p v=5|tiistai/10||0=0 1=5|0,05 markkaa|0",
              "T1|Tuesday/10||0=0 1=0 60=0|0 markkaa|3",
              "T2|lauantai/23||0=50 1=67,5 60=85 @sunnuntai/00 1740=592,5|5,92 markkaa|0",
              "T2|/10|1000|61=85||0"});
    }
    void chargesTheCallAndEveryBegunMinute() {
        const QStringList r = row(u'|');
        store(Keys::Asetukset, Keys::Kustannukset1, r[2]);
        setClock(r[1]);
        MeterWindow& m = openMeterOn(r[0] == u"T1" ? T1 : r[0] == u"T2" ? T2 : r[0]);
        for (const QString& step : r[3].split(u' ')) {
            if (step.startsWith(u'@')) {
                setClock(step.mid(1));
                continue;
            }
            tick(step.section(u'=', 0, 0).toInt());
            const QString penni = step.section(u'=', 1);
            QCOMPARE(m.KustannuksetPenniä->text(), penni);
            QCOMPARE(m.Kustannukset1->text(),
                     NumberToText(NumberFromText(r[2]) + NumberFromText(penni)));
        }
        if (!r[4].isEmpty())
            QCOMPARE(m.Kustannukset->text() + m.KustannuksetYhteensä->text(), r[4] + r[4]);
        QCOMPARE(platform().messageBoxes.texts(), QStringList(r[5].toInt(), u"!!!"_s));
    }

    void theProbeEndsTheCallOnlyWhenThePortOpens() {
        MeterWindow& meter = openMeterOn();
        platform().ports.calls.clear();
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls, (QStringList{u"setPort 1"_s, u"open"_s}));
        QVERIFY(FormRegistry::instance().isLoaded(u"Form2"_s));
        // The port is read from the settings at every probe.
        platform().ports.calls.clear();
        form<Form4>().Combo1->select(2);
        meter.Timer5_Timer();
        QCOMPARE(platform().ports.calls, (QStringList{u"setPort 3"_s, u"open"_s, u"close"_s}));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    // "setup ticks penni markka how": closed by its title bar or with the start-up window.
    void closingLogsStoresSummarisesAndEndsTheRun_data() {
        rows({"T1 7 75 0,75 bar", "T1 3 75 0,75 Form1", "T2 2 67,5 0,67 bar"});
    }
    void closingLogsStoresSummarisesAndEndsTheRun() {
        const QStringList r = row();
        MeterWindow& meter = openMeterOn(r[0] == u"T1" ? T1 : T2);
        const ListView* list = form<Form7>().ListView1;
        const int rowsBefore = list->count();
        tick(r[1].toInt());
        const QString duration = u"00:00:0"_s + r[1], cost = r[3] + u" markkaa"_s;
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        QStringList seen;
        platform().messageBoxes.whileShown = [&](const Message&) {
            const int last = list->count() - 1;
            seen << QString::number(list->count() - rowsBefore) << list->text(last, 0)
                 << list->text(last, 1) << list->text(last, 2);
            for (const QString& key : {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
                                       Keys::Kustannukset1, Keys::Kustannukset2, Keys::Left})
                seen << stored(Keys::Asetukset, key);
            tick();
            seen << (meter.isVisible() ? u"shown"_s : u"hidden"_s) << meter.Kesto->text();
        };
        if (r[4] == u"bar")
            meter.close();
        else
            form<Form1>().close();
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{u"Yhteyden kesto: "_s + duration + u"\nYhteyden hinta: "_s + cost});
        QCOMPARE(seen, (QStringList{u"1"_s, u"6. joulukuuta 2026"_s, duration, cost, u"00"_s,
                                    u"00"_s, duration.right(2), r[2], r[3],
                                    QString::number(meter.pos().x() * 15), u"hidden"_s, duration}));
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void aOneMinuteCallLimitBlinksAndSoundsFiveSecondsAfterIt() {
        MeterWindow& meter = openMeterOn(u"km=1"_s);
        tick(59);
        QCOMPARE(raised(meter), QString());
        tick();
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(raised(meter), u"3S"_s);
        QTRY_VERIFY_WITH_TIMEOUT(meter.Kesto->isHidden(), 1500);
        QCOMPARE(meter.Kesto->palette().color(QPalette::WindowText), Red);
        QVERIFY(platform().flasher.isFlashing() && platform().sounds.played.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(platform().sounds.played.size(), 1, 6000);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(elapsed.elapsed() >= 4700, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(platform().sounds.played.first(), platform().env.folder + u"/hälytys.wav"_s);
    }

    // "limit hours, limit minutes, the call before the tick, met": the counters' very texts.
    void aCallLimitIsMetByTheCountersTexts_data() {
        rows({"0 1 0:0:59 1", "0 1 0:0:58 0", "0 1 1:0:59 1", "1 0 0:58:59 0", "1 0 0:59:59 1",
              "2 0 2:59:59 1", "2 0 3:0:59 0", "0 30 0:31:59 0", "0 0 0:59:59 0",
              "01 0 0:59:59 0"});
    }
    void aCallLimitIsMetByTheCountersTexts() {
        const QStringList r = row();
        MeterWindow& meter = openMeterOn(u"kh="_s + r[0] + u" km="_s + r[1]);
        setCounters(meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit, r[2]);
        QCOMPARE(raised(meter), QString());
        tick();
        QCOMPARE(raised(meter), r[3] == u"1" ? u"3S"_s : QString());
    }

    // "type total hours minutes met": type 1 checks the total unit by unit already while the
    // window opens; type 2 only at a click on the total.
    void theTotalIsCheckedUnitByUnit_data() {
        rows({"1 05:40:00 5 30 1", "1 02:10:00 1 30 0", "1 02:30:00 1 30 1", "1 09:59:00 10 0 0",
              "1 12:15:00 0 0 0", "2 12:15:00 10 0 1", "2 09:15:00 10 0 0"});
    }
    void theTotalIsCheckedUnitByUnit() {
        const QStringList r = row();
        storeTotal(r[1]);
        MeterWindow& meter = startProgram(u"t=%1 yh=%2 ym=%3"_s.arg(r[0], r[2], r[3]));
        const QString whenMet = r[4] == u"1" ? u"4S"_s : QString();
        QCOMPARE(raised(meter), r[0] == u"1" ? whenMet : QString());
        meter.show();
        QTest::mouseClick(meter.Yhteensä, Qt::LeftButton);
        QCOMPARE(raised(meter), whenMet);
    }

    void clickingACaptionSilencesEveryAlarmButStopsOnlyItsOwn() {
        MeterWindow& meter = openMeterOn(u"p=100 a1=20 km=1 h=1"_s);
        tick(61);
        QCOMPARE(raised(meter), u"13S"_s);
        meter.Timer3_Timer();
        QVERIFY(meter.Kesto->isHidden() && platform().flasher.isFlashing());
        QTest::mouseClick(meter.Label2, Qt::LeftButton);
        QCOMPARE(raised(meter), u"1"_s);
        QVERIFY(meter.Kesto->isVisible() && !platform().flasher.isFlashing());
        // The sound comes back with the next price check, at the next begun minute.
        tick(59);
        QCOMPARE(raised(meter), u"1"_s);
        tick();
        QCOMPARE(raised(meter), u"1S"_s);
        // Acknowledged for the rest of the run.
        setCounters(meter.KestoTunnit, meter.KestoMinuutit, meter.KestoSekunnit, u"1:0:59"_s);
        tick();
        QCOMPARE(raised(meter), u"1S"_s);
    }

    // "caption still-raised": a caption clicked before its limit keeps its alarm down.
    void aCaptionClickedBeforeTheLimit_data() { rows({"5 24S", "7 14S", "3 12S"}); }
    void aCaptionClickedBeforeTheLimit() {
        const QStringList r = row();
        MeterWindow& m = openMeterOn(u"p=100 a1=100 ym=1 h=2 hy=2"_s);
        QCOMPARE(raised(m), QString());
        QTest::mouseClick(r[0] == u"5"   ? m.Label5
                          : r[0] == u"7" ? m.Label7
                                         : m.Label3,
                          Qt::LeftButton);
        tick(61);
        QCOMPARE(m.KustannuksetPenniä->text() + u' ' + raised(m), u"300 "_s + r[1]);
    }

    // "limit puhelu atOpen afterAMinute": the call's price limit is met by the cut whole markka;
    // a click on "Hinta:" keeps it down.
    void theCallPriceLimitIsReachedInWholeMarkka_data() {
        rows({"10 999 0 1", "10 1000 1 1", "10 998,9 0 0", "0 5000 0 0", "kymmenen 5000 0 0"});
    }
    void theCallPriceLimitIsReachedInWholeMarkka() {
        const QStringList r = row();
        MeterWindow& m = openMeterOn(u"a1=1 h=%1 p=%2"_s.arg(r[0], r[1]));
        QCOMPARE(m.Timer1->isActive(), r[2] == u"1");
        tick();
        QCOMPARE(raised(m), r[3] == u"1" ? u"1S"_s : QString());
        QTest::mouseClick(m.Label5, Qt::LeftButton);
        tick(60);
        QCOMPARE(raised(m), QString());
    }

    // The total price limit of 2 markka sees the new total: the stored 150 penni and the call.
    void theTotalPriceLimitSeesTheNewTotal_data() { rows({"50 2S", "49,9 -"}); }
    void theTotalPriceLimitSeesTheNewTotal() {
        store(Keys::Asetukset, Keys::Kustannukset1, u"150"_s);
        QCOMPARE(raised(startProgram(u"hy=2 p="_s + row()[0])).leftJustified(1, u'-'), row()[1]);
    }
};

ORVALIN_TEST_MAIN(MeterWindowTest)
#include "tst_meter.moc"
