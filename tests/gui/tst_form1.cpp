#include "WindowTest.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "meter/Form22.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>

class Form1Test : public WindowTest {
    Q_OBJECT
private:
    Form1& start() {
        platform().dialer.entries = {QStringLiteral("Koti"), QStringLiteral("Työ"),
                                     QStringLiteral("Mökki")};
        return form<Form1>();
    }

private slots:
    void opensWithItsCaptionControlsAndPlaces() {
        Form1& window = start();
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvalin 1.0"));
        QCOMPARE(window.Command1->text(), QStringLiteral("&Ota Yhteys"));
        QCOMPARE(window.Command3->text(), QStringLiteral("&Asetukset"));
        QCOMPARE(window.Command4->text(), QStringLiteral("&Päiväkirja"));
        QCOMPARE(window.Label1->text(), QStringLiteral("Yhteys:"));
        QCOMPARE(window.Label2->text(), QStringLiteral("Käyttäjä:"));
        QCOMPARE(window.Label3->text(), QStringLiteral("Salasana:"));
        // 15 twips to the pixel on the 96-dpi test screen.
        QCOMPARE(window.size(), QSize(395, 172));
        QCOMPARE(window.Combo1->geometry(), QRect(112, 36, 153, 21));
        QCOMPARE(window.Command1->geometry(), QRect(284, 144, 93, 21));
        QCOMPARE(window.Text3->echoMode(), QLineEdit::Password);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Combo1->setFocus();
        const QList<QWidget*> order = {window.Text2, window.Text3, window.Command1, window.Command3,
                                       window.Command4};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void fillsTheEntriesAndSelectsTheFirstOnAnEmptyStore() {
        Form1& window = start();
        QCOMPARE(window.Combo1->count(), 3);
        QCOMPARE(window.Combo1->itemText(2), QStringLiteral("Mökki"));
        QCOMPARE(window.Combo1->currentText(), QStringLiteral("Koti"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), QStringLiteral("0"));
        QCOMPARE(window.Text2->text(), QString());
        QCOMPARE(window.Text3->text(), QString());
    }

    void restoresTheStoredEntry_data() {
        QTest::addColumn<QString>("storedIndex");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("third entry") << "2"
                                     << "Mökki"
                                     << "2";
        QTest::newRow("none chosen") << "-1"
                                     << ""
                                     << "-1";
        QTest::newRow("beyond the list") << "7"
                                         << "Koti"
                                         << "0";
        QTest::newRow("below the list") << "-5"
                                        << "Koti"
                                        << "0";
        QTest::newRow("not a number") << "kolme"
                                      << "Koti"
                                      << "0";
    }
    void restoresTheStoredEntry() {
        QFETCH(QString, storedIndex);
        QFETCH(QString, shown);
        QFETCH(QString, storedAfter);
        store(Keys::Asetukset, Keys::Palveluntarjoaja2, storedIndex);
        Form1& window = start();
        QCOMPARE(window.Combo1->currentText(), shown);
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), storedAfter);
    }

    void anEmptyPhonebookSelectsNothing() {
        Form1& window = form<Form1>();
        QCOMPARE(window.Combo1->count(), 0);
        QCOMPARE(window.Combo1->currentText(), QString());
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), QStringLiteral("<absent>"));
    }

    void typedTextThatNamesNoEntryStoresMinusOneAndIsNotAdded() {
        Form1& window = start();
        window.show();
        window.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(window.Combo1->lineEdit(), QStringLiteral("Muu"));
        QTest::keyClick(window.Combo1->lineEdit(), Qt::Key_Return);
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), QStringLiteral("-1"));
        QCOMPARE(window.Combo1->count(), 3);
        window.Combo1->setCurrentIndex(1);
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), QStringLiteral("1"));
    }

    void storesTheUserNameOnEveryKeystrokeAndNeverThePassword() {
        store(Keys::Asetukset, Keys::Käyttäjä, QStringLiteral("matti"));
        Form1& window = start();
        window.show();
        QCOMPARE(window.Text2->text(), QStringLiteral("matti"));
        QTest::keyClick(window.Text2, Qt::Key_Backspace);
        QCOMPARE(stored(Keys::Asetukset, Keys::Käyttäjä), QStringLiteral("matt"));
        window.Text2->selectAll();
        QTest::keyClick(window.Text2, Qt::Key_Delete);
        QCOMPARE(stored(Keys::Asetukset, Keys::Käyttäjä), QString());
        QTest::keyClicks(window.Text3, QStringLiteral("salainen"));
        unloadAll();
        QCOMPARE(form<Form1>().Text2->text(), QString());
        QCOMPARE(form<Form1>().Text3->text(), QString());
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("salainen"));
    }

    void restoresTheProviderChargeIntoTheTariffAndTheSettings() {
        store(Keys::Asetukset, Keys::Palveluntarjoaja, QStringLiteral("5"));
        start();
        QCOMPARE(form<Form3>().PalvelunTarjoaja->text(), QStringLiteral("5"));
        QCOMPARE(form<Form4>().Label12->text(), QStringLiteral("5 penniä / minuutti. "));
    }

    void loadsTheHiddenWindowsAndStoresPortAndType() {
        start();
        const QStringList loaded = FormRegistry::instance().loadedNames();
        for (const char* name : {"Form1", "FrmTyyppi1", "FrmTyyppi2", "Form3", "Form4", "Form7"})
            QVERIFY2(loaded.contains(QLatin1String(name)), name);
        QCOMPARE(stored(Keys::Asetukset, Keys::Portti), QStringLiteral("1"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), QStringLiteral("Tyyppi 1"));
        QVERIFY(!form<Form4>().isVisible());
    }

    void closingTheWindowClosesEveryWindowAndEndsTheProgram() {
        Form1& window = start();
        window.show();
        form<Form22>();
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        window.close();
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void asetuksetShowsTheSettingsWindowModeless() {
        Form1& window = start();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        // An access key presses its button the way a click does, with the button's short delay.
        QTRY_VERIFY(form<Form4>().isVisible());
        QVERIFY(!form<Form4>().isModal());
    }

    void aSecondCopyShowsTheMessageAndTouchesNothing() {
        SettingsStore::close();
        QFile::remove(storePath());
        platform().instance.running = true;
        QVERIFY(!StartProgram(storePath()));
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{QStringLiteral("Ohjelmasta voi käynnistää vain yhden kopion.")});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Critical);
        QVERIFY(!QFile::exists(storePath()));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void aDamagedStoreIsReportedByNameAndLeftAsItWas() {
        SettingsStore::close();
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray garbage("Tämä ei ole asetustiedosto.\n");
        file.write(garbage);
        file.close();
        QVERIFY(!StartProgram(storePath()));
        QCOMPARE(platform().messageBoxes.shown.size(), 1);
        QVERIFY(platform().messageBoxes.shown.first().text.contains(storePath()));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);
    }
};

ORVALIN_TEST_MAIN(Form1Test)
#include "tst_form1.moc"
