#include "WindowTest.h"

// The settings window and the windows it opens: the provider's charge and the tariff editors.
class SettingsWindowTest : public WindowTest {
    Q_OBJECT
private:
    static const inline QStringList Limits =
        u"Yhteensä Hinta;Hinnat Yhteensä;Kesto Tuntia;Kesto Minuuttia;Kestot Yhteensä Tuntia;"
        u"Kestot Yhteensä Minuuttia;Odotetaan"_s.split(u';');
    // An editor's amounts in order: per call, per minute by day (type 2: at all times), the
    // first 30 minutes at other times, each minute after them; whole penni, then tenths.
    static const inline QStringList AmountKeys =
        u"Puhelu 1;Puhelu 2;Arkisin1 1;Arkisin1 2;Arkisin2 1;Arkisin2 2;Arkisin3 1;Arkisin3 2"_s
            .split(u';');
    // The field and the spinner that show a stored value, their window loaded; each window
    // creates its fields in the order of their keys (the charge's window has one).
    static std::pair<TextBox*, UpDown*> field(const QString& section, const QString& key) {
        const bool limit = section == Keys::Asetukset;
        QWidget* w = key == Keys::Palveluntarjoaja ? &form<Form6>()
                     : limit                       ? static_cast<QWidget*>(&form<Form4>())
                     : section == Keys::Tyyppi1    ? static_cast<QWidget*>(&form<FrmTyyppi1>())
                                                   : &form<FrmTyyppi2>();
        const qsizetype i = std::max<qsizetype>(0, (limit ? Limits : AmountKeys).indexOf(key));
        return {w->findChildren<TextBox*>()[i], w->findChildren<UpDown*>()[i]};
    }
    // In force: per call, by day, other times, each minute after them; the provider's charge.
    static QString inForce() {
        QStringList texts;
        for (const TextBox* box : form<Form3>().findChildren<TextBox*>())
            texts << box->text();
        return texts.join(u'|');
    }
    static void storeAll(const QString& section, const QStringList& keys, const QString& values) {
        for (qsizetype i = 0; i < values.count(u';') + 1; ++i)
            store(section, keys[i], values.section(u';', i, i));
    }

private slots:
    // Type in force loaded before ("-": nothing loaded, the editor shown before its write-back),
    // section, key, stored, typed ("-": nothing), clicks (up when positive), then "ok", "esc",
    // "close" or nothing; shown at first, shown after the edits, stored at the end, the message
    // (W the whole-penni prompt, T the tenths prompt, else its text) and what is in force at the
    // end (per call, by day, other times, overtime, charge). A limit is stored at every change;
    // the charge and the amounts wait for "&Ok"; an editor writes what it loaded back once;
    // closing without "&Ok" keeps nothing, not even what a window waiting to be deleted holds;
    // "&Ok" hides the settings, unloads the other windows, and refuses what a spinner could not
    // give.
    void editingAStoredValue_data() {
        rows(uR"(
;Asetukset;Yhteensä Hinta;07;-;1;;7;8;8;;
;Asetukset;Hinnat Yhteensä;999;-;1;;999;999;999;;
;Asetukset;Kesto Tuntia;5;12;0;esc;5;12;12;;
;Asetukset;Kesto Minuuttia;75;-;-1;;75;58;58;;
;Asetukset;Kestot Yhteensä Tuntia;abc;-;1;close;abc;1;1;;
;Asetukset;Kestot Yhteensä Minuuttia;30;-;1;ok;30;31;31;;
;Asetukset;Odotetaan;;-;-1;;60;59;59;;
;Asetukset;Odotetaan;0;-;1;;0;2;2;;
;Asetukset;Palveluntarjoaja;;15;1;;0;1;<absent>;;
;Asetukset;Palveluntarjoaja;1000;-;-1;;1000;998;1000;;
;Tyyppi 1;Arkisin1 1;998;-;3;;998;999;998;;
;Tyyppi 1;Arkisin3 2;8;-;3;;8;9;8;;
;Tyyppi 2;Puhelu 1;1;-;-3;;1;0;1;;
;Tyyppi 1;Arkisin2 1;12,5;-;1;;12,5;13;12,5;;
Tyyppi 1;Tyyppi 1;Puhelu 1;;abc;0;ok;0;abc;0;W;0,0|0,0|0,0|0,0|0
Tyyppi 2;Tyyppi 2;Arkisin1 1;;1000;0;ok;0;1000;0;W;0,0|0,0|0|0|0
Tyyppi 1;Tyyppi 1;Arkisin2 1;5;;0;ok;5;;5;W;0,0|0,0|5,0|0,0|0
Tyyppi 2;Tyyppi 2;Puhelu 2;;05;0;ok;0;05;0;T;0,0|0,0|0|0|0
Tyyppi 2;Tyyppi 2;Puhelu 1;;999;0;ok;0;999;999;;999,0|0,0|0|0|0
Tyyppi 1;Tyyppi 2;Puhelu 1;9;44;0;ok;9;44;44;;0,0|0,0|0,0|0,0|0
Tyyppi 1;Asetukset;Palveluntarjoaja;5;abc;0;ok;5;abc;5;Kirjoita maksuksi kokonaisluku väliltä 0–999.;0,0|0,0|0,0|0,0|0
Tyyppi 1;Asetukset;Palveluntarjoaja;5;1000;0;ok;5;1000;5;Kirjoita maksuksi kokonaisluku väliltä 0–999.;0,0|0,0|0,0|0,0|0
Tyyppi 1;Asetukset;Palveluntarjoaja;5;12;0;ok;5;12;12;;0,0|0,0|0,0|0,0|12
Tyyppi 2;Tyyppi 2;Puhelu 1;6;42;1;esc;6;7;6;;6,0|0,0|0|0|0
-;Tyyppi 1;Puhelu 1;6;42;0;esc;6;42;6;;0|0|0|0|0
Tyyppi 1;Asetukset;Palveluntarjoaja;6;42;0;esc;6;42;6;;0,0|0,0|0,0|0,0|0)"_s);
    }
    void editingAStoredValue() {
        const QStringList r = row(u';');
        if (!r[3].isEmpty())
            store(r[1], r[2], r[3]);
        if (r[0] != u"-" && !r[0].isEmpty()) {
            store(Keys::Asetukset, Keys::Tyyppi, r[0]);
            form<Form4>();
        }
        const auto [box, spinner] = field(r[1], r[2]);
        const QPointer<QWidget> window = box->window();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* e = qobject_cast<TariffEditor*>(window.data());
        if (e && r[0] != u"-")
            QTRY_VERIFY(!e->Timer1->isActive());
        QCOMPARE(box->text(), r[7]);
        if (r[4] != u"-")
            typeInto(box, r[4]);
        for (int i = 0; i < std::abs(r[5].toInt()); ++i) // up when positive
            QTest::mouseClick(r[5].toInt() > 0 ? spinner->upButton() : spinner->downButton(),
                              Qt::LeftButton);
        QCOMPARE(box->text(), r[8]);
        if (r[6] == u"close")
            window->close();
        else if (!r[6].isEmpty()) // "&Ok" is each window's last button
            r[6] == u"ok"
                ? QTest::mouseClick(window->findChildren<QPushButton*>().last(), Qt::LeftButton)
                : QTest::keyClick(window, Qt::Key_Escape);
        // "&Ok" hides the settings and unloads the other windows unless it refuses a value.
        const bool gone = !r[6].isEmpty() && r[10].isEmpty() &&
                          !(qobject_cast<Form4*>(window.data()) && r[6] == u"ok");
        QCOMPARE(FormRegistry::instance().isLoaded(window->objectName()), !gone);
        // Until Qt deletes it, an unloaded window must not write its edits; nothing writes twice.
        QVERIFY(window && !(gone && e && e->Timer1->isActive()));
        if (gone)
            QTRY_VERIFY(!window);
        QCOMPARE(stored(r[1], r[2]), r[9]);
        QCOMPARE(platform().messageBoxes.texts().join(u'\n'), r[10] == u"W"   ? WholePenniPrompt
                                                              : r[10] == u"T" ? TenthsPrompt
                                                                              : r[10]);
        if (!r[11].isEmpty())
            QCOMPARE(inForce(), r[11]);
    }

    // Port, type and charge stored, then the program started: port and type shown, the tariff and
    // the charge in force. Then a key on the type list: what is in force, what "&Näytä hinnat"
    // shows ("#" ends a line) and, after "&Määritä hinnat", what is in force. Type 2 leaves the
    // amounts of other times as type 1 put them.
    void fromStartUpToATariffDefined_data() {
        rows(uR"(
;;;1;Tyyppi 1;0,0|0,0|0,0|0,0|0|0 penniä / minuutti.;Down;0,0|0,0|0,0|0,0|0;Puhelu = 0,0 penniä/puhelu#Kaikkina aikoina = 0,0 penniä/minuutti;0,0|3,0|0,0|0,0|0
3;Tyyppi 2;7;3;Tyyppi 2;20,0|6,6|0|0|7|7 penniä / minuutti. ;Up;12,5|8,1|2,0|4,5|7;Puhelu = 12,5 penniä/puhelu#Arkisin 7-17 = 8,1 penniä/minuutti#Muina aikoina = 2,0 penniä/30 minuuttia#Ylimenevä aika = 4,5 penniä/minuutti;12,5|3,1|2,0|4,5|7
7;Tyyppi 3;12;1;Tyyppi 1;12,5|8,1|2,0|4,5|12|12 penniä / minuutti. ;Down;20,0|6,6|2,0|4,5|12;Puhelu = 20,0 penniä/puhelu#Kaikkina aikoina = 6,6 penniä/minuutti;20,0|3,6|2,0|4,5|12)"_s);
    }
    void fromStartUpToATariffDefined() {
        const QStringList r = row(u';');
        if (!r[0].isEmpty()) {
            storeAll(Keys::Tyyppi1, AmountKeys, u"12;5;8;1;2;0;4;5"_s);
            storeAll(Keys::Tyyppi2, AmountKeys, u"20;0;6;6"_s);
            storeAll(Keys::Asetukset, {Keys::Portti, Keys::Tyyppi, Keys::Palveluntarjoaja},
                     r.mid(0, 3).join(u';'));
            form<Form1>();
        }
        Form4& settings = form<Form4>();
        QCOMPARE(settings.Combo1->currentText() + settings.Combo2->currentText(), r[3] + r[4]);
        QCOMPARE(inForce() + u'|' + settings.Label12->text(), r[5]);
        const QString type = r[6] == u"Up" ? Keys::Tyyppi1 : Keys::Tyyppi2;
        settings.show();
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        QTest::keyClick(settings.Combo2, r[6] == u"Up" ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(stored(Keys::Asetukset, Keys::Tyyppi) + u'|' + inForce(), type + u'|' + r[7]);
        QTest::mouseClick(settings.Command5, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.texts(), QStringList{QString(r[8]).replace(u'#', u'\n')});
        clickOpeningModal(settings.Command3, [type](QWidget* modal) {
            typeInto(field(type, Keys::Arkisin1_1).first, u"3"_s);
            QTest::mouseClick(modal->findChildren<QPushButton*>().last(), Qt::LeftButton);
        });
        QCOMPARE(inForce(), r[9]);
    }

    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes_data() { rows(u"yes\nno"_s); }
    void theCounterResetClearsTheTotalsAndTheLogOnlyOnYes() {
        const bool yes = cell() == u"yes";
        // Three values a reset must leave alone, then the five totals it clears, and a log.
        const QStringList keys = u"Tyyppi;Palveluntarjoaja;Kesto Tuntia;Kustannukset 1;"
                                 u"Kustannukset 2;Tunnit;Minuutit;Sekunnit"_s.split(u';');
        const QString values = u"Tyyppi 2;5;2;1234,5;12,34;01;02;03"_s;
        storeAll(Keys::Asetukset, keys, values);
        const QStringList logs = {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta, Keys::Alkuhetki};
        for (const QString& log : logs)
            storeAll(log, {u"0"_s, u"1"_s}, log + u';' + log);
        form<Form4>().show();
        form<Form7>().ListView1->addItem(u"6. joulukuuta 2026"_s, u"00:10:00"_s, u"0 markkaa"_s);
        platform().messageBoxes.answers.push_back(yes ? Message::Answer::Yes : Message::Answer::No);
        QTest::mouseClick(form<Form4>().Command2, Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.seen(),
                 QStringList{u"Critical, Yes/No on No: Haluatko varmasti nollata kaikki laskurit "
                             u"sekä päiväkirjan?"_s});
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(stored(Keys::Asetukset, keys[i]),
                     yes && i >= 3 ? QString() : values.section(u';', i, i));
        for (const QString& log : logs)
            QCOMPARE(GetSection(Keys::App, log).size(), yes ? 0 : 2);
        // Emptied before it unloads, the viewer writes no rows back.
        QCOMPARE(form<Form7>().ListView1->count(), yes ? 0 : 3);
    }

    // The desktop's own message box: Enter answers the question with its default, No, and a
    // system-modal question stays above other windows.
    void enterAnswersTheDesktopsQuestionWithItsDefault() {
        Qt::WindowFlags flags;
        QTimer::singleShot(0, [&flags] {
            flags = QApplication::activeModalWidget()->windowFlags();
            QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
        });
        const Message question{u"Nollataanko?"_s, Message::Icon::None, Message::Buttons::YesNo,
                               Message::Answer::No, true};
        QCOMPARE(LinuxPlatform().messages().show(question), Message::Answer::No);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
    }
};

ORVALIN_TEST_MAIN(SettingsWindowTest)
#include "tst_settings_window.moc"
