#include "TestPlatform.h"

#include "platform/LinuxPlatform.h"

#include <QTimer>

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

void ScriptedDialUp::sendProgress(int code, const QString& text) {
    QTimer::singleShot(0, this, [this, code, text] {
        stateCode = code;
        stateText = text;
        emit Progress(code);
    });
}

void ScriptedDialUp::sendDone(int code) {
    QTimer::singleShot(0, this, [this, code] {
        stateCode = code;
        emit Done();
    });
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
    for (const Message& message : shown) {
        const QString icons[] = {QStringLiteral("No icon"), QStringLiteral("Information"),
                                 QStringLiteral("Critical")};
        QString line = icons[static_cast<int>(message.icon)];
        if (message.systemModal)
            line += QStringLiteral(", system modal");
        if (message.buttons == Message::Buttons::YesNo)
            line += message.defaultButton == Message::Answer::No ? QStringLiteral(", Yes/No on No")
                                                                 : QStringLiteral(", Yes/No");
        if (message.title != u"Orvalin")
            line += QStringLiteral(", titled ") + message.title;
        seen << line + QStringLiteral(": ") + message.text;
    }
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
