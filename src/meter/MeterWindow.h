#pragma once

#include "common/Controls.h"
#include "common/Form.h"

#include <memory>

struct CallJournal;
class AlarmClock;
class Flasher;
class QTimer;
class SerialPort;
class TickTimer;

// The meter window of either tariff type: counts the call's and all calls' time and cost, raises
// the limit alarms, notices the end of the call, logs it and ends the run. The two types differ
// only in when the per-call charge is made, in the per-minute rule, and in what makes the shown
// total duration check its limit.
class MeterWindow : public Form {
    Q_OBJECT
public:
    void Form_Load() override;
    void Form_QueryUnload() override;

    Label* Label2;
    Label* Kesto;
    Label* Label5;
    Label* Kustannukset;
    Label* Label3;
    Label* Yhteensä;
    Label* Label7;
    Label* KustannuksetYhteensä;

    // Hidden state fields, never shown.
    Label* KestoTunnit;
    Label* KestoMinuutit;
    Label* KestoSekunnit;
    Label* KestoTunnit1;
    Label* KestoMinuutit1;
    Label* KestoSekunnit1;
    Label* YhteensäTunnit;
    Label* YhteensäMinuutit;
    Label* YhteensäSekunnit;
    Label* YhteensäTunnit1;
    Label* YhteensäMinuutit1;
    Label* YhteensäSekunnit1;
    Label* KustannuksetPenniä;
    Label* KustannuksetPenniä1;
    Label* Kustannukset1;
    Label* Kustannukset2;

    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
    QTimer* Timer4;
    TickTimer* Timer5;
    QTimer* Timer6;
    QTimer* Timer7;
    AlarmClock* Alarm2;
    const std::unique_ptr<SerialPort> MSComm1;
    const std::unique_ptr<Flasher> ARFlash1;

    void Alarm2_Alarm(int identifier, const QTime& time);
    void KestoSekunnit_Change();
    void KestoMinuutit_Change();
    void KestoTunnit_Change();
    void YhteensäSekunnit_Change();
    void YhteensäMinuutit_Change();
    void YhteensäTunnit_Change();
    void Yhteensä_Change();
    void Yhteensä_Click();
    void KustannuksetPenniä_Change();
    void Kustannukset1_Change();
    void Kustannukset_Change();
    void KustannuksetYhteensä_Change();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    void Timer7_Timer();
    void Label2_Click();
    void Label3_Click();
    void Label5_Click();
    void Label7_Click();

protected:
    enum class Tariff { Type1, Type2 };
    explicit MeterWindow(Tariff tariff);
    ~MeterWindow() override;

    // Esc must not end the metering of a call that goes on.
    void reject() override {}

private:
    void LisääHinta();
    void Charge(double callAmount, double total);
    void ShowUnrecognisedDay();
    void ComposeKesto();
    void ComposeYhteensä();
    void CheckCallDuration();
    void CheckTotalDuration();
    void CheckTotalDurationByUnits();
    void Raise(QTimer* blinkTimer);
    void Blink(Label* value);
    void Acknowledge(QTimer* blinkTimer, Label* value, bool& acknowledged);
    void StopMetering();
    void FitValues();
    // The call as a run that ends now without this window's close would have to log it.
    CallJournal Journal() const;
    // The moment the window opened, kept with the call's row.
    QString m_began;
    // The totals, and the journal's word that they are stored.
    void StoreTotals();

    const Tariff m_tariff;
};

// Ends the run at once, as a termination signal or the end of the desktop session asks: a running
// meter logs its call and stores the totals and its position without waiting for the user to
// answer its summary, and every window is unloaded.
void EndRunNow();
