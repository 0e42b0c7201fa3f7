// The yardsticks of bench_startup: the smallest Qt Widgets programs that show a window, one with
// a line of text in it, as every real window has (its first text loads the font database), and
// with the argument "empty", one with nothing in it.

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool empty = QCoreApplication::arguments().contains(QStringLiteral("empty"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Qt window"));
    window.resize(395, 172);
    if (!empty)
        (new QLabel(QStringLiteral("Hello"), &window))->move(20, 20);
    window.show();
    return QApplication::exec();
}
