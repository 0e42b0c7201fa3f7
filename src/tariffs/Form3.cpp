#include "Form3.h"

#include "Form4.h"
#include "TariffFields.h"
#include "common/FormRegistry.h"

Form3::Form3()
    : Puhelu(new TextBox(QStringLiteral("0"), this)),
      Arkisin1(new TextBox(QStringLiteral("0"), this)),
      Arkisin2(new TextBox(QStringLiteral("0"), this)),
      Arkisin3(new TextBox(QStringLiteral("0"), this)),
      PalvelunTarjoaja(new TextBox(QStringLiteral("0"), this)) {
    setWindowTitle(QStringLiteral("Hinnat"));
    setClientSizeTwips(5700, 2820);

    const struct {
        const char* caption;
        TextBox* field;
        const char* unit;
        int top;
    } rows[] = {
        {"Puhelu", Puhelu, "penniä / puhelu", 240},
        {"07.00 - 17.00", Arkisin1, "penniä / minuutti", 960},
        {"17.00 - 07.00", Arkisin2, "penniä / ensimmäinen 30 minuuttia", 1380},
        {"Ylimenevä aika", Arkisin3, "penniä / minuutti", 1800},
        {"Palveluntarjoaja", PalvelunTarjoaja, "penniä / minuutti", 2340},
    };
    const QString weekdays = QStringLiteral("Arkisin");
    AddCaption(this, weekdays, 240, 660);
    for (const auto& row : rows) {
        const QString caption = QString::fromUtf8(row.caption), unit = QString::fromUtf8(row.unit);
        AddCaption(this, caption, 240, row.top);
        place(row.field, 1560, row.top, 735, 315);
        AddCaption(this, unit, 2400, row.top);
        // The two rows of hours under "Arkisin" are read with it.
        const bool weekday = row.top > 660 && row.top < 1800;
        row.field->setAccessibleName((weekday ? weekdays + u' ' : QString()) + caption +
                                     QStringLiteral(": ") + unit);
    }

    connect(PalvelunTarjoaja, &TextBox::changed, this, &Form3::PalvelunTarjoaja_Change);
}

void Form3::PalvelunTarjoaja_Change() {
    form<Form4>().Label12->setText(PalvelunTarjoaja->text() + PenniäMinuutissa);
}
