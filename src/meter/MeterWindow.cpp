#include "MeterWindow.h"

#include "AlarmLimits.h"
#include "CostRules.h"
#include "Form2.h"
#include "Form22.h"
#include "Markka.h"
#include "TickTimer.h"
#include "app/Form1.h"
#include "app/Globals.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "common/Twips.h"
#include "dialup/Form5.h"
#include "log/CallLog.h"
#include "log/Form7.h"
#include "log/ListView.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/Form6.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>

namespace {

const QString Zero = QStringLiteral("0");
const QString DoubleZero = QStringLiteral("00");
const QString Sixty = QStringLiteral("60");
const QString Thousand = QStringLiteral("1000");
const QString EverySecond = QStringLiteral("??:??:??");
const QColor AlarmRed(255, 0, 0);

// False only while the run is being ended without the user: the summary then waits for nobody.
bool g_summaryWanted = true;

Label* Caption(const QString& text, QWidget* window) {
    auto* label = new Label(text, window);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

Label* Value(const QString& text, QWidget* window) {
    auto* label = new Label(text, window);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

Label* HiddenField(const QString& text, QWidget* window) {
    auto* field = new Label(text, window);
    field->setTextFormat(Qt::PlainText);
    field->hide();
    return field;
}

QTimer* NewTimer(const char* name, int interval, QObject* window) {
    auto* timer = new QTimer(window);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

// Starting a running QTimer would restart its interval: an alarm raised every second would then
// never blink nor sound.
void Enable(QTimer* timer) {
    if (!timer->isActive())
        timer->start();
}

void SetTextColour(Label* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QString Incremented(const Label* counter) {
    return NumberToText(NumberFromText(counter->text()) + 1);
}

// The first three steps of every counter reaction: the display copy, or the carry in its place,
// whose own writes then set the copy. The carry compares the text, not the number, so a restored
// "75" keeps counting upward.
template <class Carry>
void FormatOrCarry(const Label* counter, Label* copy, const QString& carryValue, Carry carry) {
    const QString text = counter->text();
    if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'9')
        copy->setText(u'0' + text);
    else if (text != carryValue)
        copy->setText(text);
    else
        carry();
}

// The window's edges are stored in whole twips as the text of a single-precision number.
QString EdgeText(int pixels) {
    return NumberToText(static_cast<float>(TwipsFromPixels(pixels)));
}

std::optional<double> StoredEdge(const QString& key) {
    return ParseNumber(GetSetting(Keys::App, Keys::Asetukset, key, {}));
}

} // namespace

MeterWindow::MeterWindow(Tariff tariff)
    : Label2(Caption(QStringLiteral("Kesto:"), this)),
      Kesto(Value(QStringLiteral("00:00:00"), this)),
      Label5(Caption(QStringLiteral("Hinta:"), this)),
      Kustannukset(Value(QStringLiteral("0 markkaa"), this)),
      Label3(Caption(QStringLiteral("Yhteensä:"), this)),
      Yhteensä(Value(QStringLiteral("00:00:00"), this)),
      Label7(Caption(QStringLiteral("Yhteensä:"), this)),
      KustannuksetYhteensä(Value(QStringLiteral("0 markkaa"), this)),
      KestoTunnit(HiddenField(Zero, this)), KestoMinuutit(HiddenField(Zero, this)),
      KestoSekunnit(HiddenField(Zero, this)), KestoTunnit1(HiddenField(DoubleZero, this)),
      KestoMinuutit1(HiddenField(DoubleZero, this)), KestoSekunnit1(HiddenField(DoubleZero, this)),
      YhteensäTunnit(HiddenField(Zero, this)), YhteensäMinuutit(HiddenField(Zero, this)),
      YhteensäSekunnit(HiddenField(Zero, this)), YhteensäTunnit1(HiddenField(DoubleZero, this)),
      YhteensäMinuutit1(HiddenField(DoubleZero, this)),
      YhteensäSekunnit1(HiddenField(DoubleZero, this)), KustannuksetPenniä(HiddenField(Zero, this)),
      KustannuksetPenniä1(HiddenField(Zero, this)), Kustannukset1(HiddenField(Zero, this)),
      Kustannukset2(HiddenField(Zero, this)), Timer1(NewTimer("Timer1", 1000, this)),
      Timer2(NewTimer("Timer2", 1000, this)), Timer3(NewTimer("Timer3", 1000, this)),
      Timer4(NewTimer("Timer4", 1000, this)), Timer5(new TickTimer(this)),
      Timer6(NewTimer("Timer6", 5000, this)), Timer7(NewTimer("Timer7", 50, this)),
      Alarm2(platform().createAlarm(this)), MSComm1(platform().createSerialPort()),
      ARFlash1(platform().createFlasher(this)), m_tariff(tariff) {
    Timer5->setObjectName(QStringLiteral("Timer5"));
    setWindowTitle(QStringLiteral("Orvalin"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    setFont(font);
    setClientSizeTwips(3930, 540);
    setGeometry(twips(5475), twips(5490), width(), height());

    place(Label2, 390, 60, 465, 210);
    place(Kesto, 900, 60, 630, 210);
    place(Label5, 2370, 60, 405, 210);
    place(Kustannukset, 2820, 60, 735, 210);
    place(Label3, 105, 300, 750, 210);
    place(Yhteensä, 900, 300, 630, 210);
    place(Label7, 2025, 300, 750, 210);
    place(KustannuksetYhteensä, 2820, 300, 735, 210);
    for (Label* label :
         {Label2, Label5, Kustannukset, Label3, Yhteensä, Label7, KustannuksetYhteensä})
        SetTextColour(label, Qt::black);
    // The values grow to the right rather than lose their ends: a total of a hundred markka
    // and more is wider than its place in the layout, and the window widens to show it whole.
    for (Label* value : {Kesto, Kustannukset, Yhteensä, KustannuksetYhteensä}) {
        value->setAutoSize(true);
        connect(value, &Label::changed, this, &MeterWindow::FitValues);
    }
    // A screen reader reads each value with its caption, as one text: "Kesto: 00:01:05".
    for (const auto& [caption, value] : {std::pair{Label2, Kesto},
                                         {Label5, Kustannukset},
                                         {Label3, Yhteensä},
                                         {Label7, KustannuksetYhteensä}}) {
        const auto name = [caption, value] {
            value->setAccessibleName(caption->text() + u' ' + value->text());
        };
        name();
        connect(value, &Label::changed, this, name);
    }

    connect(Alarm2, &AlarmClock::Alarm, this, &MeterWindow::Alarm2_Alarm);
    connect(KestoSekunnit, &Label::changed, this, &MeterWindow::KestoSekunnit_Change);
    connect(KestoMinuutit, &Label::changed, this, &MeterWindow::KestoMinuutit_Change);
    connect(KestoTunnit, &Label::changed, this, &MeterWindow::KestoTunnit_Change);
    connect(YhteensäSekunnit, &Label::changed, this, &MeterWindow::YhteensäSekunnit_Change);
    connect(YhteensäMinuutit, &Label::changed, this, &MeterWindow::YhteensäMinuutit_Change);
    connect(YhteensäTunnit, &Label::changed, this, &MeterWindow::YhteensäTunnit_Change);
    if (m_tariff == Tariff::Type1)
        connect(Yhteensä, &Label::changed, this, &MeterWindow::Yhteensä_Change);
    else
        connect(Yhteensä, &Label::clicked, this, &MeterWindow::Yhteensä_Click);
    connect(KustannuksetPenniä, &Label::changed, this, &MeterWindow::KustannuksetPenniä_Change);
    connect(Kustannukset1, &Label::changed, this, &MeterWindow::Kustannukset1_Change);
    connect(Kustannukset, &Label::changed, this, &MeterWindow::Kustannukset_Change);
    connect(KustannuksetYhteensä, &Label::changed, this, &MeterWindow::KustannuksetYhteensä_Change);
    connect(Timer1, &QTimer::timeout, this, &MeterWindow::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &MeterWindow::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &MeterWindow::Timer3_Timer);
    connect(Timer4, &QTimer::timeout, this, &MeterWindow::Timer4_Timer);
    connect(Timer5, &TickTimer::timeout, this, &MeterWindow::Timer5_Timer);
    connect(Timer6, &QTimer::timeout, this, &MeterWindow::Timer6_Timer);
    connect(Timer7, &QTimer::timeout, this, &MeterWindow::Timer7_Timer);
    connect(Label2, &Label::clicked, this, &MeterWindow::Label2_Click);
    connect(Label3, &Label::clicked, this, &MeterWindow::Label3_Click);
    connect(Label5, &Label::clicked, this, &MeterWindow::Label5_Click);
    connect(Label7, &Label::clicked, this, &MeterWindow::Label7_Click);
}

MeterWindow::~MeterWindow() = default;

void MeterWindow::Form_Load() {
    const Calendar& calendar = platform().calendar();
    m_began = StartMomentText(calendar.now());
    const double hour = NumberFromText(calendar.hour());
    const QString weekday = calendar.weekday();

    for (const auto& [key, field] : {std::pair{Keys::Kustannukset1, Kustannukset1},
                                     std::pair{Keys::Kustannukset2, Kustannukset2}}) {
        const QString stored = GetSetting(Keys::App, Keys::Asetukset, key, {});
        if (ParseNumber(stored))
            field->setText(stored);
    }

    const double c = NumberFromText(form<Form3>().Puhelu->text());
    const double a = NumberFromText(KustannuksetPenniä->text()) + c;
    const double b = NumberFromText(Kustannukset1->text()) + c;
    if (m_tariff == Tariff::Type2)
        Charge(a, b);

    Alarm2->setPattern(1, EverySecond);

    for (const auto& [key, counter, copy] :
         {std::tuple{Keys::Tunnit, YhteensäTunnit, YhteensäTunnit1},
          std::tuple{Keys::Minuutit, YhteensäMinuutit, YhteensäMinuutit1},
          std::tuple{Keys::Sekunnit, YhteensäSekunnit, YhteensäSekunnit1}}) {
        const QString stored = GetSetting(Keys::App, Keys::Asetukset, key, {});
        // Only a count: an edited store must not make the meter count from a text that is no
        // number.
        if (IsDigits(stored)) {
            counter->setText(stored);
            copy->setText(stored);
        }
    }

    if (m_tariff == Tariff::Type1) {
        switch (MomentOfWeek(weekday, hour)) {
        case Moment::Day:
            Charge(a, b);
            break;
        case Moment::OtherTimes:
            break;
        case Moment::Unrecognised:
            ShowUnrecognisedDay();
            break;
        }
    }

    form<Form7>().hide();

    // The probe and the position restore start once the window is complete, so that neither
    // runs inside a message shown while it loads.
    Timer5->start();
    Timer7->start();
}

void MeterWindow::Form_QueryUnload() {
    // Nothing that happens after the totals are stored is kept, and the summary must tell what
    // was logged.
    StopMetering();

    const QString date = platform().calendar().longDate();
    form<Form7>().ListView1->addItem(date, Kesto->text(), Kustannukset->text(), m_began);
    {
        // The journal says the totals are stored in the same transaction that stores them: a
        // crash while the summary is up then logs the call at the next start, but never adds
        // it to the totals twice.
        const SettingsTransaction transaction;
        StoreTotals();
        hide();
        SaveSetting(Keys::App, Keys::Asetukset, Keys::Left, EdgeText(pos().x()));
        SaveSetting(Keys::App, Keys::Asetukset, Keys::Top, EdgeText(pos().y()));
    }
    if (g_summaryWanted)
        platform().messages().show({.text = QStringLiteral("Yhteyden kesto: ") + Kesto->text() +
                                            QStringLiteral("\nYhteyden hinta: ") +
                                            Kustannukset->text(),
                                    .icon = Message::Icon::Information,
                                    .systemModal = true});

    // The log row and the end of the journal land together. The viewer writes the row as it
    // unloads, which the start-up window's unload already does. The totals go with them once
    // more, in case the transaction above failed: the end of the journal must never land without
    // them, and they are whole values, so storing them twice adds nothing.
    const SettingsTransaction transaction;
    StoreTotals();
    unload<Form1>();
    FormRegistry::instance().unload(this);
    unload<Form3>();
    unload<Form4>();
    unload<Form5>();
    unload<Form6>();
    unload<Form7>();
    ClearCallJournal();
}

void MeterWindow::StoreTotals() {
    CallJournal journal = Journal();
    journal.totalsStored = true;
    SaveCallJournal(journal);
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Tunnit, YhteensäTunnit1->text());
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Minuutit, YhteensäMinuutit1->text());
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Sekunnit, YhteensäSekunnit1->text());
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Kustannukset1, Kustannukset1->text());
    SaveSetting(Keys::App, Keys::Asetukset, Keys::Kustannukset2, Kustannukset2->text());
}

CallJournal MeterWindow::Journal() const {
    return {platform().calendar().longDate(),
            Kesto->text(),
            Kustannukset->text(),
            {YhteensäTunnit1->text(), YhteensäMinuutit1->text(), YhteensäSekunnit1->text(),
             Kustannukset1->text(), Kustannukset2->text()},
            false,
            m_began};
}

void MeterWindow::FitValues() {
    int right = 0;
    for (const Label* value : {Kustannukset, KustannuksetYhteensä})
        right = std::max(right, value->geometry().right() + 1 + twips(30));
    if (right > width())
        setFixedWidth(right);
}

void MeterWindow::StopMetering() {
    disconnect(Alarm2, nullptr, this, nullptr);
    for (QTimer* timer : {Timer1, Timer2, Timer3, Timer4, Timer6, Timer7})
        timer->stop();
    Timer5->stop();
    ARFlash1->stop();
}

void MeterWindow::Alarm2_Alarm(int identifier, const QTime&) {
    if (identifier == 1) {
        KestoSekunnit->setText(Incremented(KestoSekunnit));
        YhteensäSekunnit->setText(Incremented(YhteensäSekunnit));
        if (KestoSekunnit->text() == QStringLiteral("1")) {
            ++PuheluMinuutit;
            LisääHinta();
        }
        SaveCallJournal(Journal());
        // The probe closes this window once the call has ended: nothing of it may be touched
        // after, and neither after the pass, which may close it too.
        Timer5->tick();
    }
    QCoreApplication::processEvents();
}

void MeterWindow::KestoSekunnit_Change() {
    FormatOrCarry(KestoSekunnit, KestoSekunnit1, Sixty, [this] {
        KestoSekunnit->setText(DoubleZero);
        KestoMinuutit->setText(Incremented(KestoMinuutit));
    });
    ComposeKesto();
}

void MeterWindow::KestoMinuutit_Change() {
    FormatOrCarry(KestoMinuutit, KestoMinuutit1, Sixty, [this] {
        KestoMinuutit->setText(DoubleZero);
        KestoTunnit->setText(Incremented(KestoTunnit));
    });
    ComposeKesto();
    CheckCallDuration();
}

void MeterWindow::KestoTunnit_Change() {
    FormatOrCarry(KestoTunnit, KestoTunnit1, Thousand, [this] {
        KestoTunnit->setText(DoubleZero);
        KestoSekunnit->setText(DoubleZero);
        KestoMinuutit->setText(DoubleZero);
    });
    ComposeKesto();
}

void MeterWindow::YhteensäSekunnit_Change() {
    FormatOrCarry(YhteensäSekunnit, YhteensäSekunnit1, Sixty, [this] {
        YhteensäSekunnit->setText(DoubleZero);
        YhteensäMinuutit->setText(Incremented(YhteensäMinuutit));
    });
    ComposeYhteensä();
}

void MeterWindow::YhteensäMinuutit_Change() {
    FormatOrCarry(YhteensäMinuutit, YhteensäMinuutit1, Sixty, [this] {
        YhteensäMinuutit->setText(DoubleZero);
        YhteensäTunnit->setText(Incremented(YhteensäTunnit));
    });
    ComposeYhteensä();
    CheckTotalDuration();
}

void MeterWindow::YhteensäTunnit_Change() {
    FormatOrCarry(YhteensäTunnit, YhteensäTunnit1, Thousand, [this] {
        YhteensäTunnit->setText(DoubleZero);
        YhteensäSekunnit->setText(DoubleZero);
        YhteensäMinuutit->setText(DoubleZero);
    });
    ComposeYhteensä();
}

void MeterWindow::ComposeKesto() {
    Kesto->setText(KestoTunnit1->text() + u':' + KestoMinuutit1->text() + u':' +
                   KestoSekunnit1->text());
}

void MeterWindow::ComposeYhteensä() {
    Yhteensä->setText(YhteensäTunnit1->text() + u':' + YhteensäMinuutit1->text() + u':' +
                      YhteensäSekunnit1->text());
}

void MeterWindow::Yhteensä_Change() {
    CheckTotalDurationByUnits();
}

void MeterWindow::Yhteensä_Click() {
    CheckTotalDurationByUnits();
}

void MeterWindow::CheckCallDuration() {
    const Form4& limits = form<Form4>();
    if (!KestoAlarmAcknowledged &&
        DurationLimitMet(limits.KestoTuntia->text(), limits.KestoMinuuttia->text(),
                         KestoTunnit->text(), KestoMinuutit->text()))
        Raise(Timer3);
}

void MeterWindow::CheckTotalDuration() {
    const Form4& limits = form<Form4>();
    if (!YhteensäKestoAlarmAcknowledged &&
        DurationLimitMet(limits.YhteensäTuntia->text(), limits.YhteensäMinuuttia->text(),
                         YhteensäTunnit->text(), YhteensäMinuutit->text()))
        Raise(Timer4);
}

// Unit by unit, so that it also finds a limit the restored total had passed before the window
// opened.
void MeterWindow::CheckTotalDurationByUnits() {
    const Form4& limits = form<Form4>();
    if (!YhteensäKestoAlarmAcknowledged &&
        DurationLimitPassed(limits.YhteensäTuntia->text(), limits.YhteensäMinuuttia->text(),
                            YhteensäTunnit->text(), YhteensäMinuutit->text()))
        Raise(Timer4);
}

void MeterWindow::LisääHinta() {
    const Form3& tariff = form<Form3>();
    const double P = NumberFromText(tariff.PalvelunTarjoaja->text());
    const double A1 = NumberFromText(tariff.Arkisin1->text());
    const double C = NumberFromText(KustannuksetPenniä->text());
    const double T = NumberFromText(Kustannukset1->text());

    if (m_tariff == Tariff::Type2) {
        const double charge = Type2MinuteCharge(A1, P);
        KustannuksetPenniä->setText(NumberToText(C + charge));
        Kustannukset1->setText(NumberToText(T + charge));
        return;
    }

    const Calendar& calendar = platform().calendar();
    const double hour = NumberFromText(calendar.hour());
    const Moment moment = MomentOfWeek(calendar.weekday(), hour);
    const Type1Rates rates{A1, NumberFromText(tariff.Arkisin2->text()),
                           NumberFromText(tariff.Arkisin3->text()), P};
    const std::optional<double> charge =
        Type1MinuteCharge(moment, PuheluMinuutit, FirstBlockCharged, rates);
    if (!charge) {
        ShowUnrecognisedDay();
        return;
    }
    KustannuksetPenniä->setText(NumberToText(C + *charge));
    Kustannukset1->setText(NumberToText(T + *charge));
    if (moment == Moment::OtherTimes)
        FirstBlockCharged = true;
}

void MeterWindow::Charge(double callAmount, double total) {
    KustannuksetPenniä->setText(NumberToText(callAmount));
    Kustannukset1->setText(NumberToText(total));
}

void MeterWindow::ShowUnrecognisedDay() {
    platform().messages().show({.text = QStringLiteral("!!!"), .icon = Message::Icon::Critical});
}

void MeterWindow::KustannuksetPenniä_Change() {
    KustannuksetPenniä1->setText(MarkkaText(NumberFromText(KustannuksetPenniä->text())));
    Kustannukset2->setText(MarkkaText(NumberFromText(Kustannukset1->text())));
    Kustannukset->setText(KustannuksetPenniä1->text() + Markkaa);
    KustannuksetYhteensä->setText(Kustannukset2->text() + Markkaa);
}

void MeterWindow::Kustannukset1_Change() {
    Kustannukset2->setText(MarkkaText(NumberFromText(Kustannukset1->text())));
    KustannuksetYhteensä->setText(Kustannukset2->text() + Markkaa);
}

void MeterWindow::Kustannukset_Change() {
    if (!HintaAlarmAcknowledged &&
        PriceLimitReached(form<Form4>().YhteydenHinta->text(),
                          WholeMarkka(NumberFromText(KustannuksetPenniä->text()))))
        Raise(Timer1);
}

void MeterWindow::KustannuksetYhteensä_Change() {
    if (!YhteensäHintaAlarmAcknowledged &&
        PriceLimitReached(form<Form4>().HinnatYhteensä->text(),
                          WholeMarkka(NumberFromText(Kustannukset1->text()))))
        Raise(Timer2);
}

void MeterWindow::Raise(QTimer* blinkTimer) {
    // An alarm is news once, as it begins: its blinking says nothing new.
    if (!blinkTimer->isActive()) {
        Label* value = blinkTimer == Timer1   ? Kustannukset
                       : blinkTimer == Timer2 ? KustannuksetYhteensä
                       : blinkTimer == Timer3 ? Kesto
                                              : Yhteensä;
        value->setAccessibleDescription(QStringLiteral("Hälytys"));
        QAccessibleEvent alert(value, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    Enable(blinkTimer);
    Enable(Timer6);
}

void MeterWindow::Blink(Label* value) {
    SetTextColour(value, AlarmRed);
    value->setVisible(value->isHidden());
    if (!ARFlash1->isFlashing())
        ARFlash1->start();
}

void MeterWindow::Timer1_Timer() {
    Blink(Kustannukset);
}

void MeterWindow::Timer2_Timer() {
    Blink(KustannuksetYhteensä);
}

void MeterWindow::Timer3_Timer() {
    Blink(Kesto);
}

void MeterWindow::Timer4_Timer() {
    Blink(Yhteensä);
}

void MeterWindow::Timer6_Timer() {
    platform().sound().play(platform().environment().dataFolder() + QStringLiteral("/hälytys.wav"));
}

void MeterWindow::Acknowledge(QTimer* blinkTimer, Label* value, bool& acknowledged) {
    blinkTimer->stop();
    Timer6->stop();
    value->show();
    value->setAccessibleDescription({});
    acknowledged = true;
    ARFlash1->stop();
    setWindowTitle(windowTitle());
    hide();
    show();
}

void MeterWindow::Label2_Click() {
    Acknowledge(Timer3, Kesto, KestoAlarmAcknowledged);
}

void MeterWindow::Label3_Click() {
    Acknowledge(Timer4, Yhteensä, YhteensäKestoAlarmAcknowledged);
}

void MeterWindow::Label5_Click() {
    Acknowledge(Timer1, Kustannukset, HintaAlarmAcknowledged);
}

void MeterWindow::Label7_Click() {
    Acknowledge(Timer2, KustannuksetYhteensä, YhteensäHintaAlarmAcknowledged);
}

void MeterWindow::Timer5_Timer() {
    const std::optional<qint32> port = WholeNumberFromText(form<Form4>().Combo1->currentText());
    if (!port || !MSComm1->setPort(*port) || !MSComm1->open() || !MSComm1->close())
        return;
    FormRegistry::instance().unload(this);
}

void MeterWindow::Timer7_Timer() {
    Timer7->stop();
    const QSize screen = platform().environment().screenSize();
    if (const std::optional<double> top = StoredEdge(Keys::Top);
        top && *top < TwipsFromPixels(screen.height()))
        move(pos().x(), PixelsFromTwips(*top));
    if (const std::optional<double> left = StoredEdge(Keys::Left);
        left && *left < TwipsFromPixels(screen.width()))
        move(PixelsFromTwips(*left), pos().y());
}

void EndRunNow() {
    g_summaryWanted = false;
    unload<Form2>();
    unload<Form22>();
    unload<Form1>();
    g_summaryWanted = true;
}
