#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

class QToolButton;

// The program's controls hold its state in their texts, and a write to a text runs the control's
// change reaction at once, before the writer's next statement. Qt only signals real changes, and
// only after the fact for some writers, so these controls emit `changed` themselves on every write.

// A label, also used as a hidden state field. The text given at construction is its design-time
// text and runs no reaction.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& designText = {}, QWidget* parent = nullptr);

    void setText(const QString& text);
    // Value labels that grow to the right as their text grows.
    void setAutoSize(bool on);

signals:
    void changed();
    void clicked();

protected:
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitToFont();

    bool m_autoSize = false;
    // The width of the text the size was last fitted to.
    int m_advance = 0;
    // Every digit is as wide as any other in the label's font, which is not kerned.
    bool m_evenDigits = false;
};

// A one-line text box; typing and program writes alike emit `changed`.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(const QString& designText = {}, QWidget* parent = nullptr);

    void setText(const QString& text);

signals:
    void changed();
};

// A push button that, unlike a dialog's default buttons, does not react to Enter in other fields.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);
};

// A spin control: two arrows with a whole-number value in a range, stepping by one without
// wrapping. It is not bound to any field: its change event is the only link, and it fires
// whenever the value changes, also when the program sets it.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(int minimum, int maximum, int value, QWidget* parent = nullptr);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Values outside the range are held at its nearest end.
    void setValue(int value);
    void stepUp() { setValue(m_value + 1); }
    void stepDown() { setValue(m_value - 1); }

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_minimum;
    int m_maximum;
    int m_value;
    QToolButton* m_up;
    QToolButton* m_down;
};

// A drop-down list whose selection is made only by the program's load steps or by the user:
// filling it selects nothing, and selecting an item (even the selected one again) emits `click`.
class DropDownList : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownList(QWidget* parent = nullptr);

    void fill(const QStringList& items);
    void select(int index);

signals:
    void click();
};
