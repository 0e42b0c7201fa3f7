#include "WindowTest.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"
#include "tariffs/TariffFields.h"

#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class TariffEditorsTest : public WindowTest {
    Q_OBJECT
private:
    // One amount of an editor: 0 per call, 1 per minute by day (type 2: at all times), 2 the
    // first 30 minutes at other times, 3 each minute after them.
    struct Amount {
        TextBox* whole;
        UpDown* wholeSpinner;
        TextBox* tenths;
        UpDown* tenthsSpinner;
    };
    static QString key(int i, bool tenths) {
        const QStringList keys = {Keys::Puhelu_1,   Keys::Puhelu_2,   Keys::Arkisin1_1,
                                  Keys::Arkisin1_2, Keys::Arkisin2_1, Keys::Arkisin2_2,
                                  Keys::Arkisin3_1, Keys::Arkisin3_2};
        return keys[2 * i + (tenths ? 1 : 0)];
    }
    static Amount amount(const QString& type, int i) {
        if (type == Keys::Tyyppi2) {
            FrmTyyppi2& e = form<FrmTyyppi2>();
            return i == 0 ? Amount{e.Text1, e.UpDown1, e.Text3, e.UpDown3}
                          : Amount{e.Text7, e.UpDown7, e.Text8, e.UpDown8};
        }
        FrmTyyppi1& e = form<FrmTyyppi1>();
        const QList<Amount> amounts = {{e.Text1, e.UpDown1, e.Text3, e.UpDown3},
                                       {e.Text7, e.UpDown7, e.Text8, e.UpDown8},
                                       {e.Text2, e.UpDown2, e.Text4, e.UpDown4},
                                       {e.Text5, e.UpDown5, e.Text6, e.UpDown6}};
        return amounts[i];
    }
    static TariffEditor& editor(const QString& type) {
        if (type == Keys::Tyyppi1)
            return form<FrmTyyppi1>();
        return form<FrmTyyppi2>();
    }
    static bool loaded(const QString& type) {
        return FormRegistry::instance().isLoaded(type == Keys::Tyyppi1 ? u"FrmTyyppi1"_s
                                                                       : u"FrmTyyppi2"_s);
    }
    static QStringList tariffInForce() {
        const Form3& tariff = form<Form3>();
        return {tariff.Puhelu->text(), tariff.Arkisin1->text(), tariff.Arkisin2->text(),
                tariff.Arkisin3->text()};
    }
    static void click(UpDown* spinner, bool up) {
        QTest::mouseClick(up ? spinner->upButton() : spinner->downButton(), Qt::LeftButton);
    }
    static void waitForWriteBack(const QString& type) {
        QTRY_VERIFY(!editor(type).Timer1->isActive());
    }
    static void showEditor(const QString& type) {
        TariffEditor& window = editor(type);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    // With the type in force and the settings window loaded, as after start-up.
    static void startWith(const QString& type) {
        store(Keys::Asetukset, Keys::Tyyppi, type);
        form<Form4>();
        waitForWriteBack(type);
    }

private slots:
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("keys");
        QTest::newRow("type 1") << Keys::Tyyppi1 << 8;
        QTest::newRow("type 2") << Keys::Tyyppi2 << 4;
    }
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading() {
        QFETCH(QString, type);
        QFETCH(int, keys);
        QCOMPARE(editor(type).windowTitle(), u"Hinnat [ %1 ]"_s.arg(type));
        QVERIFY(GetSection(Keys::App, type).isEmpty());
        waitForWriteBack(type);
        const QHash<QString, QString> section = GetSection(Keys::App, type);
        QCOMPARE(section.size(), keys);
        for (int i = 0; i < keys / 2; ++i) {
            QCOMPARE(section.value(key(i, false)), u"0"_s);
            QCOMPARE(section.value(key(i, true)), u"0"_s);
            QCOMPARE(amount(type, i).whole->text(), u"0"_s);
        }
        QVERIFY(!editor(type).isVisible());

        // Once only: a later edit stays in the window until "&Ok".
        amount(type, 0).whole->setText(u"5"_s);
        QTest::qWait(150);
        QCOMPARE(stored(type, Keys::Puhelu_1), u"0"_s);
    }

    void storedAmountsAreShownAndPutInForce_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("i");
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QString>("tenths");
        QTest::addColumn<QString>("shownWhole");
        QTest::addColumn<QString>("inForce");
        QTest::newRow("type 1 per call")
            << Keys::Tyyppi1 << 0 << u"12"_s << u"5"_s << u"12"_s << u"12,5"_s;
        QTest::newRow("type 1 first 30 minutes")
            << Keys::Tyyppi1 << 2 << u"150"_s << u"0"_s << u"150"_s << u"150,0"_s;
        QTest::newRow("leading zero")
            << Keys::Tyyppi1 << 3 << u"07"_s << u"3"_s << u"7"_s << u"7,3"_s;
        QTest::newRow("type 2 per minute")
            << Keys::Tyyppi2 << 1 << u"3"_s << u"9"_s << u"3"_s << u"3,9"_s;
    }
    void storedAmountsAreShownAndPutInForce() {
        QFETCH(QString, type);
        QFETCH(int, i);
        QFETCH(QString, whole);
        QFETCH(QString, tenths);
        QFETCH(QString, shownWhole);
        QFETCH(QString, inForce);
        startWith(type);
        const QStringList before = tariffInForce();

        // Loaded afresh, the editor puts the new amounts in force with its own write-back.
        store(type, key(i, false), whole);
        store(type, key(i, true), tenths);
        unload<FrmTyyppi1>();
        unload<FrmTyyppi2>();
        QCOMPARE(amount(type, i).whole->text(), shownWhole);
        QCOMPARE(amount(type, i).tenths->text(), tenths);
        QCOMPARE(tariffInForce(), before);
        waitForWriteBack(type);
        QCOMPARE(tariffInForce().at(i), inForce);
        QCOMPARE(stored(type, key(i, false)), shownWhole);
    }

    void anEditorOfTheOtherTypeNeverTouchesTheTariffInForce_data() {
        QTest::addColumn<QString>("inForce");
        QTest::addColumn<QString>("edited");
        QTest::newRow("type 1 editor, type 2 in force") << Keys::Tyyppi2 << Keys::Tyyppi1;
        QTest::newRow("type 2 editor, type 1 in force") << Keys::Tyyppi1 << Keys::Tyyppi2;
    }
    void anEditorOfTheOtherTypeNeverTouchesTheTariffInForce() {
        QFETCH(QString, inForce);
        QFETCH(QString, edited);
        store(inForce, Keys::Puhelu_1, u"2"_s);
        store(inForce, Keys::Arkisin1_1, u"4"_s);
        store(edited, Keys::Puhelu_1, u"9"_s);
        store(edited, Keys::Arkisin1_1, u"9"_s);
        startWith(inForce);
        const QStringList before = tariffInForce();
        QVERIFY(!loaded(edited));

        showEditor(edited);
        waitForWriteBack(edited);
        QCOMPARE(tariffInForce(), before);
        typeInto(amount(edited, 0).whole, u"44"_s);
        QTest::mouseClick(editor(edited).Command1, Qt::LeftButton);
        QVERIFY(!loaded(edited));
        QCOMPARE(stored(edited, Keys::Puhelu_1), u"44"_s);
        QCOMPARE(tariffInForce(), before);
    }

    void confirmingType2LeavesTheAmountsOfOtherTimesAsType1PutThem() {
        store(Keys::Tyyppi1, Keys::Arkisin2_1, u"4"_s);
        store(Keys::Tyyppi1, Keys::Arkisin2_2, u"2"_s);
        store(Keys::Tyyppi1, Keys::Arkisin3_1, u"1"_s);
        store(Keys::Tyyppi1, Keys::Arkisin3_2, u"5"_s);
        Form4& settings = form<Form4>();
        settings.show();
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        settings.Combo2->setFocus();
        QTest::keyClick(settings.Combo2, Qt::Key_Down);

        clickOpeningModal(settings.Command3, [](QWidget* modal) {
            auto* window = qobject_cast<FrmTyyppi2*>(modal);
            QVERIFY(window);
            typeInto(window->Text7, u"3"_s);
            typeInto(window->Text8, u"9"_s);
            QTest::mouseClick(window->Command1, Qt::LeftButton);
        });
        QVERIFY(!loaded(Keys::Tyyppi2));
        QCOMPARE(tariffInForce(), (QStringList{u"0,0"_s, u"3,9"_s, u"4,2"_s, u"1,5"_s}));
        QCOMPARE(stored(Keys::Tyyppi2, Keys::Arkisin1_1), u"3"_s);
        QCOMPARE(stored(Keys::Tyyppi2, Keys::Arkisin1_2), u"9"_s);
    }

    void aSpinnerStartsFromTheStoredValueAndStepsWithinItsRange_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("i");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("clicks"); // up when positive, down when negative
        QTest::addColumn<QString>("afterClicks");
        const QString t1 = Keys::Tyyppi1;
        const QString t2 = Keys::Tyyppi2;
        QTest::newRow("typing does not move it")
            << t1 << 0 << false << u""_s << u"0"_s << u"15"_s << 1 << u"1"_s;
        QTest::newRow("at 0, down leaves the typed text")
            << t2 << 1 << true << u""_s << u"0"_s << u"5"_s << -1 << u"5"_s;
        QTest::newRow("leading zero")
            << t1 << 3 << false << u"07"_s << u"7"_s << u""_s << 1 << u"8"_s;
        QTest::newRow("whole stops at 999")
            << t1 << 1 << false << u"998"_s << u"998"_s << u""_s << 3 << u"999"_s;
        QTest::newRow("tenths stop at 9")
            << t1 << 3 << true << u"8"_s << u"8"_s << u""_s << 3 << u"9"_s;
        QTest::newRow("whole stops at 0")
            << t2 << 0 << false << u"1"_s << u"1"_s << u""_s << -3 << u"0"_s;
        QTest::newRow("above the range, kept")
            << t1 << 0 << false << u"1000"_s << u"1000"_s << u""_s << -1 << u"998"_s;
        QTest::newRow("below the range, kept")
            << t2 << 1 << false << u"-4"_s << u"-4"_s << u""_s << 1 << u"1"_s;
        QTest::newRow("not whole, kept")
            << t1 << 2 << false << u"12,5"_s << u"12,5"_s << u""_s << 1 << u"13"_s;
        QTest::newRow("no number, kept")
            << t1 << 3 << false << u"abc"_s << u"abc"_s << u""_s << 1 << u"1"_s;
        QTest::newRow("two tenths digits, kept")
            << t1 << 0 << true << u"12"_s << u"12"_s << u""_s << -1 << u"8"_s;
        QTest::newRow("a sign") << t2 << 1 << true << u"+5"_s << u"5"_s << u""_s << 1 << u"6"_s;
    }
    void aSpinnerStartsFromTheStoredValueAndStepsWithinItsRange() {
        QFETCH(QString, type);
        QFETCH(int, i);
        QFETCH(bool, tenths);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(int, clicks);
        QFETCH(QString, afterClicks);
        if (!stored.isEmpty())
            store(type, key(i, tenths), stored);
        const Amount a = amount(type, i);
        showEditor(type);
        TextBox* field = tenths ? a.tenths : a.whole;
        QCOMPARE(field->text(), shown);
        waitForWriteBack(type);
        QCOMPARE(this->stored(type, key(i, tenths)), shown);
        if (!typed.isEmpty())
            typeInto(field, typed);
        for (int n = 0; n < std::abs(clicks); ++n)
            click(tenths ? a.tenthsSpinner : a.wholeSpinner, clicks > 0);
        QCOMPARE(field->text(), afterClicks);
    }

    void closingWithoutOkDiscardsTheEdits_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("beforeWriteBack");
        QTest::newRow("type 1, close box") << Keys::Tyyppi1 << false << false;
        QTest::newRow("type 2, Esc") << Keys::Tyyppi2 << true << false;
        QTest::newRow("Esc before the write-back") << Keys::Tyyppi1 << true << true;
    }
    void closingWithoutOkDiscardsTheEdits() {
        QFETCH(QString, type);
        QFETCH(bool, escape);
        QFETCH(bool, beforeWriteBack);
        store(type, Keys::Puhelu_1, u"6"_s);
        if (beforeWriteBack)
            form<Form3>();
        else
            startWith(type);
        const QStringList inForce = tariffInForce();
        showEditor(type);
        typeInto(amount(type, 0).whole, u"42"_s);
        click(amount(type, 0).tenthsSpinner, true);
        const QPointer<TariffEditor> window = &editor(type);
        if (escape)
            QTest::keyClick(window, Qt::Key_Escape);
        else
            window->close();
        QVERIFY(!loaded(type));
        // Until Qt deletes it, the unloaded window must not write its edits.
        QVERIFY(window);
        QVERIFY(!window->Timer1->isActive());
        QTest::qWait(150);
        QCOMPARE(stored(type, Keys::Puhelu_1), u"6"_s);
        QCOMPARE(stored(type, Keys::Puhelu_2), beforeWriteBack ? u"<absent>"_s : u"0"_s);
        QCOMPARE(tariffInForce(), inForce);
        QCOMPARE(amount(type, 0).whole->text(), u"6"_s);
        QCOMPARE(amount(type, 0).tenths->text(), u"0"_s);
    }

    void okTakesOnlyWhatTheSpinnersCouldGive_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("i");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("letters") << Keys::Tyyppi1 << 0 << false << u"abc"_s << WholePenniPrompt;
        QTest::newRow("above 999") << Keys::Tyyppi2 << 1 << false << u"1000"_s << WholePenniPrompt;
        QTest::newRow("comma") << Keys::Tyyppi1 << 3 << false << u"12,5"_s << WholePenniPrompt;
        QTest::newRow("empty") << Keys::Tyyppi1 << 2 << false << u""_s << WholePenniPrompt;
        QTest::newRow("two tenths digits") << Keys::Tyyppi2 << 0 << true << u"05"_s << TenthsPrompt;
        QTest::newRow("no tenths") << Keys::Tyyppi1 << 1 << true << u""_s << TenthsPrompt;
        QTest::newRow("999 is taken") << Keys::Tyyppi2 << 0 << false << u"999"_s << u""_s;
        QTest::newRow("leading zeros are taken")
            << Keys::Tyyppi1 << 1 << false << u"007"_s << u""_s;
    }
    void okTakesOnlyWhatTheSpinnersCouldGive() {
        QFETCH(QString, type);
        QFETCH(int, i);
        QFETCH(bool, tenths);
        QFETCH(QString, typed);
        QFETCH(QString, prompt);
        startWith(type);
        const QStringList inForce = tariffInForce();
        showEditor(type);
        const Amount a = amount(type, i);
        TextBox* field = tenths ? a.tenths : a.whole;
        typeInto(field, typed);
        QTest::mouseClick(editor(type).Command1, Qt::LeftButton);
        if (prompt.isEmpty()) {
            QVERIFY(platform().messageBoxes.shown.isEmpty());
            QVERIFY(!loaded(type));
            QCOMPARE(stored(type, key(i, tenths)), typed);
            return;
        }
        QCOMPARE(platform().messageBoxes.texts(), QStringList{prompt});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Information);
        QVERIFY(editor(type).isVisible());
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(stored(type, key(i, tenths)), u"0"_s);
        QCOMPARE(tariffInForce(), inForce);
    }
};

ORVALIN_TEST_MAIN(TariffEditorsTest)
#include "tst_tariff_editors.moc"
