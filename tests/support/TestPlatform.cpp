#include "TestPlatform.h"

#include "platform/LinuxPlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class ScriptedSerialPort : public SerialPort {
public:
    explicit ScriptedSerialPort(SerialPortState& state) : m_state(state) {}
    bool setPort(int number) override {
        m_state.calls << QStringLiteral("setPort %1").arg(number);
        m_port = number;
        return true;
    }
    bool open() override {
        m_state.calls << QStringLiteral("open");
        return !m_state.busy.contains(m_port);
    }
    bool close() override {
        m_state.calls << QStringLiteral("close");
        return true;
    }

private:
    SerialPortState& m_state;
    int m_port = 0;
};

} // namespace

void ScriptedDialUp::report(int code, const QString& text) {
    QSignalSpy handled(this, &DialUp::Progress);
    QTimer::singleShot(0, this, [this, code, text] {
        stateCode = code;
        stateText = text;
        emit Progress(code);
    });
    QVERIFY(handled.wait(2000));
}

void ScriptedDialUp::finish(int code) {
    QSignalSpy handled(this, &DialUp::Done);
    QTimer::singleShot(0, this, [this, code] {
        stateCode = code;
        emit Done();
    });
    QVERIFY(handled.wait(2000));
}

Message::Answer AnsweringMessages::show(const Message& message) {
    shown << message;
    if (whileShown)
        whileShown(message);
    if (!answers.empty()) {
        const Message::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return message.buttons == Message::Buttons::YesNo ? Message::Answer::No : Message::Answer::Ok;
}

QStringList AnsweringMessages::texts() const {
    QStringList texts;
    for (const Message& message : shown)
        texts << message.text;
    return texts;
}

QStringList AnsweringMessages::seen() const {
    QStringList seen;
    for (const Message& m : shown)
        seen << QStringList{u"No icon"_s, u"Information"_s, u"Critical"_s}[int(m.icon)] +
                    (m.systemModal ? u", system modal"_s : u""_s) +
                    (m.buttons == Message::Buttons::Ok        ? u""_s
                     : m.defaultButton == Message::Answer::No ? u", Yes/No on No"_s
                                                              : u", Yes/No"_s) +
                    (m.title == u"Orvalin" ? u""_s : u", titled "_s + m.title) + u": "_s + m.text;
    return seen;
}

AlarmClock* TestPlatform::createAlarm(QObject* parent) {
    auto* alarm = new FakeAlarm(parent);
    alarms << alarm;
    return alarm;
}

std::unique_ptr<SerialPort> TestPlatform::createSerialPort() {
    return std::make_unique<ScriptedSerialPort>(ports);
}

std::unique_ptr<Flasher> TestPlatform::createFlasher(QWidget* window) {
    return CreateWindowFlasher(window);
}

FakeAlarm& TestPlatform::alarm() {
    while (!alarms.isEmpty() && !alarms.last())
        alarms.removeLast();
    Q_ASSERT(!alarms.isEmpty());
    return *alarms.last();
}
