#include "WindowTest.h"
#include "app/CommandLine.h"

// The import of the Windows program's registry export and the log's export as CSV. Moc loses its
// way in a raw string with quotes: the tables write ' for each ".
class TransferTest : public WindowTest {
    Q_OBJECT
private:
    // Section;key;value as the Windows program leaves them; the last two are not taken.
    static inline const QString Taken = uR"(Asetukset;Käyttäjä;Mäkelä 'M' \ € ä
Asetukset;Tunnit;07|Asetukset;Minuutit;05|Asetukset;Sekunnit;09|Asetukset;Kustannukset 1;12345
Asetukset;Kustannukset 2;123,45|Asetukset;Tyyppi;Tyyppi 1|Asetukset;Portti;7|Asetukset;Left;1e9
Tyyppi 1;Puhelu 1;12|Tyyppi 1;Puhelu 2;5|Tyyppi 1;Arkisin3 1;3|Tyyppi 2;Arkisin1 2;4
Päivämäärä;0;1. tammikuuta 1999|Kesto;0;00:42:17|Hinta;0;12,5 markkaa|Päivämäärä;1;2; b 'c'
Kesto;1;01:00:00|Hinta;1;2 markkaa|Päivämäärä;2;3. maaliskuuta 1999|Hinta;2;0,99 markkaa
Päivämäärä;4;aukon takana|Asetukset;Palveluntarjoaja 2;3)"_s;
    static QStringList entries(QString table) {
        return table.replace(u'\'', u'"').replace(u'\n', u'|').split(u'|');
    }
    // The file of the table in a format: "5.00" or "REGEDIT4" as the editor writes them, "utf8"
    // a 5.00 file in another encoding; "cut" ends it in its last line, "odd" in its last letter.
    // REGEDIT4's file names the keys and values in capitals, which the registry takes as the same.
    QString regFile(const QString& format, const QStringList& table) {
        const bool old = format.startsWith(u"REGEDIT4");
        const auto name = [old](const QString& text) { return old ? text.toUpper() : text; };
        const auto quoted = [](QString text) {
            return u'"' + text.replace(u"\\"_s, u"\\\\"_s).replace(u"\""_s, u"\\\""_s) + u'"';
        };
        QStringList lines = {u"[HKEY_CURRENT_USER\\Software\\Muu]"_s, u"\"a\"=dword:00000001"_s,
                             u"\"b\"=hex:01,02,\\"_s, u"  03"_s};
        for (const QString& entry : table) {
            const QStringList f = entry.split(u';');
            lines << name(uR"([HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Orvalin\)"_s +
                          f[0]) +
                         u']'
                  << (f.size() < 3 ? f[1]
                                   : quoted(name(f[1])) + u'=' + quoted(f.mid(2).join(u';')));
        }
        QString text = (old ? u"REGEDIT4"_s : u"Windows Registry Editor Version 5.00"_s) +
                       u"\r\n\r\n"_s + lines.join(u"\r\n"_s) + u"\r\n\r\n"_s;
        text.chop(format.contains(u"cut") ? 4 : 0);
        const QByteArray bytes =
            old ? QString(text).replace(u'€', QChar(0x80)).toLatin1()
                : "\xFF\xFE" +
                      QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        const QString path = configFolder() + u"/vienti.reg"_s;
        WriteFile(path, format == u"utf8" ? text.toUtf8() : bytes.chopped(format.contains(u"odd")));
        return path;
    }
    QByteArray storeBytes() {
        SettingsStore::close();
        return FileContents(storePath());
    }
    int import(const QString& format, const QStringList& table, bool yes, bool replace = false) {
        return ImportRegistryExport(regFile(format, table), yes, replace, storePath(),
                                    platform().messageBoxes);
    }

private slots:
    // The format, what the store holds first, how the import is told and what exports the log;
    // whatever the store held, a preference the file lacks stays only in a store without calls
    // or totals. The viewer saves its list in the order it shows, sorted by "Hinta" here, the
    // terminal the stored log.
    void importComesThroughAndExportsAsTheLog_data() {
        rows(u"5.00 preference --yes terminal\nREGEDIT4 preference asked viewer\n"
             u"5.00 call --replace viewer\nREGEDIT4 totals answered terminal\n"
             u"5.00 journal answered viewer"_s);
    }
    void importComesThroughAndExportsAsTheLog() {
        const QStringList r = row();
        store(Keys::Asetukset, Keys::Odotetaan, u"30"_s);
        store(Keys::Alkuhetki, u"0"_s, u"2026-12-08T10:00:00+02:00"_s);
        store(r[1] == u"call" ? Keys::Päivämäärä : Keys::Asetukset,
              r[1] == u"call" ? u"5"_s : Keys::Kustannukset2,
              r[1] == u"preference" ? u""_s : u"1"_s);
        if (r[1] == u"journal")
            SaveCallJournal({u"5. toukokuuta 2000"_s, u"00:00:07"_s, u"1 markkaa"_s,
                             u"00 00 07 100 1"_s.split(u' '), false, QString()});
        platform().messageBoxes.answers = std::deque<Message::Answer>(3, Message::Answer::Yes);
        QCOMPARE(import(r[0], entries(Taken), r[2] != u"asked", r[2] == u"--replace"), 0);
        const QStringList texts = platform().messageBoxes.texts();
        QCOMPARE(texts.filter(u"Korvataanko"_s).size(), qsizetype(r[2] == u"answered"));
        for (const QString& line :
             {u"\n  Tyyppi 1: 3 arvoa\n"_s, u"Yhteyksiä päiväkirjassa: 3"_s,
              u"Kesto yhteensä: 07:05:09\n"_s, u"123,45 markkaa"_s,
              u"\nTyyppi 1: Puhelu 12,5; Arkisin3 3,0 penniä\n"_s,
              u"valinta.\nOhitetaan muiden ohjelmien arvoja: 2.\n"_s, u"pois: 1.\n\nTuodaanko"_s})
            QVERIFY2(r[2] != u"asked" || texts[0].contains(line), qPrintable(line));
        for (const QString& entry : entries(Taken)) {
            const QStringList f = entry.split(u';');
            const bool left = f[1] == u"4" || f[1] == u"Palveluntarjoaja 2";
            QCOMPARE(stored(f[0], f[1]), left ? u"<absent>"_s : f.mid(2).join(u';'));
        }
        // The file's calls have no start moments: a stored one would go with another call.
        QCOMPARE(stored(Keys::Asetukset, Keys::Odotetaan) + stored(Keys::Päivämäärä, u"5"_s) +
                     stored(Keys::Alkuhetki, u"0"_s),
                 (r[1] == u"preference" ? u"30<absent>"_s : u"<absent><absent>"_s) + u"<absent>"_s);
        // Opened as the program opens them, the main window first.
        form<Form1>();
        QCOMPARE(form<Form3>().Puhelu->text() + u'|' + form<Form3>().Arkisin3->text(),
                 u"12,5|3,0"_s);
        QCOMPARE(form<Form7>().ListView1->count(), 3); // waits for the rows read meanwhile
        QCOMPARE(form<Form7>().Label2->text() + u'|' + form<Form7>().Label4->text(),
                 u"3 kappaletta|123,45 markkaa"_s);
        const QString path = configFolder() + u"/päiväkirja.csv"_s;
        if (r[3] == u"viewer") {
            form<Form7>().show();
            form<Form7>().ListView1_ColumnClick(2);
            clickOpeningModal(form<Form7>().Command2, [&path](QWidget* modal) {
                qobject_cast<QFileDialog*>(modal)->selectFile(path);
                static_cast<QDialog*>(modal)->accept();
            });
        } else {
            QCOMPARE(ExportLogFile(path, storePath(), platform().messageBoxes), 0);
        }
        // A field is quoted when it holds ";" or a quote, each quote in it doubled.
        QStringList expected = {
            u"\uFEFFPäivämäärä;Kesto;Hinta (markkaa)"_s, u"1. tammikuuta 1999;00:42:17;12,5"_s,
            u"\"2; b \"\"c\"\"\";01:00:00;2"_s, u"3. maaliskuuta 1999;;0,99"_s, u""_s};
        if (r[3] == u"viewer")
            expected.move(3, 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected.join(u"\r\n"_s).toUtf8());
    }

    // Format, answers (Y yes, N no; none: --yes), the message and the file's lines below the
    // program's first section. The store holds a call and totals; it is left byte for byte.
    void nothingWrittenLeavesTheStoreAsItWas_data() {
        rows(uR"(utf8;;rivi 1: tiedosto ei ole;Asetukset;'Tunnit'='1'
5.00 cut;;rivi 8: tiedosto on katkennut;Asetukset;[HKEY_CURRENT_USER\Muu]
REGEDIT4 cut;;rivi 8: tiedosto on katkennut;Asetukset;Tunnit;1
5.00 odd;;rivi 9: tiedosto on katkennut;Asetukset;Tunnit;1
5.00;;rivi 8: arvo 'Tunnit' ei ole merkkijono;Asetukset;'Tunnit'=dword:0000000c
5.00;;rivi 8: tiedosto on katkennut kesken arvon;Asetukset;'Tunnit'=hex(2):41,00,\
5.00;;rivi 8: arvon lopusta puuttuu;Asetukset;'Tunnit'='1
REGEDIT4;;rivi 8: rivi ei ole avain eikä arvo;Asetukset;Tunnit=1
running;;Orvalin on käynnissä;Asetukset;Tunnit;1
5.00;N;Mitään ei tuotu.;Asetukset;Tunnit;1
5.00;YN;Mitään ei tuotu.;Asetukset;Tunnit;1
5.00 refused;YY;Mitään ei tuotu.;Asetukset;Tunnit;1)"_s);
    }
    void nothingWrittenLeavesTheStoreAsItWas() {
        const QStringList r = cell().replace(u'\'', u'"').split(u';');
        store(Keys::Asetukset, Keys::Tunnit, u"00"_s);
        store(Keys::Päivämäärä, u"0"_s, u"1. tammikuuta 1999"_s);
        // A store that refuses every new value, as a full disk would.
        if (r[0].endsWith(u"refused"))
            onStore(u"CREATE TRIGGER refuse BEFORE INSERT ON settings BEGIN SELECT RAISE(ABORT, "
                    u"'levy on täynnä'); END"_s);
        const QByteArray before = storeBytes();
        platform().instance.running = r[0] == u"running";
        // A question that finds no answer queued is answered no.
        platform().messageBoxes.answers.assign(r[1].count(u'Y'), Message::Answer::Yes);
        QCOMPARE(import(r[0], {r.mid(3).join(u';')}, r[1].isEmpty()), 1);
        QVERIFY2(platform().messageBoxes.texts().last().contains(r[2]),
                 qPrintable(platform().messageBoxes.texts().last()));
        QVERIFY(storeBytes() == before);
    }

    // The command line's transfers: the one asked for, and each way of asking wrongly refused
    // with its own complaint.
    void readsTheTransferAskedFor() {
        const auto asked = [](QLatin1StringView line) {
            return RequestedTransfer((u"orvalin "_s + line).split(u' '));
        };
        const TransferRequest request = asked("--import a.reg --yes --replace"_L1);
        QVERIFY(request.error.isEmpty() && request.kind == TransferRequest::Kind::Import &&
                request.file == u"a.reg" && request.yes && request.replace);
        for (const auto& [line, complaint] :
             {std::pair{"--export-log a.csv --yes"_L1, "kuuluvat valitsimen --import"_L1},
              {"--import a.reg --export-log b.csv"_L1, "vain yhden"_L1},
              {"--import "_L1, "puuttuu tiedoston nimi"_L1}})
            QVERIFY2(asked(line).error.contains(complaint), line.data());
    }

    // A file that is not there is named as missing, one that cannot be written is said so;
    // either way the transfer fails and says nothing of being done.
    void aTransferThatFailsSaysWhyAndNothingElse() {
        const QString missing = configFolder() + u"/puuttuu/vienti.reg"_s;
        QCOMPARE(ImportRegistryExport(missing, true, false, storePath(), platform().messageBoxes),
                 1);
        QCOMPARE(ExportLogFile(missing + u".csv"_s, storePath(), platform().messageBoxes), 1);
        const QStringList seen = platform().messageBoxes.seen();
        QCOMPARE(seen.value(0),
                 u"Critical: Tiedostoa "_s + missing + u" ei ole. Mitään ei tuotu."_s);
        QVERIFY2(seen.size() == 2 && seen[1].startsWith(u"Critical: Tiedostoon "_s + missing +
                                                        u".csv ei voi kirjoittaa: "_s),
                 qPrintable(seen.join(u'\n')));
    }
};

ORVALIN_TEST_MAIN(TransferTest)
#include "tst_transfer.moc"
