#include "TariffEditor.h"

#include "Form3.h"
#include "Form4.h"
#include "TariffFields.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "settings/SettingsStore.h"

#include <QTimer>

TariffEditor::TariffEditor(const QString& type)
    : Timer1(new QTimer(this)), Command1(new CommandButton(QStringLiteral("&Ok"), this)),
      m_type(type) {
    setWindowTitle(QStringLiteral("Hinnat [ %1 ]").arg(type));
    Timer1->setInterval(50);
    // Enabled from the window's load on: it fires once, after the load steps.
    Timer1->start();
    connect(Timer1, &QTimer::timeout, this, &TariffEditor::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, &TariffEditor::Command1_Click);
}

void TariffEditor::Form_Load() {
    for (const Amount& amount : std::as_const(m_amounts)) {
        LoadStoredValue(amount.whole, amount.wholeSpinner,
                        GetSetting(Keys::App, m_type, amount.wholeKey, {}));
        LoadStoredValue(amount.tenths, amount.tenthsSpinner,
                        GetSetting(Keys::App, m_type, amount.tenthsKey, {}));
    }
}

void TariffEditor::Form_Unload() {
    // An unloaded editor's fields are discarded edits; they must never reach the store.
    Timer1->stop();
}

void TariffEditor::Timer1_Timer() {
    Timer1->stop();
    storeAndPublish();
}

void TariffEditor::Command1_Click() {
    if (const auto bad = firstBadField()) {
        RefuseTyped(bad->first, bad->second);
        return;
    }
    storeAndPublish();
    FormRegistry::instance().unload(this);
}

void TariffEditor::storeAndPublish() {
    for (const Amount& amount : std::as_const(m_amounts)) {
        SaveSetting(Keys::App, m_type, amount.wholeKey, amount.whole->text());
        SaveSetting(Keys::App, m_type, amount.tenthsKey, amount.tenths->text());
    }
    if (form<Form4>().Combo2->currentText() == m_type)
        putInForce();
}

namespace {

// The tariff in force holds each amount as its whole penni, a comma and its tenths.
QString AmountText(const TextBox* whole, const TextBox* tenths) {
    return whole->text() + u',' + tenths->text();
}

} // namespace

void TariffEditor::putInForce() const {
    Form3& tariff = form<Form3>();
    for (const Amount& amount : m_amounts)
        (tariff.*amount.inForce)->setText(AmountText(amount.whole, amount.tenths));
}

double TariffEditor::amount(TextBox* Form3::*inForce) const {
    for (const Amount& amount : m_amounts)
        if (amount.inForce == inForce)
            return NumberFromText(AmountText(amount.whole, amount.tenths));
    return 0;
}

std::optional<std::pair<TextBox*, QString>> TariffEditor::firstBadField() const {
    for (const Amount& amount : m_amounts) {
        if (!IsWholePenniText(amount.whole->text()))
            return std::pair{amount.whole, WholePenniPrompt};
        if (!IsTenthsText(amount.tenths->text()))
            return std::pair{amount.tenths, TenthsPrompt};
    }
    return std::nullopt;
}
