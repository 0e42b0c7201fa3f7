#include "WindowTest.h"

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

// Whether the file, or the write-ahead log beside it, holds the text.
bool fileHolds(const QString& path, const QByteArray& text) {
    return FileContents(path).contains(text) || FileContents(path + u"-wal"_s).contains(text);
}

} // namespace

// The start-up window, and the call it dials.
class DialingTest : public WindowTest {
    Q_OBJECT
private:
    Form1& load(const QStringList& entries = {u"Koti"_s, u"Työ"_s, u"Mökki"_s}) {
        platform().dialer.entries = entries;
        Form1& window = form<Form1>();
        window.show();
        return window;
    }

    // The start-up window shown, with the second entry chosen and both fields filled.
    Form1& start(const QString& wait = {}) {
        if (!wait.isEmpty())
            store(Keys::Asetukset, Keys::Odotetaan, wait);
        Form1& window = load({u"Koti"_s, u"  Äänekoski öö "_s});
        window.Combo1->setCurrentIndex(1);
        window.Text2->setText(u"matti"_s);
        window.Text3->setText(u"salainen"_s);
        return window;
    }

    Form5& press(Form1& window) {
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        return *dialingWindow();
    }

    static void countDown(Form5& dialing, int ticks) {
        for (int i = 0; i < ticks; ++i)
            dialing.Timer1_Timer();
    }

private slots:
    // The start-up window: its title and its password field. Closing it closes every window and
    // ends the program.
    void opensWithItsTitleAndClosesEveryWindow() {
        Form1& window = load();
        QCOMPARE(window.windowTitle() + QString::number(window.Text3->echoMode()),
                 u"Orvalin 1.0"_s + QString::number(QLineEdit::Password));
        form<Form22>();
        QSignalSpy end(&FormRegistry::instance(), &FormRegistry::allUnloaded);
        window.close();
        QCOMPARE(end.count(), 1);
    }

    // Stored index | the entry shown, with three entries in the phonebook, or none when a third
    // column says so.
    void restoresTheStoredEntry_data() {
        rows(u"<absent>|Koti\n2|Mökki\n-1|\n3|Koti\n-5|Koti\nkolme|Koti\n1,5|Koti\n"
             u"<absent>||no entries"_s);
    }
    void restoresTheStoredEntry() {
        const QStringList c = row(u'|');
        if (c[0] != u"<absent>")
            store(Keys::Asetukset, Keys::Palveluntarjoaja2, c[0]);
        QCOMPARE((c.size() > 2 ? load({}) : load()).Combo1->currentText(), c[1]);
    }

    // The user name is stored at every keystroke and the password never.
    void storesWhatIsTypedButThePassword() {
        store(Keys::Asetukset, Keys::Käyttäjä, u"matti"_s);
        Form1& window = load();
        QTest::keyClick(window.Text2, Qt::Key_Backspace);
        QTest::keyClicks(window.Text3, u"salainen"_s);
        unloadAll();
        QCOMPARE(form<Form1>().Text2->text() + form<Form1>().Text3->text(), u"matt"_s);
        QVERIFY(!fileHolds(storePath(), "salainen"));
    }

    // A second copy, or a store the program cannot use, ends the start before any window, and
    // leaves the store as it was.
    void aRunThatCannotStartSaysWhyAndTouchesNothing_data() { rows(u"second copy\ndamaged"_s); }
    void aRunThatCannotStartSaysWhyAndTouchesNothing() {
        const bool secondCopy = cell() == u"second copy";
        SettingsStore::close();
        const QByteArray garbage("Tämä ei ole asetustiedosto.\n");
        platform().instance.running = secondCopy;
        if (secondCopy)
            QFile::remove(storePath());
        else
            WriteFile(storePath(), garbage);
        QCOMPARE(StartProgram(storePath()), std::optional<int>(secondCopy ? 0 : 1));
        const QString why = secondCopy ? u"Ohjelmasta voi käynnistää vain yhden kopion."_s
                                       : platform().messageBoxes.texts().value(0);
        QCOMPARE(platform().messageBoxes.seen(), QStringList{u"Critical: "_s + why});
        QCOMPARE(QFile::exists(storePath()), !secondCopy);
        QVERIFY(secondCopy || fileHolds(storePath(), garbage));
    }

    // Entry | user | password | the field that gets the focus | the message.
    void anEmptyFieldIsReportedAndGetsTheFocus_data() {
        rows(u"|matti|salainen|0|Valitse käytettävä yhteys.\n|||0|Valitse käytettävä yhteys.\n"
             u"Koti||salainen|1|Kirjoita käyttäjän nimi.\nKoti|matti||2|Kirjoita salasana."_s);
    }
    void anEmptyFieldIsReportedAndGetsTheFocus() {
        const QStringList c = row(u'|');
        Form1& window = start();
        window.Combo1->setEditText(c[0]);
        window.Text2->setText(c[1]);
        window.Text3->setText(c[2]);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.seen(), QStringList{u"Information: "_s + c[4]});
        const QList<QWidget*> fields = {window.Combo1, window.Text2, window.Text3};
        QCOMPARE(QApplication::focusWidget(), fields[c[3].toInt()]);
        QVERIFY(platform().dialer.calls.isEmpty() && window.isVisible() && !dialingWindow());
    }

    // Code | state reported | the line it adds. A done with the same code, not "connected",
    // changes nothing either.
    void eachStateGivesItsLineOnTop_data() {
        rows(
            u"1|Port Opened|Portti Avattu\n2|Connect Device|Kytketään Laite\n"
            u"3|Device Connected|Laite Kytketty\n4|All Devices Connected|Kaikki Laitteet Kytketty\n"
            u"5|Start Authentication|Tarkistetaan Käyttöoikeudet\n"
            u"6|Logon Network|Liitytään Verkkoon\n"
            u"12|Projection Result|12 Projection Result [ Ilmoita ohjelman tekijälle ]\n"
            u"0|open port|0 open port [ Ilmoita ohjelman tekijälle ]\n"
            u"8194|Paused|8194 Paused [ Ilmoita ohjelman tekijälle ]\n"
            u"8193|Port Opened|Portti Avattu"_s);
    }
    void eachStateGivesItsLineOnTop() {
        const QStringList c = row(u'|');
        Form5& dialing = press(start());
        QCOMPARE(platform().dialer.calls.join(u'/'),
                 u"Entry=  Äänekoski öö /UserName=matti/Password=salainen/Dial"_s);
        platform().dialer.report(0, u"Open Port"_s);
        platform().dialer.report(c[0].toInt(), c[1]);
        platform().dialer.finish(c[0].toInt());
        QCOMPARE(lines(dialing.List1), (QStringList{c[2], u"Avataan Portti"_s}));
        QVERIFY(dialingWindow() == &dialing && dialing.isVisible() && !dialing.Timer1->isActive());
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form2"_s) &&
                platform().dialer.calls.size() == 4);
    }

    // The countdown runs from the wait stored when the user pressed the button; at zero the
    // list empties and the next attempt dials.
    // Stored wait | busy or no answer | the countdown.
    void busyOrNoAnswerCountsDownFromTheStoredWaitAndRedials_data() {
        rows(u"3|busy|3\n3|no answer|3\n<absent>|busy|60\n|busy|60\n 15 |busy|15\n2,6|busy|3\n"
             u"kolme|busy|60\n99999999999|busy|60\n0|busy|1\n-5|busy|1"_s);
    }
    void busyOrNoAnswerCountsDownFromTheStoredWaitAndRedials() {
        const QStringList c = row(u'|');
        const bool busy = c[1] == u"busy";
        const QString status = busy ? u"Linja oli varattu..."_s : u"Numero ei vastannut..."_s;
        if (c[0] != u"<absent>")
            store(Keys::Asetukset, Keys::Odotetaan, c[0]);
        Form5& dialing = press(start());
        platform().dialer.report(0, u"Open Port"_s);
        platform().dialer.report(StateDisconnected, busy ? Busy : NoAnswer);
        QCOMPARE(dialing.lblOdotetaan->text() + dialing.Label3->text(), c[2] + status);
        QCOMPARE(
            lines(dialing.List1),
            (QStringList{busy ? u"Linja On Varattu"_s : u"Ei vastausta"_s, u"Avataan Portti"_s}));
        countDown(dialing, c[2].toInt() - 1);
        QCOMPARE(dialing.lblOdotetaan->text() + dialing.lblSoitto->text(), u"11"_s);

        countDown(dialing, 1);
        // The status text stays until another one replaces it.
        QCOMPARE(dialing.lblOdotetaan->text() + dialing.lblSoitto->text() + dialing.Label3->text(),
                 u"2"_s + status);
        QCOMPARE(dialing.List1->count(), 0);
        QCOMPARE(platform().dialer.calls.mid(3), (QStringList{u"Dial"_s, u"Dial"_s}));
        // The countdown's timer stops with the redial: waited for until it would next tick, it
        // does not count on from the emptied label.
        QSignalSpy tick(dialing.Timer1, &QTimer::timeout);
        QVERIFY(!tick.wait(dialing.Timer1->remainingTime() + 50));
    }

    // How the call is cancelled, and whether a countdown runs then.
    // How the call ends | ticks after a busy line ("-": none) | the error shown | the line left.
    // A cancel hangs up; a failure says why, after a redial so that a window loaded afresh is
    // told apart from the old one. Either way reports that come later do nothing.
    void aCallThatEndsReturnsToTheStartWindow_data() {
        rows(u"button|-||\nbutton|1||\nAlt+P|1||\nclose|-||\nclose|1||\nEsc|1||\n"
             u"Disconnected - No Carrier|3|Yhteys katkesi.|\nDisconnected|3|Yhteys katkesi.|\n"
             u"Disconnected - No Dialtone|3|Ei soittoääntä. Tarkista kytkentä.|"
             u"*** EI SOITTOÄÄNTÄ *** Tarkista kytkentä\n"
             u"Disconnected - Voice Answer|3|Numerossa vastasi äänipuhelin.|"
             u"Numerossa Vastasi Äänipuhelin"_s);
    }
    void aCallThatEndsReturnsToTheStartWindow() {
        const QStringList c = row(u'|');
        const QString how = c[0];
        const QStringList left = c[3].isEmpty() ? QStringList() : QStringList{c[3]};
        Form1& window = start(u"3"_s);
        QPointer<Form5> dialing = &press(window);
        if (c[1] != u"-") {
            platform().dialer.report(StateDisconnected, Busy);
            countDown(*dialing, c[1].toInt());
        }
        platform().dialer.report(0, u"Open Port"_s);
        if (how == u"button") {
            QTest::mouseClick(dialing->Command1, Qt::LeftButton);
        } else if (how == u"close") {
            dialing->close();
        } else if (how.startsWith(u"Disconnected")) {
            platform().dialer.report(StateDisconnected, how);
        } else {
            QVERIFY(QTest::qWaitForWindowActive(dialing.data()));
            QTest::keySequence(dialing.data(), QKeySequence(how));
            QTRY_VERIFY(!dialingWindow());
        }
        const QStringList error =
            c[2].isEmpty() ? QStringList() : QStringList{u"Critical, system modal: "_s + c[2]};
        QCOMPARE(platform().messageBoxes.seen(), error);
        QVERIFY(!error.isEmpty() || platform().dialer.calls.last() == u"HangUp");
        // Until Qt deletes the closed window, its countdown must not redial.
        if (how != u"Alt+P")
            QVERIFY(!dialing->Timer1->isActive());
        QTRY_VERIFY(dialing.isNull());
        QVERIFY(window.isVisible());

        // A line left behind lands in a window loaded afresh and left hidden, which the reports
        // that come later leave alone.
        platform().dialer.report(StateDisconnected, Busy);
        platform().dialer.report(0, u"Open Port"_s);
        platform().dialer.report(StateDisconnected, u"Disconnected"_s);
        QCOMPARE(platform().messageBoxes.shown.size(), error.size());

        // The next call starts afresh at attempt 1, a line left behind under its own lines.
        Form5& next = press(window);
        QCOMPARE(next.windowTitle() + next.lblSoitto->text() + next.lblOdotetaan->text(),
                 u"ÄÄNEKOSKI ÖÖ1"_s);
        QCOMPARE(lines(next.List1), left);
    }

    // The stored type | the meter it opens.
    void aConnectionOpensTheMeterOfTheStoredType_data() {
        rows(u"Tyyppi 1|Form2\nTyyppi 2|Form22\nTyyppi 3|Form2\n|Form2"_s);
    }
    void aConnectionOpensTheMeterOfTheStoredType() {
        const QStringList c = row(u'|');
        platform().env.folder = u"/usr/share/orvalin"_s;
        QPointer<Form5> dialing = &press(start());
        // Changed behind the program's back, after the settings window stored its own.
        store(Keys::Asetukset, Keys::Tyyppi, c[0]);
        platform().dialer.report(6, u"Logon Network"_s);
        platform().dialer.finish(8192);
        QTRY_VERIFY(dialing.isNull());
        QCOMPARE(FormRegistry::instance().isLoaded(u"Form2"_s), c[1] == u"Form2");
        QCOMPARE(platform().sounds.played, QStringList{u"/usr/share/orvalin/yhteys.wav"_s});
    }
};

ORVALIN_TEST_MAIN(DialingTest)
#include "tst_dialing.moc"
