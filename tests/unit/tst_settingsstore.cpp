#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.path() + QStringLiteral("/Orvalin/Orvalin.sqlite"); }

    // What another program reading the file sees, through a connection of its own.
    QString readFromOutside(const QString& section, const QString& key) const {
        QString value = QStringLiteral("<absent>");
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("outside"));
            db.setDatabaseName(path());
            db.open();
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT value FROM settings WHERE application = 'Orvalin' "
                                     "AND section = ? AND key = ?"));
            q.addBindValue(section);
            q.addBindValue(key);
            if (q.exec() && q.next())
                value = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("outside"));
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
        const QString section = QStringLiteral("Päivämäärä");
        const QString key = QStringLiteral("Kestot Yhteensä Minuuttia");
        QCOMPARE(GetSetting(QStringLiteral("Orvalin"), section, key, {}), QString());
        SaveSetting(QStringLiteral("Orvalin"), section, key, QStringLiteral("öljyä 5"));
        SaveSetting(QStringLiteral("Orvalin"), section, QStringLiteral("Kestot Yhteensä"),
                    QStringLiteral("muu"));
        QCOMPARE(GetSetting(QStringLiteral("Orvalin"), section, key, {}),
                 QStringLiteral("öljyä 5"));
        SaveSetting(QStringLiteral("Orvalin"), section, key, QString());
        QCOMPARE(GetSetting(QStringLiteral("Orvalin"), section, key, QStringLiteral("x")),
                 QString());
        QCOMPARE(readFromOutside(section, QStringLiteral("Kestot Yhteensä")),
                 QStringLiteral("muu"));
    }

    void deletesOneSectionWithAllItsKeys() {
        for (const char* section : {"Päivämäärä", "Kesto", "Hinta"})
            for (const char* key : {"0", "1"})
                SaveSetting(QStringLiteral("Orvalin"), QString::fromUtf8(section),
                            QLatin1String(key), QStringLiteral("arvo"));
        SaveSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"), QStringLiteral("0"),
                    QStringLiteral("jää"));
        DeleteSetting(QStringLiteral("Orvalin"), QStringLiteral("Kesto"));
        QVERIFY(GetSection(QStringLiteral("Orvalin"), QStringLiteral("Kesto")).isEmpty());
        QCOMPARE(GetSection(QStringLiteral("Orvalin"), QStringLiteral("Hinta")).size(), 2);
        QCOMPARE(readFromOutside(QStringLiteral("Asetukset"), QStringLiteral("0")),
                 QStringLiteral("jää"));
    }

    void anAnsweredWriteIsOnDiskAndSurvivesReopening() {
        SaveSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"), QStringLiteral("Top"),
                    QStringLiteral("1200"));
        QCOMPARE(readFromOutside(QStringLiteral("Asetukset"), QStringLiteral("Top")),
                 QStringLiteral("1200"));
        SettingsStore::close();
        QVERIFY(!SettingsStore::open(path()));
        QCOMPARE(GetSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"),
                            QStringLiteral("Top"), {}),
                 QStringLiteral("1200"));
    }

    void writesInATransactionLandTogether() {
        {
            SettingsTransaction together;
            SaveSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"),
                        QStringLiteral("Tunnit"), QStringLiteral("01"));
            {
                SettingsTransaction inner;
                SaveSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"),
                            QStringLiteral("Minuutit"), QStringLiteral("02"));
            }
            QCOMPARE(readFromOutside(QStringLiteral("Asetukset"), QStringLiteral("Tunnit")),
                     QStringLiteral("<absent>"));
            QCOMPARE(GetSetting(QStringLiteral("Orvalin"), QStringLiteral("Asetukset"),
                                QStringLiteral("Minuutit"), {}),
                     QStringLiteral("02"));
        }
        QCOMPARE(readFromOutside(QStringLiteral("Asetukset"), QStringLiteral("Tunnit")),
                 QStringLiteral("01"));
        QCOMPARE(readFromOutside(QStringLiteral("Asetukset"), QStringLiteral("Minuutit")),
                 QStringLiteral("02"));
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
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text file") << QByteArray() << QByteArray("[Asetukset]\nTop=5\n");
        QTest::newRow("truncated database") << QByteArray() << QByteArray("SQLite format 3");
        QTest::newRow("another program's database")
            << QByteArray("CREATE TABLE contacts (name TEXT)") << QByteArray();
        QTest::newRow("newer schema")
            << QByteArray("CREATE TABLE settings (application TEXT, section TEXT, key TEXT, "
                          "value TEXT); CREATE TABLE meta (key TEXT, value TEXT); "
                          "INSERT INTO meta VALUES ('schema_version', '2')")
            << QByteArray();
    }
    void refusesAFileItCannotUseAndLeavesItAsItWas() {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, bytes);
        SettingsStore::close();
        QFile::remove(path());
        if (!sql.isEmpty()) {
            {
                QSqlDatabase db =
                    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
                db.setDatabaseName(path());
                QVERIFY(db.open());
                QSqlQuery q(db);
                for (const QByteArray& statement : sql.split(';'))
                    QVERIFY(q.exec(QString::fromUtf8(statement)));
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("maker"));
        } else {
            QFile file(path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const std::optional<QString> problem = SettingsStore::open(path());
        QVERIFY(problem);
        QVERIFY(problem->contains(path()));
        QVERIFY(!SettingsStore::current());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFile::exists(path() + QStringLiteral("-wal")));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
