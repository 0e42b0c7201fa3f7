#include "WindowTest.h"
#include "app/Form1.h"
#include "app/Globals.h"
#include "app/Program.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "dialup/Form5.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form4.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString Busy = u"Disconnected - Line Busy"_s;
const QString NoAnswer = u"Disconnected - No Answer"_s;
constexpr int StateDisconnected = 8193;

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

Form5* dialingWindow() {
    return FormRegistry::instance().loaded<Form5>();
}

} // namespace

// The start-up window, and the call it dials.
class DialingTest : public WindowTest {
    Q_OBJECT
private:
    Form1& load() {
        platform().dialer.entries = {u"Koti"_s, u"Työ"_s, u"Mökki"_s};
        return form<Form1>();
    }

    // The start-up window shown, with the second entry chosen and both fields filled.
    Form1& start(const QString& wait = {}) {
        if (!wait.isEmpty())
            store(Keys::Asetukset, Keys::Odotetaan, wait);
        platform().dialer.entries = {u"Koti"_s, u"  Äänekoski öö "_s};
        Form1& window = form<Form1>();
        window.show();
        window.Combo1->setCurrentIndex(1);
        window.Text2->setText(u"matti"_s);
        window.Text3->setText(u"salainen"_s);
        return window;
    }

    Form5& press(Form1& window) {
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        Form5* dialing = dialingWindow();
        Q_ASSERT(dialing);
        return *dialing;
    }

    // Lets the component report a state and waits until the program has handled it.
    void report(int code, const QString& text) {
        QSignalSpy handled(&platform().dialer, &DialUp::Progress);
        platform().dialer.sendProgress(code, text);
        QVERIFY(handled.wait(2000));
    }

    void finish(int code) {
        QSignalSpy handled(&platform().dialer, &DialUp::Done);
        platform().dialer.sendDone(code);
        QVERIFY(handled.wait(2000));
    }

    static void countDown(Form5& dialing, int ticks) {
        for (int i = 0; i < ticks; ++i)
            dialing.Timer1_Timer();
    }

    // The start-up window is back, with everything the user typed.
    void verifyStartWindowAsTheUserLeftIt() {
        Form1& window = form<Form1>();
        QVERIFY(window.isVisible());
        QCOMPARE(window.Combo1->currentText(), u"  Äänekoski öö "_s);
        QCOMPARE(window.Text2->text() + u'/' + window.Text3->text(), u"matti/salainen"_s);
    }

    static bool fileHolds(const QString& path, const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
    }

private slots:
    void opensWithItsCaptionControlsAndPlaces() {
        Form1& window = load();
        QCOMPARE(window.windowTitle(), u"Orvalin 1.0"_s);
        QCOMPARE(
            QStringList({window.Command1->text(), window.Command3->text(), window.Command4->text(),
                         window.Label1->text(), window.Label2->text(), window.Label3->text()}),
            (QStringList{u"&Ota Yhteys"_s, u"&Asetukset"_s, u"&Päiväkirja"_s, u"Yhteys:"_s,
                         u"Käyttäjä:"_s, u"Salasana:"_s}));
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

    void restoresTheStoredEntry_data() {
        QTest::addColumn<QStringList>("phonebook");
        textColumns({"index", "shown", "storedAfter"});
        const QStringList book = {u"Koti"_s, u"Työ"_s, u"Mökki"_s};
        QTest::newRow("nothing stored") << book << u"<absent>"_s << u"Koti"_s << u"0"_s;
        QTest::newRow("third entry") << book << u"2"_s << u"Mökki"_s << u"2"_s;
        QTest::newRow("none chosen") << book << u"-1"_s << u""_s << u"-1"_s;
        QTest::newRow("beyond the list") << book << u"7"_s << u"Koti"_s << u"0"_s;
        QTest::newRow("below the list") << book << u"-5"_s << u"Koti"_s << u"0"_s;
        QTest::newRow("not a number") << book << u"kolme"_s << u"Koti"_s << u"0"_s;
        QTest::newRow("a fraction") << book << u"1,5"_s << u"Koti"_s << u"0"_s;
        QTest::newRow("an empty phonebook")
            << QStringList() << u"<absent>"_s << u""_s << u"<absent>"_s;
    }
    void restoresTheStoredEntry() {
        QFETCH(QStringList, phonebook);
        QFETCH(QString, index);
        if (index != u"<absent>")
            store(Keys::Asetukset, Keys::Palveluntarjoaja2, index);
        platform().dialer.entries = phonebook;
        const Form1& window = form<Form1>();
        QCOMPARE(window.Combo1->count(), phonebook.size());
        QCOMPARE(window.Combo1->currentText(), cell("shown"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), cell("storedAfter"));
    }

    // A prefix is not completed, and a name in other capitals names no entry.
    void typedTextThatNamesNoEntryStoresMinusOneAndIsNotAdded() {
        Form1& window = load();
        window.show();
        for (const QString& typed : {u"Muu"_s, u"Ty"_s, u"koti"_s}) {
            window.Combo1->lineEdit()->selectAll();
            QTest::keyClicks(window.Combo1->lineEdit(), typed);
            QTest::keyClick(window.Combo1->lineEdit(), Qt::Key_Return);
            QCOMPARE(window.Combo1->currentText(), typed);
            QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), u"-1"_s);
        }
        QCOMPARE(window.Combo1->count(), 3);
        window.Combo1->setCurrentIndex(1);
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja2), u"1"_s);
    }

    void storesTheUserNameOnEveryKeystrokeAndNeverThePassword() {
        store(Keys::Asetukset, Keys::Käyttäjä, u"matti"_s);
        Form1& window = load();
        window.show();
        QCOMPARE(window.Text2->text(), u"matti"_s);
        QTest::keyClick(window.Text2, Qt::Key_Backspace);
        QCOMPARE(stored(Keys::Asetukset, Keys::Käyttäjä), u"matt"_s);
        window.Text2->selectAll();
        QTest::keyClick(window.Text2, Qt::Key_Delete);
        QCOMPARE(stored(Keys::Asetukset, Keys::Käyttäjä), QString());
        QTest::keyClicks(window.Text3, u"salainen"_s);
        unloadAll();
        QCOMPARE(form<Form1>().Text2->text() + form<Form1>().Text3->text(), QString());
        QVERIFY(!fileHolds(storePath(), "salainen"));
    }

    void loadsTheHiddenWindowsAndStoresPortAndType() {
        load();
        const QStringList loaded = FormRegistry::instance().loadedNames();
        for (const char* name : {"Form1", "FrmTyyppi1", "FrmTyyppi2", "Form3", "Form4", "Form7"})
            QVERIFY2(loaded.contains(QLatin1String(name)), name);
        QCOMPARE(stored(Keys::Asetukset, Keys::Portti), u"1"_s);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), u"Tyyppi 1"_s);
        QVERIFY(!form<Form4>().isVisible());
    }

    void closingTheWindowClosesEveryWindowAndEndsTheProgram() {
        Form1& window = load();
        window.show();
        form<Form22>();
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        window.close();
        QCOMPARE(end.count(), 1);
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
    }

    void asetuksetShowsTheSettingsWindowModeless() {
        Form1& window = load();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        // An access key presses its button the way a click does, with the button's short delay.
        QTRY_VERIFY(form<Form4>().isVisible());
        QVERIFY(!form<Form4>().isModal());
    }

    // A second copy, or a store the program cannot use, ends the start before any window, and
    // leaves the store as it was.
    void aRunThatCannotStartSaysWhyAndTouchesNothing_data() {
        QTest::addColumn<bool>("secondCopy");
        QTest::newRow("a second copy") << true;
        QTest::newRow("a damaged store") << false;
    }
    void aRunThatCannotStartSaysWhyAndTouchesNothing() {
        QFETCH(bool, secondCopy);
        SettingsStore::close();
        QFile file(storePath());
        const QByteArray garbage("Tämä ei ole asetustiedosto.\n");
        if (secondCopy) {
            QFile::remove(storePath());
            platform().instance.running = true;
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
            file.close();
        }
        QVERIFY(!StartProgram(storePath()));
        const QString why = secondCopy ? u"Ohjelmasta voi käynnistää vain yhden kopion."_s
                                       : platform().messageBoxes.texts().value(0);
        QCOMPARE(platform().messageBoxes.seen(), QStringList{u"Critical: "_s + why});
        QVERIFY(secondCopy || why.contains(storePath()));
        QVERIFY(FormRegistry::instance().loadedNames().isEmpty());
        QCOMPARE(QFile::exists(storePath()), !secondCopy);
        QVERIFY(secondCopy || fileHolds(storePath(), garbage));
    }

    void anEmptyFieldIsReportedAndGetsTheFocus_data() {
        textColumns({"entry", "user", "password", "message"});
        QTest::addColumn<int>("field");
        const QString noEntry = u"Valitse käytettävä yhteys."_s;
        QTest::newRow("no entry") << u""_s << u"matti"_s << u"salainen"_s << noEntry << 0;
        QTest::newRow("everything empty") << u""_s << u""_s << u""_s << noEntry << 0;
        QTest::newRow("no user name")
            << u"Koti"_s << u""_s << u"salainen"_s << u"Kirjoita käyttäjän nimi."_s << 1;
        QTest::newRow("no password")
            << u"Koti"_s << u"matti"_s << u""_s << u"Kirjoita salasana."_s << 2;
    }
    void anEmptyFieldIsReportedAndGetsTheFocus() {
        QFETCH(int, field);
        Form1& window = start(u"7"_s);
        window.Combo1->setEditText(cell("entry"));
        window.Text2->setText(cell("user"));
        window.Text3->setText(cell("password"));
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mouseClick(window.Command1, Qt::LeftButton);

        QCOMPARE(platform().messageBoxes.seen(), QStringList{u"Information: "_s + cell("message")});
        const QList<QWidget*> fields = {window.Combo1, window.Text2, window.Text3};
        QCOMPARE(QApplication::focusWidget(), fields[field]);
        QVERIFY(platform().dialer.calls.isEmpty());
        QVERIFY(window.isVisible());
        QVERIFY(!dialingWindow());
        // The wait is read before the fields are checked.
        QCOMPARE(OdotetaanSekunnit, 7);
    }

    void dialsTheEntryAndShowsItsNameInCapitals() {
        Form1& window = start(u"5"_s);
        Form5& dialing = press(window);

        QCOMPARE(platform().dialer.calls,
                 (QStringList{u"Entry=  Äänekoski öö "_s, u"UserName=matti"_s,
                              u"Password=salainen"_s, u"Dial"_s}));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!window.isVisible());
        QVERIFY(dialing.isVisible());
        QVERIFY(!dialing.isModal());
        QCOMPARE(dialing.windowTitle(), u"ÄÄNEKOSKI ÖÖ"_s);
        QVERIFY(dialing.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(OdotetaanSekunnit, 5);
        QVERIFY(!fileHolds(storePath(), "salainen"));

        // 15 twips to the pixel on the 96-dpi test screen.
        const QList<std::tuple<Label*, QString, QPoint>> labels = {
            {dialing.Label1, u"Soitto:"_s, QPoint(36, 12)},
            {dialing.lblSoitto, u"1"_s, QPoint(76, 12)},
            {dialing.Label7, u"Odotetaan:"_s, QPoint(16, 28)},
            {dialing.lblOdotetaan, QString(), QPoint(83, 28)},
            {dialing.Label2, u"sekuntia"_s, QPoint(96, 28)},
            {dialing.Label4, u"Tila:"_s, QPoint(48, 44)},
            {dialing.Label3, u"-"_s, QPoint(76, 44)}};
        for (const auto& [label, text, place] : labels) {
            QCOMPARE(label->text(), text);
            QCOMPARE(label->pos(), place);
        }
        QCOMPARE(dialing.Command1->text(), u"&Peruuta"_s);
        QCOMPARE(dialing.Command1->geometry(), QRect(64, 72, 93, 21));
        QCOMPARE(dialing.List1->count(), 0);
        QVERIFY(!dialing.Timer1->isActive());
        // The status list shows under the button, inside the window.
        QVERIFY(dialing.rect().contains(dialing.List1->geometry()));
        QVERIFY(dialing.List1->geometry().top() >= dialing.Command1->geometry().bottom());

        const int before = dialing.Label3->width();
        report(StateDisconnected, NoAnswer);
        QCOMPARE(dialing.Label3->text(), u"Numero ei vastannut..."_s);
        QVERIFY(dialing.Label3->width() > before);
        QCOMPARE(dialing.Label3->width(), dialing.Label3->sizeHint().width());
        QCOMPARE(dialing.Label3->pos(), QPoint(76, 44));
    }

    void eachStateGivesItsLineOnTop_data() {
        QTest::addColumn<int>("code");
        textColumns({"state", "line"});
        QTest::newRow("port opened") << 1 << u"Port Opened"_s << u"Portti Avattu"_s;
        QTest::newRow("connect device") << 2 << u"Connect Device"_s << u"Kytketään Laite"_s;
        QTest::newRow("device connected") << 3 << u"Device Connected"_s << u"Laite Kytketty"_s;
        QTest::newRow("all devices")
            << 4 << u"All Devices Connected"_s << u"Kaikki Laitteet Kytketty"_s;
        QTest::newRow("authentication")
            << 5 << u"Start Authentication"_s << u"Tarkistetaan Käyttöoikeudet"_s;
        QTest::newRow("logon") << 6 << u"Logon Network"_s << u"Liitytään Verkkoon"_s;
        QTest::newRow("unknown state 12")
            << 12 << u"Projection Result"_s
            << u"12 Projection Result [ Ilmoita ohjelman tekijälle ]"_s;
        QTest::newRow("another case")
            << 0 << u"open port"_s << u"0 open port [ Ilmoita ohjelman tekijälle ]"_s;
    }
    void eachStateGivesItsLineOnTop() {
        Form5& dialing = press(start());
        report(0, u"Open Port"_s);
        report(cell<int>("code"), cell("state"));
        QCOMPARE(lines(dialing.List1), (QStringList{cell("line"), u"Avataan Portti"_s}));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(dialing.isVisible());
        QVERIFY(!dialing.Timer1->isActive());
        QCOMPARE(dialing.lblOdotetaan->text() + dialing.Label3->text(), u"-"_s);
        QCOMPARE(platform().dialer.dialCount(), 1);
    }

    // The countdown runs from the wait stored when the user pressed the button; at zero the
    // list empties and the next attempt dials. Another busy line restarts the full wait.
    void busyOrNoAnswerCountsDownFromTheStoredWaitAndRedials_data() {
        textColumns({"wait", "state"});
        QTest::addColumn<int>("countdown");
        textColumns({"line", "status"});
        const QString busyLine = u"Linja On Varattu"_s;
        const QString busyStatus = u"Linja oli varattu..."_s;
        QTest::newRow("busy, three seconds") << u"3"_s << Busy << 3 << busyLine << busyStatus;
        QTest::newRow("no answer, three seconds")
            << u"3"_s << NoAnswer << 3 << u"Ei vastausta"_s << u"Numero ei vastannut..."_s;
        QTest::newRow("no wait stored") << u"<absent>"_s << Busy << 60 << busyLine << busyStatus;
        QTest::newRow("empty") << u""_s << Busy << 60 << busyLine << busyStatus;
        QTest::newRow("with blanks") << u" 15 "_s << Busy << 15 << busyLine << busyStatus;
        QTest::newRow("a fraction") << u"2,6"_s << Busy << 3 << busyLine << busyStatus;
        QTest::newRow("not a number") << u"kolme"_s << Busy << 60 << busyLine << busyStatus;
        QTest::newRow("beyond 32 bits") << u"99999999999"_s << Busy << 60 << busyLine << busyStatus;
        QTest::newRow("zero") << u"0"_s << Busy << 1 << busyLine << busyStatus;
        QTest::newRow("negative") << u"-5"_s << Busy << 1 << busyLine << busyStatus;
    }
    void busyOrNoAnswerCountsDownFromTheStoredWaitAndRedials() {
        QFETCH(QString, wait);
        QFETCH(int, countdown);
        QFETCH(QString, status);
        if (wait != u"<absent>")
            store(Keys::Asetukset, Keys::Odotetaan, wait);
        Form5& dialing = press(start());
        report(0, u"Open Port"_s);
        report(StateDisconnected, cell("state"));
        QCOMPARE(dialing.lblOdotetaan->text(), QString::number(countdown));
        QCOMPARE(dialing.Label3->text(), status);
        QCOMPARE(lines(dialing.List1), (QStringList{cell("line"), u"Avataan Portti"_s}));
        QVERIFY(dialing.Timer1->isActive());
        countDown(dialing, countdown - 1);
        QCOMPARE(dialing.lblOdotetaan->text(), u"1"_s);
        QCOMPARE(dialing.lblSoitto->text(), u"1"_s);
        QCOMPARE(dialing.List1->count(), 2);
        QCOMPARE(platform().dialer.dialCount(), 1);

        countDown(dialing, 1);
        QCOMPARE(dialing.lblOdotetaan->text(), QString());
        QCOMPARE(dialing.List1->count(), 0);
        QCOMPARE(dialing.lblSoitto->text(), u"2"_s);
        QCOMPARE(platform().dialer.calls.mid(3), (QStringList{u"Dial"_s, u"Dial"_s}));
        QVERIFY(!dialing.Timer1->isActive());
        // The status text stays until another one replaces it.
        QCOMPARE(dialing.Label3->text(), status);

        report(0, u"Open Port"_s);
        QCOMPARE(lines(dialing.List1), QStringList{u"Avataan Portti"_s});
        report(StateDisconnected, Busy);
        QCOMPARE(dialing.lblOdotetaan->text(), QString::number(countdown));
        QCOMPARE(dialing.Label3->text(), u"Linja oli varattu..."_s);
        countDown(dialing, countdown);
        QCOMPARE(dialing.lblSoitto->text(), u"3"_s);
        QCOMPARE(platform().dialer.dialCount(), 3);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!form<Form1>().isVisible());
    }

    void theWaitIsReadAgainAtEveryPress() {
        Form1& window = start(u"5"_s);
        QTest::mouseClick(press(window).Command1, Qt::LeftButton);
        store(Keys::Asetukset, Keys::Odotetaan, u"8"_s);
        Form5& dialing = press(window);
        report(StateDisconnected, Busy);
        QCOMPARE(dialing.lblOdotetaan->text(), u"8"_s);
    }

    void theTimerTicksOnceASecond() {
        Form5& dialing = press(start(u"2"_s));
        report(StateDisconnected, Busy);
        QTRY_COMPARE_WITH_TIMEOUT(dialing.lblOdotetaan->text(), u"1"_s, 1500);
        QCOMPARE(platform().dialer.dialCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(platform().dialer.dialCount(), 2, 1500);
        QCOMPARE(dialing.lblSoitto->text(), u"2"_s);
    }

    void cancellingHangsUpAndLaterReportsDoNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("countingDown");
        QTest::newRow("button while dialing") << u"button"_s << false;
        QTest::newRow("button during countdown") << u"button"_s << true;
        QTest::newRow("access key during countdown") << u"key"_s << true;
        QTest::newRow("close box while dialing") << u"close"_s << false;
        QTest::newRow("close box during countdown") << u"close"_s << true;
        QTest::newRow("Esc during countdown") << u"esc"_s << true;
    }
    void cancellingHangsUpAndLaterReportsDoNothing() {
        QFETCH(QString, how);
        Form1& window = start(u"3"_s);
        QPointer<Form5> dialing = &press(window);
        report(0, u"Open Port"_s);
        if (cell<bool>("countingDown")) {
            report(StateDisconnected, Busy);
            dialing->Timer1_Timer();
        }

        if (how == u"button") {
            QTest::mouseClick(dialing->Command1, Qt::LeftButton);
        } else if (how == u"close") {
            dialing->close();
        } else {
            QVERIFY(QTest::qWaitForWindowActive(dialing.data()));
            if (how == u"key") {
                QTest::keyClick(dialing.data(), Qt::Key_P, Qt::AltModifier);
                QTRY_VERIFY(!dialingWindow());
            } else {
                QTest::keyClick(dialing.data(), Qt::Key_Escape);
            }
        }

        QCOMPARE(platform().dialer.calls.last(), u"HangUp"_s);
        QVERIFY(!dialingWindow());
        // Until Qt deletes the closed window, its countdown must not redial.
        if (how != u"key")
            QVERIFY(!dialing->Timer1->isActive());
        QTRY_VERIFY(dialing.isNull());
        verifyStartWindowAsTheUserLeftIt();

        report(StateDisconnected, Busy);
        report(0, u"Open Port"_s);
        report(StateDisconnected, u"Disconnected"_s);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!dialingWindow());
        QCOMPARE(platform().dialer.dialCount(), 1);

        // The next call starts afresh at attempt 1.
        Form5& next = press(window);
        QCOMPARE(next.lblSoitto->text(), u"1"_s);
        QCOMPARE(next.lblOdotetaan->text(), QString());
        QCOMPARE(next.List1->count(), 0);
        QVERIFY(!next.Timer1->isActive());
    }

    void aFailureShowsItsErrorAndReturnsToTheStartWindow_data() {
        textColumns({"state", "message", "leftLine"});
        QTest::newRow("no carrier")
            << u"Disconnected - No Carrier"_s << u"Yhteys katkesi."_s << QString();
        QTest::newRow("disconnected") << u"Disconnected"_s << u"Yhteys katkesi."_s << QString();
        QTest::newRow("no dial tone")
            << u"Disconnected - No Dialtone"_s << u"Ei soittoääntä. Tarkista kytkentä."_s
            << u"*** EI SOITTOÄÄNTÄ *** Tarkista kytkentä"_s;
        QTest::newRow("voice answer")
            << u"Disconnected - Voice Answer"_s << u"Numerossa vastasi äänipuhelin."_s
            << u"Numerossa Vastasi Äänipuhelin"_s;
    }
    void aFailureShowsItsErrorAndReturnsToTheStartWindow() {
        QFETCH(QString, leftLine);
        Form1& window = start(u"3"_s);
        QPointer<Form5> dialing = &press(window);
        // A redial first, so that a window loaded afresh is told apart from the old one.
        report(StateDisconnected, Busy);
        countDown(*dialing, 3);
        report(0, u"Open Port"_s);

        report(StateDisconnected, cell("state"));

        QCOMPARE(platform().messageBoxes.seen(),
                 QStringList{u"Critical, system modal: "_s + cell("message")});
        verifyStartWindowAsTheUserLeftIt();
        QTRY_VERIFY(dialing.isNull());
        QCOMPARE(platform().dialer.dialCount(), 2);

        const QStringList left = leftLine.isNull() ? QStringList() : QStringList{leftLine};
        // The line lands in a window loaded afresh and left hidden, where later reports change
        // nothing.
        QCOMPARE(dialingWindow() != nullptr, !left.isEmpty());
        if (Form5* fresh = dialingWindow()) {
            QVERIFY(!fresh->isVisible());
            QCOMPARE(lines(fresh->List1), left);
            QCOMPARE(fresh->windowTitle(), u"Soitetaan..."_s);
            report(0, u"Open Port"_s);
            QCOMPARE(lines(fresh->List1), left);
            QCOMPARE(platform().messageBoxes.shown.size(), 1);
        }

        // The user can dial again at once; a line left behind shows under the new call's lines.
        Form5& again = press(window);
        QVERIFY(again.isVisible());
        QCOMPARE(again.windowTitle(), u"ÄÄNEKOSKI ÖÖ"_s);
        QCOMPARE(again.lblSoitto->text(), u"1"_s);
        QCOMPARE(lines(again.List1), left);
        QCOMPARE(platform().dialer.dialCount(), 3);
    }

    void aConnectionOpensTheMeterOfTheStoredType_data() {
        textColumns({"type", "meter"});
        QTest::newRow("type 1") << u"Tyyppi 1"_s << u"Form2"_s;
        QTest::newRow("type 2") << u"Tyyppi 2"_s << u"Form22"_s;
        QTest::newRow("an unknown type") << u"Tyyppi 3"_s << u"Form2"_s;
        QTest::newRow("no type") << u""_s << u"Form2"_s;
    }
    void aConnectionOpensTheMeterOfTheStoredType() {
        QFETCH(QString, meter);
        platform().env.folder = u"/usr/share/orvalin"_s;
        QPointer<Form5> dialing = &press(start());
        // Changed behind the program's back, after the settings window stored its own.
        store(Keys::Asetukset, Keys::Tyyppi, cell("type"));
        report(6, u"Logon Network"_s);

        finish(8192);

        QVERIFY(!dialingWindow());
        QTRY_VERIFY(dialing.isNull());
        QCOMPARE(FormRegistry::instance().isLoaded(u"Form2"_s), meter == u"Form2");
        QCOMPARE(FormRegistry::instance().isLoaded(u"Form22"_s), meter == u"Form22");
        Form* shown = FormRegistry::instance().loaded(meter);
        QVERIFY(shown->isVisible());
        QVERIFY(!form<Form1>().isVisible());
        QCOMPARE(platform().sounds.played, QStringList{u"/usr/share/orvalin/yhteys.wav"_s});

        // When the line drops later, its reports are the meter's business, not the dialing's.
        report(StateDisconnected, u"Disconnected"_s);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!dialingWindow());
        QVERIFY(!form<Form1>().isVisible());
        QVERIFY(shown->isVisible());
    }

    void aDoneThatIsNotConnectedChangesNothing_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("disconnected") << StateDisconnected;
        QTest::newRow("open port") << 0;
        QTest::newRow("one past connected") << 8193 + 1;
    }
    void aDoneThatIsNotConnectedChangesNothing() {
        Form5& dialing = press(start());
        report(0, u"Open Port"_s);
        finish(cell<int>("code"));
        QCOMPARE(dialingWindow(), &dialing);
        QVERIFY(dialing.isVisible());
        QCOMPARE(lines(dialing.List1), QStringList{u"Avataan Portti"_s});
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form2"_s));
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form22"_s));
        QVERIFY(platform().sounds.played.isEmpty());
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!form<Form1>().isVisible());
    }
};

ORVALIN_TEST_MAIN(DialingTest)
#include "tst_dialing.moc"
