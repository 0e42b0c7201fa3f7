#include "TariffFields.h"

#include "common/Controls.h"
#include "common/Form.h"
#include "common/NumberText.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cmath>

void LoadStoredValue(TextBox* field, UpDown* spinner, const QString& value) {
    if (value.isEmpty())
        return;
    field->setText(value);
    const std::optional<double> number = ParseNumber(value);
    if (!number)
        return;
    if (*number == std::trunc(*number) && *number >= spinner->minimum() &&
        *number <= spinner->maximum()) {
        spinner->setValue(static_cast<int>(*number));
        return;
    }
    const double nearest =
        std::clamp(std::nearbyint(*number), double(spinner->minimum()), double(spinner->maximum()));
    const QSignalBlocker quiet(spinner);
    spinner->setValue(static_cast<int>(nearest));
}

bool IsWholePenniText(const QString& text) {
    bool fits = false;
    const int value = text.toInt(&fits);
    return IsDigits(text) && fits && value <= 999;
}

bool IsTenthsText(const QString& text) {
    return text.size() == 1 && IsDigits(text);
}

void RefuseTyped(TextBox* field, const QString& prompt) {
    platform().messages().show({prompt, Message::Icon::Information});
    field->setFocus();
    field->selectAll();
}

Label* AddCaption(QWidget* parent, const QString& text, int left, int top) {
    auto* caption = new Label(text, parent);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    caption->setGeometry(Form::twips(left), Form::twips(top), caption->sizeHint().width(),
                         Form::twips(315));
    return caption;
}

Label* AddCaptionBefore(QWidget* field, const QString& text) {
    auto* caption = new Label(text, field->parentWidget());
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int width = caption->sizeHint().width();
    caption->setGeometry(field->x() - Form::twips(60) - width, field->y(), width, field->height());
    return caption;
}
