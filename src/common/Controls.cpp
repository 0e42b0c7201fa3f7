#include "Controls.h"

#include <QMouseEvent>
#include <QToolButton>

namespace {

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Whether the two texts differ only in digits that stand where digits stood.
bool SameButDigits(const QString& before, const QString& after) {
    if (before.size() != after.size())
        return false;
    for (qsizetype i = 0; i < before.size(); ++i)
        if (before[i] != after[i] && !(IsDigit(before[i]) && IsDigit(after[i])))
            return false;
    return true;
}

bool DigitsOfOneWidth(const QFontMetrics& metrics) {
    const int width = metrics.horizontalAdvance(QChar(u'0'));
    for (char16_t digit = u'1'; digit <= u'9'; ++digit)
        if (metrics.horizontalAdvance(QChar(digit)) != width)
            return false;
    return true;
}

} // namespace

Label::Label(const QString& designText, QWidget* parent) : QLabel(designText, parent) {}

void Label::setText(const QString& text) {
    // A size hint lays the text out in full. The meter's values change every second, nearly
    // always a digit for a digit, which in an unkerned font whose digits are all of one width
    // leaves the width as it was: then nothing is measured. Otherwise the size is fitted again
    // only when the width differs.
    const bool sameWidth = m_evenDigits && SameButDigits(QLabel::text(), text);
    QLabel::setText(text);
    if (m_autoSize && !sameWidth) {
        const int advance = fontMetrics().horizontalAdvance(text);
        if (advance != m_advance) {
            m_advance = advance;
            adjustSize();
        }
    }
    emit changed();
}

void Label::setAutoSize(bool on) {
    m_autoSize = on;
    if (on) {
        // Kerning would make a text's width depend on which digits stand side by side.
        QFont unkerned;
        unkerned.setKerning(false);
        setFont(unkerned);
        fitToFont();
    }
}

void Label::fitToFont() {
    m_evenDigits = m_autoSize && DigitsOfOneWidth(fontMetrics());
    m_advance = fontMetrics().horizontalAdvance(text());
    adjustSize();
}

void Label::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_autoSize)
        fitToFont();
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TextBox::TextBox(const QString& designText, QWidget* parent) : QLineEdit(designText, parent) {
    connect(this, &QLineEdit::textEdited, this, &TextBox::changed);
}

void TextBox::setText(const QString& text) {
    QLineEdit::setText(text);
    emit changed();
}

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
}

UpDown::UpDown(int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_value(value),
      m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setValue(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    emit changed();
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, &DropDownList::click);
}

void DropDownList::fill(const QStringList& items) {
    const QSignalBlocker blocker(this);
    addItems(items);
    setCurrentIndex(-1);
}

void DropDownList::select(int index) {
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    emit click();
}
