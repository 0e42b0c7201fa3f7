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
    static QList<std::pair<QString, Field>> limits() {
        Form4& w = form<Form4>();
        return {{Keys::YhteensäHinta, {w.YhteydenHinta, w.UpDown1}},
                {Keys::HinnatYhteensä, {w.HinnatYhteensä, w.UpDown2}},
                {Keys::KestoTuntia, {w.KestoTuntia, w.UpDown3}},
                {Keys::KestoMinuuttia, {w.KestoMinuuttia, w.UpDown4}},
                {Keys::KestotYhteensäTuntia, {w.YhteensäTuntia, w.UpDown5}},
                {Keys::KestotYhteensäMinuuttia, {w.YhteensäMinuuttia, w.UpDown6}},
                {Keys::Odotetaan, {w.txtOdotetaan, w.UpDown8}}};
    }
    // An editor's amounts in order: per call, per minute by day (type 2: at all times), the
    // first 30 minutes at other times, each minute after them; whole penni, then tenths.
    static const inline QStringList AmountKeys = {
        Keys::Puhelu_1,   Keys::Puhelu_2,   Keys::Arkisin1_1, Keys::Arkisin1_2,
        Keys::Arkisin2_1, Keys::Arkisin2_2, Keys::Arkisin3_1, Keys::Arkisin3_2};
    // The field that shows a stored value, with its window loaded.
    static Field field(const QString& section, const QString& key) {
        if (key == Keys::Palveluntarjoaja)
            return {form<Form6>().Text1, form<Form6>().UpDown1};
        if (section == Keys::Asetukset)
            for (const auto& [limit, field] : limits())
                if (limit == key)
                    return field;
        const int i = static_cast<int>(AmountKeys.indexOf(key));
        if (section == Keys::Tyyppi2) {
            FrmTyyppi2& e = form<FrmTyyppi2>();
            const QList<Field> fields = {{e.Text1, e.UpDown1},
                                         {e.Text3, e.UpDown3},
                                         {e.Text7, e.UpDown7},
                                         {e.Text8, e.UpDown8}};
            return fields[i];
        }
        FrmTyyppi1& e = form<FrmTyyppi1>();
        const QList<Field> fields = {
            {e.Text1, e.UpDown1}, {e.Text3, e.UpDown3}, {e.Text7, e.UpDown7}, {e.Text8, e.UpDown8},
            {e.Text2, e.UpDown2}, {e.Text4, e.UpDown4}, {e.Text5, e.UpDown5}, {e.Text6, e.UpDown6}};
        return fields[i];
    }
    static TariffEditor& editor(const QString& type) {
        if (type == Keys::Tyyppi1)
            return form<FrmTyyppi1>();
        return form<FrmTyyppi2>();
    }
    static bool isLoaded(const QWidget* window) {
        return FormRegistry::instance().isLoaded(QLatin1String(window->metaObject()->className()));
    }
    static bool editorLoaded(const QString& type) {
        return FormRegistry::instance().isLoaded(type == Keys::Tyyppi1 ? u"FrmTyyppi1"_s
                                                                       : u"FrmTyyppi2"_s);
    }
    static QStringList tariffInForce() {
        const Form3& tariff = form<Form3>();
        return {tariff.Puhelu->text(), tariff.Arkisin1->text(), tariff.Arkisin2->text(),
                tariff.Arkisin3->text()};
    }
    // The tariff and the provider's charge in force, as the meter and the settings read them.
    static QStringList inForce() {
        return tariffInForce() << form<Form3>().PalvelunTarjoaja->text()
                               << form<Form4>().Label12->text();
    }
    // Shows the window of a field; an editor has written its amounts back by then.
    static QWidget* showWindowOf(const TextBox* box) {
        QWidget* window = box->window();
        window->show();
        [window] { QVERIFY(QTest::qWaitForWindowActive(window)); }();
        if (auto* editor = qobject_cast<TariffEditor*>(window))
            [editor] { QTRY_VERIFY(!editor->Timer1->isActive()); }();
        return window;
    }
    static Form4& showSettings() {
        return static_cast<Form4&>(*showWindowOf(form<Form4>().KestoTuntia));
    }
    static void click(UpDown* spinner, bool up, int times = 1) {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(up ? spinner->upButton() : spinner->downButton(), Qt::LeftButton);
    }
    static void storeTariffs() {
        const QStringList type1 = {u"12"_s, u"5"_s, u"8"_s, u"1"_s, u"2"_s, u"0"_s, u"4"_s, u"5"_s};
        for (int i = 0; i < AmountKeys.size(); ++i)
            store(Keys::Tyyppi1, AmountKeys[i], type1[i]);
        const QStringList type2 = {u"20"_s, u"0"_s, u"6"_s, u"6"_s};
        for (int i = 0; i < type2.size(); ++i)
            store(Keys::Tyyppi2, AmountKeys[i], type2[i]);
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
        for (const auto& [key, limit] : limits())
            QCOMPARE(limit.box->text(), key == Keys::Odotetaan ? u"60"_s : u"0"_s);
        QCOMPARE(inForce(), (QStringList{u"0,0"_s, u"0,0"_s, u"0,0"_s, u"0,0"_s, u"0"_s,
                                         u"0 penniä / minuutti."_s}));
    }

    void thePortAndTheTypeAreChosenFromTheStore_data() {
        textColumns({"port", "type", "shownPort", "shownType"});
        QTest::newRow("stored ones") << u"3"_s << u"Tyyppi 2"_s << u"3"_s << u"Tyyppi 2"_s;
        QTest::newRow("no such port or type") << u"7"_s << u"Tyyppi 3"_s << u"1"_s << u"Tyyppi 1"_s;
    }
    void thePortAndTheTypeAreChosenFromTheStore() {
        QFETCH(QString, shownPort);
        QFETCH(QString, shownType);
        storeTariffs();
        store(Keys::Asetukset, Keys::Portti, cell("port"));
        store(Keys::Asetukset, Keys::Tyyppi, cell("type"));
        Form4& window = form<Form4>();
        QCOMPARE(window.Combo1->currentText(), shownPort);
        QCOMPARE(stored(Keys::Asetukset, Keys::Portti), shownPort);
        QCOMPARE(window.Combo2->currentText(), shownType);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi), shownType);
        QCOMPARE(tariffInForce().first(), shownType == Keys::Tyyppi1 ? u"12,5"_s : u"20,0"_s);
    }

    // The settings store a limit at every change; the provider's charge and the editors'
    // amounts wait for "&Ok", though an editor writes what it loaded back once.
    void aSpinnerStartsFromTheStoredValueAndStepsWithinItsRange_data() {
        textColumns({"section", "key", "value", "shown", "typed"});
        QTest::addColumn<int>("clicks"); // up when positive, down when negative
        textColumns({"afterClicks", "storedAfter"});
        const QString s = Keys::Asetukset;
        const QString t1 = Keys::Tyyppi1;
        const QString t2 = Keys::Tyyppi2;
        const QString none;
        QTest::newRow("price limit, leading zero")
            << s << Keys::YhteensäHinta << u"07"_s << u"7"_s << none << 1 << u"8"_s << u"8"_s;
        QTest::newRow("total price at its top") << s << Keys::HinnatYhteensä << u"999"_s << u"999"_s
                                                << none << 1 << u"999"_s << u"999"_s;
        QTest::newRow("hours") << s << Keys::KestoTuntia << u"5"_s << u"5"_s << none << -1 << u"4"_s
                               << u"4"_s;
        QTest::newRow("minutes beyond 59 kept")
            << s << Keys::KestoMinuuttia << u"75"_s << u"75"_s << none << -1 << u"58"_s << u"58"_s;
        QTest::newRow("total hours, no number") << s << Keys::KestotYhteensäTuntia << u"abc"_s
                                                << u"abc"_s << none << 1 << u"1"_s << u"1"_s;
        QTest::newRow("total minutes") << s << Keys::KestotYhteensäMinuuttia << u"30"_s << u"30"_s
                                       << none << 1 << u"31"_s << u"31"_s;
        QTest::newRow("redial wait below 1 kept")
            << s << Keys::Odotetaan << u"0"_s << u"0"_s << none << 1 << u"2"_s << u"2"_s;
        QTest::newRow("redial wait not stored")
            << s << Keys::Odotetaan << none << u"60"_s << none << 1 << u"61"_s << u"61"_s;
        QTest::newRow("charge, nothing stored, 15 typed")
            << s << Keys::Palveluntarjoaja << none << u"0"_s << u"15"_s << 1 << u"1"_s
            << u"<absent>"_s;
        QTest::newRow("charge above 999 kept") << s << Keys::Palveluntarjoaja << u"1000"_s
                                               << u"1000"_s << none << -1 << u"998"_s << u"1000"_s;
        QTest::newRow("amount, typing does not move it")
            << t1 << Keys::Puhelu_1 << none << u"0"_s << u"15"_s << 1 << u"1"_s << u"0"_s;
        QTest::newRow("tenths at 0, down leaves the typed text")
            << t2 << Keys::Arkisin1_2 << none << u"0"_s << u"5"_s << -1 << u"5"_s << u"0"_s;
        QTest::newRow("amount, leading zero")
            << t1 << Keys::Arkisin3_1 << u"07"_s << u"7"_s << none << 1 << u"8"_s << u"7"_s;
        QTest::newRow("whole stops at 999")
            << t1 << Keys::Arkisin1_1 << u"998"_s << u"998"_s << none << 3 << u"999"_s << u"998"_s;
        QTest::newRow("tenths stop at 9")
            << t1 << Keys::Arkisin3_2 << u"8"_s << u"8"_s << none << 3 << u"9"_s << u"8"_s;
        QTest::newRow("whole stops at 0")
            << t2 << Keys::Puhelu_1 << u"1"_s << u"1"_s << none << -3 << u"0"_s << u"1"_s;
        QTest::newRow("amount above the range, kept")
            << t1 << Keys::Puhelu_1 << u"1000"_s << u"1000"_s << none << -1 << u"998"_s
            << u"1000"_s;
        QTest::newRow("amount below the range, kept")
            << t2 << Keys::Arkisin1_1 << u"-4"_s << u"-4"_s << none << 1 << u"1"_s << u"-4"_s;
        QTest::newRow("amount not whole, kept") << t1 << Keys::Arkisin2_1 << u"12,5"_s << u"12,5"_s
                                                << none << 1 << u"13"_s << u"12,5"_s;
        QTest::newRow("two tenths digits, kept")
            << t1 << Keys::Puhelu_2 << u"12"_s << u"12"_s << none << -1 << u"8"_s << u"12"_s;
        QTest::newRow("a sign") << t2 << Keys::Arkisin1_2 << u"+5"_s << u"5"_s << none << 1
                                << u"6"_s << u"5"_s;
    }
    void aSpinnerStartsFromTheStoredValueAndStepsWithinItsRange() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, typed);
        QFETCH(int, clicks);
        if (!value.isEmpty())
            store(section, key, value);
        const Field f = field(section, key);
        showWindowOf(f.box);
        QCOMPARE(f.box->text(), cell("shown"));
        if (!typed.isEmpty())
            typeInto(f.box, typed);
        click(f.spinner, clicks > 0, std::abs(clicks));
        QCOMPARE(f.box->text(), cell("afterClicks"));
        QCOMPARE(stored(section, key), cell("storedAfter"));
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

    // The editor is loaded hidden by the choice of type, so what is stored later is not read
    // again; type 2 leaves the amounts of other times as type 1 put them.
    void defineTariffOpensTheEditorOfTheChosenType_data() {
        QTest::addColumn<QString>("type");
        QTest::newRow("type 1") << Keys::Tyyppi1;
        QTest::newRow("type 2") << Keys::Tyyppi2;
    }
    void defineTariffOpensTheEditorOfTheChosenType() {
        QFETCH(QString, type);
        store(Keys::Tyyppi1, Keys::Arkisin2_1, u"4"_s);
        store(Keys::Tyyppi1, Keys::Arkisin2_2, u"2"_s);
        store(Keys::Tyyppi1, Keys::Arkisin3_1, u"1"_s);
        store(Keys::Tyyppi1, Keys::Arkisin3_2, u"5"_s);
        Form4& settings = showSettings();
        if (type == Keys::Tyyppi2) {
            settings.Combo2->setFocus();
            QTest::keyClick(settings.Combo2, Qt::Key_Down);
        }
        store(type, Keys::Puhelu_1, u"77"_s);
        clickOpeningModal(settings.Command3, [type](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(&editor(type)));
            QCOMPARE(modal->windowTitle(), u"Hinnat [ %1 ]"_s.arg(type));
            QCOMPARE(field(type, Keys::Puhelu_1).box->text(), u"0"_s);
            typeInto(field(type, Keys::Arkisin1_1).box, u"3"_s);
            typeInto(field(type, Keys::Arkisin1_2).box, u"9"_s);
            QTest::mouseClick(editor(type).Command1, Qt::LeftButton);
        });
        QVERIFY(!editorLoaded(type));
        QCOMPARE(tariffInForce(), (QStringList{u"0,0"_s, u"3,9"_s, u"4,2"_s, u"1,5"_s}));
        QCOMPARE(stored(type, Keys::Puhelu_1) + stored(type, Keys::Arkisin1_1) +
                     stored(type, Keys::Arkisin1_2),
                 u"039"_s);
        QVERIFY(settings.isVisible());
    }

    void showTariffListsTheTariffInForce_data() {
        textColumns({"type", "text"});
        QTest::newRow("type 1") << Keys::Tyyppi1
                                << u"Puhelu = 12,5 penniä/puhelu\nArkisin 7-17 = 8,1 "_s
                                   "penniä/minuutti\nMuina aikoina = 2,0 penniä/30 "
                                   "minuuttia\nYlimenevä aika = 4,5 penniä/minuutti";
        QTest::newRow("type 2") << Keys::Tyyppi2
                                << u"Puhelu = 20,0 penniä/puhelu\nKaikkina aikoina = 6,6 "_s
                                   "penniä/minuutti";
    }
    void showTariffListsTheTariffInForce() {
        storeTariffs();
        store(Keys::Asetukset, Keys::Tyyppi, cell("type"));
        QTest::mouseClick(showSettings().Command5, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.texts(), QStringList{cell("text")});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::None);
    }

    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes() {
        QFETCH(bool, yes);
        // Everything a counter reset must leave alone, and what it must clear.
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

    void okHidesTheSettingsAndClosingUnloadsThem_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void okHidesTheSettingsAndClosingUnloadsThem() {
        Form4& window = showSettings();
        click(window.UpDown3, true);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(FormRegistry::instance().loaded<Form4>(), &window);

        showSettings();
        window.Combo2->setFocus();
        QTest::keyClick(window.Combo2, Qt::Key_Down);
        if (cell<bool>("escape"))
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

    void confirmingAChargeStoresItAndPutsItInForce() {
        const QWidget& settings = showSettings();
        for (const QString& charge : {u"12"_s, u"13"_s}) {
            // The next showing starts from the stored charge, spinner included.
            clickOpeningModal(form<Form4>().Command4, [charge](QWidget* modal) {
                auto* window = qobject_cast<Form6*>(modal);
                QVERIFY(window);
                if (charge == u"12")
                    typeInto(window->Text1, charge);
                else
                    click(window->UpDown1, true);
                QTest::mouseClick(window->Command1, Qt::LeftButton);
            });
            QVERIFY(!FormRegistry::instance().isLoaded(u"Form6"_s));
            QCOMPARE(inForce().mid(4), (QStringList{charge, charge + u" penniä / minuutti. "_s}));
            QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja), charge);
        }
        QVERIFY(settings.isVisible());
    }

    void theStoredChargeIsInForceFromStartUp_data() {
        QTest::addColumn<QString>("charge");
        QTest::addColumn<QStringList>("inForce");
        QTest::newRow("none") << u""_s << QStringList{u"0"_s, u"0 penniä / minuutti."_s};
        QTest::newRow("7") << u"7"_s << QStringList{u"7"_s, u"7 penniä / minuutti. "_s};
    }
    void theStoredChargeIsInForceFromStartUp() {
        QFETCH(QString, charge);
        QFETCH(QStringList, inForce);
        if (!charge.isEmpty())
            store(Keys::Asetukset, Keys::Palveluntarjoaja, charge);
        platform().dialer.entries = {u"Koti"_s};
        form<Form1>();
        QVERIFY(!FormRegistry::instance().isLoaded(u"Form6"_s));
        QCOMPARE(this->inForce().mid(4), inForce);
        QCOMPARE(stored(Keys::Asetukset, Keys::Palveluntarjoaja),
                 charge.isEmpty() ? u"<absent>"_s : charge);
        QCOMPARE(form<Form6>().windowTitle(), u"Palveluntarjoajan perimä maksu"_s);
        QCOMPARE(form<Form6>().Text1->text(), inForce.first());
    }

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
        QTRY_VERIFY(!editor(type).Timer1->isActive());
        const QHash<QString, QString> section = GetSection(Keys::App, type);
        QCOMPARE(section.size(), keys);
        for (int i = 0; i < keys; ++i) {
            QCOMPARE(section.value(AmountKeys[i]), u"0"_s);
            QCOMPARE(field(type, AmountKeys[i]).box->text(), u"0"_s);
        }
        QVERIFY(!editor(type).isVisible());

        // Once only: a later edit stays in the window until "&Ok".
        field(type, Keys::Puhelu_1).box->setText(u"5"_s);
        QTest::qWait(150);
        QCOMPARE(stored(type, Keys::Puhelu_1), u"0"_s);
    }

    void storedAmountsAreShownAndPutInForce_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("i");
        textColumns({"whole", "tenths", "shownWhole", "inForce"});
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
        QFETCH(QString, tenths);
        QFETCH(QString, shownWhole);
        store(Keys::Asetukset, Keys::Tyyppi, type);
        form<Form4>();
        QTRY_VERIFY(!editor(type).Timer1->isActive());
        const QStringList before = tariffInForce();

        // Loaded afresh, the editor puts the new amounts in force with its own write-back.
        store(type, AmountKeys[2 * i], cell("whole"));
        store(type, AmountKeys[2 * i + 1], tenths);
        unload<FrmTyyppi1>();
        unload<FrmTyyppi2>();
        QCOMPARE(field(type, AmountKeys[2 * i]).box->text(), shownWhole);
        QCOMPARE(field(type, AmountKeys[2 * i + 1]).box->text(), tenths);
        QCOMPARE(tariffInForce(), before);
        QTRY_VERIFY(!editor(type).Timer1->isActive());
        QCOMPARE(tariffInForce().at(i), cell("inForce"));
        QCOMPARE(stored(type, AmountKeys[2 * i]), shownWhole);
    }

    void anEditorOfTheOtherTypeNeverTouchesTheTariffInForce_data() {
        textColumns({"inForce", "edited"});
        QTest::newRow("type 1 editor, type 2 in force") << Keys::Tyyppi2 << Keys::Tyyppi1;
        QTest::newRow("type 2 editor, type 1 in force") << Keys::Tyyppi1 << Keys::Tyyppi2;
    }
    void anEditorOfTheOtherTypeNeverTouchesTheTariffInForce() {
        QFETCH(QString, inForce);
        QFETCH(QString, edited);
        for (const auto& [type, amount] : {std::pair{inForce, u"2"_s}, {edited, u"9"_s}}) {
            store(type, Keys::Puhelu_1, amount);
            store(type, Keys::Arkisin1_1, amount);
        }
        store(Keys::Asetukset, Keys::Tyyppi, inForce);
        form<Form4>();
        QTRY_VERIFY(!editor(inForce).Timer1->isActive());
        const QStringList before = tariffInForce();
        QVERIFY(!editorLoaded(edited));

        TextBox* perCall = field(edited, Keys::Puhelu_1).box;
        QWidget* window = showWindowOf(perCall);
        QCOMPARE(tariffInForce(), before);
        typeInto(perCall, u"44"_s);
        QTest::mouseClick(editor(edited).Command1, Qt::LeftButton);
        QVERIFY(!isLoaded(window));
        QCOMPARE(stored(edited, Keys::Puhelu_1), u"44"_s);
        QCOMPARE(tariffInForce(), before);
    }

    // The provider's charge and the editors' amounts: closing without "&Ok" keeps nothing, not
    // even what a window still waiting to be deleted holds.
    void closingWithoutOkDiscardsTheEdits_data() {
        textColumns({"section", "key"});
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("beforeWriteBack");
        QTest::newRow("type 1, close box") << Keys::Tyyppi1 << Keys::Puhelu_1 << false << false;
        QTest::newRow("type 2, Esc") << Keys::Tyyppi2 << Keys::Puhelu_1 << true << false;
        QTest::newRow("Esc before the write-back")
            << Keys::Tyyppi1 << Keys::Puhelu_1 << true << true;
        QTest::newRow("charge, close box")
            << Keys::Asetukset << Keys::Palveluntarjoaja << false << false;
        QTest::newRow("charge, Esc") << Keys::Asetukset << Keys::Palveluntarjoaja << true << false;
    }
    void closingWithoutOkDiscardsTheEdits() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(bool, beforeWriteBack);
        store(section, key, u"6"_s);
        if (!beforeWriteBack) {
            const QString type = section == Keys::Asetukset ? Keys::Tyyppi1 : section;
            store(Keys::Asetukset, Keys::Tyyppi, type);
            form<Form4>();
            QTRY_VERIFY(!editor(type).Timer1->isActive());
        }
        // Before its write-back an editor must not find the settings loaded.
        const QStringList before = beforeWriteBack ? tariffInForce() : inForce();
        Field f = field(section, key);
        const QPointer<QWidget> window = f.box->window();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        typeInto(f.box, u"42"_s);
        if (qobject_cast<TariffEditor*>(window.data()))
            click(field(section, AmountKeys[1]).spinner, true);
        if (cell<bool>("escape"))
            QTest::keyClick(window, Qt::Key_Escape);
        else
            window->close();
        QVERIFY(!isLoaded(window));
        // Until Qt deletes it, the unloaded window must not write its edits.
        QVERIFY(window);
        if (const auto* editor = qobject_cast<TariffEditor*>(window.data()))
            QVERIFY(!editor->Timer1->isActive());
        QTest::qWait(150);
        QCOMPARE(stored(section, key), u"6"_s);
        if (section != Keys::Asetukset)
            QCOMPARE(stored(section, Keys::Puhelu_2), beforeWriteBack ? u"<absent>"_s : u"0"_s);
        QCOMPARE(beforeWriteBack ? tariffInForce() : inForce(), before);
        f = field(section, key);
        QCOMPARE(f.box->text(), u"6"_s);
        if (section != Keys::Asetukset)
            QCOMPARE(field(section, Keys::Puhelu_2).box->text(), u"0"_s);
    }

    // Whatever a spinner could not give is refused with a prompt, and the window stays open on
    // the field; what it could give is stored.
    void okTakesOnlyWhatTheSpinnersCouldGive_data() {
        textColumns({"section", "key", "typed", "prompt"});
        const QString t1 = Keys::Tyyppi1;
        const QString t2 = Keys::Tyyppi2;
        const QString s = Keys::Asetukset;
        const QString charge = u"Kirjoita maksuksi kokonaisluku väliltä 0–999."_s;
        QTest::newRow("letters") << t1 << Keys::Puhelu_1 << u"abc"_s << WholePenniPrompt;
        QTest::newRow("above 999") << t2 << Keys::Arkisin1_1 << u"1000"_s << WholePenniPrompt;
        QTest::newRow("comma") << t1 << Keys::Arkisin3_1 << u"12,5"_s << WholePenniPrompt;
        QTest::newRow("empty") << t1 << Keys::Arkisin2_1 << u""_s << WholePenniPrompt;
        QTest::newRow("two tenths digits") << t2 << Keys::Puhelu_2 << u"05"_s << TenthsPrompt;
        QTest::newRow("no tenths") << t1 << Keys::Arkisin1_2 << u""_s << TenthsPrompt;
        QTest::newRow("999 is taken") << t2 << Keys::Puhelu_1 << u"999"_s << u""_s;
        QTest::newRow("leading zeros are taken") << t1 << Keys::Arkisin1_1 << u"007"_s << u""_s;
        QTest::newRow("charge, letters") << s << Keys::Palveluntarjoaja << u"abc"_s << charge;
        QTest::newRow("charge, fraction") << s << Keys::Palveluntarjoaja << u"1,5"_s << charge;
        QTest::newRow("charge, negative") << s << Keys::Palveluntarjoaja << u"-1"_s << charge;
        QTest::newRow("charge above 999") << s << Keys::Palveluntarjoaja << u"1000"_s << charge;
    }
    void okTakesOnlyWhatTheSpinnersCouldGive() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, prompt);
        store(Keys::Asetukset, Keys::Tyyppi, section == Keys::Asetukset ? Keys::Tyyppi1 : section);
        store(Keys::Asetukset, Keys::Palveluntarjoaja, u"5"_s);
        form<Form3>().PalvelunTarjoaja->setText(u"5"_s);
        const QStringList before = inForce();
        TextBox* box = field(section, key).box;
        QWidget* window = showWindowOf(box);
        const QString storedBefore = stored(section, key);
        typeInto(box, typed);
        QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
        if (prompt.isEmpty()) {
            QVERIFY(platform().messageBoxes.shown.isEmpty());
            QVERIFY(!isLoaded(window));
            QCOMPARE(stored(section, key), typed);
            return;
        }
        QCOMPARE(platform().messageBoxes.texts(), QStringList{prompt});
        QCOMPARE(platform().messageBoxes.shown.first().icon, Message::Icon::Information);
        QVERIFY(window->isVisible());
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(stored(section, key), storedBefore);
        QCOMPARE(inForce(), before);
    }
};

ORVALIN_TEST_MAIN(SettingsWindowTest)
#include "tst_settings_window.moc"
