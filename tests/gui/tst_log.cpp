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

// A stored or shown log row is written "date|duration|price" in these tests; a stored row also
// starts with its key, "key|date|duration|price".
class LogViewerTest : public WindowTest {
    Q_OBJECT
private:
    static void storeRows(const QStringList& rows) {
        for (const QString& row : rows) {
            const QStringList values = row.split(u'|');
            store(Keys::Päivämäärä, values[0], values[1]);
            store(Keys::Kesto, values[0], values[2]);
            store(Keys::Hinta, values[0], values[3]);
        }
    }

    static QStringList shownRows(const Form7& viewer) {
        QStringList rows;
        for (int i = 0; i < viewer.ListView1->count(); ++i)
            rows << QStringList{viewer.ListView1->text(i, 0), viewer.ListView1->text(i, 1),
                                viewer.ListView1->text(i, 2)}
                        .join(u'|');
        return rows;
    }

    static QString storedRow(int key) {
        const QString k = QString::number(key);
        return QStringList{stored(Keys::Päivämäärä, k), stored(Keys::Kesto, k),
                           stored(Keys::Hinta, k)}
            .join(u'|');
    }

    // Everything stored in the three log sections, "section/key=value", in a fixed order.
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

    Form7& showViewer() {
        Form7& viewer = form<Form7>();
        viewer.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&viewer)); }();
        return viewer;
    }

    // Opens the viewer with "&Päiväkirja" and runs the steps while it is shown modally. Should
    // the steps leave it open, it is hidden without being unloaded, so that the test goes on.
    void withViewerOpenedFromForm1(const std::function<void(Form7&)>& steps) {
        Form1& start = form<Form1>();
        start.show();
        QVERIFY(QTest::qWaitForWindowActive(&start));
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            QPointer<Form7> viewer = FormRegistry::instance().loaded<Form7>();
            QVERIFY(viewer && viewer->isModal() && viewer->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(viewer));
            steps(*viewer);
            if (viewer && viewer->isVisible())
                viewer->hide();
        });
        QTest::mouseClick(start.Command4, Qt::LeftButton);
        QVERIFY(ran);
    }

    const QStringList fiveCalls = {
        QStringLiteral("0|5. maaliskuuta 2024|00:10:00|2 markkaa"),
        QStringLiteral("1|12. tammikuuta 2024|100:00:00|10 markkaa"),
        QStringLiteral("2|30. joulukuuta 2023|10:00:00|2,5 markkaa"),
        QStringLiteral("3|1. helmikuuta 2024||"),
        QStringLiteral("4|12. tammikuuta 2024|01:00:05|2 markkaa"),
    };

    QStringList fiveCallsInOrder(const QList<int>& keys) const {
        QStringList rows;
        for (int key : keys)
            rows << fiveCalls[key].section(u'|', 1);
        return rows;
    }

private slots:
    void opensWithThreeQuarterWidthColumnsAndItsCaptions() {
        Form7& viewer = showViewer();
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Yhteyksien Tarkastelu"));
        QCOMPARE(viewer.Label1->text(), QStringLiteral("Yhteyksiä:"));
        QCOMPARE(viewer.Label3->text(), QStringLiteral("Kustannukset:"));
        QCOMPARE(viewer.Command1->text(), QStringLiteral("&Ok"));
        const QHeaderView* header = viewer.ListView1->header();
        QCOMPARE(header->count(), 3);
        const QStringList captions = {QStringLiteral("Päivämäärä"), QStringLiteral("Kesto"),
                                      QStringLiteral("Hinta")};
        for (int column = 0; column < 3; ++column) {
            QCOMPARE(header->model()->headerData(column, Qt::Horizontal).toString(),
                     captions[column]);
            QCOMPARE(header->sectionSize(column), viewer.ListView1->width() / 4);
        }
        QVERIFY(header->isVisible());
        QVERIFY(!header->isSortIndicatorShown());
    }

    void readsTheLogUpToTheFirstEmptyDate_data() {
        QTest::addColumn<QStringList>("storedRows");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("count");
        QTest::newRow("empty store") << QStringList{} << QStringList{} << "0 kappaletta";
        QTest::newRow("empty date under 3")
            << QStringList{u"0|1. kesäkuuta 2024|00:05:00|1 markkaa"_s,
                           u"1|2. kesäkuuta 2024|00:06:00|1,2 markkaa"_s,
                           u"2|3. kesäkuuta 2024|00:07:00|1,4 markkaa"_s,
                           u"3||00:08:00|1,6 markkaa"_s,
                           u"4|5. kesäkuuta 2024|00:09:00|1,8 markkaa"_s}
            << QStringList{u"1. kesäkuuta 2024|00:05:00|1 markkaa"_s,
                           u"2. kesäkuuta 2024|00:06:00|1,2 markkaa"_s,
                           u"3. kesäkuuta 2024|00:07:00|1,4 markkaa"_s}
            << "3 kappaletta";
        QTest::newRow("missing key 1")
            << QStringList{u"0|1. kesäkuuta 2024|00:05:00|1 markkaa"_s,
                           u"2|3. kesäkuuta 2024|00:07:00|1,4 markkaa"_s}
            << QStringList{u"1. kesäkuuta 2024|00:05:00|1 markkaa"_s} << "1 kappaletta";
        QTest::newRow("empty duration and price")
            << QStringList{u"0|1. kesäkuuta 2024||"_s, u"1|2. kesäkuuta 2024|00:06:00|"_s}
            << QStringList{u"1. kesäkuuta 2024||"_s, u"2. kesäkuuta 2024|00:06:00|"_s}
            << "2 kappaletta";
        QTest::newRow("keys are plain decimal numbers")
            << QStringList{u"0|1. kesäkuuta 2024|00:05:00|1 markkaa"_s,
                           u"01|2. kesäkuuta 2024|00:06:00|1,2 markkaa"_s,
                           u" 1|3. kesäkuuta 2024|00:07:00|1,4 markkaa"_s}
            << QStringList{u"1. kesäkuuta 2024|00:05:00|1 markkaa"_s} << "1 kappaletta";
    }
    void readsTheLogUpToTheFirstEmptyDate() {
        QFETCH(QStringList, storedRows);
        QFETCH(QStringList, shown);
        QFETCH(QString, count);
        storeRows(storedRows);
        const QStringList before = logSections();
        Form7& viewer = form<Form7>();
        QCOMPARE(shownRows(viewer), shown);
        QCOMPARE(viewer.Label2->text(), count);
        // Writing back an unchanged list leaves the store as it was, unread rows and all.
        unload<Form7>();
        QCOMPARE(logSections(), before);
    }

    void showsTheStoredTotalNotASumOfTheRows_data() {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("shown");
        QTest::newRow("absent") << "<absent>"
                                << "0 markkaa";
        QTest::newRow("empty after a reset") << ""
                                             << "0 markkaa";
        QTest::newRow("markka and penni") << "12,34"
                                          << "12,34 markkaa";
        QTest::newRow("large") << "1234,5"
                               << "1234,5 markkaa";
    }
    void showsTheStoredTotalNotASumOfTheRows() {
        QFETCH(QString, total);
        QFETCH(QString, shown);
        storeRows({QStringLiteral("0|1. kesäkuuta 2024|00:05:00|7 markkaa")});
        if (total != QStringLiteral("<absent>"))
            store(Keys::Asetukset, Keys::Kustannukset2, total);
        QCOMPARE(form<Form7>().Label4->text(), shown);
    }

    void sortsByTheClickedColumnAsText_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("date as text, not as a date") << QList<int>{0} << QList<int>{3, 1, 4, 2, 0};
        QTest::newRow("price: 10 before 2, empty first")
            << QList<int>{2} << QList<int>{3, 1, 0, 4, 2};
        QTest::newRow("duration: 10 hours before 100")
            << QList<int>{1} << QList<int>{3, 0, 4, 2, 1};
        QTest::newRow("a second click does not reverse")
            << QList<int>{2, 2} << QList<int>{3, 1, 0, 4, 2};
        QTest::newRow("equal dates keep the duration order")
            << QList<int>{1, 0} << QList<int>{3, 4, 1, 2, 0};
    }
    void sortsByTheClickedColumnAsText() {
        QFETCH(QList<int>, clicks);
        QFETCH(QList<int>, order);
        storeRows(fiveCalls);
        Form7& viewer = showViewer();
        for (int column : clicks)
            clickHeader(viewer.ListView1, column);
        QCOMPARE(shownRows(viewer), fiveCallsInOrder(order));
        QVERIFY(!viewer.ListView1->header()->isSortIndicatorShown());
        QCOMPARE(viewer.Label2->text(), QStringLiteral("5 kappaletta"));
    }

    void equalTextsKeepTheirOrderInALongLog() {
        QStringList rows;
        QStringList cheapFirst[2];
        for (int i = 0; i < 60; ++i) {
            const QString row = QStringLiteral("1. kesäkuuta 2024|00:%1:00|%2 markkaa")
                                    .arg(i, 2, 10, QLatin1Char('0'))
                                    .arg(i % 3 == 0 ? 2 : 1);
            rows << QString::number(i) + u'|' + row;
            cheapFirst[i % 3 == 0 ? 1 : 0] << row;
        }
        storeRows(rows);
        Form7& viewer = showViewer();
        clickHeader(viewer.ListView1, 2);
        QCOMPARE(shownRows(viewer), cheapFirst[0] + cheapFirst[1]);
    }

    void theSelectionFollowsItsRowWhenSorted() {
        storeRows(fiveCalls);
        Form7& viewer = showViewer();
        ListView* list = viewer.ListView1;
        list->setCurrentIndex(list->model()->index(1, 0));
        clickHeader(list, 2);
        QCOMPARE(list->currentIndex().row(), 1);
        clickHeader(list, 1);
        QCOMPARE(list->currentIndex().row(), 4);
        QCOMPARE(list->currentIndex().siblingAtColumn(1).data().toString(),
                 QStringLiteral("100:00:00"));
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list->selectionModel()->selectedRows().first().row(), 4);
    }

    void closingStoresTheListInItsShownOrder_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("Ok clicked") << "click";
        QTest::newRow("Ok by Alt+O") << "alt+o";
        QTest::newRow("close box") << "close";
        QTest::newRow("Esc") << "esc";
    }
    void closingStoresTheListInItsShownOrder() {
        QFETCH(QString, way);
        storeRows(fiveCalls);
        // An old row beyond a gap is never read, so never rewritten.
        storeRows({QStringLiteral("6|1. tammikuuta 1999|00:00:01|0,1 markkaa")});
        withViewerOpenedFromForm1([&](Form7& viewer) {
            clickHeader(viewer.ListView1, 2);
            if (way == QStringLiteral("click")) {
                QTest::mouseClick(viewer.Command1, Qt::LeftButton);
            } else if (way == QStringLiteral("alt+o")) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
                QTRY_VERIFY(!FormRegistry::instance().loaded<Form7>());
            } else if (way == QStringLiteral("close")) {
                viewer.close();
            } else {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            }
        });
        QVERIFY(!FormRegistry::instance().loaded<Form7>());
        const QStringList order = fiveCallsInOrder({3, 1, 0, 4, 2});
        for (int key = 0; key < 5; ++key)
            QCOMPARE(storedRow(key), order[key]);
        QCOMPARE(storedRow(5), QStringLiteral("<absent>|<absent>|<absent>"));
        QCOMPARE(storedRow(6), QStringLiteral("1. tammikuuta 1999|00:00:01|0,1 markkaa"));
        // The next opening reads the renumbered log.
        QCOMPARE(shownRows(form<Form7>()), order);
    }

    void aClosingMeterAppendsToTheLogReadAtStartUp_data() {
        QTest::addColumn<bool>("viewerClosedBefore");
        QTest::newRow("viewer never opened") << false;
        QTest::newRow("viewer opened and closed earlier") << true;
    }
    void aClosingMeterAppendsToTheLogReadAtStartUp() {
        QFETCH(bool, viewerClosedBefore);
        storeRows(fiveCalls);
        form<Form1>();
        if (viewerClosedBefore)
            withViewerOpenedFromForm1(
                [](Form7& viewer) { QTest::mouseClick(viewer.Command1, Qt::LeftButton); });
        platform().clock.longDateText = QStringLiteral("7. joulukuuta 2026");
        appendAsTheMeterDoes(QStringLiteral("00:42:17"), QStringLiteral("9,87 markkaa"));
        QCOMPARE(form<Form7>().Label2->text(), QStringLiteral("5 kappaletta"));
        unloadAll();
        for (int key = 0; key < 5; ++key)
            QCOMPARE(storedRow(key), fiveCalls[key].section(u'|', 1));
        QCOMPARE(storedRow(5), QStringLiteral("7. joulukuuta 2026|00:42:17|9,87 markkaa"));
        QCOMPARE(storedRow(6), QStringLiteral("<absent>|<absent>|<absent>"));
    }

    void aRowAppendedWhileTheViewerIsSortedGoesToItsPlace() {
        storeRows(fiveCalls);
        withViewerOpenedFromForm1([this](Form7& viewer) {
            clickHeader(viewer.ListView1, 2);
            // The call ends while the user looks at the log: the meter's close appends its row
            // and then unloads every window.
            appendAsTheMeterDoes(QStringLiteral("00:20:00"), QStringLiteral("2 markkaa"));
            appendAsTheMeterDoes(QStringLiteral("00:00:30"), QStringLiteral("0,5 markkaa"));
            QCOMPARE(viewer.Label2->text(), QStringLiteral("5 kappaletta"));
            unloadAll();
        });
        const QString date = platform().clock.longDateText;
        QStringList expected = fiveCallsInOrder({3, 1, 0, 4, 2});
        expected.insert(1, date + QStringLiteral("|00:00:30|0,5 markkaa"));
        expected.insert(5, date + QStringLiteral("|00:20:00|2 markkaa"));
        for (int key = 0; key < expected.size(); ++key)
            QCOMPARE(storedRow(key), expected[key]);
    }

    void aRowAppendedAfterAGapFillsItAndUncoversTheLaterRows() {
        storeRows({QStringLiteral("0|1. kesäkuuta 2024|00:05:00|1 markkaa"),
                   QStringLiteral("1|2. kesäkuuta 2024|00:06:00|1,2 markkaa"),
                   QStringLiteral("2|3. kesäkuuta 2024|00:07:00|1,4 markkaa"),
                   QStringLiteral("3||00:08:00|1,6 markkaa"),
                   QStringLiteral("4|5. kesäkuuta 2024|00:09:00|1,8 markkaa")});
        // The count is read with the rows, which come by the time the viewer is shown.
        form<Form7>().show();
        QCOMPARE(form<Form7>().Label2->text(), QStringLiteral("3 kappaletta"));
        form<Form7>().hide();
        appendAsTheMeterDoes(QStringLiteral("00:10:00"), QStringLiteral("2 markkaa"));
        unloadAll();
        QCOMPARE(storedRow(3),
                 platform().clock.longDateText + QStringLiteral("|00:10:00|2 markkaa"));
        QCOMPARE(storedRow(4), QStringLiteral("5. kesäkuuta 2024|00:09:00|1,8 markkaa"));
        Form7& viewer = form<Form7>();
        viewer.show();
        QCOMPARE(viewer.Label2->text(), QStringLiteral("5 kappaletta"));
        QCOMPARE(viewer.ListView1->text(4, 0), QStringLiteral("5. kesäkuuta 2024"));
    }

    void emptyCellsAreStoredAsEmptyValues() {
        form<Form1>();
        appendAsTheMeterDoes(QString(), QString());
        unloadAll();
        QCOMPARE(storedRow(0), platform().clock.longDateText + QStringLiteral("||"));
        QCOMPARE(shownRows(form<Form7>()), QStringList{storedRow(0)});
    }

    void anEmptiedListWritesNothing() {
        storeRows(fiveCalls);
        const QStringList before = logSections();
        // The counter reset empties the list before it unloads the viewer.
        form<Form7>().ListView1->clear();
        unload<Form7>();
        QCOMPARE(logSections(), before);
    }
};

ORVALIN_TEST_MAIN(LogViewerTest)
#include "tst_log.moc"
