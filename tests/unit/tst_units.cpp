#include "WindowTest.h"
#include "common/NumberText.h"
#include "meter/CostRules.h"
#include "meter/Markka.h"
#include "platform/RealTimeAlarm.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

// What lies below the windows: number texts, the cost rules, the meter's clock and the store.
class UnitTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    qint64 m_now = 0;
    QList<QTime> m_events;

    QString path() const { return m_dir.path() + u"/Orvalin/Orvalin.sqlite"_s; }
    void openStore() {
        SettingsStore::close();
        QFile::remove(path());
        QVERIFY(!SettingsStore::open(path()));
    }
    // Runs statements on the store through a connection of its own, as another program would,
    // and gives the first column of the last one's first row.
    QString outside(const QStringList& statements) const {
        QString value = u"<absent>"_s;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"outside"_s);
            db.setDatabaseName(path());
            db.open();
            QSqlQuery q(db);
            for (const QString& statement : statements)
                q.exec(statement);
            if (q.next())
                value = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(u"outside"_s);
        return value;
    }
    QString readOutside(const QString& section, const QString& key) const {
        return outside({u"SELECT value FROM settings WHERE application = 'Orvalin' AND "
                        u"section = '%1' AND key = '%2'"_s.arg(section, key)});
    }
    static void save(const QString& section, const QString& key, const QString& value) {
        SaveSetting(u"Orvalin"_s, section, key, value);
    }

    // An alarm on a clock the test moves, ringing every second.
    std::unique_ptr<RealTimeAlarm> newAlarm(qint64 now = 1'700'000'000'500) {
        m_now = now;
        m_events.clear();
        auto alarm = std::make_unique<RealTimeAlarm>(nullptr, [this] { return m_now; });
        connect(alarm.get(), &AlarmClock::Alarm, this,
                [this](int, const QTime& time) { m_events << time; });
        alarm->setPattern(1, u"??:??:??"_s);
        return alarm;
    }
    static QTime timeOf(qint64 second) { return QDateTime::fromSecsSinceEpoch(second).time(); }

private slots:
    void readsAndWritesNumberTextsWithTheDecimalComma() {
        QStringList read;
        for (const char* text : {"12,5", "0", "  37,5 ", "-300", "+7", ",5", "12,", "007", "",
                                 "1,2,3", "12.5", "kaksi", "1 000", "-", "1e5"}) {
            const std::optional<double> number = ParseNumber(QString::fromUtf8(text));
            read << (number ? NumberToText(NumberFromText(QString::fromUtf8(text))) : u"-"_s);
        }
        QCOMPARE(read,
                 QStringList({u"12,5"_s, u"0"_s, u"37,5"_s, u"-300"_s, u"7"_s, u"0,5"_s, u"12"_s,
                              u"7"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s}));
        QCOMPARE(NumberFromText(u"kaksi"_s), 0.0);
        QStringList written;
        for (double value :
             {1234.0 / 100, 1230.0 / 100, 37.5, 5.0 / 100, 0.1 + 0.2, 12.5 + 12.5 + 12.5,
              123456789.0123456789, 123456789012.0, -0.0, 0.00001})
            written << NumberToText(value);
        QCOMPARE(written,
                 QStringList({u"12,34"_s, u"12,3"_s, u"37,5"_s, u"0,05"_s, u"0,3"_s, u"37,5"_s,
                              u"123456789,012346"_s, u"123456789012"_s, u"0"_s, u"0,00001"_s}));
        QStringList whole;
        for (const QString& text : {u"60"_s, u"-1"_s, u"2,5"_s, u"3,5"_s, u"3000000000"_s, u"a"_s})
            if (const std::optional<qint32> number = WholeNumberFromText(text))
                whole << QString::number(*number);
            else
                whole << u"-"_s;
        QCOMPARE(whole, QStringList({u"60"_s, u"-1"_s, u"2"_s, u"4"_s, u"-"_s, u"-"_s}));
    }

    void markkaTextsCutToTwoDecimals() {
        QStringList texts;
        for (double penni : {1230.0, 1200.0, 5.0, 1234.9, 12.5, 999.0, 0.0, 123456789.0, -250.0})
            texts << MarkkaText(penni) + u'/' + QString::number(WholeMarkka(penni), 'f', 0);
        QCOMPARE(texts,
                 QStringList({u"12,3/12"_s, u"12/12"_s, u"0,05/0"_s, u"12,34/12"_s, u"0,12/0"_s,
                              u"9,99/9"_s, u"0/0"_s, u"1234567,89/1234567"_s, u"-2,5/-2"_s}));
    }

    // Weekdays 7 to 17 are the day rate; a weekday written any other way is unrecognised.
    void tellsTheMomentOfTheWeek() {
        QString moments;
        for (const auto& [weekday, hour] : {std::pair{"tiistai", 10},
                                            {"maanantai", 6},
                                            {"maanantai", 7},
                                            {"torstai", 17},
                                            {"torstai", 0},
                                            {"perjantai", 16},
                                            {"perjantai", 17},
                                            {"lauantai", 10},
                                            {"sunnuntai", 12},
                                            {"Tuesday", 10},
                                            {"tiistaina", 10},
                                            {"Tiistai", 10},
                                            {"", 10}})
            moments += u"DOU"_s[static_cast<int>(MomentOfWeek(QString::fromUtf8(weekday), hour))];
        QCOMPARE(moments, u"DODOODOOOUUUU"_s);
    }

    // Arkisin1 20, Arkisin2 300 for the first 30 minutes, Arkisin3 12,5, the provider's 5.
    void chargesEveryBegunMinuteOfTariffType1() {
        QList<double> charges;
        for (const auto& [moment, minute, blockCharged] : {std::tuple{Moment::Day, 1, false},
                                                           {Moment::Day, 40, true},
                                                           {Moment::OtherTimes, 1, false},
                                                           {Moment::OtherTimes, 2, true},
                                                           {Moment::OtherTimes, 30, true},
                                                           {Moment::OtherTimes, 31, true},
                                                           {Moment::OtherTimes, 50, false},
                                                           {Moment::OtherTimes, 51, true}})
            charges << Type1MinuteCharge(moment, minute, blockCharged, {20, 300, 12.5, 5}).value();
        QCOMPARE(charges, (QList<double>{25, 25, 305, 5, 5, 17.5, 305, 17.5}));
    }

    void theClockDeliversEachSecondOnceAndMakesUpMissedOnes() {
        const auto alarm = newAlarm();
        alarm->deliverDue();
        m_now += 500;
        alarm->deliverDue();
        alarm->deliverDue();
        m_now += 999;
        alarm->deliverDue();
        QCOMPARE(m_events, QList<QTime>{timeOf(1'700'000'001)});
        m_now += 1 + 3'000;
        for (int i = 0; i < 5; ++i)
            alarm->deliverDue();
        QCOMPARE(m_events.size(), 5);
        QCOMPARE(m_events.last(), timeOf(1'700'000'005));
        // A minute at most is made up; after a longer gap, or a clock set back, the clock carries
        // on from the present.
        m_now += RealTimeAlarm::MaxCatchUpSeconds * 1000;
        for (int i = 0; i < 100; ++i)
            alarm->deliverDue();
        QCOMPARE(m_events.size(), 5 + RealTimeAlarm::MaxCatchUpSeconds);
        for (const qint64 jump : {3'600'000, -7'200'000}) {
            m_now += jump;
            alarm->deliverDue();
            alarm->deliverDue();
            QCOMPARE(m_events.last(), timeOf(m_now / 1000));
        }
        QCOMPARE(m_events.size(), 7 + RealTimeAlarm::MaxCatchUpSeconds);
    }

    // The events carry the local time, also as the clocks go forward or back.
    void theClockFollowsDaylightSavingChanges() {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Helsinki");
        const auto restore = qScopeGuard([&] { qputenv("TZ", zone); });
        for (const qint64 change : {1'774'746'000, 1'792'890'000}) {
            const auto alarm = newAlarm((change - 3) * 1000 + 500);
            QStringList delivered;
            for (int i = 0; i < 4; ++i) {
                m_now += 1000;
                alarm->deliverDue();
                delivered << m_events.last().toString(u"hh:mm:ss");
            }
            QCOMPARE(delivered.join(u' '), change == 1'774'746'000
                                               ? u"02:59:58 02:59:59 04:00:00 04:00:01"_s
                                               : u"03:59:58 03:59:59 03:00:00 03:00:01"_s);
        }
    }

    // The meter's tick lets pending events run, and one of them may end the meter, which owns
    // its clock: the clock must not touch itself once its event has returned.
    void theClockSurvivesItsOwnerEndingInItsEvent() {
        m_now = 1'700'000'000'500;
        auto* owner = new QObject;
        auto* alarm = new RealTimeAlarm(owner, [this] { return m_now; });
        int events = 0;
        connect(alarm, &AlarmClock::Alarm, owner, [owner, &events] {
            ++events;
            delete owner;
        });
        alarm->setPattern(1, u"??:??:??"_s);
        m_now = 1'700'000'001'000;
        alarm->deliverDue();
        QCOMPARE(events, 1);
    }

    void theStoreKeepsWhatItIsGivenDurablyAndPrivately() {
        openStore();
        const QString section = u"Päivämäärä"_s;
        save(section, u"Kestot Yhteensä Minuuttia"_s, u"öljyä 5"_s);
        save(section, u"Kestot Yhteensä"_s, u"muu"_s);
        save(u"Kesto"_s, u"0"_s, u"arvo"_s);
        save(u"Kesto"_s, u"1"_s, u"arvo"_s);
        QCOMPARE(GetSetting(u"Orvalin"_s, section, u"Kestot Yhteensä Minuuttia"_s, {}),
                 u"öljyä 5"_s);
        save(section, u"Kestot Yhteensä Minuuttia"_s, QString());
        QCOMPARE(GetSetting(u"Orvalin"_s, section, u"Kestot Yhteensä Minuuttia"_s, u"x"_s),
                 QString());
        DeleteSetting(u"Orvalin"_s, u"Kesto"_s);
        QVERIFY(GetSection(u"Orvalin"_s, u"Kesto"_s).isEmpty());
        QCOMPARE(readOutside(section, u"Kestot Yhteensä"_s), u"muu"_s);
        {
            SettingsTransaction together;
            save(u"Asetukset"_s, u"Tunnit"_s, u"01"_s);
            {
                SettingsTransaction inner;
                save(u"Asetukset"_s, u"Minuutit"_s, u"02"_s);
            }
            QCOMPARE(readOutside(u"Asetukset"_s, u"Minuutit"_s), u"<absent>"_s);
        }
        QCOMPARE(readOutside(u"Asetukset"_s, u"Minuutit"_s), u"02"_s);
        SettingsStore::close();
        QVERIFY(!SettingsStore::open(path()));
        QCOMPARE(GetSetting(u"Orvalin"_s, u"Asetukset"_s, u"Tunnit"_s, {}), u"01"_s);
        // Nothing for the group and others.
        for (const QString& file : {path(), QFileInfo(path()).absolutePath()}) {
            QVERIFY(QFileInfo(file).permissions().testFlags(QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(QFileInfo(file).permissions().toInt() & 0x00ff, 0);
        }
        SettingsStore::close();
    }

    void theStoreRefusesAFileItCannotUseAndLeavesItAsItWas_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text file") << QString() << QByteArray("[Asetukset]\nTop=5\n");
        QTest::newRow("truncated database") << QString() << QByteArray("SQLite format 3");
        QTest::newRow("another program's")
            << u"CREATE TABLE contacts (name TEXT)"_s << QByteArray();
        QTest::newRow("newer schema")
            << u"CREATE TABLE settings (application, section, key, value);CREATE TABLE meta "
               u"(key, value);INSERT INTO meta VALUES ('schema_version', '2')"_s
            << QByteArray();
    }
    void theStoreRefusesAFileItCannotUseAndLeavesItAsItWas() {
        QFETCH(QString, sql);
        SettingsStore::close();
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile::remove(path());
        QFile file(path());
        if (sql.isEmpty()) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(cell<QByteArray>("bytes"));
            file.close();
        } else {
            outside(sql.split(u';'));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        QVERIFY(SettingsStore::open(path()).value_or(QString()).contains(path()));
        QVERIFY(!SettingsStore::current());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(path() + u"-wal"_s));
    }
};

QTEST_GUILESS_MAIN(UnitTest)
#include "tst_units.moc"
