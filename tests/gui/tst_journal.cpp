#include "WindowTest.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "meter/Form2.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

// The journal of a running call, and a call whose run ended without the meter's close.
class JournalTest : public WindowTest {
    Q_OBJECT
private:
    static std::optional<CallJournal> journal() { return SettingsStore::current()->journal(); }
    static QString logRow(const QString& key) {
        return stored(Keys::Päivämäärä, key) + u'/' + stored(Keys::Kesto, key) + u'/' +
               stored(Keys::Hinta, key);
    }

private slots:
    void theMeterJournalsEachSecondAndClearsItWithTheLogRow() {
        store(Keys::Tyyppi1, Keys::Puhelu_1, u"50"_s);
        platform().ports.busy = {1};
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        form<Form2>().show();
        QVERIFY(!journal());
        for (int i = 0; i < 3; ++i)
            platform().alarm().fire();
        QVERIFY(journal());
        QCOMPARE(journal()->date + u'/' + journal()->duration + u'/' + journal()->price,
                 u"6. joulukuuta 2026/00:00:03/0,5 markkaa"_s);
        QCOMPARE(journal()->totals.join(u' '), u"00 00 03 50 0,5"_s);
        QVERIFY(!journal()->totalsStored);
        // Left in the state the close leaves it in while the summary is up.
        platform().messageBoxes.whileShown = [](const Message&) {
            QVERIFY(journal() && journal()->totalsStored);
            QCOMPARE(stored(Keys::Asetukset, Keys::Kustannukset1), u"50"_s);
            QCOMPARE(stored(Keys::Kesto, u"0"_s), u"<absent>"_s);
        };
        platform().ports.busy.clear();
        platform().alarm().fire();
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
        QVERIFY(!journal());
        QCOMPARE(logRow(u"0"_s), u"6. joulukuuta 2026/00:00:04/0,5 markkaa"_s);
    }

    // Another program holds the store's write lock: the meter neither waits for it nor stops.
    void aStoreThatCannotBeWrittenIsSaidOnceAndTheMeterGoesOn() {
        platform().ports.busy = {1};
        platform().dialer.entries = {u"Koti"_s};
        QVERIFY(StartProgram(storePath()));
        Form2& meter = form<Form2>();
        meter.show();
        // The tariff editors' write-back after start-up is done.
        QTest::qWait(200);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            other.setDatabaseName(storePath());
            QVERIFY(other.open());
            QSqlQuery(other).exec(u"BEGIN IMMEDIATE"_s);
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < 3; ++i)
                platform().alarm().fire();
            QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
            QTest::qWait(10);
            QCOMPARE(meter.Kesto->text(), u"00:00:03"_s);
            QVERIFY(!journal());
            QCOMPARE(platform().messageBoxes.shown.size(), 1);
            QVERIFY(platform().messageBoxes.texts()[0].contains(storePath()));
            QSqlQuery(other).exec(u"ROLLBACK"_s);
        }
        QSqlDatabase::removeDatabase(u"other"_s);
        platform().alarm().fire();
        QCOMPARE(journal()->duration, u"00:00:04"_s);
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
    }

    void anInterruptedCallIsLoggedAtTheNextStart_data() {
        QTest::addColumn<bool>("totalsStored");
        QTest::addColumn<QString>("duration");
        QTest::newRow("during the call") << false << u"00:12:34"_s;
        QTest::newRow("during the summary") << true << u"00:12:34"_s;
        QTest::newRow("a damaged journal") << false << u"12 min"_s;
    }
    void anInterruptedCallIsLoggedAtTheNextStart() {
        QFETCH(bool, totalsStored);
        QFETCH(QString, duration);
        const bool damaged = duration == u"12 min";
        store(Keys::Päivämäärä, u"0"_s, u"1. joulukuuta 2026"_s);
        store(Keys::Asetukset, Keys::Minuutit, u"05"_s);
        SaveCallJournal({u"5. joulukuuta 2026"_s,
                         duration,
                         u"3,5 markkaa"_s,
                         {u"01"_s, u"17"_s, u"34"_s, u"350"_s, u"3,5"_s},
                         totalsStored});
        QVERIFY(StartProgram(storePath()));
        QVERIFY(!journal());
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
        QVERIFY(form<Form1>().isVisible());
        if (damaged) {
            QVERIFY(platform().messageBoxes.texts()[0].contains(u"journal_aside"_s));
            QCOMPARE(stored(Keys::Kesto, u"1"_s), u"<absent>"_s);
            QCOMPARE(stored(Keys::Asetukset, Keys::Minuutit), u"05"_s);
        } else {
            QCOMPARE(platform().messageBoxes.texts()[0],
                     u"Edellinen käynnistyskerta päättyi kesken yhteyden. Yhteys on nyt kirjattu "
                     u"päiväkirjaan: kesto 00:12:34, hinta 3,5 markkaa."_s);
            QCOMPARE(logRow(u"1"_s), u"5. joulukuuta 2026/00:12:34/3,5 markkaa"_s);
            QCOMPARE(stored(Keys::Asetukset, Keys::Minuutit), totalsStored ? u"05"_s : u"17"_s);
        }
        unloadAll();
        QVERIFY(StartProgram(storePath()));
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
        QCOMPARE(stored(Keys::Kesto, u"2"_s), u"<absent>"_s);
    }
};

ORVALIN_TEST_MAIN(JournalTest)
#include "tst_journal.moc"
