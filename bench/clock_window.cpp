// The yardsticks of bench/metering_cpu.sh: the smallest Qt Widgets program that does what a
// meter must do at the least, two lines of text that change once a second. With --idle its
// one-second timer changes nothing: what waking once a second costs a Qt program, before any
// painting.

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool idle = QApplication::arguments().contains(QStringLiteral("--idle"));
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
    });
    timer.start(1000);
    return QApplication::exec();
}
