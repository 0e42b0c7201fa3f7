#pragma once

#include "WindowTest.h"
#include "app/Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "meter/TickTimer.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"

#include <QTimer>

// What a metered call starts from: the tariff in force (penni, with the decimal comma), the
// provider's charge, the alarm limits and the tariff type.
struct CallSetup {
    QString type = QStringLiteral("Tyyppi 1");
    QString puhelu = QStringLiteral("0");
    QString arkisin1 = QStringLiteral("0");
    QString arkisin2 = QStringLiteral("0");
    QString arkisin3 = QStringLiteral("0");
    QString provider{};
    QString kestoTuntia = QStringLiteral("0");
    QString kestoMinuuttia = QStringLiteral("0");
    QString yhteensäTuntia = QStringLiteral("0");
    QString yhteensäMinuuttia = QStringLiteral("0");
    QString yhteydenHinta = QStringLiteral("0");
    QString hinnatYhteensä = QStringLiteral("0");
};
Q_DECLARE_METATYPE(CallSetup)

// The meter's tests start the program as a run does: the setup is stored, the start-up window
// loads the hidden windows, and the tariff in force and the limits are what the setup says. The
// modem's port 1 stays busy, as a connection holds it, until a test lets it go.
class MeterTest : public WindowTest {
protected:
    void startProgram(const CallSetup& setup = {}) {
        store(Keys::Asetukset, Keys::Tyyppi, setup.type);
        if (!setup.provider.isEmpty())
            store(Keys::Asetukset, Keys::Palveluntarjoaja, setup.provider);
        const QString section = setup.type;
        storeAmount(section, QStringLiteral("Puhelu"), setup.puhelu);
        storeAmount(section, QStringLiteral("Arkisin1"), setup.arkisin1);
        if (setup.type == Keys::Tyyppi1) {
            storeAmount(section, QStringLiteral("Arkisin2"), setup.arkisin2);
            storeAmount(section, QStringLiteral("Arkisin3"), setup.arkisin3);
        }
        store(Keys::Asetukset, Keys::KestoTuntia, setup.kestoTuntia);
        store(Keys::Asetukset, Keys::KestoMinuuttia, setup.kestoMinuuttia);
        store(Keys::Asetukset, Keys::KestotYhteensäTuntia, setup.yhteensäTuntia);
        store(Keys::Asetukset, Keys::KestotYhteensäMinuuttia, setup.yhteensäMinuuttia);
        store(Keys::Asetukset, Keys::YhteensäHinta, setup.yhteydenHinta);
        store(Keys::Asetukset, Keys::HinnatYhteensä, setup.hinnatYhteensä);
        platform().ports.busy = {1};
        platform().dialer.entries = {QStringLiteral("Koti")};
        form<Form1>();

        // The same values as the store holds, in case the windows that publish them are not
        // there to do it.
        Form3& tariff = form<Form3>();
        tariff.Puhelu->setText(setup.puhelu);
        tariff.Arkisin1->setText(setup.arkisin1);
        tariff.Arkisin2->setText(setup.arkisin2);
        tariff.Arkisin3->setText(setup.arkisin3);
        tariff.PalvelunTarjoaja->setText(setup.provider.isEmpty() ? QStringLiteral("0")
                                                                  : setup.provider);
        Form4& limits = form<Form4>();
        limits.KestoTuntia->setText(setup.kestoTuntia);
        limits.KestoMinuuttia->setText(setup.kestoMinuuttia);
        limits.YhteensäTuntia->setText(setup.yhteensäTuntia);
        limits.YhteensäMinuuttia->setText(setup.yhteensäMinuuttia);
        limits.YhteydenHinta->setText(setup.yhteydenHinta);
        limits.HinnatYhteensä->setText(setup.hinnatYhteensä);
    }

    // The meter of the tariff type in force, shown as the dialing shows it once connected.
    template <class Meter> Meter& openMeter() {
        Meter& meter = form<Meter>();
        meter.show();
        return meter;
    }

    // The program started on the setup and the meter of its tariff type open.
    MeterWindow& openMeterOn(const CallSetup& setup = {}) {
        startProgram(setup);
        if (setup.type == Keys::Tyyppi2)
            return openMeter<Form22>();
        return openMeter<Form2>();
    }

    void tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            platform().alarm().fire(1);
    }

    // Puts a duration's counters at hours, minutes and seconds, through their own reactions.
    static void setDuration(Label* hours, Label* minutes, Label* seconds, const QStringList& hms) {
        hours->setText(hms.value(0));
        minutes->setText(hms.value(1));
        seconds->setText(hms.value(2));
    }

    // Stores the total duration of earlier calls, given as "hours:minutes:seconds".
    static void storeTotal(const QString& hms) {
        const QStringList parts = hms.split(u':');
        store(Keys::Asetukset, Keys::Tunnit, parts.value(0));
        store(Keys::Asetukset, Keys::Minuutit, parts.value(1));
        store(Keys::Asetukset, Keys::Sekunnit, parts.value(2));
    }

    // The alarms that blink, by the number of their timer, and "S" when the sound repeats.
    static QString raised(const MeterWindow& meter) {
        QString timers;
        for (const auto& [timer, name] : {std::pair{meter.Timer1, u'1'},
                                          {meter.Timer2, u'2'},
                                          {meter.Timer3, u'3'},
                                          {meter.Timer4, u'4'},
                                          {meter.Timer6, u'S'}})
            if (timer->isActive())
                timers += name;
        return timers;
    }

    static QString summary(const QString& duration, const QString& price) {
        return QStringLiteral("Yhteyden kesto: ") + duration +
               QStringLiteral("\nYhteyden hinta: ") + price;
    }

    static bool isLoaded(const char* name) {
        return FormRegistry::instance().isLoaded(QLatin1String(name));
    }

    static QColor textColour(const QWidget* label) {
        return label->palette().color(QPalette::WindowText);
    }

private:
    // A tariff amount is stored as its whole penni and its tenths.
    static void storeAmount(const QString& section, const QString& name, const QString& amount) {
        const QStringList parts = amount.split(u',');
        store(section, name + QStringLiteral(" 1"), parts.value(0));
        store(section, name + QStringLiteral(" 2"), parts.value(1, QStringLiteral("0")));
    }
};
