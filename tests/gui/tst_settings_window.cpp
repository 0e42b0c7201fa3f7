#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/Form6.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"
#include "tariffs/TariffFields.h"

#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The settings window and the windows it opens: the provider's charge and the tariff editors.
class SettingsWindowTest : public WindowTest {
    Q_OBJECT
private:
    struct Field {
        TextBox* box;
        UpDown* spinner;
    };
    static const inline QStringList Limits = {
        Keys::YhteensäHinta,  Keys::HinnatYhteensä,       Keys::KestoTuntia,
        Keys::KestoMinuuttia, Keys::KestotYhteensäTuntia, Keys::KestotYhteensäMinuuttia,
        Keys::Odotetaan};
    // An editor's amounts in order: per call, per minute by day (type 2: at all times), the
    // first 30 minutes at other times, each minute after them; whole penni, then tenths.
    static const inline QStringList AmountKeys = {
        Keys::Puhelu_1,   Keys::Puhelu_2,   Keys::Arkisin1_1, Keys::Arkisin1_2,
        Keys::Arkisin2_1, Keys::Arkisin2_2, Keys::Arkisin3_1, Keys::Arkisin3_2};
    // The field that shows a stored value, with its window loaded.
    static Field field(const QString& section, const QString& key) {
        if (key == Keys::Palveluntarjoaja)
            return {form<Form6>().Text1, form<Form6>().UpDown1};
        const bool limit = section == Keys::Asetukset;
        const auto i = (limit ? Limits : AmountKeys).indexOf(key);
        if (limit) {
            Form4& w = form<Form4>();
            return QList<Field>{{w.YhteydenHinta, w.UpDown1},  {w.HinnatYhteensä, w.UpDown2},
                                {w.KestoTuntia, w.UpDown3},    {w.KestoMinuuttia, w.UpDown4},
                                {w.YhteensäTuntia, w.UpDown5}, {w.YhteensäMinuuttia, w.UpDown6},
                                {w.txtOdotetaan, w.UpDown8}}[i];
        }
        if (section == Keys::Tyyppi2) {
            FrmTyyppi2& e = form<FrmTyyppi2>();
            return QList<Field>{{e.Text1, e.UpDown1},
                                {e.Text3, e.UpDown3},
                                {e.Text7, e.UpDown7},
                                {e.Text8, e.UpDown8}}[i];
        }
        FrmTyyppi1& e = form<FrmTyyppi1>();
        return QList<Field>{{e.Text1, e.UpDown1}, {e.Text3, e.UpDown3}, {e.Text7, e.UpDown7},
                            {e.Text8, e.UpDown8}, {e.Text2, e.UpDown2}, {e.Text4, e.UpDown4},
                            {e.Text5, e.UpDown5}, {e.Text6, e.UpDown6}}[i];
    }
    static TariffEditor& editor(const QString& type) {
        if (type == Keys::Tyyppi1)
            return form<FrmTyyppi1>();
        return form<FrmTyyppi2>();
    }
    static bool isLoaded(const QWidget* window) {
        return FormRegistry::instance().isLoaded(QLatin1String(window->metaObject()->className()));
    }
    static void waitForWriteBack(const TariffEditor& e) { QTRY_VERIFY(!e.Timer1->isActive()); }
    static QString tariff() {
        const Form3& t = form<Form3>();
        return QStringList{t.Puhelu->text(), t.Arkisin1->text(), t.Arkisin2->text(),
                           t.Arkisin3->text()}
            .join(u'|');
    }
    // What is in force of a stored value: an amount, or the charge as meter and settings read it.
    static QString inForceOf(const QString& key) {
        if (key == Keys::Palveluntarjoaja)
            return form<Form3>().PalvelunTarjoaja->text() + u'|' + form<Form4>().Label12->text();
        return tariff().section(u'|', AmountKeys.indexOf(key) / 2, AmountKeys.indexOf(key) / 2);
    }
    static Form4& showSettings() {
        form<Form4>().show();
        [] { QVERIFY(QTest::qWaitForWindowActive(&form<Form4>())); }();
        return form<Form4>();
    }
    static void chooseType(Form4& settings, Qt::Key key = Qt::Key_Down) {
        settings.Combo2->setFocus();
        QTest::keyClick(settings.Combo2, key);
    }
    // Up when positive, down when negative.
    static void click(UpDown* spinner, int times) {
        for (int i = 0; i < std::abs(times); ++i)
            QTest::mouseClick(times > 0 ? spinner->upButton() : spinner->downButton(),
                              Qt::LeftButton);
    }
    static void storeAmounts(const QString& type, const QString& amounts) {
        const QStringList values = amounts.split(u';');
        for (int i = 0; i < values.size(); ++i)
            store(type, AmountKeys[i], values[i]);
    }
    static void storeTariffs() {
        storeAmounts(Keys::Tyyppi1, u"12;5;8;1;2;0;4;5"_s);
        storeAmounts(Keys::Tyyppi2, u"20;0;6;6"_s);
    }

private slots:
    // Port and type stored, the port and type shown and stored, the per-call amount in force.
    void theSettingsStartFromTheStore_data() {
        rows(uR"(
;;1;Tyyppi 1;0,0
3;Tyyppi 2;3;Tyyppi 2;20,0
7;Tyyppi 3;1;Tyyppi 1;12,5)"_s);
    }
    void theSettingsStartFromTheStore() {
        const QStringList r = row(u';');
        if (!r[0].isEmpty()) {
            storeTariffs();
            store(Keys::Asetukset, Keys::Portti, r[0]);
            store(Keys::Asetukset, Keys::Tyyppi, r[1]);
        }
        Form4& window = form<Form4>();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.Combo1->currentText() + stored(Keys::Asetukset, Keys::Portti), r[2] + r[2]);
        QCOMPARE(window.Combo2->currentText() + stored(Keys::Asetukset, Keys::Tyyppi), r[3] + r[3]);
        QCOMPARE(inForceOf(Keys::Puhelu_1), r[4]);
        if (!r[0].isEmpty())
            return;
        // An empty store gets only the port and the type; the limits show their defaults.
        QCOMPARE(GetSection(Keys::App, Keys::Asetukset).size(), 2);
        for (const QString& key : Limits)
            QCOMPARE(field(Keys::Asetukset, key).box->text(),
                     key == Keys::Odotetaan ? u"60"_s : u"0"_s);
        QCOMPARE(tariff() + u'|' + inForceOf(Keys::Palveluntarjoaja),
                 u"0,0|0,0|0,0|0,0|0|0 penniä / minuutti."_s);
    }

    // Type in force loaded before ("-": nothing loaded, the editor shown before its write-back),
    // section, key, stored value, typed ("-": nothing), clicks (up when positive), then "ok",
    // "esc", "close" or nothing; shown at first, shown after the edits, stored at the end, the
    // prompt (W whole penni, T tenths, C charge) and what is in force at the end. A limit is
    // stored at every change; the charge and the amounts wait for "&Ok"; an editor writes what
    // it loaded back once; closing without "&Ok" keeps nothing, not even what a window waiting
    // to be deleted holds; "&Ok" refuses what a spinner could not give.
    void editingAStoredValue_data() {
        rows(uR"(
;Asetukset;Yhteensä Hinta;07;-;1;;7;8;8;;
;Asetukset;Hinnat Yhteensä;999;-;1;;999;999;999;;
;Asetukset;Kesto Tuntia;5;-;-1;;5;4;4;;
;Asetukset;Kesto Minuuttia;75;-;-1;;75;58;58;;
;Asetukset;Kestot Yhteensä Tuntia;abc;-;1;;abc;1;1;;
;Asetukset;Kestot Yhteensä Minuuttia;30;-;1;;30;31;31;;
;Asetukset;Odotetaan;0;-;1;;0;2;2;;
;Asetukset;Palveluntarjoaja;;15;1;;0;1;<absent>;;
;Asetukset;Palveluntarjoaja;1000;-;-1;;1000;998;1000;;
;Tyyppi 1;Puhelu 1;;15;1;;0;1;0;;
;Tyyppi 2;Arkisin1 2;;5;-1;;0;5;0;;
;Tyyppi 1;Arkisin3 1;07;-;1;;7;8;7;;
;Tyyppi 1;Arkisin1 1;998;-;3;;998;999;998;;
;Tyyppi 1;Arkisin3 2;8;-;3;;8;9;8;;
;Tyyppi 2;Puhelu 1;1;-;-3;;1;0;1;;
;Tyyppi 1;Puhelu 1;1000;-;-1;;1000;998;1000;;
;Tyyppi 2;Arkisin1 1;-4;-;1;;-4;1;-4;;
;Tyyppi 1;Arkisin2 1;12,5;-;1;;12,5;13;12,5;;
;Tyyppi 1;Puhelu 2;12;-;-1;;12;8;12;;
;Tyyppi 2;Arkisin1 2;+5;-;1;;5;6;5;;
Tyyppi 1;Tyyppi 1;Arkisin1 1;07;-;0;;7;7;7;;7,0
Tyyppi 2;Tyyppi 2;Arkisin1 1;150;-;0;;150;150;150;;150,0
Tyyppi 1;Tyyppi 1;Puhelu 1;;abc;0;ok;0;abc;0;W;0,0
Tyyppi 2;Tyyppi 2;Arkisin1 1;;1000;0;ok;0;1000;0;W;0,0
Tyyppi 1;Tyyppi 1;Arkisin3 1;;12,5;0;ok;0;12,5;0;W;0,0
Tyyppi 1;Tyyppi 1;Arkisin2 1;5;;0;ok;5;;5;W;5,0
Tyyppi 2;Tyyppi 2;Puhelu 2;;05;0;ok;0;05;0;T;0,0
Tyyppi 1;Tyyppi 1;Arkisin1 2;;;0;ok;0;;0;T;0,0
Tyyppi 2;Tyyppi 2;Puhelu 1;;999;0;ok;0;999;999;;999,0
Tyyppi 1;Tyyppi 1;Arkisin1 1;;007;0;ok;0;007;007;;007,0
Tyyppi 1;Tyyppi 2;Puhelu 1;9;44;0;ok;9;44;44;;0,0
Tyyppi 2;Tyyppi 1;Arkisin1 1;9;44;0;ok;9;44;44;;0,0
Tyyppi 1;Asetukset;Palveluntarjoaja;5;abc;0;ok;5;abc;5;C;0|0 penniä / minuutti.
Tyyppi 1;Asetukset;Palveluntarjoaja;5;1,5;0;ok;5;1,5;5;C;0|0 penniä / minuutti.
Tyyppi 1;Asetukset;Palveluntarjoaja;5;-1;0;ok;5;-1;5;C;0|0 penniä / minuutti.
Tyyppi 1;Asetukset;Palveluntarjoaja;5;1000;0;ok;5;1000;5;C;0|0 penniä / minuutti.
Tyyppi 1;Asetukset;Palveluntarjoaja;5;12;0;ok;5;12;12;;12|12 penniä / minuutti. 
Tyyppi 1;Asetukset;Palveluntarjoaja;12;-;1;ok;12;13;13;;13|13 penniä / minuutti. 
Tyyppi 1;Tyyppi 1;Puhelu 1;6;42;0;close;6;42;6;;6,0
Tyyppi 2;Tyyppi 2;Puhelu 1;6;42;1;esc;6;7;6;;6,0
-;Tyyppi 1;Puhelu 1;6;42;0;esc;6;42;6;;0
Tyyppi 1;Asetukset;Palveluntarjoaja;6;42;0;close;6;42;6;;0|0 penniä / minuutti.
Tyyppi 1;Asetukset;Palveluntarjoaja;6;42;0;esc;6;42;6;;0|0 penniä / minuutti.)"_s);
    }
    void editingAStoredValue() {
        const QStringList r = row(u';');
        const QHash<QString, QString> prompts = {
            {u"W"_s, WholePenniPrompt},
            {u"T"_s, TenthsPrompt},
            {u"C"_s, u"Kirjoita maksuksi kokonaisluku väliltä 0–999."_s}};
        if (!r[3].isEmpty())
            store(r[1], r[2], r[3]);
        if (r[0] != u"-" && !r[0].isEmpty()) {
            store(Keys::Asetukset, Keys::Tyyppi, r[0]);
            form<Form4>();
            waitForWriteBack(editor(r[0]));
        }
        const Field f = field(r[1], r[2]);
        const QPointer<QWidget> window = f.box->window();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* e = qobject_cast<TariffEditor*>(window.data());
        if (e && r[0] != u"-")
            waitForWriteBack(*e);
        QCOMPARE(f.box->text(), r[7]);
        if (r[4] != u"-")
            typeInto(f.box, r[4]);
        click(f.spinner, r[5].toInt());
        QCOMPARE(f.box->text(), r[8]);
        if (r[6] == u"ok")
            QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
        else if (r[6] == u"esc")
            QTest::keyClick(window, Qt::Key_Escape);
        else if (r[6] == u"close")
            window->close();
        if (!r[6].isEmpty() && r[10].isEmpty()) {
            QVERIFY(!isLoaded(window));
            // Until Qt deletes it, the unloaded window must not write its edits.
            QVERIFY(window && !(e && e->Timer1->isActive()));
            QTest::qWait(150);
        }
        QCOMPARE(stored(r[1], r[2]), r[9]);
        QCOMPARE(platform().messageBoxes.texts(),
                 r[10].isEmpty() ? QStringList() : QStringList{prompts[r[10]]});
        if (!r[10].isEmpty()) {
            QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Information);
            QVERIFY(window->isVisible());
            QCOMPARE(QApplication::focusWidget(), f.box);
        }
        if (!r[11].isEmpty())
            QCOMPARE(inForceOf(r[2]), r[11]);
        if (r[6] == u"esc" || r[6] == u"close")
            QCOMPARE(field(r[1], r[2]).box->text(), r[9]);
    }

    void aTypedLimitIsStoredAtEveryKeystroke() {
        TextBox* hours = showSettings().KestoTuntia;
        hours->setFocus();
        hours->selectAll();
        QStringList storedTexts;
        for (const Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_Backspace, Qt::Key_Backspace}) {
            QTest::keyClick(hours, key);
            storedTexts << stored(Keys::Asetukset, Keys::KestoTuntia);
        }
        QCOMPARE(storedTexts, (QStringList{u"1"_s, u"12"_s, u"1"_s, QString()}));
    }

    // A choice of type puts its tariff in force at once; type 2 leaves the amounts of other
    // times as type 1 put them; "Show tariff" lists what is in force.
    void choosingATypePutsItsTariffInForce() {
        storeTariffs();
        Form4& window = showSettings();
        const QString type1 = u"Puhelu = 12,5 penniä/puhelu\nArkisin 7-17 = 8,1 penniä/minuutti\n"
                              u"Muina aikoina = 2,0 penniä/30 minuuttia\nYlimenevä aika = 4,5 "
                              u"penniä/minuutti"_s;
        const QStringList shown = {
            type1, u"Puhelu = 20,0 penniä/puhelu\nKaikkina aikoina = 6,6 penniä/minuutti"_s, type1};
        const QStringList inForce = {u"12,5|8,1|2,0|4,5"_s, u"20,0|6,6|2,0|4,5"_s,
                                     u"12,5|8,1|2,0|4,5"_s};
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                chooseType(window, i == 1 ? Qt::Key_Down : Qt::Key_Up);
            QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), i == 1 ? Keys::Tyyppi2 : Keys::Tyyppi1);
            QCOMPARE(tariff(), inForce[i]);
            QTest::mouseClick(window.Command5, Qt::LeftButton);
            QCOMPARE(platform().messageBoxes.texts().last(), shown[i]);
            QCOMPARE(platform().messageBoxes.shown.last().icon, Message::Icon::None);
        }
    }

    // The editor is loaded hidden by the choice of type, so what is stored later is not read
    // again.
    void defineTariffOpensTheEditorOfTheChosenType_data() { rows(u"Tyyppi 1\nTyyppi 2"_s); }
    void defineTariffOpensTheEditorOfTheChosenType() {
        const QString type = cell("row");
        storeAmounts(Keys::Tyyppi1, u"0;0;0;0;4;2;1;5"_s);
        Form4& settings = showSettings();
        if (type == Keys::Tyyppi2)
            chooseType(settings);
        store(type, Keys::Puhelu_1, u"77"_s);
        clickOpeningModal(settings.Command3, [type](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(&editor(type)));
            QCOMPARE(modal->windowTitle(), u"Hinnat [ %1 ]"_s.arg(type));
            QCOMPARE(field(type, Keys::Puhelu_1).box->text(), u"0"_s);
            typeInto(field(type, Keys::Arkisin1_1).box, u"3"_s);
            typeInto(field(type, Keys::Arkisin1_2).box, u"9"_s);
            QTest::mouseClick(editor(type).Command1, Qt::LeftButton);
        });
        QVERIFY(!FormRegistry::instance().isLoaded(type == Keys::Tyyppi1 ? u"FrmTyyppi1"_s
                                                                         : u"FrmTyyppi2"_s));
        QCOMPARE(tariff(), u"0,0|3,9|4,2|1,5"_s);
        QCOMPARE(stored(type, Keys::Puhelu_1) + stored(type, Keys::Arkisin1_1) +
                     stored(type, Keys::Arkisin1_2),
                 u"039"_s);
        QVERIFY(settings.isVisible());
    }

    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes_data() { rows(u"yes\nno"_s); }
    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes() {
        const bool yes = cell("row") == u"yes";
        // Everything a counter reset must leave alone, then the totals it must clear.
        storeTariffs();
        const QStringList kept = {Keys::Tyyppi, Keys::Palveluntarjoaja, Keys::Käyttäjä, Keys::Left,
                                  Keys::KestoTuntia};
        const QStringList totals = {Keys::Kustannukset1, Keys::Kustannukset2, Keys::Tunnit,
                                    Keys::Minuutit, Keys::Sekunnit};
        const QStringList values = u"Tyyppi 2;5;matti;1200;2;1234,5;12,34;01;02;03"_s.split(u';');
        for (int i = 0; i < values.size(); ++i)
            store(Keys::Asetukset, (kept + totals)[i], values[i]);
        const QStringList sections = {Keys::Asetukset,  Keys::Tyyppi1, Keys::Tyyppi2,
                                      Keys::Päivämäärä, Keys::Kesto,   Keys::Hinta};
        for (const QString& row : {u"0"_s, u"1"_s})
            for (int i = 3; i < 6; ++i)
                store(sections[i], row, sections[i] + row);
        Form4& window = showSettings();
        form<Form7>().ListView1->addItem(u"6. joulukuuta 2026"_s, u"00:10:00"_s, u"0 markkaa"_s);
        const int rows = form<Form7>().ListView1->count();
        QList<QHash<QString, QString>> expected;
        for (const QString& section : sections)
            expected << GetSection(Keys::App, section);
        if (yes) {
            platform().messageBoxes.answers.push_back(Message::Answer::Yes);
            for (const QString& total : totals)
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
            QCOMPARE(GetSection(Keys::App, sections[i]), expected[i]);
        // Emptied before it unloads, the viewer writes no rows back.
        QCOMPARE(FormRegistry::instance().isLoaded(u"Form7"_s), !yes);
        QCOMPARE(form<Form7>().ListView1->count(), yes ? 0 : rows);
        QVERIFY(window.isVisible());
    }

    void okHidesTheSettingsAndClosingUnloadsThem_data() { rows(u"close box\nEsc"_s); }
    void okHidesTheSettingsAndClosingUnloadsThem() {
        Form4& window = showSettings();
        click(window.UpDown3, 1);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(FormRegistry::instance().loaded<Form4>(), &window);
        chooseType(showSettings());
        if (cell("row") == u"Esc")
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.close();
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form4"_s));
        form<Form3>().Puhelu->setText(u"1,0"_s);
        // The next reference reads the store again, and so puts the tariff in force again.
        QCOMPARE(form<Form4>().KestoTuntia->text() + form<Form4>().Combo2->currentText(),
                 u"1Tyyppi 2"_s);
        QCOMPARE(form<Form3>().Puhelu->text(), u"0,0"_s);
    }

    // The charge stored is in force from start-up without its window; "Charge" opens it.
    void theStoredChargeIsInForceFromStartUp_data() {
        rows(
            u";0|0 penniä / minuutti.;1|1 penniä / minuutti. \n7;7|7 penniä / minuutti. ;8|8 penniä / minuutti. "_s);
    }
    void theStoredChargeIsInForceFromStartUp() {
        const QStringList r = row(u';');
        if (!r[0].isEmpty())
            store(Keys::Asetukset, Keys::Palveluntarjoaja, r[0]);
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form6"_s));
        QCOMPARE(inForceOf(Keys::Palveluntarjoaja), r[1]);
        clickOpeningModal(showSettings().Command4, [](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), u"Palveluntarjoajan perimä maksu"_s);
            click(form<Form6>().UpDown1, 1);
            QTest::mouseClick(form<Form6>().Command1, Qt::LeftButton);
        });
        QCOMPARE(inForceOf(Keys::Palveluntarjoaja), r[2]);
    }

    // Once only, after loading: a later edit stays in the window until "&Ok".
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading_data() {
        rows(u"Tyyppi 1;8\nTyyppi 2;4"_s);
    }
    void anEmptyStoreIsWrittenBackOnceShortlyAfterLoading() {
        const QString type = row(u';')[0];
        QVERIFY(!editor(type).isVisible());
        QVERIFY(GetSection(Keys::App, type).isEmpty());
        waitForWriteBack(editor(type));
        QCOMPARE(GetSection(Keys::App, type).size(), row(u';')[1].toInt());
        for (int i = 0; i < row(u';')[1].toInt(); ++i)
            QCOMPARE(stored(type, AmountKeys[i]), u"0"_s);
        field(type, Keys::Puhelu_1).box->setText(u"5"_s);
        QTest::qWait(150);
        QCOMPARE(stored(type, Keys::Puhelu_1), u"0"_s);
    }
};

ORVALIN_TEST_MAIN(SettingsWindowTest)
#include "tst_settings_window.moc"
