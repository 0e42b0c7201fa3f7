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
    struct Field {
        TextBox* text;
        UpDown* spinner;
    };

    // The loaded editor of a tariff type, loading it when needed.
    static TariffEditor& editor(const QString& type) {
        if (type == Keys::Tyyppi1)
            return form<FrmTyyppi1>();
        return form<FrmTyyppi2>();
    }
    static bool loaded(const QString& type) {
        return FormRegistry::instance().isLoaded(
            type == Keys::Tyyppi1 ? QStringLiteral("FrmTyyppi1") : QStringLiteral("FrmTyyppi2"));
    }
    // Field n of the editor of a type: Text n and UpDown n.
    static Field field(const QString& type, int n) {
        if (type == Keys::Tyyppi1) {
            FrmTyyppi1& e = form<FrmTyyppi1>();
            const QList<Field> fields = {{e.Text1, e.UpDown1}, {e.Text2, e.UpDown2},
                                         {e.Text3, e.UpDown3}, {e.Text4, e.UpDown4},
                                         {e.Text5, e.UpDown5}, {e.Text6, e.UpDown6},
                                         {e.Text7, e.UpDown7}, {e.Text8, e.UpDown8}};
            return fields[n - 1];
        }
        FrmTyyppi2& e = form<FrmTyyppi2>();
        const QMap<int, Field> fields = {{1, {e.Text1, e.UpDown1}},
                                         {3, {e.Text3, e.UpDown3}},
                                         {7, {e.Text7, e.UpDown7}},
                                         {8, {e.Text8, e.UpDown8}}};
        return fields.value(n);
    }
    static QStringList tariffInForce() {
        const Form3& tariff = form<Form3>();
        return {tariff.Puhelu->text(), tariff.Arkisin1->text(), tariff.Arkisin2->text(),
                tariff.Arkisin3->text()};
    }
    static void typeInto(TextBox* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    static void waitForWriteBack(const QString& type) {
        QTRY_VERIFY(!editor(type).Timer1->isActive());
    }
    static void showEditor(const QString& type) {
        TariffEditor& window = editor(type);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

private slots:
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("type 1") << Keys::Tyyppi1
                                << QStringList{Keys::Puhelu_1,   Keys::Puhelu_2,   Keys::Arkisin1_1,
                                               Keys::Arkisin1_2, Keys::Arkisin2_1, Keys::Arkisin2_2,
                                               Keys::Arkisin3_1, Keys::Arkisin3_2};
        QTest::newRow("type 2") << Keys::Tyyppi2
                                << QStringList{Keys::Puhelu_1, Keys::Puhelu_2, Keys::Arkisin1_1,
                                               Keys::Arkisin1_2};
    }
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading() {
        QFETCH(QString, type);
        QFETCH(QStringList, keys);
        TariffEditor& window = editor(type);
        QCOMPARE(window.windowTitle(), QStringLiteral("Hinnat [ %1 ]").arg(type));
        QVERIFY(GetSection(Keys::App, type).isEmpty());
        waitForWriteBack(type);
        QStringList stored = GetSection(Keys::App, type).keys();
        stored.sort();
        keys.sort();
        QCOMPARE(stored, keys);
        for (const QString& key : keys)
            QCOMPARE(this->stored(type, key), QStringLiteral("0"));
        QVERIFY(!window.isVisible());

        // Once only: a later edit stays in the window until "&Ok".
        field(type, 1).text->setText(QStringLiteral("5"));
        QTest::qWait(150);
        QCOMPARE(this->stored(type, Keys::Puhelu_1), QStringLiteral("0"));
    }

    void storedAmountsAreShownAndPutInForce_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("wholeKey");
        QTest::addColumn<QString>("tenthsKey");
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QString>("tenths");
        QTest::addColumn<int>("wholeField");
        QTest::addColumn<int>("tenthsField");
        QTest::addColumn<QString>("shownWhole");
        QTest::addColumn<int>("inForceIndex");
        QTest::addColumn<QString>("inForce");
        QTest::newRow("type 1 per call")
            << Keys::Tyyppi1 << Keys::Puhelu_1 << Keys::Puhelu_2 << "12"
            << "5" << 1 << 3 << "12" << 0 << "12,5";
        QTest::newRow("type 1 after 30 minutes, leading zero")
            << Keys::Tyyppi1 << Keys::Arkisin3_1 << Keys::Arkisin3_2 << "07"
            << "3" << 5 << 6 << "7" << 3 << "7,3";
        QTest::newRow("type 1 first 30 minutes")
            << Keys::Tyyppi1 << Keys::Arkisin2_1 << Keys::Arkisin2_2 << "150"
            << "0" << 2 << 4 << "150" << 2 << "150,0";
        QTest::newRow("type 2 per minute")
            << Keys::Tyyppi2 << Keys::Arkisin1_1 << Keys::Arkisin1_2 << "3"
            << "9" << 7 << 8 << "3" << 1 << "3,9";
    }
    void storedAmountsAreShownAndPutInForce() {
        QFETCH(QString, type);
        QFETCH(QString, wholeKey);
        QFETCH(QString, tenthsKey);
        QFETCH(QString, whole);
        QFETCH(QString, tenths);
        QFETCH(int, wholeField);
        QFETCH(int, tenthsField);
        QFETCH(QString, shownWhole);
        QFETCH(int, inForceIndex);
        QFETCH(QString, inForce);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        form<Form4>();
        waitForWriteBack(type);
        const QStringList before = tariffInForce();

        // A fresh load from the store: the settings window has put the old amounts in force, and
        // the editor's own write-back brings the new ones.
        store(type, wholeKey, whole);
        store(type, tenthsKey, tenths);
        unload<FrmTyyppi1>();
        unload<FrmTyyppi2>();
        QCOMPARE(field(type, wholeField).text->text(), shownWhole);
        QCOMPARE(field(type, tenthsField).text->text(), tenths);
        QCOMPARE(tariffInForce(), before);
        waitForWriteBack(type);
        QCOMPARE(tariffInForce().at(inForceIndex), inForce);
        QCOMPARE(stored(type, wholeKey), shownWhole);
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
        store(Keys::Asetukset, Keys::Tyyppi, inForce);
        store(inForce, Keys::Puhelu_1, QStringLiteral("2"));
        store(inForce, Keys::Arkisin1_1, QStringLiteral("4"));
        store(edited, Keys::Puhelu_1, QStringLiteral("9"));
        store(edited, Keys::Arkisin1_1, QStringLiteral("9"));
        form<Form4>();
        const QStringList before = tariffInForce();
        QVERIFY(!loaded(edited));

        editor(edited);
        waitForWriteBack(edited);
        QCOMPARE(tariffInForce(), before);

        showEditor(edited);
        typeInto(field(edited, 1).text, QStringLiteral("44"));
        QTest::mouseClick(editor(edited).Command1, Qt::LeftButton);
        QVERIFY(!loaded(edited));
        QCOMPARE(stored(edited, Keys::Puhelu_1), QStringLiteral("44"));
        QCOMPARE(tariffInForce(), before);
    }

    void confirmingType2LeavesTheAmountsOfOtherTimesAsType1PutThem() {
        store(Keys::Tyyppi1, Keys::Arkisin2_1, QStringLiteral("4"));
        store(Keys::Tyyppi1, Keys::Arkisin2_2, QStringLiteral("2"));
        store(Keys::Tyyppi1, Keys::Arkisin3_1, QStringLiteral("1"));
        store(Keys::Tyyppi1, Keys::Arkisin3_2, QStringLiteral("5"));
        Form4& settings = form<Form4>();
        settings.show();
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        settings.Combo2->setFocus();
        QTest::keyClick(settings.Combo2, Qt::Key_Down);
        QCOMPARE(settings.Combo2->currentText(), Keys::Tyyppi2);

        clickOpeningModal(settings.Command3, [this](QWidget* modal) {
            auto* window = qobject_cast<FrmTyyppi2*>(modal);
            QVERIFY(window);
            typeInto(window->Text7, QStringLiteral("3"));
            typeInto(window->Text8, QStringLiteral("9"));
            QTest::mouseClick(window->Command1, Qt::LeftButton);
        });
        QVERIFY(!loaded(Keys::Tyyppi2));
        QCOMPARE(tariffInForce(), (QStringList{u"0,0"_s, u"3,9"_s, u"4,2"_s, u"1,5"_s}));
        QCOMPARE(stored(Keys::Tyyppi2, Keys::Arkisin1_1), QStringLiteral("3"));
        QCOMPARE(stored(Keys::Tyyppi2, Keys::Arkisin1_2), QStringLiteral("9"));
    }

    void aSpinnerStepsFromItsOwnValueWithinItsRange_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("typing does not move it") << Keys::Tyyppi1 << 1 << Keys::Puhelu_1 << ""
                                                 << "15" << true << 1 << "1";
        QTest::newRow("typed tenths, then down") << Keys::Tyyppi2 << 8 << Keys::Arkisin1_2 << "4"
                                                 << "7" << false << 1 << "3";
        QTest::newRow("whole stops at 999") << Keys::Tyyppi1 << 7 << Keys::Arkisin1_1 << "998"
                                            << "" << true << 3 << "999";
        QTest::newRow("tenths stop at 9") << Keys::Tyyppi1 << 6 << Keys::Arkisin3_2 << "8"
                                          << "" << true << 3 << "9";
        QTest::newRow("whole stops at 0") << Keys::Tyyppi2 << 1 << Keys::Puhelu_1 << "1"
                                          << "" << false << 3 << "0";
        QTest::newRow("at 0, down leaves the typed text")
            << Keys::Tyyppi1 << 3 << Keys::Puhelu_2 << ""
            << "5" << false << 1 << "5";
        QTest::newRow("at 999, up leaves the typed text")
            << Keys::Tyyppi2 << 7 << Keys::Arkisin1_1 << "999"
            << "12" << true << 1 << "12";
    }
    void aSpinnerStepsFromItsOwnValueWithinItsRange() {
        QFETCH(QString, type);
        QFETCH(int, n);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, up);
        QFETCH(int, clicks);
        QFETCH(QString, shown);
        if (!stored.isEmpty())
            store(type, key, stored);
        showEditor(type);
        const Field f = field(type, n);
        if (!typed.isEmpty())
            typeInto(f.text, typed);
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(up ? f.spinner->upButton() : f.spinner->downButton(), Qt::LeftButton);
        QCOMPARE(f.text->text(), shown);
    }

    void storedValuesTheSpinnerCannotHoldKeepTheirText_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("afterClick");
        QTest::newRow("above the range") << 1 << Keys::Puhelu_1 << "1000"
                                         << "1000" << false << "998";
        QTest::newRow("below the range") << 7 << Keys::Arkisin1_1 << "-4"
                                         << "-4" << true << "1";
        QTest::newRow("not whole") << 2 << Keys::Arkisin2_1 << "12,5"
                                   << "12,5" << true << "13";
        QTest::newRow("no number") << 5 << Keys::Arkisin3_1 << "abc"
                                   << "abc" << true << "1";
        QTest::newRow("two tenths digits") << 3 << Keys::Puhelu_2 << "12"
                                           << "12" << false << "8";
        QTest::newRow("whole with a sign") << 8 << Keys::Arkisin1_2 << "+5"
                                           << "5" << true << "6";
    }
    void storedValuesTheSpinnerCannotHoldKeepTheirText() {
        QFETCH(int, n);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(bool, up);
        QFETCH(QString, afterClick);
        store(Keys::Tyyppi1, key, stored);
        showEditor(Keys::Tyyppi1);
        const Field f = field(Keys::Tyyppi1, n);
        QCOMPARE(f.text->text(), shown);
        waitForWriteBack(Keys::Tyyppi1);
        QCOMPARE(this->stored(Keys::Tyyppi1, key), shown);
        QTest::mouseClick(up ? f.spinner->upButton() : f.spinner->downButton(), Qt::LeftButton);
        QCOMPARE(f.text->text(), afterClick);
    }

    void closingWithoutOkDiscardsTheEdits_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("beforeWriteBack");
        QTest::newRow("type 1, close box") << Keys::Tyyppi1 << false << false;
        QTest::newRow("type 2, Esc") << Keys::Tyyppi2 << true << false;
        QTest::newRow("type 1, Esc before the write-back") << Keys::Tyyppi1 << true << true;
    }
    void closingWithoutOkDiscardsTheEdits() {
        QFETCH(QString, type);
        QFETCH(bool, escape);
        QFETCH(bool, beforeWriteBack);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        store(type, Keys::Puhelu_1, QStringLiteral("6"));
        form<Form3>();
        if (!beforeWriteBack) {
            form<Form4>();
            waitForWriteBack(type);
        }
        const QStringList inForce = tariffInForce();
        showEditor(type);
        typeInto(field(type, 1).text, QStringLiteral("42"));
        QTest::mouseClick(field(type, 3).spinner->upButton(), Qt::LeftButton);
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
        QCOMPARE(stored(type, Keys::Puhelu_1), QStringLiteral("6"));
        QCOMPARE(stored(type, Keys::Puhelu_2), beforeWriteBack ? u"<absent>"_s : u"0"_s);
        QCOMPARE(tariffInForce(), inForce);
        QCOMPARE(field(type, 1).text->text(), QStringLiteral("6"));
        QCOMPARE(field(type, 3).text->text(), QStringLiteral("0"));
    }

    void okTakesOnlyWhatTheSpinnersCouldGive_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("letters") << Keys::Tyyppi1 << 1 << Keys::Puhelu_1 << "abc"
                                 << WholePenniPrompt;
        QTest::newRow("above 999")
            << Keys::Tyyppi2 << 7 << Keys::Arkisin1_1 << "1000" << WholePenniPrompt;
        QTest::newRow("decimal comma")
            << Keys::Tyyppi1 << 5 << Keys::Arkisin3_1 << "12,5" << WholePenniPrompt;
        QTest::newRow("empty whole")
            << Keys::Tyyppi1 << 2 << Keys::Arkisin2_1 << "" << WholePenniPrompt;
        QTest::newRow("two tenths digits")
            << Keys::Tyyppi2 << 3 << Keys::Puhelu_2 << "05" << TenthsPrompt;
        QTest::newRow("empty tenths")
            << Keys::Tyyppi1 << 8 << Keys::Arkisin1_2 << "" << TenthsPrompt;
        QTest::newRow("999 is taken") << Keys::Tyyppi2 << 1 << Keys::Puhelu_1 << "999"
                                      << "";
        QTest::newRow("leading zeros are taken as typed")
            << Keys::Tyyppi1 << 7 << Keys::Arkisin1_1 << "007"
            << "";
    }
    void okTakesOnlyWhatTheSpinnersCouldGive() {
        QFETCH(QString, type);
        QFETCH(int, n);
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, prompt);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        form<Form4>();
        waitForWriteBack(type);
        const QStringList inForce = tariffInForce();
        showEditor(type);
        TextBox* box = field(type, n).text;
        typeInto(box, typed);
        QTest::mouseClick(editor(type).Command1, Qt::LeftButton);
        if (prompt.isEmpty()) {
            QVERIFY(platform().messageBoxes.shown.isEmpty());
            QVERIFY(!loaded(type));
            QCOMPARE(stored(type, key), typed);
            return;
        }
        QCOMPARE(platform().messageBoxes.texts(), QStringList{prompt});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Information);
        QVERIFY(loaded(type));
        QVERIFY(editor(type).isVisible());
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(stored(type, key), QStringLiteral("0"));
        QCOMPARE(tariffInForce(), inForce);
    }
};

ORVALIN_TEST_MAIN(TariffEditorsTest)
#include "tst_tariff_editors.moc"
