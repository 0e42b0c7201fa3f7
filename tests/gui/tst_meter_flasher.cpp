#include "WindowTest.h"
#include "platform/LinuxPlatform.h"

#include <QDialog>
#include <QPalette>

// The flashing the meter's alarms use on Linux: the window itself shows it.
class MeterFlasherTest : public QObject {
    Q_OBJECT
private:
    static QColor background(QWidget& window) { return window.grab().toImage().pixelColor(2, 2); }

private slots:
    void flashesTheWindowsBackgroundUntilStopped() {
        LinuxPlatform linuxPlatform;
        QDialog window;
        window.resize(200, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor normal = background(window);
        const std::unique_ptr<Flasher> flasher = linuxPlatform.createFlasher(&window);
        QVERIFY(!flasher->isFlashing());

        flasher->start();
        QVERIFY(flasher->isFlashing());
        const QColor lit = background(window);
        QVERIFY(lit != normal);
        // Back and lit again, once a second.
        QTRY_COMPARE_WITH_TIMEOUT(background(window), normal, 900);
        QTRY_COMPARE_WITH_TIMEOUT(background(window), lit, 900);
        // Starting it again while it flashes keeps the window's own colours to return to.
        flasher->start();
        flasher->stop();
        QVERIFY(!flasher->isFlashing());
        QCOMPARE(background(window), normal);
        QTest::qWait(600);
        QCOMPARE(background(window), normal);
    }

    void aFlasherThatEndsLeavesTheWindowAsItWas() {
        LinuxPlatform linuxPlatform;
        QDialog window;
        window.resize(200, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor normal = background(window);
        {
            const std::unique_ptr<Flasher> flasher = linuxPlatform.createFlasher(&window);
            flasher->start();
            QVERIFY(background(window) != normal);
        }
        QCOMPARE(background(window), normal);
    }
};

ORVALIN_TEST_MAIN(MeterFlasherTest)
#include "tst_meter_flasher.moc"
