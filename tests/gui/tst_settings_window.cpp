#include "WindowTest.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"

#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class SettingsWindowTest : public WindowTest {
    Q_OBJECT
private:
    struct Limit {
        QString key;
        TextBox* field;
        UpDown* spinner;
    };
    static QList<Limit> limits() {
        Form4& w = form<Form4>();
        return {{Keys::YhteensäHinta, w.YhteydenHinta, w.UpDown1},
                {Keys::HinnatYhteensä, w.HinnatYhteensä, w.UpDown2},
                {Keys::KestoTuntia, w.KestoTuntia, w.UpDown3},
                {Keys::KestoMinuuttia, w.KestoMinuuttia, w.UpDown4},
                {Keys::KestotYhteensäTuntia, w.YhteensäTuntia, w.UpDown5},
                {Keys::KestotYhteensäMinuuttia, w.YhteensäMinuuttia, w.UpDown6},
                {Keys::Odotetaan, w.txtOdotetaan, w.UpDown8}};
    }
    static QStringList tariffInForce() {
        const Form3& tariff = form<Form3>();
        return {tariff.Puhelu->text(), tariff.Arkisin1->text(), tariff.Arkisin2->text(),
                tariff.Arkisin3->text()};
    }
    static Form4& showSettings() {
        Form4& window = form<Form4>();
        window.show();
        [&window] { QVERIFY(QTest::qWaitForWindowActive(&window)); }();
        return window;
    }
    static void storeTariffs() {
        const QStringList type1 = {u"12"_s, u"5"_s, u"8"_s, u"1"_s, u"2"_s, u"0"_s, u"4"_s, u"5"_s};
        const QStringList keys = {Keys::Puhelu_1,   Keys::Puhelu_2,   Keys::Arkisin1_1,
                                  Keys::Arkisin1_2, Keys::Arkisin2_1, Keys::Arkisin2_2,
                                  Keys::Arkisin3_1, Keys::Arkisin3_2};
        for (int i = 0; i < keys.size(); ++i)
            store(Keys::Tyyppi1, keys[i], type1[i]);
        store(Keys::Tyyppi2, Keys::Puhelu_1, u"20"_s);
        store(Keys::Tyyppi2, Keys::Puhelu_2, u"0"_s);
        store(Keys::Tyyppi2, Keys::Arkisin1_1, u"6"_s);
        store(Keys::Tyyppi2, Keys::Arkisin1_2, u"6"_s);
    }
    // Everything a counter reset must leave alone, and what it must clear.
    static void storeARun() {
        storeTariffs();
        const QList<std::pair<QString, QString>> settings = {
            {Keys::Tyyppi, u"Tyyppi 2"_s},     {Keys::Palveluntarjoaja, u"5"_s},
            {Keys::Käyttäjä, u"matti"_s},      {Keys::Left, u"1200"_s},
            {Keys::KestoTuntia, u"2"_s},       {Keys::Kustannukset1, u"1234,5"_s},
            {Keys::Kustannukset2, u"12,34"_s}, {Keys::Tunnit, u"01"_s},
            {Keys::Minuutit, u"02"_s},         {Keys::Sekunnit, u"03"_s}};
        for (const auto& [key, value] : settings)
            store(Keys::Asetukset, key, value);
        for (const QString& row : {u"0"_s, u"1"_s, u"2"_s}) {
            store(Keys::Päivämäärä, row, u"6. joulukuuta 2026"_s);
            store(Keys::Kesto, row, u"00:1"_s + row + u":00"_s);
            store(Keys::Hinta, row, row + u" markkaa"_s);
        }
    }
    static QHash<QString, QString> whole(const QString& section) {
        return GetSection(Keys::App, section);
    }

private slots:
    void anEmptyStoreGetsOnlyThePortAndTheType() {
        Form4& window = form<Form4>();
        QCOMPARE(window.windowTitle(), u"Asetukset"_s);
        QVERIFY(!window.isVisible());
        QCOMPARE(whole(Keys::Asetukset),
                 (QHash<QString, QString>{{Keys::Portti, u"1"_s}, {Keys::Tyyppi, u"Tyyppi 1"_s}}));
        QCOMPARE(window.Combo1->currentText(), u"1"_s);
        QCOMPARE(window.Combo2->currentText(), u"Tyyppi 1"_s);
        for (const Limit& limit : limits())
            QCOMPARE(limit.field->text(), limit.key == Keys::Odotetaan ? u"60"_s : u"0"_s);
        QCOMPARE(window.Label12->text(), u"0 penniä / minuutti."_s);
        QCOMPARE(tariffInForce(), (QStringList{u"0,0"_s, u"0,0"_s, u"0,0"_s, u"0,0"_s}));
    }

    void thePortAndTheTypeAreChosenFromTheStore_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("shownPort");
        QTest::addColumn<QString>("shownType");
        QTest::newRow("stored ones") << u"3"_s << u"Tyyppi 2"_s << u"3"_s << u"Tyyppi 2"_s;
        QTest::newRow("no such port or type") << u"7"_s << u"Tyyppi 3"_s << u"1"_s << u"Tyyppi 1"_s;
    }
    void thePortAndTheTypeAreChosenFromTheStore() {
        QFETCH(QString, port);
        QFETCH(QString, type);
        QFETCH(QString, shownPort);
        QFETCH(QString, shownType);
        storeTariffs();
        store(Keys::Asetukset, Keys::Portti, port);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        Form4& window = form<Form4>();
        QCOMPARE(window.Combo1->currentText(), shownPort);
        QCOMPARE(stored(Keys::Asetukset, Keys::Portti), shownPort);
        QCOMPARE(window.Combo2->currentText(), shownType);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), shownType);
        QCOMPARE(tariffInForce().first(), shownType == Keys::Tyyppi1 ? u"12,5"_s : u"20,0"_s);
    }

    void storedLimitsFillTheirFieldsAndSpinners_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("afterClick");
        QTest::newRow("price, leading zero") << 0 << u"07"_s << u"7"_s << true << u"8"_s;
        QTest::newRow("total price at its top") << 1 << u"999"_s << u"999"_s << true << u"999"_s;
        QTest::newRow("hours") << 2 << u"5"_s << u"5"_s << false << u"4"_s;
        QTest::newRow("minutes beyond 59 kept") << 3 << u"75"_s << u"75"_s << false << u"58"_s;
        QTest::newRow("total hours, no number") << 4 << u"abc"_s << u"abc"_s << true << u"1"_s;
        QTest::newRow("total minutes") << 5 << u"30"_s << u"30"_s << true << u"31"_s;
        QTest::newRow("redial wait below 1 kept") << 6 << u"0"_s << u"0"_s << true << u"2"_s;
        QTest::newRow("redial wait not stored") << 6 << u""_s << u"60"_s << true << u"61"_s;
    }
    void storedLimitsFillTheirFieldsAndSpinners() {
        QFETCH(int, limit);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QFETCH(bool, up);
        QFETCH(QString, afterClick);
        const QString key = limits()[limit].key;
        unloadAll();
        if (!value.isEmpty())
            store(Keys::Asetukset, key, value);
        const Limit l = limits()[limit];
        QCOMPARE(l.field->text(), shown);
        QCOMPARE(stored(Keys::Asetukset, key), value.isEmpty() ? u"<absent>"_s : shown);
        showSettings();
        QTest::mouseClick(up ? l.spinner->upButton() : l.spinner->downButton(), Qt::LeftButton);
        QCOMPARE(l.field->text(), afterClick);
        QCOMPARE(stored(Keys::Asetukset, key), afterClick);
    }

    void aTypedLimitIsStoredAtEveryKeystroke() {
        Form4& window = showSettings();
        window.KestoTuntia->setFocus();
        window.KestoTuntia->selectAll();
        QTest::keyClick(window.KestoTuntia, Qt::Key_1);
        QCOMPARE(stored(Keys::Asetukset, Keys::KestoTuntia), u"1"_s);
        QTest::keyClick(window.KestoTuntia, Qt::Key_2);
        QCOMPARE(stored(Keys::Asetukset, Keys::KestoTuntia), u"12"_s);
        QTest::keyClick(window.KestoTuntia, Qt::Key_Backspace);
        QTest::keyClick(window.KestoTuntia, Qt::Key_Backspace);
        QCOMPARE(stored(Keys::Asetukset, Keys::KestoTuntia), QString());
    }

    void choosingATypePutsItsTariffInForceAtOnce() {
        storeTariffs();
        Form4& window = showSettings();
        const QStringList type1 = {u"12,5"_s, u"8,1"_s, u"2,0"_s, u"4,5"_s};
        QCOMPARE(tariffInForce(), type1);
        window.Combo2->setFocus();
        QTest::keyClick(window.Combo2, Qt::Key_Down);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), u"Tyyppi 2"_s);
        QCOMPARE(tariffInForce(), (QStringList{u"20,0"_s, u"6,6"_s, u"2,0"_s, u"4,5"_s}));
        QTest::keyClick(window.Combo2, Qt::Key_Up);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), u"Tyyppi 1"_s);
        QCOMPARE(tariffInForce(), type1);
    }

    void defineTariffOpensTheEditorOfTheTypeAsItStands_data() {
        QTest::addColumn<QString>("type");
        QTest::newRow("type 1") << Keys::Tyyppi1;
        QTest::newRow("type 2") << Keys::Tyyppi2;
    }
    void defineTariffOpensTheEditorOfTheTypeAsItStands() {
        QFETCH(QString, type);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        Form4& window = showSettings();
        // Loaded hidden by the choice of type; what is stored later is not read again.
        store(type, Keys::Puhelu_1, u"77"_s);
        QString shownText;
        clickOpeningModal(window.Command3, [&shownText, type](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), u"Hinnat [ %1 ]"_s.arg(type));
            auto* editor = qobject_cast<TariffEditor*>(modal);
            QVERIFY(editor);
            QVERIFY(editor->isVisible());
            shownText = type == Keys::Tyyppi1 ? form<FrmTyyppi1>().Text1->text()
                                              : form<FrmTyyppi2>().Text1->text();
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
        });
        QCOMPARE(shownText, u"0"_s);
        QCOMPARE(stored(type, Keys::Puhelu_1), u"0"_s);
        QVERIFY(FormRegistry::instance().loadedNames().contains(u"Form4"_s));
    }

    void showTariffListsTheTariffInForce_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("type 1") << Keys::Tyyppi1
                                << u"Puhelu = 12,5 penniä/puhelu\nArkisin 7-17 = 8,1 "_s
                                   "penniä/minuutti\nMuina aikoina = 2,0 penniä/30 "
                                   "minuuttia\nYlimenevä aika = 4,5 penniä/minuutti";
        QTest::newRow("type 2") << Keys::Tyyppi2
                                << u"Puhelu = 20,0 penniä/puhelu\nKaikkina aikoina = 6,6 "_s
                                   "penniä/minuutti";
    }
    void showTariffListsTheTariffInForce() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        storeTariffs();
        store(Keys::Asetukset, Keys::Tyyppi, type);
        QTest::mouseClick(showSettings().Command5, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.texts(), QStringList{text});
        const Message& box = platform().messageBoxes.shown.first();
        QCOMPARE(box.icon, Message::Icon::None);
        QCOMPARE(box.buttons, Message::Buttons::Ok);
        QCOMPARE(box.title, u"Orvalin"_s);
    }

    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes() {
        QFETCH(bool, yes);
        storeARun();
        Form4& window = showSettings();
        form<Form7>().ListView1->addItem(u"6. joulukuuta 2026"_s, u"00:10:00"_s, u"0 markkaa"_s);
        const int rows = form<Form7>().ListView1->count();
        const QStringList sections = {Keys::Asetukset,  Keys::Tyyppi1, Keys::Tyyppi2,
                                      Keys::Päivämäärä, Keys::Kesto,   Keys::Hinta};
        QList<QHash<QString, QString>> expected;
        for (const QString& section : sections)
            expected << whole(section);
        if (yes) {
            platform().messageBoxes.answers.push_back(Message::Answer::Yes);
            for (const QString& total : {Keys::Kustannukset1, Keys::Kustannukset2, Keys::Tunnit,
                                         Keys::Minuutit, Keys::Sekunnit})
                expected[0][total] = QString();
            expected[3] = expected[4] = expected[5] = {};
        }

        QTest::mouseClick(window.Command2, Qt::LeftButton);

        QCOMPARE(platform().messageBoxes.texts(),
                 QStringList{u"Haluatko varmasti nollata kaikki laskurit sekä päiväkirjan?"_s});
        const Message& question = platform().messageBoxes.shown.first();
        QCOMPARE(question.icon, Message::Icon::Critical);
        QCOMPARE(question.buttons, Message::Buttons::YesNo);
        QCOMPARE(question.defaultButton, Message::Answer::No);
        for (int i = 0; i < sections.size(); ++i)
            QCOMPARE(whole(sections[i]), expected[i]);
        // Emptied before it unloads, the viewer writes no rows back.
        QCOMPARE(FormRegistry::instance().isLoaded(u"Form7"_s), !yes);
        QCOMPARE(form<Form7>().ListView1->count(), yes ? 0 : rows);
        QVERIFY(window.isVisible());
    }

    void okHidesAndClosingUnloads_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void okHidesAndClosingUnloads() {
        QFETCH(bool, escape);
        Form4& window = showSettings();
        QTest::mouseClick(window.UpDown3->upButton(), Qt::LeftButton);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(FormRegistry::instance().loaded<Form4>(), &window);

        showSettings();
        window.Combo2->setFocus();
        QTest::keyClick(window.Combo2, Qt::Key_Down);
        if (escape)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.close();
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form4"_s));
        form<Form3>().Puhelu->setText(u"1,0"_s);

        // The next reference reads the store again, and so puts the tariff in force again.
        QCOMPARE(form<Form4>().KestoTuntia->text(), u"1"_s);
        QCOMPARE(form<Form4>().Combo2->currentText(), u"Tyyppi 2"_s);
        QCOMPARE(form<Form3>().Puhelu->text(), u"0,0"_s);
    }
};

ORVALIN_TEST_MAIN(SettingsWindowTest)
#include "tst_settings_window.moc"
