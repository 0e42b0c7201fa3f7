#include "WindowTest.h"
#include "app/Form1.h"
#include "app/Globals.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "dialup/Form5.h"
#include "meter/Form2.h"
#include "meter/Form22.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTimer>

namespace {

const QString Busy = QStringLiteral("Disconnected - Line Busy");
const QString NoAnswer = QStringLiteral("Disconnected - No Answer");
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

class DialingTest : public WindowTest {
    Q_OBJECT
private:
    // The start-up window shown, with the second entry chosen and both fields filled.
    Form1& start() {
        platform().dialer.entries = {QStringLiteral("Koti"), QStringLiteral("  Äänekoski öö ")};
        Form1& window = form<Form1>();
        window.show();
        window.Combo1->setCurrentIndex(1);
        window.Text2->setText(QStringLiteral("matti"));
        window.Text3->setText(QStringLiteral("salainen"));
        return window;
    }

    Form5& press(Form1& window) {
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        Form5* dialing = dialingWindow();
        Q_ASSERT(dialing);
        return *dialing;
    }

    Form5& dial() { return press(start()); }

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

    // The start-up window is back, with everything the user typed.
    void verifyStartWindowAsTheUserLeftIt() {
        Form1& window = form<Form1>();
        QVERIFY(window.isVisible());
        QCOMPARE(window.Combo1->currentText(), QStringLiteral("  Äänekoski öö "));
        QCOMPARE(window.Text2->text(), QStringLiteral("matti"));
        QCOMPARE(window.Text3->text(), QStringLiteral("salainen"));
    }

private slots:
    void anEmptyFieldIsReportedAndGetsTheFocus_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("field");
        QTest::newRow("no entry") << ""
                                  << "matti"
                                  << "salainen"
                                  << "Valitse käytettävä yhteys." << 1;
        QTest::newRow("everything empty") << ""
                                          << ""
                                          << ""
                                          << "Valitse käytettävä yhteys." << 1;
        QTest::newRow("no user name") << "Koti"
                                      << ""
                                      << "salainen"
                                      << "Kirjoita käyttäjän nimi." << 2;
        QTest::newRow("no password") << "Koti"
                                     << "matti"
                                     << ""
                                     << "Kirjoita salasana." << 3;
    }
    void anEmptyFieldIsReportedAndGetsTheFocus() {
        QFETCH(QString, entry);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(int, field);
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("7"));
        Form1& window = start();
        window.Combo1->setEditText(entry);
        window.Text2->setText(user);
        window.Text3->setText(password);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mouseClick(window.Command1, Qt::LeftButton);

        QCOMPARE(platform().messageBoxes.texts(), QStringList{message});
        const Message& shown = platform().messageBoxes.shown.first();
        QCOMPARE(shown.icon, Message::Icon::Information);
        QCOMPARE(shown.title, QStringLiteral("Orvalin"));
        QCOMPARE(shown.buttons, Message::Buttons::Ok);
        QVERIFY(!shown.systemModal);
        const QList<QWidget*> fields = {window.Combo1, window.Text2, window.Text3};
        QCOMPARE(QApplication::focusWidget(), fields[field - 1]);
        QVERIFY(platform().dialer.calls.isEmpty());
        QVERIFY(window.isVisible());
        QVERIFY(!dialingWindow());
        // The wait is read before the fields are checked.
        QCOMPARE(OdotetaanSekunnit, 7);
    }

    void dialsTheEntryAndShowsItsNameInCapitals() {
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("5"));
        Form1& window = start();
        Form5& dialing = press(window);

        QCOMPARE(
            platform().dialer.calls,
            (QStringList{QStringLiteral("Entry=  Äänekoski öö "), QStringLiteral("UserName=matti"),
                         QStringLiteral("Password=salainen"), QStringLiteral("Dial")}));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!window.isVisible());
        QVERIFY(dialing.isVisible());
        QVERIFY(!dialing.isModal());
        QCOMPARE(dialing.windowTitle(), QStringLiteral("ÄÄNEKOSKI ÖÖ"));
        QVERIFY(dialing.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("1"));
        QCOMPARE(dialing.lblOdotetaan->text(), QString());
        QCOMPARE(dialing.Label3->text(), QStringLiteral("-"));
        QCOMPARE(dialing.List1->count(), 0);
        QVERIFY(!dialing.Timer1->isActive());
        QCOMPARE(OdotetaanSekunnit, 5);

        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("salainen"));
    }

    void dialingWindowKeepsItsPlacesAndSizesItsLabelsToTheirText() {
        Form5& dialing = dial();
        // 15 twips to the pixel on the 96-dpi test screen.
        QCOMPARE(dialing.Label1->pos(), QPoint(36, 12));
        QCOMPARE(dialing.Label1->text(), QStringLiteral("Soitto:"));
        QCOMPARE(dialing.lblSoitto->pos(), QPoint(76, 12));
        QCOMPARE(dialing.Label7->text(), QStringLiteral("Odotetaan:"));
        QCOMPARE(dialing.lblOdotetaan->pos(), QPoint(83, 28));
        QCOMPARE(dialing.Label2->text(), QStringLiteral("sekuntia"));
        QCOMPARE(dialing.Label2->pos(), QPoint(96, 28));
        QCOMPARE(dialing.Label4->text(), QStringLiteral("Tila:"));
        QCOMPARE(dialing.Label3->pos(), QPoint(76, 44));
        QCOMPARE(dialing.Command1->text(), QStringLiteral("&Peruuta"));
        QCOMPARE(dialing.Command1->geometry(), QRect(64, 72, 93, 21));
        // The status list shows under the button, inside the window.
        QVERIFY(dialing.rect().contains(dialing.List1->geometry()));
        QVERIFY(dialing.List1->geometry().top() >= dialing.Command1->geometry().bottom());

        const int before = dialing.Label3->width();
        report(StateDisconnected, NoAnswer);
        QCOMPARE(dialing.Label3->text(), QStringLiteral("Numero ei vastannut..."));
        QVERIFY(dialing.Label3->width() > before);
        QCOMPARE(dialing.Label3->width(), dialing.Label3->sizeHint().width());
        QCOMPARE(dialing.Label3->pos(), QPoint(76, 44));
    }

    void eachStateGivesItsLineOnTop_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("line");
        QTest::newRow("port opened") << 1 << "Port Opened"
                                     << "Portti Avattu";
        QTest::newRow("connect device") << 2 << "Connect Device"
                                        << "Kytketään Laite";
        QTest::newRow("device connected") << 3 << "Device Connected"
                                          << "Laite Kytketty";
        QTest::newRow("all devices") << 4 << "All Devices Connected"
                                     << "Kaikki Laitteet Kytketty";
        QTest::newRow("authentication") << 5 << "Start Authentication"
                                        << "Tarkistetaan Käyttöoikeudet";
        QTest::newRow("logon") << 6 << "Logon Network"
                               << "Liitytään Verkkoon";
        QTest::newRow("unknown state 12") << 12 << "Projection Result"
                                          << "12 Projection Result [ Ilmoita ohjelman tekijälle ]";
        QTest::newRow("another case") << 0 << "open port"
                                      << "0 open port [ Ilmoita ohjelman tekijälle ]";
    }
    void eachStateGivesItsLineOnTop() {
        QFETCH(int, code);
        QFETCH(QString, state);
        QFETCH(QString, line);
        Form5& dialing = dial();
        report(0, QStringLiteral("Open Port"));
        report(code, state);
        QCOMPARE(lines(dialing.List1), (QStringList{line, QStringLiteral("Avataan Portti")}));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(dialing.isVisible());
        QVERIFY(!dialing.Timer1->isActive());
        QCOMPARE(dialing.lblOdotetaan->text(), QString());
        QCOMPARE(dialing.Label3->text(), QStringLiteral("-"));
        QCOMPARE(platform().dialer.dialCount(), 1);
    }

    void theCountdownStartsFromTheStoredWait_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("countdown");
        QTest::newRow("missing") << "<absent>"
                                 << "60";
        QTest::newRow("empty") << ""
                               << "60";
        QTest::newRow("three") << "3"
                               << "3";
        QTest::newRow("with blanks") << " 15 "
                                     << "15";
        QTest::newRow("a fraction") << "2,6"
                                    << "3";
        QTest::newRow("not a number") << "kolme"
                                      << "60";
        QTest::newRow("beyond 32 bits") << "99999999999"
                                        << "60";
        QTest::newRow("zero") << "0"
                              << "1";
        QTest::newRow("negative") << "-5"
                                  << "1";
    }
    void theCountdownStartsFromTheStoredWait() {
        QFETCH(QString, stored);
        QFETCH(QString, countdown);
        if (stored != u"<absent>")
            store(Keys::Asetukset, Keys::Odotetaan, stored);
        Form5& dialing = dial();
        report(StateDisconnected, Busy);
        QCOMPARE(dialing.lblOdotetaan->text(), countdown);
        QCOMPARE(dialing.Label3->text(), QStringLiteral("Linja oli varattu..."));
        QCOMPARE(lines(dialing.List1), QStringList{QStringLiteral("Linja On Varattu")});
        QVERIFY(dialing.Timer1->isActive());
        QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("1"));
        QCOMPARE(platform().dialer.dialCount(), 1);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
    }

    void theWaitIsReadAgainAtEveryPress() {
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("5"));
        Form1& window = start();
        Form5* dialing = &press(window);
        QTest::mouseClick(dialing->Command1, Qt::LeftButton);
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("8"));
        dialing = &press(window);
        report(StateDisconnected, Busy);
        QCOMPARE(dialing->lblOdotetaan->text(), QStringLiteral("8"));
    }

    void busyOrNoAnswerCountsDownAndRedials_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("status");
        QTest::newRow("busy") << Busy << "Linja On Varattu"
                              << "Linja oli varattu...";
        QTest::newRow("no answer") << NoAnswer << "Ei vastausta"
                                   << "Numero ei vastannut...";
    }
    void busyOrNoAnswerCountsDownAndRedials() {
        QFETCH(QString, state);
        QFETCH(QString, line);
        QFETCH(QString, status);
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("3"));
        Form5& dialing = dial();
        report(0, QStringLiteral("Open Port"));
        report(StateDisconnected, state);
        QCOMPARE(dialing.lblOdotetaan->text(), QStringLiteral("3"));
        QCOMPARE(dialing.Label3->text(), status);
        QCOMPARE(dialing.List1->item(0)->text(), line);

        for (const char* left : {"2", "1"}) {
            QVERIFY(dialing.Timer1->isActive());
            dialing.Timer1_Timer();
            QCOMPARE(dialing.lblOdotetaan->text(), QLatin1String(left));
            QCOMPARE(platform().dialer.dialCount(), 1);
            QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("1"));
            QCOMPARE(dialing.List1->count(), 2);
        }
        dialing.Timer1_Timer();
        QCOMPARE(dialing.lblOdotetaan->text(), QString());
        QCOMPARE(dialing.List1->count(), 0);
        QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("2"));
        QCOMPARE(platform().dialer.calls.mid(3),
                 (QStringList{QStringLiteral("Dial"), QStringLiteral("Dial")}));
        QVERIFY(!dialing.Timer1->isActive());
        // The status text stays until another one replaces it.
        QCOMPARE(dialing.Label3->text(), status);

        // The new attempt's lines start from an empty list; another busy line restarts the
        // countdown from the full wait.
        report(0, QStringLiteral("Open Port"));
        QCOMPARE(lines(dialing.List1), QStringList{QStringLiteral("Avataan Portti")});
        report(StateDisconnected, Busy);
        QCOMPARE(dialing.lblOdotetaan->text(), QStringLiteral("3"));
        QCOMPARE(dialing.Label3->text(), QStringLiteral("Linja oli varattu..."));
        for (int tick = 0; tick < 3; ++tick)
            dialing.Timer1_Timer();
        QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("3"));
        QCOMPARE(platform().dialer.dialCount(), 3);
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!form<Form1>().isVisible());
    }

    void theTimerTicksOnceASecond() {
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("2"));
        Form5& dialing = dial();
        report(StateDisconnected, Busy);
        QTRY_COMPARE_WITH_TIMEOUT(dialing.lblOdotetaan->text(), QStringLiteral("1"), 1500);
        QCOMPARE(platform().dialer.dialCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(platform().dialer.dialCount(), 2, 1500);
        QCOMPARE(dialing.lblSoitto->text(), QStringLiteral("2"));
        QCOMPARE(dialing.lblOdotetaan->text(), QString());
    }

    void cancellingHangsUpAndLaterReportsDoNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("countingDown");
        QTest::newRow("button while dialing") << "button" << false;
        QTest::newRow("button during countdown") << "button" << true;
        QTest::newRow("access key during countdown") << "key" << true;
        QTest::newRow("close box while dialing") << "close" << false;
        QTest::newRow("close box during countdown") << "close" << true;
        QTest::newRow("Esc during countdown") << "esc" << true;
    }
    void cancellingHangsUpAndLaterReportsDoNothing() {
        QFETCH(QString, how);
        QFETCH(bool, countingDown);
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("3"));
        Form1& window = start();
        QPointer<Form5> dialing = &press(window);
        report(0, QStringLiteral("Open Port"));
        if (countingDown) {
            report(StateDisconnected, Busy);
            dialing->Timer1_Timer();
        }

        if (how == u"button") {
            QTest::mouseClick(dialing->Command1, Qt::LeftButton);
        } else if (how == u"key") {
            QVERIFY(QTest::qWaitForWindowActive(dialing.data()));
            QTest::keyClick(dialing.data(), Qt::Key_P, Qt::AltModifier);
            QTRY_VERIFY(!dialingWindow());
        } else if (how == u"close") {
            dialing->close();
        } else {
            QVERIFY(QTest::qWaitForWindowActive(dialing.data()));
            QTest::keyClick(dialing.data(), Qt::Key_Escape);
        }

        QCOMPARE(platform().dialer.calls.last(), QStringLiteral("HangUp"));
        QCOMPARE(platform().dialer.dialCount(), 1);
        QVERIFY(!dialingWindow());
        // Until Qt deletes the closed window, its countdown must not redial.
        if (how != u"key")
            QVERIFY(!dialing->Timer1->isActive());
        QTRY_VERIFY(dialing.isNull());
        verifyStartWindowAsTheUserLeftIt();

        report(StateDisconnected, Busy);
        report(0, QStringLiteral("Open Port"));
        report(StateDisconnected, QStringLiteral("Disconnected"));
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!dialingWindow());
        QCOMPARE(platform().dialer.dialCount(), 1);

        // The next call starts afresh at attempt 1.
        Form5& next = press(window);
        QCOMPARE(next.lblSoitto->text(), QStringLiteral("1"));
        QCOMPARE(next.lblOdotetaan->text(), QString());
        QCOMPARE(next.List1->count(), 0);
        QVERIFY(!next.Timer1->isActive());
    }

    void aFailureShowsItsErrorAndReturnsToTheStartWindow_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("leftLine");
        QTest::newRow("no carrier") << "Disconnected - No Carrier"
                                    << "Yhteys katkesi."
                                    << "";
        QTest::newRow("disconnected") << "Disconnected"
                                      << "Yhteys katkesi."
                                      << "";
        QTest::newRow("no dial tone") << "Disconnected - No Dialtone"
                                      << "Ei soittoääntä. Tarkista kytkentä."
                                      << "*** EI SOITTOÄÄNTÄ *** Tarkista kytkentä";
        QTest::newRow("voice answer") << "Disconnected - Voice Answer"
                                      << "Numerossa vastasi äänipuhelin."
                                      << "Numerossa Vastasi Äänipuhelin";
    }
    void aFailureShowsItsErrorAndReturnsToTheStartWindow() {
        QFETCH(QString, state);
        QFETCH(QString, message);
        QFETCH(QString, leftLine);
        store(Keys::Asetukset, Keys::Odotetaan, QStringLiteral("3"));
        Form1& window = start();
        QPointer<Form5> dialing = &press(window);
        report(0, QStringLiteral("Open Port"));
        // A redial first, so that a window loaded afresh is told apart from the old one.
        report(StateDisconnected, Busy);
        for (int tick = 0; tick < 3; ++tick)
            dialing->Timer1_Timer();
        QCOMPARE(dialing->lblSoitto->text(), QStringLiteral("2"));
        report(0, QStringLiteral("Open Port"));

        report(StateDisconnected, state);

        QCOMPARE(platform().messageBoxes.texts(), QStringList{message});
        const Message& shown = platform().messageBoxes.shown.first();
        QCOMPARE(shown.icon, Message::Icon::Critical);
        QVERIFY(shown.systemModal);
        QCOMPARE(shown.title, QStringLiteral("Orvalin"));
        QCOMPARE(shown.buttons, Message::Buttons::Ok);
        verifyStartWindowAsTheUserLeftIt();
        QTRY_VERIFY(dialing.isNull());
        QCOMPARE(platform().dialer.dialCount(), 2);

        if (leftLine.isEmpty()) {
            QVERIFY(!dialingWindow());
        } else {
            // The line lands in a window loaded afresh and left hidden.
            Form5* fresh = dialingWindow();
            QVERIFY(fresh);
            QVERIFY(!fresh->isVisible());
            QCOMPARE(lines(fresh->List1), QStringList{leftLine});
            QCOMPARE(fresh->windowTitle(), QStringLiteral("Soitetaan..."));
            QCOMPARE(fresh->lblSoitto->text(), QStringLiteral("1"));
            QCOMPARE(fresh->lblOdotetaan->text(), QString());
            QCOMPARE(fresh->Label3->text(), QStringLiteral("-"));
            QVERIFY(!fresh->Timer1->isActive());
            // Reports while it lies hidden change nothing.
            report(0, QStringLiteral("Open Port"));
            QCOMPARE(lines(fresh->List1), QStringList{leftLine});
            QCOMPARE(platform().messageBoxes.shown.size(), 1);
        }

        // The user can dial again at once; a line left behind shows under the new call's lines.
        Form5& again = press(window);
        QVERIFY(again.isVisible());
        QCOMPARE(again.windowTitle(), QStringLiteral("ÄÄNEKOSKI ÖÖ"));
        QCOMPARE(again.lblSoitto->text(), QStringLiteral("1"));
        QCOMPARE(lines(again.List1), leftLine.isEmpty() ? QStringList() : QStringList{leftLine});
        QCOMPARE(platform().dialer.dialCount(), 3);
    }

    void aConnectionOpensTheMeterOfTheStoredType_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("meter");
        QTest::newRow("type 1") << "Tyyppi 1"
                                << "Form2";
        QTest::newRow("type 2") << "Tyyppi 2"
                                << "Form22";
        QTest::newRow("an unknown type") << "Tyyppi 3"
                                         << "Form2";
        QTest::newRow("no type") << ""
                                 << "Form2";
    }
    void aConnectionOpensTheMeterOfTheStoredType() {
        QFETCH(QString, type);
        QFETCH(QString, meter);
        platform().env.folder = QStringLiteral("/usr/share/orvalin");
        Form5& dialing = dial();
        // Changed behind the program's back, after the settings window stored its own.
        store(Keys::Asetukset, Keys::Tyyppi, type);
        report(6, QStringLiteral("Logon Network"));
        QPointer<Form5> closing = &dialing;

        finish(8192);

        QVERIFY(!dialingWindow());
        QTRY_VERIFY(closing.isNull());
        const QString other =
            meter == u"Form2" ? QStringLiteral("Form22") : QStringLiteral("Form2");
        QVERIFY(!FormRegistry::instance().isLoaded(other));
        Form* shown = FormRegistry::instance().loaded(meter);
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->windowTitle(), QStringLiteral("Orvalin"));
        QVERIFY(!form<Form1>().isVisible());
        QCOMPARE(platform().sounds.played,
                 QStringList{QStringLiteral("/usr/share/orvalin/yhteys.wav")});
        QVERIFY(platform().messageBoxes.shown.isEmpty());

        // When the line drops later, its reports are the meter's business, not the dialing's.
        report(StateDisconnected, QStringLiteral("Disconnected"));
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
        QFETCH(int, code);
        Form5& dialing = dial();
        report(0, QStringLiteral("Open Port"));
        finish(code);
        QCOMPARE(dialingWindow(), &dialing);
        QVERIFY(dialing.isVisible());
        QCOMPARE(lines(dialing.List1), QStringList{QStringLiteral("Avataan Portti")});
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("Form2")));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("Form22")));
        QVERIFY(platform().sounds.played.isEmpty());
        QVERIFY(platform().messageBoxes.shown.isEmpty());
        QVERIFY(!form<Form1>().isVisible());
    }
};

ORVALIN_TEST_MAIN(DialingTest)
#include "tst_dialing.moc"
