// How the log viewer copes with a long log: a store with 100 000 logged calls over the ten years
// up to today, each with its start moment, then the viewer's load, its opening, a sort by each
// column, its statistics window and the rewrite when it unloads, each timed in this process with
// the real window. Finally the start-up of the program itself with that store, measured by
// bench_startup.
//
// Usage: bench_log [calls] [folder]   (defaults: 100000, a new folder under the current one)

#include "Processor.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/CallLog.h"
#include "log/Form7.h"
#include "log/FrmTilastot.h"
#include "log/ListView.h"
#include "platform/LinuxPlatform.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int Rounds = 3;

// Calls spread over the ten years up to today, with the texts a meter writes: a tenth of them in
// the months the statistics price under both tariff types, minute by minute.
void storeCalls(int calls) {
    QRandomGenerator random(1999);
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    const QDate first = QDate::currentDate().addDays(-3650);
    SettingsTransaction transaction;
    for (int i = 0; i < calls; ++i) {
        const QString key = QString::number(i);
        const QDate day = first.addDays(i * 3650LL / calls);
        const int seconds = static_cast<int>(random.bounded(4 * 3600));
        const int penni = static_cast<int>(random.bounded(10000));
        QString price = QString::number(penni / 100);
        if (penni % 100 != 0)
            price += u',' + QString::number(penni % 100).rightJustified(2, u'0');
        while (price.contains(u',') && price.endsWith(u'0'))
            price.chop(1);
        SaveSetting(Keys::App, Keys::Päivämäärä, key, finnish.toString(day, u"d. MMMM yyyy"));
        SaveSetting(Keys::App, Keys::Kesto, key,
                    QStringLiteral("%1:%2:%3")
                        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(seconds % 60, 2, 10, QLatin1Char('0')));
        SaveSetting(Keys::App, Keys::Hinta, key, price + QStringLiteral(" markkaa"));
        SaveSetting(Keys::App, Keys::Alkuhetki, key,
                    StartMomentText(QDateTime(day, QTime(0, 0).addSecs(random.bounded(86400)),
                                              Qt::OffsetFromUTC, 7200)));
    }
}

// The wall-clock times of a step, and the processor times, which other work on a shared machine
// disturbs less.
struct Timings {
    QList<double> wall;
    QList<double> processor;

    void measure(const std::function<void()>& step) {
        QElapsedTimer timer;
        const double start = ProcessorMilliseconds(CLOCK_THREAD_CPUTIME_ID);
        timer.start();
        step();
        wall << static_cast<double>(timer.nsecsElapsed()) / 1e6;
        processor << ProcessorMilliseconds(CLOCK_THREAD_CPUTIME_ID) - start;
    }
};

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Shows the window and returns once it has been painted.
void showPainted(QWidget& window) {
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.repaint();
}

// The goal is judged on the median: a machine shared with other work has its slow moments.
void report(const QString& what, const Timings& times, double goal = 0) {
    const double wall = median(times.wall);
    std::printf("  %s %8.1f %8.1f %8.1f %10.1f", qPrintable(what.leftJustified(48)), wall,
                *std::min_element(times.wall.begin(), times.wall.end()),
                *std::max_element(times.wall.begin(), times.wall.end()), median(times.processor));
    if (goal > 0)
        std::printf("   goal <= %.0f ms: %s", goal, wall <= goal ? "met" : "MISSED");
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    LinuxPlatform linuxPlatform;
    setPlatform(&linuxPlatform);
    const QStringList arguments = QCoreApplication::arguments();
    int calls = arguments.size() > 1 ? arguments[1].toInt() : 100000;
    QTemporaryDir folder(arguments.size() > 2
                             ? arguments[2] + QStringLiteral("/bench_log-XXXXXX")
                             : QDir::currentPath() + QStringLiteral("/bench_log-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a folder for the store: %s\n",
                     qPrintable(folder.errorString()));
        return 1;
    }
    const QString path = folder.path() + QStringLiteral("/Orvalin/Orvalin.sqlite");
    if (const std::optional<QString> problem = SettingsStore::open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(*problem));
        return 1;
    }

    std::printf("Log viewer with %d logged calls (store %s, platform %s)\n", calls,
                qPrintable(path), qPrintable(QGuiApplication::platformName()));
    Timings write;
    write.measure([calls] { storeCalls(calls); });
    std::printf("  %s %8s %8s %8s %10s   (milliseconds)\n", qPrintable(QString().leftJustified(48)),
                "median", "min", "max", "processor");
    report(QStringLiteral("writing the log to an empty store"), write);

    Timings load, open, sortDate, sortDuration, sortPrice, secondClick, statistics, rewriteSorted,
        rewriteAppended;
    int renumbered = calls;
    for (int round = 0; round < Rounds; ++round) {
        Form7* viewer = nullptr;
        // The rows are read on another thread; the first use of the list waits for them.
        load.measure([&] {
            viewer = &form<Form7>();
            viewer->ListView1->count();
        });
        if (viewer->ListView1->count() != calls) {
            std::fprintf(stderr, "the viewer read %d rows\n", viewer->ListView1->count());
            return 1;
        }
        open.measure([&] { showPainted(*viewer); });
        const auto click = [viewer](Timings& times, int column) {
            times.measure([viewer, column] {
                viewer->ListView1_ColumnClick(column);
                viewer->repaint();
            });
        };
        click(sortDate, 0);
        click(sortDuration, 1);
        click(sortPrice, 2);
        click(secondClick, 2);
        statistics.measure([] {
            showPainted(form<FrmTilastot>());
            unload<FrmTilastot>();
        });
        // Every other round ends in date order, so that each round stores an order that differs
        // from the stored one: nearly every row gets a new key.
        if (round % 2 == 1)
            viewer->ListView1_ColumnClick(0);
        int moved = 0;
        for (int i = 0; i < calls; ++i)
            moved += viewer->ListView1->tag(i) != i;
        renumbered = std::min(renumbered, moved);
        rewriteSorted.measure([] { unload<Form7>(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // The run of a program that meters one call: the call's row is appended to the log.
        form<Form7>().ListView1->addItem(QStringLiteral("6. joulukuuta 2026"),
                                         QStringLiteral("00:42:17"),
                                         QStringLiteral("9,87 markkaa"));
        rewriteAppended.measure([] { unload<Form7>(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ++calls;
    }

    report(QStringLiteral("load: read the log into the list"), load);
    report(QStringLiteral("open: show and paint the loaded viewer"), open);
    report(QStringLiteral("sort by Päivämäärä"), sortDate, 300);
    report(QStringLiteral("sort by Kesto"), sortDuration, 300);
    report(QStringLiteral("sort by Hinta"), sortPrice, 300);
    report(QStringLiteral("second click on Hinta"), secondClick, 300);
    report(QStringLiteral("statistics: open, table and chart drawn"), statistics, 300);
    report(QStringLiteral("unload: rewrite a sorted log (%1 rows moved)").arg(renumbered),
           rewriteSorted, 1000);
    report(QStringLiteral("unload: store one appended call"), rewriteAppended, 1000);
    SettingsStore::close();

    const QString startup =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup");
    if (!QFile::exists(startup))
        return 0;
    std::printf("\n");
    std::fflush(stdout);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(startup, {QStringLiteral("--log-store"), path});
    process.waitForFinished(-1);
    return process.exitCode();
}
