#include "WindowTest.h"

void WindowTest::unloadAll() {
    FormRegistry& registry = FormRegistry::instance();
    for (int round = 0; round < 10 && !registry.loadedNames().isEmpty(); ++round)
        for (const QString& name : registry.loadedNames())
            registry.unload(name);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void WindowTest::typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void WindowTest::clickOpeningModal(QAbstractButton* opener,
                                   const std::function<void(QWidget*)>& inside) {
    QTimer::singleShot(0, opener, [inside] {
        QVERIFY2(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000),
                 "no modal window opened");
        inside(QApplication::activeModalWidget());
        if (QWidget* left = QApplication::activeModalWidget())
            left->close();
    });
    QTest::mouseClick(opener, Qt::LeftButton);
}

void WindowTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configFolder()));
    const QString runtime = m_folder->path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    m_platform = std::make_unique<TestPlatform>();
    setPlatform(m_platform.get());
    ResetProgramVariables();
    const std::optional<QString> problem = SettingsStore::open(storePath());
    QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
}

void WindowTest::cleanup() {
    unloadAll();
    QVERIFY2(FormRegistry::instance().loadedNames().isEmpty(),
             qPrintable(FormRegistry::instance().loadedNames().join(u' ')));
    SettingsStore::close();
    setPlatform(nullptr);
    m_platform.reset();
    m_folder.reset();
}

QByteArray FileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

int RunWindowTest(int argc, char** argv, QObject* test) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale::c());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyProgramLook(application);
    return QTest::qExec(test, argc, argv);
}
