// The import of a registry export with a long log, and the export of that log as CSV: a file of
// the registry editor with 100 000 calls in each of its two formats, imported with --yes into a
// fresh store, then the log exported from that store, each timed in this process.
//
// Usage: bench_transfer [calls] [folder]   (defaults: 100000, a new folder under the current one)

#include "transfer/Transfer.h"

#include "Processor.h"
#include "common/Keys.h"
#include "platform/LinuxPlatform.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A log of calls with the texts a meter writes, and the totals, as the Windows program leaves
// them under its key.
QString RegistryText(const QString& header, int calls) {
    const QString key = QStringLiteral(
        "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Orvalin\\%1]\r\n");
    QString text = header + QStringLiteral("\r\n\r\n") + key.arg(Keys::Asetukset) +
                   QStringLiteral("\"Tunnit\"=\"812\"\r\n\"Kustannukset 2\"=\"98765,43\"\r\n");
    const QString sections[] = {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta};
    for (int s = 0; s < 3; ++s) {
        text += QStringLiteral("\r\n") + key.arg(sections[s]);
        for (int i = 0; i < calls; ++i) {
            const QString values[] = {QStringLiteral("%1. joulukuuta 1999").arg(i % 28 + 1),
                                      QStringLiteral("00:%1:07").arg(i % 60, 2, 10, QChar(u'0')),
                                      QStringLiteral("%1,5 markkaa").arg(i % 200)};
            text += QStringLiteral("\"%1\"=\"%2\"\r\n").arg(i).arg(values[s]);
        }
    }
    return text + QStringLiteral("\r\n");
}

QByteArray Encoded(const QString& text, bool unicode) {
    if (!unicode)
        return text.toLatin1();
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

double Milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int calls = arguments.size() > 1 ? arguments[1].toInt() : 100000;
    QTemporaryDir folder((arguments.size() > 2 ? arguments[2] : QDir::currentPath()) +
                         QStringLiteral("/bench_transfer-XXXXXX"));
    if (!folder.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    LinuxPlatform linuxPlatform;
    setPlatform(&linuxPlatform);
    TerminalMessages terminal;
    std::printf("Import and export of a log of %d calls (goal: each at most 2000 ms)\n", calls);
    for (const bool unicode : {true, false}) {
        const QString header = unicode ? QStringLiteral("Windows Registry Editor Version 5.00")
                                       : QStringLiteral("REGEDIT4");
        const QString name =
            folder.path() + (unicode ? QStringLiteral("/unicode") : QStringLiteral("/regedit4"));
        QFile file(name + QStringLiteral(".reg"));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(Encoded(RegistryText(header, calls), unicode)) < 0)
            return 1;
        file.close();
        const QString store = name + QStringLiteral("/Orvalin.sqlite");
        // The import's summary and the export's line would drown the figures.
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        QElapsedTimer timer;
        double processor = ProcessorMilliseconds();
        timer.start();
        const int imported = ImportRegistryExport(file.fileName(), true, false, store, terminal);
        SettingsStore::close();
        const double importTime = Milliseconds(timer);
        const double importProcessor = ProcessorMilliseconds() - processor;
        processor = ProcessorMilliseconds();
        timer.restart();
        const int exported = ExportLogFile(name + QStringLiteral(".csv"), store, terminal);
        const double exportTime = Milliseconds(timer);
        const double exportProcessor = ProcessorMilliseconds() - processor;
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(null);
        ::close(saved);
        std::printf("  %-36s import %7.1f ms (processor %7.1f): %s   export %7.1f ms (processor "
                    "%7.1f): %s\n",
                    qPrintable(header), importTime, importProcessor,
                    imported == 0 && importTime <= 2000 ? "met" : "MISSED", exportTime,
                    exportProcessor, exported == 0 && exportTime <= 2000 ? "met" : "MISSED");
    }
    return 0;
}
