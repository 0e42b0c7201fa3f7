#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "settings/SettingsStore.h"

#include <QHeaderView>
#include <QTimer>

using namespace Qt::StringLiterals;

// A shown log row is written "date|duration|price", a stored one "key|date|duration|price";
// rows are given ";"-separated.
class LogViewerTest : public WindowTest {
    Q_OBJECT
private:
    static void storeRows(const QString& rows) {
        for (const QString& row : rows.split(u';', Qt::SkipEmptyParts))
            for (int i = 0; i < 3; ++i)
                store(QStringList{Keys::Päivämäärä, Keys::Kesto, Keys::Hinta}[i],
                      row.section(u'|', 0, 0), row.section(u'|', i + 1, i + 1));
    }
    static QString shownRows(const Form7& viewer) {
        QStringList rows;
        for (int i = 0; i < viewer.ListView1->count(); ++i)
            rows << viewer.ListView1->text(i, 0) + u'|' + viewer.ListView1->text(i, 1) + u'|' +
                        viewer.ListView1->text(i, 2);
        return rows.join(u';');
    }
    // The stored rows from key 0 up to the given one, "<absent>" where a value is not stored.
    static QString storedRows(int upTo) {
        QStringList rows;
        for (int key = 0; key <= upTo; ++key) {
            const QString k = QString::number(key);
            rows << stored(Keys::Päivämäärä, k) + u'|' + stored(Keys::Kesto, k) + u'|' +
                        stored(Keys::Hinta, k);
        }
        return rows.join(u';');
    }
    // Everything stored in the three log sections, in a fixed order.
    static QStringList logSections() {
        QStringList all;
        for (const QString& section : {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta}) {
            const QHash<QString, QString> values = GetSection(Keys::App, section);
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                all << section + u'/' + it.key() + u'=' + it.value();
        }
        all.sort();
        return all;
    }
    static void clickHeader(const ListView* list, int column) {
        const QHeaderView* header = list->header();
        const QPoint middle(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    }
    // What a closing meter does first: the call's row goes into the viewer's list.
    void appendAsTheMeterDoes(const QString& duration, const QString& price) {
        form<Form7>().ListView1->addItem(platform().clock.longDateText, duration, price);
    }
    // Opens the viewer with "&Päiväkirja" and runs the steps while it is shown modally.
    void withViewerOpenedFromForm1(const std::function<void(Form7&)>& steps) {
        Form1& start = form<Form1>();
        start.show();
        QVERIFY(QTest::qWaitForWindowActive(&start));
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            QPointer<Form7> viewer = FormRegistry::instance().loaded<Form7>();
            QVERIFY(viewer && viewer->isModal() && QTest::qWaitForWindowActive(viewer));
            steps(*viewer);
            if (viewer && viewer->isVisible())
                viewer->hide();
        });
        QTest::mouseClick(start.Command4, Qt::LeftButton);
        QVERIFY(ran);
    }
    static inline const QString Five =
        u"0|5. maaliskuuta 2024|00:10:00|2 markkaa;1|12. tammikuuta 2024|100:00:00|10 markkaa;"
        u"2|30. joulukuuta 2023|10:00:00|2,5 markkaa;3|1. helmikuuta 2024||;"
        u"4|12. tammikuuta 2024|01:00:05|2 markkaa"_s;
    // The five calls in the order of their keys, e.g. "31042".
    static QString fiveInOrder(const QString& keys) {
        const QStringList rows = Five.split(u';');
        QStringList ordered;
        for (QChar key : keys)
            ordered << rows[key.digitValue()].section(u'|', 1);
        return ordered.join(u';');
    }

private slots:
    void opensWithQuarterWidthColumnsAndItsCaptions() {
        Form7& viewer = form<Form7>();
        viewer.show();
        QCOMPARE(viewer.windowTitle(), u"Yhteyksien Tarkastelu"_s);
        const QHeaderView* header = viewer.ListView1->header();
        QStringList captions;
        for (int column = 0; column < header->count(); ++column) {
            captions << header->model()->headerData(column, Qt::Horizontal).toString();
            QCOMPARE(header->sectionSize(column), viewer.ListView1->width() / 4);
        }
        QCOMPARE(captions.join(u'|'), u"Päivämäärä|Kesto|Hinta"_s);
    }

    // "stored rows", "shown rows", count. The list reads up to the first key without a date;
    // writing back an unchanged list leaves the store as it was, unread rows and all.
    void readsTheLogUpToTheFirstEmptyDate_data() {
        textColumns({"stored", "shown", "count"});
        QTest::newRow("empty") << QString() << QString() << u"0"_s;
        QTest::newRow("empty date under 3")
            << u"0|a|1|x;1|b|2|y;2|c|3|z;3||4|w;4|e|5|v"_s << u"a|1|x;b|2|y;c|3|z"_s << u"3"_s;
        QTest::newRow("missing key 1") << u"0|a|1|x;2|c|3|z"_s << u"a|1|x"_s << u"1"_s;
        QTest::newRow("empty cells") << u"0|a||;1|b|2|"_s << u"a||;b|2|"_s << u"2"_s;
        QTest::newRow("plain decimal keys")
            << u"0|a|1|x;01|b|2|y; 1|c|3|z"_s << u"a|1|x"_s << u"1"_s;
    }
    void readsTheLogUpToTheFirstEmptyDate() {
        storeRows(cell("stored"));
        const QStringList before = logSections();
        Form7& viewer = form<Form7>();
        QCOMPARE(shownRows(viewer), cell("shown"));
        QCOMPARE(viewer.Label2->text(), cell("count") + u" kappaletta"_s);
        unload<Form7>();
        QCOMPARE(logSections(), before);
    }

    void showsTheStoredTotalNotASumOfTheRows() {
        storeRows(u"0|a|00:05:00|7 markkaa"_s);
        QCOMPARE(form<Form7>().Label4->text(), u"0 markkaa"_s);
        unload<Form7>();
        store(Keys::Asetukset, Keys::Kustannukset2, u"12,34"_s);
        QCOMPARE(form<Form7>().Label4->text(), u"12,34 markkaa"_s);
    }

    // As text: dates not as dates, "10" before "2", empty first; a second click keeps the order,
    // equal texts keep the order they had.
    void sortsByTheClickedColumnAsText_data() {
        textColumns({"clicks", "order"});
        for (const char* row : {"0 31420", "2 31042", "1 30421", "22 31042", "10 34120"})
            QTest::newRow(row) << QString::fromLatin1(row).section(u' ', 0, 0)
                               << QString::fromLatin1(row).section(u' ', 1);
    }
    void sortsByTheClickedColumnAsText() {
        storeRows(Five);
        Form7& viewer = form<Form7>();
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        for (QChar column : cell("clicks"))
            clickHeader(viewer.ListView1, column.digitValue());
        QCOMPARE(shownRows(viewer), fiveInOrder(cell("order")));
        QVERIFY(!viewer.ListView1->header()->isSortIndicatorShown());
    }

    void closingStoresTheListInItsShownOrder_data() {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("Ok clicked") << false;
        QTest::newRow("Esc") << true;
    }
    void closingStoresTheListInItsShownOrder() {
        // An old row beyond a gap is never read, so never rewritten.
        storeRows(Five + u";6|1. tammikuuta 1999|00:00:01|0,1 markkaa"_s);
        withViewerOpenedFromForm1([&](Form7& viewer) {
            clickHeader(viewer.ListView1, 2);
            if (cell<bool>("byEsc"))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            else
                QTest::mouseClick(viewer.Command1, Qt::LeftButton);
        });
        QVERIFY(!FormRegistry::instance().loaded<Form7>());
        QCOMPARE(storedRows(6),
                 fiveInOrder(u"31042"_s) +
                     u";<absent>|<absent>|<absent>;1. tammikuuta 1999|00:00:01|0,1 markkaa"_s);
        QCOMPARE(shownRows(form<Form7>()), fiveInOrder(u"31042"_s));
    }

    // The meter's row goes after the log read at start-up, into a gap it fills, or to its place
    // in a sorted list; the count is what was read.
    void aClosingMeterAppendsItsRow() {
        const QString date = platform().clock.longDateText;
        storeRows(Five);
        withViewerOpenedFromForm1(
            [](Form7& viewer) { QTest::mouseClick(viewer.Command1, Qt::LeftButton); });
        appendAsTheMeterDoes(u"00:42:17"_s, u"9,87 markkaa"_s);
        QCOMPARE(form<Form7>().Label2->text(), u"5 kappaletta"_s);
        unloadAll();
        QCOMPARE(storedRows(6), fiveInOrder(u"01234"_s) + u';' + date +
                                    u"|00:42:17|9,87 markkaa;<absent>|<absent>|<absent>"_s);
    }
    void aRowAppendedAfterAGapFillsIt() {
        const QString date = platform().clock.longDateText;
        storeRows(Five + u";3||00:08:00|1,6 markkaa;4|e|5|v"_s);
        appendAsTheMeterDoes(u"00:10:00"_s, u"2 markkaa"_s);
        unloadAll();
        QCOMPARE(storedRows(4),
                 fiveInOrder(u"012"_s) + u';' + date + u"|00:10:00|2 markkaa;e|5|v"_s);
        form<Form7>().show();
        QCOMPARE(form<Form7>().Label2->text(), u"5 kappaletta"_s);
    }
    void aRowAppendedToASortedListGoesToItsPlace() {
        const QString date = platform().clock.longDateText;
        storeRows(Five);
        withViewerOpenedFromForm1([this, date](Form7& viewer) {
            clickHeader(viewer.ListView1, 2);
            appendAsTheMeterDoes(u"00:20:00"_s, u"2 markkaa"_s);
            appendAsTheMeterDoes(QString(), QString());
            unloadAll();
        });
        QStringList expected = fiveInOrder(u"31042"_s).split(u';');
        expected.insert(1, date + u"||"_s);
        expected.insert(5, date + u"|00:20:00|2 markkaa"_s);
        QCOMPARE(storedRows(6), expected.join(u';'));
    }

    void anEmptiedListWritesNothing() {
        storeRows(Five);
        const QStringList before = logSections();
        // The counter reset empties the list before it unloads the viewer.
        form<Form7>().ListView1->clear();
        unload<Form7>();
        QCOMPARE(logSections(), before);
    }
};

ORVALIN_TEST_MAIN(LogViewerTest)
#include "tst_log.moc"
