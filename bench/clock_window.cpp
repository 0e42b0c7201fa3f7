// The yardsticks of bench/metering_cpu.sh: the smallest Qt Widgets program that does what a
// meter must do at the least, two lines of text that change once a second. With --idle its
// one-second timer changes nothing: what waking once a second costs a Qt program, before any
// painting. Built as bench_clock_journal, it also writes a running call's journal once a second
// into a store in the folder given as its argument, durably, as the meter does: the least that a
// meter which loses at most a second of a call can cost.

#ifdef CLOCK_JOURNAL
#include "log/CallLog.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#endif

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const bool idle = arguments.contains(QStringLiteral("--idle"));
#ifdef CLOCK_JOURNAL
    if (arguments.size() < 2)
        return 2;
    if (const std::optional<QString> problem =
            SettingsStore::open(arguments[1] + QStringLiteral("/Orvalin.sqlite"))) {
        std::fprintf(stderr, "%s\n", qPrintable(*problem));
        return 1;
    }
#endif
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Qt clock"));
    window.resize(262, 36);
    auto* call = new QLabel(QStringLiteral("00:00:00"), &window);
    call->setGeometry(60, 4, 80, 14);
    auto* total = new QLabel(QStringLiteral("00:00:00"), &window);
    total->setGeometry(60, 20, 80, 14);
    window.show();

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int seconds = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (idle)
            return;
        ++seconds;
        const QString text = QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss"));
        call->setText(text);
        total->setText(text);
#ifdef CLOCK_JOURNAL
        SaveCallJournal({QStringLiteral("8. joulukuuta 2026"),
                         text,
                         QStringLiteral("12,3 markkaa"),
                         {QStringLiteral("12"), QStringLiteral("42"), text.right(2),
                          QStringLiteral("98765"), QStringLiteral("987,65")},
                         false,
                         QStringLiteral("2026-12-08T10:00:00+02:00")});
#endif
    });
    timer.start(1000);
    return QApplication::exec();
}
