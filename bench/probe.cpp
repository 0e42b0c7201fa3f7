// How long the meter's once-a-second probe of a real modem's port takes: the port of a free
// pseudo-terminal is opened and closed as the meter does it, lock check included, many times.
//
//   bench_probe [probes]     (default 10000)
//
// Prints the median, the 99th percentile and the worst time of one probe (goal: p99 1 ms or
// less).

#include "dialer/modem/SerialLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const int probes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    QTemporaryDir locks;
    DeviceSerialPort port([&](int) { return device; }, locks.path());
    port.setPort(1);

    std::vector<qint64> nanoseconds;
    nanoseconds.reserve(static_cast<size_t>(probes));
    QElapsedTimer timer;
    for (int i = 0; i < probes; ++i) {
        timer.start();
        const bool opened = port.open();
        port.close();
        nanoseconds.push_back(timer.nsecsElapsed());
        if (!opened) {
            std::fprintf(stderr, "the free line %s did not open\n", qPrintable(device));
            return 1;
        }
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double share) {
        return nanoseconds[std::min(nanoseconds.size() - 1,
                                    static_cast<size_t>(share * nanoseconds.size()))] /
               1000.0;
    };
    std::printf("%d probes of %s: median %.1f µs, p99 %.1f µs, worst %.1f µs\n", probes,
                qPrintable(device), at(0.5), at(0.99), nanoseconds.back() / 1000.0);
    ::close(master);
    return 0;
}
