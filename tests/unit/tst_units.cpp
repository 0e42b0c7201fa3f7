#include "WindowTest.h"

namespace {

// Each "input=output" pair of a "|"-separated table through `f`, compared as one list.
void expectEach(const std::function<QString(const QString&)>& f, const QString& table) {
    QStringList got;
    for (const QString& pair : table.split(u'|'))
        got << pair.section(u'=', 0, 0) + u'=' + f(pair.section(u'=', 0, 0));
    QCOMPARE(got, table.split(u'|'));
}

} // namespace

// What lies below the windows: number texts, the meter's clock and the store.
class UnitTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path() const { return m_dir.path() + u"/Orvalin/Orvalin.sqlite"_s; }
    static void save(const QString& key, const QString& value) {
        SaveSetting(u"Orvalin"_s, u"Ä"_s, key, value);
    }
    // A number text read and written back, and read as a whole number.
    static QString readBack(const QString& t) {
        const std::optional<qint32> whole = WholeNumberFromText(t);
        return NumberToText(NumberFromText(t)) + u'/' + (whole ? QString::number(*whole) : u"-"_s);
    }
    static QString markka(const QString& t) {
        return MarkkaText(t.toDouble()) + u'/' + QString::number(WholeMarkka(t.toDouble()), 'f', 0);
    }

private slots:
    void readsAndWritesNumberTextsWithTheDecimalComma() {
        expectEach(readBack,
                   u"12,5=12,5/12|0=0/0|  37,5 =37,5/38|-300=-300/-300|+7=7/7|,5=0,5/0|12,=12/12|"
                   u"007=7/7|kaksi=0/-|=0/-|1,2,3=0/-|12.5=0/-|1 000=0/-|-=0/-|1e5=0/-|-0=0/0|"
                   u"0,00001=0,00001/0|1000000000000000=1000000000000000/-|2,5=2,5/2|3,5=3,5/4|"
                   u"1234567890123456=1234567890123460/-|0,9999999999999999=1/1|"
                   u"-1=-1/-1|0,333333333333333=0,333333333333333/0"_s);
        QCOMPARE(QList<bool>({IsDigits({}), IsDigits(u"12"_s), IsDigits(u"1,2"_s)}),
                 QList<bool>({false, true, false}));
        // Markka cut to two decimals, whole markka cut too.
        expectEach(markka,
                   u"1230=12,3/12|1200=12/12|5=0,05/0|1234.9=12,34/12|12.5=0,12/0|999=9,99/9|"
                   u"0=0/0|123456789=1234567,89/1234567|-250=-2,5/-2"_s);
    }

    // A duration limit as the settings window holds it against the counters' texts: met by their
    // very texts, or passed unit by unit.
    void durationLimitsAreMetByTheCountersTextsOrPassedUnitByUnit_data() {
        QTest::addColumn<QStringList>("limit");
        QTest::addColumn<QStringList>("counters");
        QTest::addColumn<bool>("met");
        QTest::addColumn<bool>("passed");
        const auto add = [](const char* name, const QStringList& limit, const QStringList& counters,
                            bool met, bool passed) {
            QTest::newRow(name) << limit << counters << met << passed;
        };
        add("a minute, at it", {u"0"_s, u"1"_s}, {u"0"_s, u"1"_s}, true, true);
        add("a minute, before it", {u"0"_s, u"1"_s}, {u"0"_s, u"0"_s}, false, false);
        add("a minute, hours off", {u"0"_s, u"1"_s}, {u"1"_s, u"1"_s}, true, true);
        add("an hour, before it", {u"1"_s, u"0"_s}, {u"0"_s, u"59"_s}, false, false);
        add("an hour, minutes off", {u"1"_s, u"0"_s}, {u"1"_s, u"7"_s}, true, true);
        add("two hours, at three", {u"2"_s, u"0"_s}, {u"3"_s, u"0"_s}, false, true);
        add("30 minutes, at 31", {u"0"_s, u"30"_s}, {u"0"_s, u"31"_s}, false, true);
        add("1:30, at 2:10", {u"1"_s, u"30"_s}, {u"2"_s, u"10"_s}, false, false);
        add("\"01\" hours", {u"01"_s, u"0"_s}, {u"1"_s, u"0"_s}, false, true);
        add("off", {u"0"_s, u"0"_s}, {u"0"_s, u"59"_s}, false, false);
        add("no whole number", {u"kymmenen"_s, u"0"_s}, {u"12"_s, u"0"_s}, false, false);
    }
    void durationLimitsAreMetByTheCountersTextsOrPassedUnitByUnit() {
        QFETCH(QStringList, limit);
        QFETCH(QStringList, counters);
        QTEST(DurationLimitMet(limit[0], limit[1], counters[0], counters[1]), "met");
        QTEST(DurationLimitPassed(limit[0], limit[1], counters[0], counters[1]), "passed");
    }

    // Each step moves the clock on and lets it deliver a number of times: it delivers each second
    // once and makes up a minute of missed ones at most; after a longer gap, or a clock set back,
    // it carries on from the present ("!" when the last event is not the present second).
    void theClockDeliversEachSecondOnceAndMakesUpMissedOnes() {
        // An alarm on a clock the test moves, ringing every second.
        qint64 now = 1'700'000'000'500;
        QList<QTime> events;
        const auto alarm = std::make_unique<RealTimeAlarm>(nullptr, [&now] { return now; });
        connect(alarm.get(), &AlarmClock::Alarm, this, [&events](int, QTime t) { events << t; });
        alarm->setPattern(1, u"??:??:??"_s);
        QStringList counts;
        for (const QString& step :
             u"0 1|500 2|999 1|3001 5|60000 100|3600000 2|-7200000 2"_s.split(u'|')) {
            now += step.section(u' ', 0, 0).toLongLong();
            for (int i = step.section(u' ', 1).toInt(); i > 0; --i)
                alarm->deliverDue();
            const bool present =
                events.value(events.size() - 1) == QDateTime::fromSecsSinceEpoch(now / 1000).time();
            counts << QString::number(events.size()) + (present ? u""_s : u"!"_s);
        }
        QCOMPARE(counts.join(u' '), u"0! 1 1 5 65 66 67"_s);
    }

    // The meter's tick lets pending events run, and one of them may end the meter, which owns
    // its clock: the clock must not touch itself once its event has returned.
    void theClockSurvivesItsOwnerEndingInItsEvent() {
        qint64 now = 1'700'000'000'500;
        auto* owner = new QObject;
        auto* alarm = new RealTimeAlarm(owner, [&now] { return now; });
        int events = 0;
        connect(alarm, &AlarmClock::Alarm, owner, [&] { ++events, delete owner; });
        alarm->setPattern(1, u"??:??:??"_s);
        now = 1'700'000'001'000;
        alarm->deliverDue();
        QCOMPARE(events, 1);
    }

    void theStoreKeepsWhatItIsGivenDurablyAndPrivately() {
        SettingsStore::close();
        QFile::remove(path());
        QVERIFY(!SettingsStore::open(path()));
        // Every answered write survives a power cut; another program's lock is not waited out.
        QCOMPARE(QStringList({onStore(u"PRAGMA journal_mode"_s), onStore(u"PRAGMA synchronous"_s),
                              onStore(u"PRAGMA busy_timeout"_s)}),
                 QStringList({u"wal"_s, u"2"_s, u"100"_s}));
        // Nothing for the group and others.
        for (const QString& file : {path(), QFileInfo(path()).absolutePath()})
            QCOMPARE(QFileInfo(file).permissions().toInt() & 0x60ff, 0x6000);
        SettingsStore::close();
        // A relative XDG_CONFIG_HOME is no place to keep the store.
        qputenv("XDG_CONFIG_HOME", "asetukset");
        QCOMPARE(SettingsStore::defaultPath(),
                 QDir::homePath() + u"/.config/Orvalin/Orvalin.sqlite"_s);
    }

    // A version-1 store, as the program left it before the journal came and after: opened, it
    // becomes version 2 and keeps every value, also when it is upgraded a second time.
    void upgradesAVersionOneStoreAndKeepsItsValues_data() {
        QTest::addColumn<bool>("journaled");
        QTest::newRow("from before the journal") << false;
        QTest::newRow("with the journal's tables") << true;
    }
    void upgradesAVersionOneStoreAndKeepsItsValues() {
        QFETCH(bool, journaled);
        SettingsStore::close();
        QFile::remove(path());
        QVERIFY(!SettingsStore::open(path()));
        SaveSetting(u"Orvalin"_s, u"Ä"_s, u"Tunnit"_s, u"07"_s);
        if (!journaled)
            onStore(u"DROP TABLE journal"_s), onStore(u"DROP TABLE journal_aside"_s);
        onStore(u"UPDATE meta SET value = '1' WHERE key = 'schema_version'"_s);
        SettingsStore::close();
        for (int open = 0; open < 2; ++open) {
            QVERIFY(!SettingsStore::open(path()));
            SaveCallJournal({u"8. joulukuuta 2026"_s, u"00:00:05"_s, u"0,5 markkaa"_s,
                             u"00 00 05 50 50"_s.split(u' '), false, QString()});
            QCOMPARE(onStore(u"SELECT value FROM meta WHERE key = 'schema_version'"_s) +
                         GetSetting(u"Orvalin"_s, u"Ä"_s, u"Tunnit"_s, {}) +
                         ReadCallJournal().value_or(CallJournal{}).duration,
                     u"307"_s + u"00:00:05"_s);
            onStore(u"UPDATE meta SET value = '1' WHERE key = 'schema_version'"_s);
            SettingsStore::close();
        }
    }

    // A file's bytes, "sql:" a change to a store of ours that makes it another program's or a
    // newer version's, or "index" a byte of a store of ours flipped in its index, which only the
    // full check finds: beside the start, said without a write and never written, or at once
    // for a version-1 store ("index 1"), which is never upgraded then.
    void theStoreRefusesAFileItCannotUseAndLeavesItAsItWas_data() {
        rows(u"[Asetukset]\nTop=5\n|SQLite format 3|sql:DROP TABLE meta|"
             u"sql:UPDATE meta SET value = '99' WHERE key = 'schema_version'|index|index 1"_s,
             u'|');
    }
    void theStoreRefusesAFileItCannotUseAndLeavesItAsItWas() {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile::remove(path());
        QFile file(path());
        const bool index = cell().startsWith(u"index"_s);
        if (cell().startsWith(u"sql:"_s))
            SettingsStore::open(path()), onStore(u"PRAGMA journal_mode = DELETE"_s),
                onStore(cell().mid(4)), SettingsStore::close();
        else if (!index)
            WriteFile(path(), cell().toUtf8());
        if (index) {
            SettingsStore::open(path()), save(u"Sekunnit"_s, u"05"_s);
            onStore(u"UPDATE meta SET value = '%1' WHERE key = 'schema_version'"_s.arg(
                cell() == u"index"_s ? 3 : 1));
            SettingsStore::close();
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(file.readAll().lastIndexOf("Sekunnit") + 7);
            file.write("s");
            file.close();
        }
        const QByteArray before = FileContents(path());
        QString message = SettingsStore::open(path()).value_or(QString());
        SettingsStore::setDamageHandler([&message](const QString& said) { message += said; });
        QTRY_VERIFY(message.contains(path()));
        QCOMPARE(SettingsStore::current() != nullptr, cell() == u"index"_s);
        save(u"Tunnit"_s, u"01"_s);
        SettingsStore::setDamageHandler({});
        SettingsStore::close();
        QCOMPARE(FileContents(path()), before);
        QVERIFY(!QFile::exists(path() + u"-wal"_s));
    }
};

QTEST_GUILESS_MAIN(UnitTest)
#include "tst_units.moc"