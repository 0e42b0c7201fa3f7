#pragma once

#include <QString>

class Form;
class Label;
class QWidget;
class TextBox;
class UpDown;

// What the tariff and preference windows share: fields driven by spinners, the texts that the
// user's input is checked against, and the captions beside the fields.

// Puts a stored value into a field and then into the field's spinner; an empty value changes
// neither. A whole number in the spinner's range moves the spinner, whose change reaction then
// writes the field again as the spinner shows it ("07" becomes "7"). Any other value was typed
// by the user, who meant what the field shows, so the field keeps it: a number moves the spinner
// quietly to the nearest value it can hold, and a text that is no number leaves it where it is.
void LoadStoredValue(TextBox* field, UpDown* spinner, const QString& value);

// Whole penni as the spinners give them: digits only, 0 to 999.
bool IsWholePenniText(const QString& text);
// Tenths of a penni: one digit. A second digit would read as hundredths now but, once the
// spinner has taken the value at the next load, as tenths.
bool IsTenthsText(const QString& text);

// Tells the user what to type in a field that holds something else, and selects its text.
void RefuseTyped(TextBox* field, const QString& prompt);

// A caption at its twip position, as high as a field so that its text lines up with the fields
// of the row, and as wide as its text.
Label* AddCaption(QWidget* parent, const QString& text, int left, int top);
// A caption that ends just before the field it names, whatever the width of the font's letters;
// a screen reader reads it as the field's name.
Label* AddCaptionBefore(QWidget* field, const QString& text);
// Moves the controls of a row that a caption runs into to its right, and widens the window to
// match: at some font sizes the letters are wider than the layout allows for.
void MakeRoomForCaptions(Form* window);
// The names a screen reader gives an amount's two fields, whose captions stand around them.
void NameAmount(TextBox* whole, TextBox* tenths, const QString& name);

inline const QString WholePenniPrompt =
    QStringLiteral("Kirjoita penneiksi kokonaisluku väliltä 0–999.");
inline const QString TenthsPrompt =
    QStringLiteral("Kirjoita pilkun jälkeen yksi numero väliltä 0–9.");
