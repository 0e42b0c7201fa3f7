// How well the meter's clock keeps to the wall clock while the machine is busy: the real alarm
// clock runs for a while with both processor cores loaded, and every event is checked against the
// second it stands for.
//
//   bench_clock_accuracy [seconds]     (default 120)
//
// Prints the events counted against the whole seconds elapsed, the seconds missed and doubled,
// and how late after the start of its second each event came (goal: 0 missed, 0 doubled, worst
// lateness 50 ms or less). Beside it, as a control, the worst lateness of a bare thread that
// sleeps to each whole second in the same run: what the machine itself allows.

#include "platform/RealTimeAlarm.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

namespace {

qint64 Milliseconds(const timespec& t) {
    return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Sleeps to each of the next `seconds` whole seconds of the wall clock; returns the worst
// lateness in milliseconds.
qint64 BareSleeperWorstLateness(int seconds) {
    timespec next{};
    clock_gettime(CLOCK_REALTIME, &next);
    qint64 worst = 0;
    for (int i = 0; i < seconds; ++i) {
        next.tv_sec += 1;
        next.tv_nsec = 0;
        clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &next, nullptr);
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        worst = std::max(worst, Milliseconds(now) - Milliseconds(next));
    }
    return worst;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 120;

    // Two busy loops, one per core of the machines the meter is meant for.
    std::vector<std::unique_ptr<QProcess>> load;
    for (int i = 0; i < 2; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(QStringLiteral("yes"), {});
        if (!process->waitForStarted())
            std::fputs("could not start the load (yes); measuring an idle machine\n", stderr);
        load.push_back(std::move(process));
    }

    RealTimeAlarm alarm;
    qint64 previousSecond = -1;
    int events = 0;
    int missed = 0;
    int doubled = 0;
    std::vector<qint64> lateness;
    QObject::connect(&alarm, &AlarmClock::Alarm, [&](int, const QTime& time) {
        const QDateTime now = QDateTime::currentDateTime();
        QDateTime second(now.date(), time);
        // An event for the last second of yesterday, delivered after midnight.
        if (second > now)
            second = second.addDays(-1);
        const qint64 number = second.toSecsSinceEpoch();
        ++events;
        if (previousSecond >= 0) {
            if (number <= previousSecond)
                ++doubled;
            else
                missed += static_cast<int>(number - previousSecond - 1);
        }
        previousSecond = std::max(previousSecond, number);
        lateness.push_back(now.toMSecsSinceEpoch() - number * 1000);
    });

    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    qint64 controlWorst = 0;
    std::thread control(
        [&controlWorst, seconds] { controlWorst = BareSleeperWorstLateness(seconds - 1); });
    alarm.setPattern(1, QStringLiteral("??:??:??"));
    QTimer::singleShot(seconds * 1000, &application, &QCoreApplication::quit);
    QCoreApplication::exec();
    const qint64 ended = QDateTime::currentMSecsSinceEpoch();
    control.join();
    for (const auto& process : load) {
        process->kill();
        process->waitForFinished();
    }

    const qint64 elapsed = ended / 1000 - started / 1000;
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&lateness](double share) {
        return lateness.empty() ? 0
                                : lateness[std::min(lateness.size() - 1,
                                                    static_cast<size_t>(share * lateness.size()))];
    };
    std::printf("clock: %d events in %lld whole seconds elapsed, %d missed, %d doubled\n", events,
                static_cast<long long>(elapsed), missed, doubled);
    std::printf("lateness after the second began: median %lld ms, 99th percentile %lld ms, "
                "worst %lld ms\n",
                static_cast<long long>(at(0.5)), static_cast<long long>(at(0.99)),
                static_cast<long long>(lateness.empty() ? 0 : lateness.back()));
    std::printf("control, a bare thread sleeping to each whole second: worst %lld ms\n",
                static_cast<long long>(controlWorst));
    return 0;
}
