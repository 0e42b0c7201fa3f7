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

void MakeRoomForCaptions(Form* window) {
    QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::sort(controls.begin(), controls.end(),
              [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    const auto sameRow = [](const QWidget* a, const QWidget* b) {
        return std::abs(a->geometry().center().y() - b->geometry().center().y()) < a->height();
    };
    const int gap = Form::twips(60);
    for (const QWidget* caption : controls) {
        if (!qobject_cast<const QLabel*>(caption))
            continue;
        int shift = 0;
        for (const QWidget* next : controls)
            if (next->x() > caption->x() && sameRow(next, caption))
                shift = std::max(shift, caption->geometry().right() + 1 + gap - next->x());
        for (QWidget* next : controls)
            if (shift > 0 && next->x() > caption->x() && sameRow(next, caption))
                next->move(next->x() + shift, next->y());
    }
    int right = window->width();
    for (const QWidget* control : controls)
        right = std::max(right, control->geometry().right() + 1 + Form::twips(120));
    window->setFixedWidth(right);
}

void NameAmount(TextBox* whole, TextBox* tenths, const QString& name) {
    whole->setAccessibleName(name);
    tenths->setAccessibleName(name + QStringLiteral(", kymmenykset"));
}

Label* AddCaptionBefore(QWidget* field, const QString& text) {
    auto* caption = new Label(text, field->parentWidget());
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int width = caption->sizeHint().width();
    caption->setGeometry(field->x() - Form::twips(60) - width, field->y(), width, field->height());
    caption->setBuddy(field);
    return caption;
}
