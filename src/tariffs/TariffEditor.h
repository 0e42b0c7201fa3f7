#pragma once

#include "common/Controls.h"
#include "common/Form.h"

#include <QList>
#include <optional>
#include <utility>

class Form3;
class QTimer;

// What the two tariff editors share. Each amount is a whole-penni field and a tenths field with a
// spinner each; the editor reads them from its own section when it loads, writes them back once
// 50 ms later and again on "&Ok", and puts them in force whenever its type is the one in force.
class TariffEditor : public Form {
    Q_OBJECT
public:
    void Form_Load() override;
    void Form_Unload() override;

    QTimer* Timer1;
    CommandButton* Command1;

    void Timer1_Timer();
    void Command1_Click();

    // Puts the amounts the fields show into the tariff in force.
    void putInForce() const;
    // The amount the fields show for that field of the tariff in force, in penni; 0 for a field
    // the type does not use.
    double amount(TextBox* Form3::*inForce) const;

protected:
    struct Amount {
        TextBox* whole;
        UpDown* wholeSpinner;
        QString wholeKey;
        TextBox* tenths;
        UpDown* tenthsSpinner;
        QString tenthsKey;
        // The field of the tariff in force that shows this amount.
        TextBox* Form3::*inForce;
    };

    // The type names the editor's section in the store as well.
    explicit TariffEditor(const QString& type);
    // In the order the amounts are read, stored and put in force.
    void setAmounts(const QList<Amount>& amounts) { m_amounts = amounts; }

private:
    void storeAndPublish();
    // The first field whose typed text the spinners could not have given, with what to type.
    std::optional<std::pair<TextBox*, QString>> firstBadField() const;

    QString m_type;
    QList<Amount> m_amounts;
};
