#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class SettingsStoreTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.path() + u"/Orvalin/Orvalin.sqlite"_s; }

    static QString get(const QString& section, const QString& key, const QString& missing = {}) {
        return GetSetting(u"Orvalin"_s, section, key, missing);
    }
    static void save(const QString& section, const QString& key, const QString& value) {
        SaveSetting(u"Orvalin"_s, section, key, value);
    }

    // Runs statements on the file through a connection of its own, as another program would.
    void outside(const QStringList& statements, QString* firstValue = nullptr) const {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"outside"_s);
            db.setDatabaseName(path());
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const QString& statement : statements)
                QVERIFY2(q.exec(statement), qPrintable(statement));
            if (firstValue)
                *firstValue = q.next() ? q.value(0).toString() : u"<absent>"_s;
        }
        QSqlDatabase::removeDatabase(u"outside"_s);
    }
    QString readFromOutside(const QString& section, const QString& key) const {
        QString value;
        outside({u"SELECT value FROM settings WHERE application = 'Orvalin' AND section = '%1' "
                 u"AND key = '%2'"_s.arg(section, key)},
                &value);
        return value;
    }

private slots:
    void init() {
        SettingsStore::close();
        QFile::remove(path());
        QVERIFY(!SettingsStore::open(path()));
    }
    void cleanupTestCase() { SettingsStore::close(); }

    void keepsNamesWithBlanksAndFinnishLettersUnchanged() {
        const QString section = u"Päivämäärä"_s;
        const QString key = u"Kestot Yhteensä Minuuttia"_s;
        QCOMPARE(get(section, key), QString());
        save(section, key, u"öljyä 5"_s);
        save(section, u"Kestot Yhteensä"_s, u"muu"_s);
        QCOMPARE(get(section, key), u"öljyä 5"_s);
        save(section, key, QString());
        QCOMPARE(get(section, key, u"x"_s), QString());
        QCOMPARE(readFromOutside(section, u"Kestot Yhteensä"_s), u"muu"_s);
    }

    void deletesOneSectionWithAllItsKeys() {
        for (const QString& section : {u"Päivämäärä"_s, u"Kesto"_s, u"Hinta"_s})
            for (const QString& key : {u"0"_s, u"1"_s})
                save(section, key, u"arvo"_s);
        save(u"Asetukset"_s, u"0"_s, u"jää"_s);
        DeleteSetting(u"Orvalin"_s, u"Kesto"_s);
        QVERIFY(GetSection(u"Orvalin"_s, u"Kesto"_s).isEmpty());
        QCOMPARE(GetSection(u"Orvalin"_s, u"Hinta"_s).size(), 2);
        QCOMPARE(readFromOutside(u"Asetukset"_s, u"0"_s), u"jää"_s);
    }

    void anAnsweredWriteIsOnDiskAndSurvivesReopening() {
        save(u"Asetukset"_s, u"Top"_s, u"1200"_s);
        QCOMPARE(readFromOutside(u"Asetukset"_s, u"Top"_s), u"1200"_s);
        SettingsStore::close();
        QVERIFY(!SettingsStore::open(path()));
        QCOMPARE(get(u"Asetukset"_s, u"Top"_s), u"1200"_s);
    }

    void writesInATransactionLandTogether() {
        {
            SettingsTransaction together;
            save(u"Asetukset"_s, u"Tunnit"_s, u"01"_s);
            {
                SettingsTransaction inner;
                save(u"Asetukset"_s, u"Minuutit"_s, u"02"_s);
            }
            QCOMPARE(readFromOutside(u"Asetukset"_s, u"Tunnit"_s), u"<absent>"_s);
            QCOMPARE(get(u"Asetukset"_s, u"Minuutit"_s), u"02"_s);
        }
        QCOMPARE(readFromOutside(u"Asetukset"_s, u"Tunnit"_s), u"01"_s);
        QCOMPARE(readFromOutside(u"Asetukset"_s, u"Minuutit"_s), u"02"_s);
    }

    void keepsTheStorePrivateToTheUser() {
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        const QFile::Permissions file = QFileInfo(path()).permissions();
        QVERIFY(file.testFlags(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(!(file & others));
        const QFile::Permissions folder = QFileInfo(QFileInfo(path()).absolutePath()).permissions();
        QVERIFY(folder.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!(folder & others));
    }

    void refusesAFileItCannotUseAndLeavesItAsItWas_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text file") << QString() << QByteArray("[Asetukset]\nTop=5\n");
        QTest::newRow("truncated database") << QString() << QByteArray("SQLite format 3");
        QTest::newRow("another program's database")
            << u"CREATE TABLE contacts (name TEXT)"_s << QByteArray();
        QTest::newRow("newer schema")
            << u"CREATE TABLE settings (application TEXT, section TEXT, key TEXT, value TEXT);"
               u"CREATE TABLE meta (key TEXT, value TEXT);"
               u"INSERT INTO meta VALUES ('schema_version', '2')"_s
            << QByteArray();
    }
    void refusesAFileItCannotUseAndLeavesItAsItWas() {
        QFETCH(QString, sql);
        QFETCH(QByteArray, bytes);
        SettingsStore::close();
        QFile::remove(path());
        QFile file(path());
        if (!sql.isEmpty()) {
            outside(sql.split(u';'));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const std::optional<QString> problem = SettingsStore::open(path());
        QVERIFY(problem);
        QVERIFY(problem->contains(path()));
        QVERIFY(!SettingsStore::current());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(path() + u"-wal"_s));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
