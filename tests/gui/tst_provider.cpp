#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/Form6.h"

#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class ProviderTest : public WindowTest {
    Q_OBJECT
private:
    static bool providerLoaded() { return FormRegistry::instance().isLoaded(u"Form6"_s); }
    static Form6& showProvider() {
        Form6& window = form<Form6>();
        window.show();
        [&window] { QVERIFY(QTest::qWaitForWindowActive(&window)); }();
        return window;
    }
    // What the rest of the program sees of the charge.
    static QStringList chargeInForce() {
        return {form<Form3>().PalvelunTarjoaja->text(), form<Form4>().Label12->text(),
                stored(Keys::Asetukset, Keys::Palveluntarjoaja)};
    }

private slots:
    void confirmingAChargeStoresItAndPutsItInForce() {
        Form4& settings = form<Form4>();
        settings.show();
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        clickOpeningModal(settings.Command4, [](QWidget* modal) {
            auto* window = qobject_cast<Form6*>(modal);
            QVERIFY(window);
            typeInto(window->Text1, u"12"_s);
            QTest::mouseClick(window->Command1, Qt::LeftButton);
        });
        QVERIFY(!providerLoaded());
        QCOMPARE(chargeInForce(), (QStringList{u"12"_s, u"12 penniä / minuutti. "_s, u"12"_s}));

        // The next showing starts from the stored charge, spinner included.
        clickOpeningModal(settings.Command4, [](QWidget* modal) {
            auto* window = qobject_cast<Form6*>(modal);
            QVERIFY(window);
            QCOMPARE(window->Text1->text(), u"12"_s);
            QTest::mouseClick(window->UpDown1->upButton(), Qt::LeftButton);
            QTest::mouseClick(window->Command1, Qt::LeftButton);
        });
        QCOMPARE(chargeInForce(), (QStringList{u"13"_s, u"13 penniä / minuutti. "_s, u"13"_s}));
    }

    void theSpinnerStartsFromTheStoredChargeNotFromTyping_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("afterClick");
        QTest::newRow("nothing stored, 15 typed") << u""_s << u"0"_s << u"15"_s << true << u"1"_s;
        QTest::newRow("leading zero") << u"07"_s << u"7"_s << u""_s << true << u"8"_s;
        QTest::newRow("above 999 kept") << u"1000"_s << u"1000"_s << u""_s << false << u"998"_s;
        QTest::newRow("no number kept") << u"abc"_s << u"abc"_s << u""_s << true << u"1"_s;
        QTest::newRow("at 0, down stays") << u"0"_s << u"0"_s << u"4"_s << false << u"4"_s;
    }
    void theSpinnerStartsFromTheStoredChargeNotFromTyping() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(bool, up);
        QFETCH(QString, afterClick);
        if (!stored.isEmpty())
            store(Keys::Asetukset, Keys::Palveluntarjoaja, stored);
        Form6& window = showProvider();
        QCOMPARE(window.Text1->text(), shown);
        if (!typed.isEmpty())
            typeInto(window.Text1, typed);
        QTest::mouseClick(up ? window.UpDown1->upButton() : window.UpDown1->downButton(),
                          Qt::LeftButton);
        QCOMPARE(window.Text1->text(), afterClick);
    }

    void okRefusesAChargeTheSpinnerCouldNotGive_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << u"abc"_s;
        QTest::newRow("above 999") << u"1000"_s;
        QTest::newRow("fraction") << u"1,5"_s;
        QTest::newRow("negative") << u"-1"_s;
        QTest::newRow("empty") << u""_s;
    }
    void okRefusesAChargeTheSpinnerCouldNotGive() {
        QFETCH(QString, typed);
        store(Keys::Asetukset, Keys::Palveluntarjoaja, u"5"_s);
        form<Form3>().PalvelunTarjoaja->setText(u"5"_s);
        const QStringList before = chargeInForce();
        Form6& window = showProvider();
        typeInto(window.Text1, typed);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{u"Kirjoita maksuksi kokonaisluku väliltä 0–999."_s});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Information);
        QVERIFY(providerLoaded());
        QVERIFY(window.isVisible());
        QCOMPARE(QApplication::focusWidget(), window.Text1);
        QCOMPARE(chargeInForce(), before);
    }

    void closingWithoutOkDiscardsTheCharge_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void closingWithoutOkDiscardsTheCharge() {
        QFETCH(bool, escape);
        store(Keys::Asetukset, Keys::Palveluntarjoaja, u"5"_s);
        const QStringList before = chargeInForce();
        Form6& window = showProvider();
        typeInto(window.Text1, u"9"_s);
        if (escape)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.close();
        QVERIFY(!providerLoaded());
        QCOMPARE(chargeInForce(), before);
        QCOMPARE(form<Form6>().Text1->text(), u"5"_s);
    }

    void theStoredChargeIsInForceFromStartUp_data() {
        QTest::addColumn<QString>("charge");
        QTest::addColumn<QStringList>("inForce");
        QTest::newRow("none") << u""_s
                              << QStringList{u"0"_s, u"0 penniä / minuutti."_s, u"<absent>"_s};
        QTest::newRow("7") << u"7"_s << QStringList{u"7"_s, u"7 penniä / minuutti. "_s, u"7"_s};
    }
    void theStoredChargeIsInForceFromStartUp() {
        QFETCH(QString, charge);
        QFETCH(QStringList, inForce);
        if (!charge.isEmpty())
            store(Keys::Asetukset, Keys::Palveluntarjoaja, charge);
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        QVERIFY(!providerLoaded());
        QCOMPARE(chargeInForce(), inForce);
        Form6& window = form<Form6>();
        QCOMPARE(window.windowTitle(), u"Palveluntarjoajan perimä maksu"_s);
        QCOMPARE(window.Text1->text(), inForce.first());
    }
};

ORVALIN_TEST_MAIN(ProviderTest)
#include "tst_provider.moc"
