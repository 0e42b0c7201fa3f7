// How long one durable SaveSetting takes: the program writes a setting on every change of a
// field (every keystroke in the user name), and each write is on the disk when it returns. Timed
// one by one, each with a new value, in a fresh store and in a store holding a long log.
//
// Usage: bench_store [writes] [folder]   (defaults: 2000, a new folder under the current one; the
// folder should be on the disk that holds ~/.config, since the figures are mostly its flushes)

#include "common/Keys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

double percentile(const QList<double>& sorted, double fraction) {
    const auto at = static_cast<qsizetype>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

void timeWrites(const char* what, int writes) {
    for (int i = 0; i < 50; ++i)
        SaveSetting(Keys::App, Keys::Asetukset, Keys::Käyttäjä, QString::number(i));
    QList<double> times;
    times.reserve(writes);
    QString name = QStringLiteral("m");
    for (int i = 0; i < writes; ++i) {
        // A user name typed and erased again, one letter per write.
        name = name.size() < 12 ? name + QChar(u'a' + i % 26) : QStringLiteral("m");
        QElapsedTimer timer;
        timer.start();
        SaveSetting(Keys::App, Keys::Asetukset, Keys::Käyttäjä, name);
        times << static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    const double p99 = percentile(times, 0.99);
    std::printf("  %-34s p50 %6.3f ms   p90 %6.3f ms   p99 %6.3f ms   max %7.3f ms   goal p99 <= "
                "1 ms: %s\n",
                what, percentile(times, 0.5), percentile(times, 0.9), p99, times.last(),
                p99 <= 1.0 ? "met" : "MISSED");
}

void storeLog(int calls) {
    SettingsTransaction transaction;
    for (int i = 0; i < calls; ++i) {
        const QString key = QString::number(i);
        SaveSetting(Keys::App, Keys::Päivämäärä, key, QStringLiteral("6. joulukuuta 2026"));
        SaveSetting(Keys::App, Keys::Kesto, key, QStringLiteral("00:42:17"));
        SaveSetting(Keys::App, Keys::Hinta, key, QStringLiteral("9,87 markkaa"));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int writes = arguments.size() > 1 ? std::max(100, arguments[1].toInt()) : 2000;
    const QString base = arguments.size() > 2 ? arguments[2] : QDir::currentPath();
    QTemporaryDir folder(base + QStringLiteral("/bench_store-XXXXXX"));
    const QString path = folder.path() + QStringLiteral("/Orvalin/Orvalin.sqlite");
    if (const std::optional<QString> problem = SettingsStore::open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(*problem));
        return 1;
    }
    const QStorageInfo volume(folder.path());
    std::printf("One durable SaveSetting, %d writes each (store %s on %s, %s)\n", writes,
                qPrintable(path), volume.device().constData(), volume.fileSystemType().constData());
    timeWrites("fresh store", writes);
    storeLog(100000);
    timeWrites("store with 100 000 logged calls", writes);
    SettingsStore::close();
    return 0;
}
