#include "app/Form1.h"
#include "app/Globals.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "dialup/Form5.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <algorithm>

// The call itself: checking the fields, dialing, and turning the dial-up component's reports into
// what the user sees.

namespace {

constexpr qint32 OletusOdotus = 60;

// The states that only add their line to the status list.
struct StatusLine {
    QStringView state;
    QStringView line;
};
constexpr StatusLine TilaRivit[] = {
    {DialStates::OpenPort.text, u"Avataan Portti"},
    {DialStates::ConnectDevice.text, u"Kytketään Laite"},
    {DialStates::DeviceConnected.text, u"Laite Kytketty"},
    {DialStates::AllDevicesConnected.text, u"Kaikki Laitteet Kytketty"},
    {DialStates::StartAuthentication.text, u"Tarkistetaan Käyttöoikeudet"},
    {DialStates::LogonNetwork.text, u"Liitytään Verkkoon"},
    {DialStates::PortOpened.text, u"Portti Avattu"},
};

// Whether the component's state text is this state's, exactly.
bool Is(const QString& text, const DialState& state) {
    return text == QStringView(state.text);
}

void Ilmoita(const QString& text) {
    platform().messages().show({text, Message::Icon::Information});
}

void LisääRivi(const QString& line) {
    form<Form5>().List1->insertItem(0, line);
}

// A failed call: the error, then the dialing window closes and the start-up window comes back
// with its fields as the user left them, ready for another try.
void Lopeta(const QString& error) {
    Message message{error, Message::Icon::Critical};
    message.systemModal = true;
    platform().messages().show(message);
    unload<Form5>();
    form<Form1>().show();
}

void OdotaUudelleenSoittoa(const QString& status) {
    Form5& dialing = form<Form5>();
    dialing.Label3->setText(status);
    dialing.lblOdotetaan->setText(QString::number(OdotetaanSekunnit));
    if (!dialing.Timer1->isActive())
        dialing.Timer1->start();
}

} // namespace

void Form1::Command1_Click() {
    const QString odotetaan = GetSetting(Keys::App, Keys::Asetukset, Keys::Odotetaan, {});
    // A wait that is no number counts as no wait set at all. A wait below one second would
    // redial inside the busy report itself, with no countdown the user could see or cancel.
    OdotetaanSekunnit = odotetaan.isEmpty()
                            ? OletusOdotus
                            : std::max(1, WholeNumberFromText(odotetaan).value_or(OletusOdotus));

    if (Combo1->currentText().isEmpty()) {
        Ilmoita(QStringLiteral("Valitse käytettävä yhteys."));
        Combo1->setFocus();
        return;
    }
    if (Text2->text().isEmpty()) {
        Ilmoita(QStringLiteral("Kirjoita käyttäjän nimi."));
        Text2->setFocus();
        return;
    }
    if (Text3->text().isEmpty()) {
        Ilmoita(QStringLiteral("Kirjoita salasana."));
        Text3->setFocus();
        return;
    }

    mRAS1.setEntry(Combo1->currentText());
    mRAS1.setUserName(Text2->text());
    mRAS1.setPassword(Text3->text());
    hide();
    Form5& dialing = form<Form5>();
    dialing.setWindowTitle(Combo1->currentText().toUpper().trimmed());
    dialing.show();
    mRAS1.Dial();
}

void Form1::mRAS1_Progress(int ConnectState) {
    // Reports that come after the dialing window has closed belong to no call of ours: a
    // cancelled one, or the connection the meter now watches.
    const Form5* dialing = FormRegistry::instance().loaded<Form5>();
    if (!dialing || !dialing->isVisible())
        return;

    const QString state = mRAS1.StateText();
    for (const StatusLine& row : TilaRivit) {
        if (state == row.state) {
            LisääRivi(row.line.toString());
            return;
        }
    }
    using namespace DialStates;
    if (Is(state, NoDialtone)) {
        Lopeta(QStringLiteral("Ei soittoääntä. Tarkista kytkentä."));
        LisääRivi(QStringLiteral("*** EI SOITTOÄÄNTÄ *** Tarkista kytkentä"));
    } else if (Is(state, LineBusy)) {
        LisääRivi(QStringLiteral("Linja On Varattu"));
        OdotaUudelleenSoittoa(QStringLiteral("Linja oli varattu..."));
    } else if (Is(state, VoiceAnswer)) {
        Lopeta(QStringLiteral("Numerossa vastasi äänipuhelin."));
        LisääRivi(QStringLiteral("Numerossa Vastasi Äänipuhelin"));
    } else if (Is(state, NoAnswer)) {
        LisääRivi(QStringLiteral("Ei vastausta"));
        OdotaUudelleenSoittoa(QStringLiteral("Numero ei vastannut..."));
    } else if (Is(state, NoCarrier) || Is(state, Disconnected)) {
        LisääRivi(QStringLiteral("Yhteys katkesi"));
        Lopeta(QStringLiteral("Yhteys katkesi."));
    } else {
        LisääRivi(QString::number(ConnectState) + u' ' + state +
                  QStringLiteral(" [ Ilmoita ohjelman tekijälle ]"));
    }
}

void Form1::mRAS1_Done() {
    const QString tyyppi = GetSetting(Keys::App, Keys::Asetukset, Keys::Tyyppi, {});
    if (mRAS1.StateCode() != StateConnected)
        return;
    unload<Form5>();
    // The settings window treats every type but "Tyyppi 2" as type 1, and so does the tariff in
    // force; a connected call always gets a meter, or the user would have no window at all.
    if (tyyppi == Keys::Tyyppi2)
        form<Form22>().show();
    else
        form<Form2>().show();
    platform().sound().play(platform().environment().dataFolder() + QStringLiteral("/yhteys.wav"));
}
