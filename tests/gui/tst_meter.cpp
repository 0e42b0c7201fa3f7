#include "WindowTest.h"

// The meters of both tariff types (the clock, the cost, the alarms, the close), the log viewer
// and the journal of a running call. A call's setup is written "name=value ...": t the tariff
// type, p the per-call charge, a1..a3 the rates and v the provider's charge in penni, kh/km the
// call's duration limit, yh/ym the total's, h the call's price limit and hy the total price's, in
// markka, T the stored total duration "h:m:s" and P its cost in penni; the rest is 0, and "_"
// stands for a space. T1 is 50 penni a call, 20 a minute in the day, 300 for the first block,
// 12,5 later and 5 to the provider; T2 charges neither amount of other times. A shown log row is
// "date|duration|price", a stored one "key|date|duration|price|start moment", rows
// ";"-separated.
const QStringList& LogSections = Keys::CallRowSections;

class MeterWindowTest : public WindowTest {
    Q_OBJECT
private:
    // Starts the program as a run does, with the tariff type stored and the tariff and limits
    // that the loaded windows publish, and shows the meter. Port 1 stays busy, as a connection
    // holds it.
    MeterWindow& openMeterOn(const QString& setup = {}) {
        const QString named = setup == u"T1"   ? u"p=50 a1=20 a2=300 a3=12,5 v=5"_s
                              : setup == u"T2" ? u"t=2 p=50 a1=12,5 a2=300 a3=99 v=5"_s
                                               : setup;
        QHash<QString, QString> s;
        for (const QString& pair : named.split(u' ', Qt::SkipEmptyParts))
            s[pair.section(u'=', 0, 0)] = pair.section(u'=', 1).replace(u'_', u' ');
        for (int i = 0; i < 3 && s.contains(u"T"_s); ++i)
            store(Keys::Asetukset, QList{Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit}[i],
                  s[u"T"_s].section(u':', i, i));
        if (s.contains(u"P"_s))
            store(Keys::Asetukset, Keys::Kustannukset1, s[u"P"_s]);
        const QString type = u"Tyyppi "_s + s.value(u"t"_s, u"1"_s);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        // The tariff in force is read again from the store while a call goes on.
        const QStringList names = u"p a1 a2 a3 v kh km yh ym h hy"_s.split(u' ');
        for (int i = 0; i < 4; ++i) {
            const QString amount = s.value(names[i], u"0"_s) + u",0"_s;
            const QString key = u"Puhelu Arkisin1 Arkisin2 Arkisin3"_s.split(u' ')[i];
            store(type, key + u" 1"_s, amount.section(u',', 0, 0));
            store(type, key + u" 2"_s, amount.section(u',', 1, 1));
        }
        platform().ports.busy = {1};
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        const Form3& t = form<Form3>();
        const Form4& l = form<Form4>();
        TextBox* const boxes[] = {t.Puhelu,         t.Arkisin1,         t.Arkisin2,
                                  t.Arkisin3,       t.PalvelunTarjoaja, l.KestoTuntia,
                                  l.KestoMinuuttia, l.YhteensäTuntia,   l.YhteensäMinuuttia,
                                  l.YhteydenHinta,  l.HinnatYhteensä};
        for (int i = 0; i < names.size(); ++i)
            boxes[i]->setText(s.value(names[i], u"0"_s));
        MeterWindow& meter =
            type == Keys::Tyyppi2 ? static_cast<MeterWindow&>(form<Form22>()) : form<Form2>();
        meter.show();
        return meter;
    }
    void tick(int count = 1) {
        while (count-- > 0)
            platform().alarm().fire(1);
    }
    void setClock(const QString& dayHour) {
        platform().clock.weekdayText = dayHour.section(u'/', 0, 0);
        platform().clock.hourText = dayHour.section(u'/', 1);
    }
    // Puts the call's counters at "h:m:s" through their own reactions, minutes first, so that
    // putting them there meets no limit on the way.
    static void setCounters(const MeterWindow& m, const QString& hms) {
        Label* const c[] = {m.KestoTunnit, m.KestoMinuutit, m.KestoSekunnit};
        for (int i : {1, 0, 2})
            c[i]->setText(hms.section(u':', i, i));
    }
    // The alarms that blink, by the number of their timer, and "S" when the sound repeats; "-"
    // for none.
    static QString raised(const MeterWindow& m) {
        QString on;
        const QTimer* const timers[] = {m.Timer1, m.Timer2, m.Timer3, m.Timer4, m.Timer6};
        for (int i = 0; i < 5; ++i)
            if (timers[i]->isActive())
                on += u"1234S"_s[i];
        return on.isEmpty() ? u"-"_s : on;
    }
    QString raisedAfter(const MeterWindow& m, int ticks) { return tick(ticks), raised(m); }

    static void storeRows(const QString& rows) {
        for (const QString& row : rows.split(u';', Qt::SkipEmptyParts))
            for (int i = 0; i < 4; ++i)
                store(LogSections[i], row.section(u'|', 0, 0), row.section(u'|', i + 1, i + 1));
    }
    // The stored rows from key 0 up to the given one, "<absent>" where a value is not stored.
    static QString storedRows(int upTo) {
        return table(
            upTo + 1, [](int i, int c) { return stored(LogSections[c], QString::number(i)); }, 4);
    }
    // The journal of the running call, "duration|price|totals|totals stored", or "-".
    static QString journalled() {
        const std::optional<CallJournal> j = ReadCallJournal();
        return j ? u"%1|%2|%3|%4"_s.arg(j->duration, j->price, j->totals.join(u' '),
                                        QString::number(j->totalsStored))
                 : u"-"_s;
    }

    // Whether the window, as drawn now, shows the colour anywhere.
    static bool shows(QWidget& window, QColor colour) {
        const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(shot.constBits());
        const auto* end = pixels + shot.width() * shot.height();
        return std::find(pixels, end, colour.rgb()) != end;
    }

private slots:
    // "stored duration|call|call and total after a tick|stored penni|stored markka|shown cost|
    // stored left and top|place", on a Saturday so that no call is charged at the opening. The
    // total starts from the stored one where it is a count; both durations carry at 60, up to the
    // end of the count. A stored place is in twips (15 to the pixel here); one off the screen, or
    // no number, leaves the design place (5475 and 5490 twips).
    void restoresTheTotalsAsStoredAndCarries_data() {
        rows(u"00:00:08|00:00:08|00:00:09 00:00:09|||0 markkaa|1500 3000|100,200\n"
             u"00:00:59|00:00:59|00:01:00 00:01:00|||0 markkaa|16000 12000|363,364\n"
             u"00:59:59|00:59:59|01:00:00 01:00:00|||0 markkaa|x 1500|363,100\n"
             u"9:59:59|9:59:59|10:00:00 10:00:00|||0 markkaa||363,364\n"
             u"999:59:59|999:59:59|00:00:00 00:00:00|||0 markkaa||363,364\n"
             u"12:59:59|00:00:00|00:00:01 13:00:00|1200|12|12 markkaa||363,364\n"
             u"00:00:75|00:00:00|00:00:01 00:00:76|1234,5|12,34|12,34 markkaa||363,364\n"
             u"::|00:00:00|00:00:01 00:00:01|||0 markkaa||363,364\n"
             u"viisi:-3:1,5|00:00:00|00:00:01 00:00:01|paljon|x|0 markkaa||363,364"_s);
    }
    void restoresTheTotalsAsStoredAndCarries() {
        const QStringList r = row(u'|');
        store(Keys::Asetukset, Keys::Kustannukset2, r[4]);
        store(Keys::Asetukset, Keys::Left, r[6].section(u' ', 0, 0));
        store(Keys::Asetukset, Keys::Top, r[6].section(u' ', 1));
        setClock(u"lauantai/10"_s);
        MeterWindow& m = openMeterOn(u"T=%1 P=%2"_s.arg(r[0], r[3]));
        setCounters(m, r[1]);
        QCOMPARE(m.KustannuksetYhteensä->text(), r[5]);
        tick();
        QCOMPARE(m.Kesto->text() + u' ' + m.Yhteensä->text() + u'|' + m.Kustannukset1->text(),
                 r[2] + u'|' + NumberToText(NumberFromText(r[3])));
        QTRY_VERIFY(!m.Timer7->isActive());
        QCOMPARE(u"%1,%2"_s.arg(m.x()).arg(m.y()), r[7]);
    }

    // "setup|weekday/hour|stored total|steps|markka|unknown days". A step is "N=penni", N ticks
    // and then the call's cost in penni, or "@weekday/hour", the clock moving on. The total goes
    // up by as much as the call; a weekday the program cannot name stops every charge, and says
    // so at every one. The first block counts from the start of the call and is charged once.
    void chargesTheCallAndEveryBegunMinute_data() {
        rows(
            u"T1|tiistai/10||0=50 1=75 58=75 1=75 1=100|1 markkaa|0\nT1|maanantai/07|1000|0=50||0\n"
            u"T1|perjantai/16||0=50||0\nT1|perjantai/17|1000|0=0||0\nT1|maanantai/06||0=0||0\n"
            u"T1|lauantai/23||0=0 1=305 60=310 @sunnuntai/00 1680=450 60=467,5|4,67 markkaa|0\n"
            u"T1|tiistai/16||2940=1275 @tiistai/17 1=1580 60=1597,5 @keskiviikko/07 60=1622,5 "
            u"@keskiviikko/17 60=1640|16,4 markkaa|0\n"
            u"p=viisikymmentä a1=20_p v=5|tiistai/10||0=0 1=5|0,05 markkaa|0\n"
            u"T1|Tuesday/10||0=0 1=0 60=0|0 markkaa|3\nT2|/10|1000|61=85||0\n"
            u"T2|lauantai/23||0=50 1=67,5 60=85 @sunnuntai/00 1740=592,5|5,92 markkaa|0"_s);
    }
    void chargesTheCallAndEveryBegunMinute() {
        const QStringList r = row(u'|');
        store(Keys::Asetukset, Keys::Kustannukset1, r[2]);
        setClock(r[1]);
        MeterWindow& m = openMeterOn(r[0]);
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
        for (const QLabel* value : {m.Kesto, m.Kustannukset, m.KustannuksetYhteensä})
            QVERIFY(value->width() >= value->fontMetrics().horizontalAdvance(value->text()));
    }

    // "setup seconds penni markka how": closed by its title bar, with the start-up window, or by
    // the probe at a tick, once the port read again from the settings opens. The call is
    // journalled at each tick; under the summary the log row and the totals are written, the
    // journal marked, and neither the clock nor the probe goes on.
    void closingLogsStoresSummarisesAndEndsTheRun_data() {
        rows(u"T1 9 75 0,75 bar\nT1 3 75 0,75 Form1\nT2 2 67,5 0,67 bar\nT1 4 75 0,75 probe"_s);
    }
    void closingLogsStoresSummarisesAndEndsTheRun() {
        const QStringList r = row();
        MeterWindow& meter = openMeterOn(r[0]);
        const int probe = r[4] == u"probe", seconds = r[1].toInt() - probe;
        tick(seconds);
        QCOMPARE(journalled(),
                 u"00:00:0%1|%2 markkaa|00 00 0%1 %3 %2|0"_s.arg(seconds).arg(r[3], r[2]));
        const QString call = u"00:00:0"_s + r[1] + u'|' + r[3] + u" markkaa"_s;
        QStringList seen;
        platform().messageBoxes.whileShown = [&](const Message&) {
            const ListView* shown = form<Form7>().ListView1;
            seen << table(shown->count(), [&](int i, int c) { return shown->text(i, c); });
            for (const QString& key : {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
                                       Keys::Kustannukset1, Keys::Kustannukset2, Keys::Left})
                seen << stored(Keys::Asetukset, key);
            seen << journalled().right(1);
            platform().ports.busy.clear();
            tick();
            seen << (meter.isVisible() ? u"shown"_s : u"hidden"_s) << meter.Kesto->text();
        };
        platform().ports.calls.clear();
        if (probe)
            form<Form4>().Combo1->select(2);
        if (r[4] == u"bar")
            meter.close();
        else if (r[4] == u"Form1")
            form<Form1>().close();
        tick();
        QCOMPARE(platform().ports.calls.join(u' '), probe ? u"setPort 3 open close"_s : QString());
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{u"Yhteyden kesto: "_s + call.section(u'|', 0, 0) +
                             u"\nYhteyden hinta: "_s + call.section(u'|', 1)});
        QCOMPARE(seen, (QStringList{u"6. joulukuuta 2026|"_s + call, u"00"_s, u"00"_s, u'0' + r[1],
                                    r[2], r[3], QString::number(meter.pos().x() * 15), u"1"_s,
                                    u"hidden"_s, call.section(u'|', 0, 0)}));
        QCOMPARE(FormRegistry::instance().loadedNames().join(u' ') + journalled() + storedRows(0),
                 u"-6. joulukuuta 2026|"_s + call + u"|2026-12-08T10:00:00+02:00"_s);
    }

    // The clock goes on ticking meanwhile, a little faster than the alarm's timers run. The
    // value blinks in pure red in a window flashing amber. A screen reader reads the value with
    // its caption.
    void aOneMinuteCallLimitBlinksAndSoundsFiveSecondsAfterIt() {
        MeterWindow& meter = openMeterOn(u"km=1"_s);
        QCOMPARE(raisedAfter(meter, 60), u"3S"_s);
        bool blinked = false;
        QTimer clock;
        clock.callOnTimeout([&] { blinked = blinked || meter.Kesto->isHidden(), tick(); });
        clock.start(900);
        QElapsedTimer waited;
        waited.start();
        QTRY_VERIFY_WITH_TIMEOUT(!platform().sounds.played.isEmpty(), 7000);
        QVERIFY(blinked && waited.elapsed() >= 4500);
        QTRY_VERIFY(shows(meter, QColor(255, 0, 0)));
        QTRY_VERIFY(shows(meter, QColor(255, 214, 102)));
        QVERIFY(meter.Kesto->accessibleName().startsWith(u"Kesto: 00:01:0"_s));
        QCOMPARE(platform().sounds.played, QStringList{platform().env.folder + u"/hälytys.wav"_s});
    }

    // "setup|steps|raised at the opening and after each step". A step is "cH:M:S", the call's
    // counters put there, "kX" a click on the caption or value X, or N ticks. Each limit reaches
    // its own counters (the duration rules themselves are the unit tests'); type 1 checks the
    // total unit by unit already at the load, type 2 only at a click on the total. The price
    // limits are met at their whole markka by the cost cut to whole markka, and see the new
    // total; a limit of 0 or no number is off. A caption clicked before its limit keeps its alarm
    // down.
    void raisesItsAlarmsAtTheirLimits_data() {
        rows(u"km=1|c0:0:59 1|- - 3S\nkh=1|c0:58:59 1|- - -\nkh=1|c0:59:59 1|- - 3S\n"
             u"yh=5 ym=30 T=05:40:00|kY|4S 4S\nyh=1 ym=30 T=02:10:00|kY|- -\n"
             u"t=2 yh=10 T=12:15:00|kY|- 4S\nt=2 yh=10 T=09:15:00|kY|- -\n"
             u"p=100 a1=100 ym=1 h=2 hy=2|k5 61|- - 24S\np=100 a1=100 ym=1 h=2 hy=2|k7 61|- - 14S\n"
             u"p=100 a1=100 ym=1 h=2 hy=2|k3 61|- - 12S\na1=1 h=10 p=999|1 k5 60|- 1S - -\n"
             u"a1=1 h=10 p=1000|1 k5 60|1S 1S - -\na1=1 h=10 p=998,9|1|- -\nhy=2 p=50 P=150||2S\n"
             u"hy=2 p=49,9 P=150||-\nh=kymmenen p=5000|1|- -"_s);
    }
    void raisesItsAlarmsAtTheirLimits() {
        const QStringList r = row(u'|');
        MeterWindow& m = openMeterOn(r[0]);
        QStringList seen{raised(m)};
        const QHash<QString, QWidget*> captions{
            {u"3"_s, m.Label3}, {u"5"_s, m.Label5}, {u"7"_s, m.Label7}, {u"Y"_s, m.Yhteensä}};
        for (const QString& step : r[1].split(u' ', Qt::SkipEmptyParts)) {
            if (step[0] == u'c')
                setCounters(m, step.mid(1));
            else if (step[0] == u'k')
                QTest::mouseClick(captions[step.mid(1)], Qt::LeftButton);
            else
                tick(step.toInt());
            seen << raised(m);
        }
        QCOMPARE(seen.join(u' '), r[2]);
    }

    // The statistics price a call under each type as the meter charged it: a type-1 call across
    // 07.00 and across 17.00 on weekdays, through a Saturday night, and a type-2 call.
    void theStatisticsPriceACallAsTheMeterCharges_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QDateTime>("began");
        QTest::addColumn<int>("seconds");
        const auto at = [](int day, int hour, int minute, int second = 0) {
            return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second), Qt::OffsetFromUTC,
                             7200);
        };
        // A minute is charged at its first second: the second begun minute of a call opened at
        // 06.58.59 is charged at 07.00.00.
        QTest::newRow("tuesday across 07.00") << u"T1"_s << at(8, 6, 58, 59) << 305;
        QTest::newRow("friday across 17.00") << u"T1"_s << at(11, 16, 57, 59) << 35 * 60 + 5;
        QTest::newRow("saturday night") << u"T1"_s << at(12, 23, 50) << 40 * 60;
        QTest::newRow("type 2, friday across 17.00") << u"T2"_s << at(11, 16, 57) << 35 * 60 + 5;
    }
    void theStatisticsPriceACallAsTheMeterCharges() {
        QFETCH(QString, setup);
        QFETCH(QDateTime, began);
        QFETCH(int, seconds);
        const auto clockAt = [&](int second) {
            const QDateTime now = began.addSecs(second);
            setClock(FinnishWeekday(now.date()) + u'/' + FinnishHour(now));
        };
        clockAt(0);
        platform().clock.moment = began;
        const MeterWindow& meter = openMeterOn(setup);
        for (int second = 1; second <= seconds; ++second)
            clockAt(second), tick();
        // T1 and T2 of openMeterOn.
        const Tariffs tariffs{50, {20, 300, 12.5, 5}, 50, 12.5};
        QCOMPARE(NumberFromText(meter.KustannuksetPenniä->text()),
                 setup == u"T1" ? Type1CallCost(began, seconds, tariffs)
                                : Type2CallCost(seconds, tariffs));
    }

    // The sound comes back with the next price check, at the next begun minute; the duration
    // stays acknowledged for the rest of the run.
    // Every tick raises the total's alarm again, and a running alarm keeps its pace.
    void raisingARunningAlarmKeepsItsPace() {
        MeterWindow& m = openMeterOn(u"yh=10 T=12:00:00"_s);
        QCOMPARE(raised(m), u"4S"_s);
        const int sound = m.Timer6->remainingTime(), blink = m.Timer4->remainingTime();
        QTRY_VERIFY(m.Timer4->remainingTime() <= blink - 300);
        tick();
        QVERIFY(m.Timer6->remainingTime() <= sound - 300 &&
                m.Timer4->remainingTime() <= blink - 300);
    }
    void clickingACaptionSilencesEveryAlarmButStopsOnlyItsOwn() {
        MeterWindow& m = openMeterOn(u"p=100 a1=20 km=1 h=1"_s);
        QCOMPARE(raisedAfter(m, 61), u"13S"_s);
        QTest::mouseClick(m.Label2, Qt::LeftButton);
        const QString clicked = raised(m), early = raisedAfter(m, 59), next = raisedAfter(m, 1);
        setCounters(m, u"1:0:59"_s);
        QCOMPARE(QStringList({clicked, early, next, raisedAfter(m, 1)}).join(u' '), u"1 1 1S 1S"_s);
        // A value that is shown when its caption is clicked stays shown.
        m.Kustannukset->show();
        QTest::mouseClick(m.Label5, Qt::LeftButton);
        QVERIFY(m.Kustannukset->isVisible() && !m.Timer1->isActive());
    }

    // "clicks order how": the viewer, opened with "&Päiväkirja", modally, sorts by the clicked
    // column as text: dates not as dates, "10" before "2", empty first; a second click keeps the
    // order, equal texts keep the order they had. The order is by key of five stored calls and
    // the closing meter's two rows, 5 and 6, which go to their place in the sorted list, after
    // the rows equal to them. An old row beyond a gap is never read, so never rewritten.
    void closingStoresTheListInItsShownOrder_data() {
        rows(u"0 3142056 Ok\n2 3610452 Esc\n1 3605421 Ok\n22 3610452 Ok\n10 3412056 Esc"_s);
    }
    void closingStoresTheListInItsShownOrder() {
        const QStringList r = row();
        const QStringList calls =
            u"5. maaliskuuta 2024|00:10:00|2 markkaa|a0;12. tammikuuta 2024|100:00:00|10 markkaa|"
            u"a1;30. joulukuuta 2023|10:00:00|2,5 markkaa|;1. helmikuuta 2024|||a3;"
            u"12. tammikuuta 2024|01:00:05|2 markkaa|a4;%1|00:20:00|2 markkaa|a5;%1|||"_s
                .arg(platform().clock.longDateText)
                .split(u';');
        for (int i = 0; i < 5; ++i)
            storeRows(QString::number(i) + u'|' + calls[i]);
        storeRows(u"8|1. tammikuuta 1999|00:00:01|0,1 markkaa|a8"_s);
        form<Form1>().show();
        QVERIFY(QTest::qWaitForWindowActive(&form<Form1>()));
        clickOpeningModal(form<Form1>().Command4, [&](QWidget* shown) {
            Form7* const viewer = qobject_cast<Form7*>(shown);
            QVERIFY(viewer && QTest::qWaitForWindowActive(viewer));
            const QHeaderView* h = viewer->ListView1->header();
            for (QChar column : r[0]) {
                const int c = column.digitValue();
                QTest::mouseClick(
                    h->viewport(), Qt::LeftButton, {},
                    QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
            }
            // What a closing meter does first: the call's row goes into the viewer's list.
            for (int i : {5, 6})
                viewer->ListView1->addItem(calls[i].section(u'|', 0, 0),
                                           calls[i].section(u'|', 1, 1),
                                           calls[i].section(u'|', 2, 2), calls[i].section(u'|', 3));
            if (r[2] == u"Esc")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            else
                QTest::mouseClick(viewer->Command1, Qt::LeftButton);
        });
        QStringList sorted;
        for (QChar key : r[1])
            sorted << calls[key.digitValue()];
        QCOMPARE(storedRows(8), sorted.join(u';') +
                                    u";<absent>|<absent>|<absent>|<absent>;"
                                    u"1. tammikuuta 1999|00:00:01|0,1 markkaa|a8"_s);
    }

    // Equal texts keep their order however many there are: a sort that only happens to keep
    // it for a few rows does not for forty.
    void sortingKeepsTheOrderOfEqualTexts() {
        ListView list;
        QString kept[2];
        for (int i = 0; i < 40; ++i) {
            list.addItem(QString::number(i % 2), QString::number(i), {});
            kept[i % 2] += u"%1|%2|;"_s.arg(i % 2).arg(i);
        }
        list.setSorted(true);
        QCOMPARE(table(list.count(), [&](int i, int c) { return list.text(i, c); }) + u';',
                 kept[0] + kept[1]);
    }

    // Another program's write lock costs a tick at most a short wait, and a store that became
    // read-only (SQLite's query-only mode gives its answer) refuses the write: the meter counts
    // on, says so once, and journals the call again with the first tick after the lock is gone or
    // the store is writable again.
    void aStoreThatCannotBeWrittenIsSaidOnceAndTheMeterGoesOn_data() {
        rows(u"toinen ohjelma on lukinnut sen|siihen ei saa kirjoittaa"_s, u'|');
    }
    void aStoreThatCannotBeWrittenIsSaidOnceAndTheMeterGoesOn() {
        const bool locked = cell().startsWith(u"toinen"_s);
        QVERIFY(!StartProgram(storePath()));
        MeterWindow& meter = openMeterOn(u"T1"_s);
        // The tariff editors have written their fields back before the store is locked.
        QTRY_VERIFY(!form<FrmTyyppi1>().Timer1->isActive() &&
                    !form<FrmTyyppi2>().Timer1->isActive());
        {
            sqlite3* other = nullptr;
            const auto hold = [&](bool on) {
                locked ? onStore(on ? u"BEGIN IMMEDIATE"_s : u"ROLLBACK"_s, other)
                       : onStore(u"PRAGMA query_only = %1"_s.arg(on));
            };
            sqlite3_open(qPrintable(storePath()), &other);
            hold(true);
            tick(3);
            QCOMPARE(meter.Kesto->text() + journalled(), u"00:00:03-"_s);
            // Said once the writer is done, and then only once.
            QTRY_VERIFY(platform().messageBoxes.texts().size() == 1 &&
                        platform().messageBoxes.texts()[0].contains(
                            storePath() + u" ei voi nyt kirjoittaa ("_s + cell() + u')'));
            hold(false);
            tick();
            QCOMPARE(journalled().section(u'|', 0, 0), u"00:00:04"_s);
            // Failing again once a write went through is said again.
            hold(true);
            tick();
            QTRY_COMPARE(platform().messageBoxes.texts().size(), 2);
            hold(false);
            sqlite3_close(other);
        }
        QCOMPARE(journalled().section(u'|', 0, 0), u"00:00:04"_s);
    }

    // A close whose write fails (a trigger refuses it, as a full disk would) keeps nothing of
    // the transaction it is in: refused the stored total price, the totals are left with the rest
    // to the next start; refused the journal's end, the log row is. That start logs the call
    // once and stores the totals once.
    void aCloseThatCannotWriteLeavesTheCallToTheNextStart_data() {
        rows(u"UPDATE ON settings WHEN old.key = 'Kustannukset 2'\nDELETE ON journal"_s);
    }
    void aCloseThatCannotWriteLeavesTheCallToTheNextStart() {
        store(Keys::Asetukset, Keys::Kustannukset2, u"1"_s);
        MeterWindow& meter = openMeterOn(u"T1"_s);
        tick(3);
        onStore(u"CREATE TRIGGER refuse BEFORE %1 BEGIN SELECT RAISE(ABORT, 'levy on täynnä'); "
                u"END"_s.arg(cell()));
        meter.close();
        onStore(u"DROP TRIGGER refuse"_s);
        QVERIFY(!StartProgram(storePath()));
        QCOMPARE(storedRows(1) + u' ' + stored(Keys::Asetukset, Keys::Sekunnit) + u' ' +
                     stored(Keys::Asetukset, Keys::Kustannukset2),
                 u"6. joulukuuta 2026|00:00:03|0,75 markkaa|2026-12-08T10:00:00+02:00;"
                 u"<absent>|<absent>|<absent>|<absent> 03 0,75"_s);
    }

    // "totals-stored duration minutes [refused]": a call whose run ended without the meter's
    // close is logged at the next start, once, and its totals stored unless the journal says they
    // are; a journal that cannot be read is set aside whole. A recovery whose end the store
    // refuses keeps nothing and claims nothing (the store says why), and the journal waits.
    void anInterruptedCallIsLoggedAtTheNextStart_data() {
        rows(u"0 00:12:34 17\n1 00:12:34 05\n0 12_min 05\n0 00:12:34 05 refused"_s);
    }
    void anInterruptedCallIsLoggedAtTheNextStart() {
        const QStringList r = row();
        const bool damaged = r[1] == u"12_min", refused = r.size() > 3;
        store(Keys::Päivämäärä, u"0"_s, u"1. joulukuuta 2026"_s);
        store(Keys::Asetukset, Keys::Minuutit, u"05"_s);
        SaveCallJournal({u"5. joulukuuta 2026"_s, r[1], u"3,5 markkaa"_s,
                         u"01 17 34 350 3,5"_s.split(u' '), r[0] == u"1",
                         u"2026-12-05T23:40:00+02:00"_s});
        if (refused)
            onStore(u"CREATE TRIGGER refuse BEFORE DELETE ON journal BEGIN SELECT RAISE(ABORT, "
                    u"'levy on täynnä'); END"_s);
        platform().dialer.openLinks = {u"Yhteys Modeemi on yhä auki"_s};
        QVERIFY(!StartProgram(storePath()) && (journalled() == u"-") != refused &&
                form<Form1>().isVisible());
        const QString said = platform().messageBoxes.texts().join(u'|');
        QVERIFY2(refused ? said.isEmpty()
                         : !said.contains(u'|') &&
                               said.endsWith((damaged ? u"journal_aside"_s
                                                      : u"kirjattu päiväkirjaan: kesto 00:12:34, "
                                                        u"hinta 3,5 markkaa"_s) +
                                             u".\n\nYhteys Modeemi on yhä auki"_s),
                 qPrintable(said));
        const QString logged =
            damaged || refused
                ? u"<absent>|<absent>|<absent>|<absent>"_s
                : u"5. joulukuuta 2026|00:12:34|3,5 markkaa|2026-12-05T23:40:00+02:00"_s;
        QCOMPARE(storedRows(1).section(u';', 1) + u' ' + stored(Keys::Asetukset, Keys::Minuutit) +
                     u' ' + onStore(u"SELECT group_concat(duration) FROM journal_aside"_s),
                 logged + u' ' + r[2] + u' ' + (damaged ? r[1] : QString()));
    }
};

ORVALIN_TEST_MAIN(MeterWindowTest)
#include "tst_meter.moc"
