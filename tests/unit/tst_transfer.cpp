#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "transfer/Transfer.h"

#include <QFileDialog>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// The import of the Windows program's registry export and the log's export as CSV.
class TransferTest : public WindowTest {
    Q_OBJECT
private:
    // Section;key;value, as the Windows program leaves them (the last two are not taken). Moc
    // loses its way in a raw string with quotes: the tables write ' for each ".
    static inline const QString Taken = uR"(Asetukset;Käyttäjä;Mäkelä 'M' \ € ä
Asetukset;Tunnit;07|Asetukset;Minuutit;05|Asetukset;Sekunnit;09|Asetukset;Kustannukset 1;12345
Asetukset;Kustannukset 2;123,45|Asetukset;Tyyppi;Tyyppi 1|Asetukset;Portti;7|Asetukset;Left;1e9
Tyyppi 1;Puhelu 1;12|Tyyppi 1;Puhelu 2;5|Tyyppi 1;Arkisin3 1;3|Tyyppi 2;Arkisin1 2;4
Päivämäärä;0;1. tammikuuta 1999|Kesto;0;00:42:17|Hinta;0;12,5 markkaa|Päivämäärä;1;2; b 'c'
Kesto;1;01:00:00|Hinta;1;2 markkaa|Päivämäärä;2;3. maaliskuuta 1999|Hinta;2;0,99 markkaa
Päivämäärä;4;jäi aukon taakse|Asetukset;Palveluntarjoaja 2;3)"_s;
    static QStringList entries(QString table) {
        return table.replace(u'\'', u'"').replace(u'\n', u'|').split(u'|');
    }
    static QString key(const QString& section) {
        return uR"([HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Orvalin\%1])"_s.arg(
            section);
    }
    static QString quoted(QString text) {
        return u'"' + text.replace(u"\\"_s, u"\\\\"_s).replace(u"\""_s, u"\\\""_s) + u'"';
    }
    // The lines of a registry editor's file for the table, with another program's values.
    static QStringList regLines(const QString& table) {
        QStringList lines = {u"[HKEY_CURRENT_USER\\Software\\Muu]"_s, u"\"a\"=dword:00000001"_s,
                             u"\"b\"=hex:01,02,\\"_s, u"  03"_s};
        for (const QString& entry : entries(table)) {
            const QStringList f = entry.split(u';');
            lines << key(f[0]) << quoted(f[1]) + u'=' + quoted(f.mid(2).join(u';'));
        }
        return lines;
    }
    // The file in a format: "5.00" or "REGEDIT4" as the editor writes them, "utf8" a 5.00 file
    // without its encoding; "cut" ends it within its last line, "odd" within its last letter.
    static QByteArray regFile(const QString& format, const QStringList& lines) {
        const bool old = format == u"REGEDIT4";
        QString text = (old ? u"REGEDIT4"_s : u"Windows Registry Editor Version 5.00"_s) +
                       u"\r\n\r\n"_s + lines.join(u"\r\n"_s) + u"\r\n\r\n"_s;
        if (format.contains(u"cut"))
            text.chop(4);
        QByteArray bytes = format.startsWith(u"utf8") ? text.toUtf8()
                           : old                      ? QByteArray()
                                                      : QByteArray("\xFF\xFE");
        for (const QChar c : text)
            if (old)
                bytes += c == u'€' ? '\x80' : static_cast<char>(c.unicode());
            else if (!format.startsWith(u"utf8"))
                bytes += QByteArray(reinterpret_cast<const char*>(&c), 2);
        return format.contains(u"odd") ? bytes.chopped(1) : bytes;
    }
    QString writeFile(const QByteArray& bytes) {
        const QString path = configFolder() + u"/vienti.reg"_s;
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path
                                                                                    : QString();
    }
    // The store's file once every write is in it.
    QByteArray storeBytes() {
        SettingsStore::close();
        QFile file(storePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QList<QStringList> parseCsv(const QString& text) {
        QList<QStringList> rows{{}};
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (quoted && c == u'"' && text.mid(i + 1, 1) == u"\"")
                field += text[++i];
            else if (c == u'"')
                quoted = !quoted;
            else if (quoted || (c != u';' && c != u'\r' && c != u'\n'))
                field += c;
            else if (c == u';')
                rows.last() << std::exchange(field, {});
            else if (c == u'\n')
                rows.last() << std::exchange(field, {}), rows << QStringList();
        }
        rows.removeLast();
        return rows;
    }

private slots:
    // Into a store without calls: a preference the file lacks stays, empty log rows go.
    void importComesThroughToTheWindows_data() { rows({"5.00 --yes", "REGEDIT4 asked"}); }
    void importComesThroughToTheWindows() {
        store(Keys::Asetukset, Keys::Odotetaan, u"30"_s);
        store(Keys::Päivämäärä, u"3"_s, {});
        const bool yes = row()[1] == u"--yes";
        platform().messageBoxes.answers = {Message::Answer::Yes, Message::Answer::Ok};
        QCOMPARE(ImportRegistryExport(writeFile(regFile(row()[0], regLines(Taken))), yes, false,
                                      storePath(), platform().messageBoxes),
                 0);
        QCOMPARE(platform().messageBoxes.shown.size(), yes ? 0 : 2);
        if (!yes)
            for (const QString& line :
                 {u"\n  Tyyppi 1: 3 arvoa\n"_s, u"Yhteyksiä päiväkirjassa: 3"_s,
                  u"Kesto yhteensä: 07:05:09\n"_s, u"123,45 markkaa"_s,
                  u"\nTyyppi 1: Puhelu 12,5; Arkisin3 3,0 penniä\n"_s,
                  u"valinta.\nOhitetaan muiden ohjelmien arvoja: 2.\n"_s,
                  u"pois: 1.\n\nTuodaanko"_s})
                QVERIFY2(platform().messageBoxes.shown[0].text.contains(line), qPrintable(line));
        for (const QString& entry : entries(Taken)) {
            const QStringList f = entry.split(u';');
            const bool left = f[1] == u"4" || f[1] == u"Palveluntarjoaja 2";
            QCOMPARE(stored(f[0], f[1]), left ? u"<absent>"_s : f.mid(2).join(u';'));
        }
        QCOMPARE(stored(Keys::Asetukset, Keys::Odotetaan) + stored(Keys::Päivämäärä, u"3"_s),
                 u"30<absent>"_s);
        Form1& start = form<Form1>();
        QCOMPARE(start.Text2->text(), uR"(Mäkelä "M" \ € ä)"_s);
        QCOMPARE(form<Form3>().Puhelu->text() + u'|' + form<Form3>().Arkisin3->text(),
                 u"12,5|3,0"_s);
        Form7& viewer = form<Form7>();
        QStringList shown;
        for (int i = 0; i < viewer.ListView1->count(); ++i)
            for (int c = 0; c < 3; ++c)
                shown << viewer.ListView1->text(i, c);
        QCOMPARE(shown.join(u'|'), u"1. tammikuuta 1999|00:42:17|12,5 markkaa|2; b \"c\"|01:00:00|"
                                   u"2 markkaa|3. maaliskuuta 1999||0,99 markkaa"_s);
        QCOMPARE(viewer.Label2->text() + u'|' + viewer.Label4->text(),
                 u"3 kappaletta|123,45 markkaa"_s);
    }

    // Format, answers (Y yes, N no; none: --yes), the message and the file's lines. The store
    // holds a call and totals, and a file that cannot be taken leaves it byte for byte.
    void nothingWrittenLeavesTheStoreAsItWas_data() {
        rows(uR"(utf8;;rivi 1: tiedosto ei ole;'Tunnit'='1'
5.00 cut;;rivi 4: tiedosto on katkennut;[HKEY_CURRENT_USER\Software\Muu]
REGEDIT4 cut;;rivi 4: tiedosto on katkennut;'Tunnit'='1'
5.00 odd;;rivi 5: tiedosto on katkennut;'Tunnit'='1'
5.00;;rivi 4: arvo 'Tunnit' ei ole merkkijono;'Tunnit'=dword:0000000c
5.00;;rivi 5: tiedosto on katkennut kesken arvon;'x'='1'|'Tunnit'=hex(2):41,00,\|
5.00;;rivi 4: arvon lopusta puuttuu;'Tunnit'='1|'Minuutit'='2'
REGEDIT4;;rivi 4: rivi ei ole avain eikä arvo;Tunnit=1
running;;Orvalin on käynnissä;'Tunnit'='1'
5.00;N;Mitään ei tuotu.;'Tunnit'='1'
5.00;YN;Mitään ei tuotu.;'Tunnit'='1')"_s);
    }
    void nothingWrittenLeavesTheStoreAsItWas() {
        const QStringList r = cell("row").replace(u'\'', u'"').split(u';');
        const QString path =
            writeFile(regFile(r[0], QStringList{key(Keys::Asetukset)} + r[3].split(u'|')));
        for (const QString& k : {Keys::Tunnit, Keys::Minuutit})
            store(Keys::Asetukset, k, u"00"_s);
        store(Keys::Päivämäärä, u"0"_s, u"1. tammikuuta 1999"_s);
        const QByteArray before = storeBytes();
        platform().instance.running = r[0] == u"running";
        for (const QChar answer : r[1])
            platform().messageBoxes.answers.push_back(answer == u'Y' ? Message::Answer::Yes
                                                                     : Message::Answer::No);
        QCOMPARE(
            ImportRegistryExport(path, r[1].isEmpty(), false, storePath(), platform().messageBoxes),
            1);
        QVERIFY2(platform().messageBoxes.texts().last().contains(r[2]),
                 qPrintable(platform().messageBoxes.texts().join(u'\n')));
        QVERIFY(storeBytes() == before);
    }

    // What the store holds first, and how the import is told to replace it: the file's values
    // are all that is left, the call of an interrupted run finished first and then replaced.
    void replacingTakesTheWholeStore_data() {
        rows({"call --replace", "totals answered", "journal answered"});
    }
    void replacingTakesTheWholeStore() {
        store(Keys::Asetukset, Keys::Odotetaan, u"30"_s);
        if (row()[0] == u"journal")
            SaveCallJournal({u"5. toukokuuta 2000"_s,
                             u"00:00:07"_s,
                             u"1 markkaa"_s,
                             {u"00"_s, u"00"_s, u"07"_s, u"100"_s, u"1"_s}});
        else
            store(row()[0] == u"call" ? Keys::Päivämäärä : Keys::Asetukset,
                  row()[0] == u"call" ? u"0"_s : Keys::Kustannukset2, u"1"_s);
        const bool answered = row()[1] == u"answered";
        platform().messageBoxes.answers = {Message::Answer::Yes, Message::Answer::Yes};
        QCOMPARE(
            ImportRegistryExport(writeFile(regFile(u"5.00"_s, regLines(u"Asetukset;Tunnit;01"_s))),
                                 true, !answered, storePath(), platform().messageBoxes),
            0);
        QCOMPARE(platform().messageBoxes.texts().filter(u"Korvataanko"_s).size(),
                 qsizetype(answered));
        QCOMPARE(platform().messageBoxes.texts().filter(u"kesto 00:00:07"_s).size(),
                 qsizetype(row()[0] == u"journal"));
        QCOMPARE(stored(Keys::Asetukset, Keys::Tunnit) + stored(Keys::Asetukset, Keys::Odotetaan) +
                     stored(Keys::Päivämäärä, u"0"_s) +
                     stored(Keys::Asetukset, Keys::Kustannukset2),
                 u"01<absent><absent><absent>"_s);
    }

    // The viewer saves its list in the order it shows, the terminal the stored log.
    void exportReadsBackAsTheLog_data() { rows({"viewer", "terminal"}); }
    void exportReadsBackAsTheLog() {
        const QStringList log = {u"1. tammikuuta 1999|00:42:17|12,5 markkaa"_s,
                                 u"2\"; b|01:00:00|10 markkaa"_s, u"3. maaliskuuta||"_s};
        for (int i = 0; i < 3; ++i)
            for (int c = 0; c < 3; ++c)
                store(QStringList{Keys::Päivämäärä, Keys::Kesto, Keys::Hinta}[c],
                      QString::number(i), log[i].split(u'|')[c]);
        const QString path = configFolder() + u"/päiväkirja.csv"_s;
        const bool viewer = row()[0] == u"viewer";
        if (viewer) {
            form<Form7>().show();
            form<Form7>().ListView1_ColumnClick(2);
            clickOpeningModal(form<Form7>().Command2, [&path](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog);
                dialog->selectFile(path);
                static_cast<QDialog*>(dialog)->accept();
            });
        } else {
            QCOMPARE(ExportLogFile(path, storePath(), platform().messageBoxes), 0);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> csv = parseCsv(QString::fromUtf8(bytes.mid(3)));
        QStringList expected = {u"Päivämäärä|Kesto|Hinta (markkaa)"_s,
                                u"1. tammikuuta 1999|00:42:17|12,5"_s, u"2\"; b|01:00:00|10"_s,
                                u"3. maaliskuuta||"_s};
        if (viewer)
            std::reverse(expected.begin() + 1, expected.end());
        QCOMPARE(csv.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(csv[i].join(u'|'), expected[i]);
    }
};

ORVALIN_TEST_MAIN(TransferTest)
#include "tst_transfer.moc"
