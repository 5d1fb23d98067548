#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

namespace ui {

// Whether a field of the address file can hold the character: not the field separator '|', no line
// end, not the end-of-file mark 26 nor any other control character (C0, DEL, C1), and only characters
// that have a Windows-1252 byte.
bool isStorable(char32_t character);

// Keeps out of one field what the address file could not hold. What the user types, pastes or drops
// loses the characters that are not storable, with a beep; the rest of it is taken as it stands.
// Texts the program puts in while the field is hidden (cells of the table) pass unchanged, and so do
// their characters when the user edits elsewhere in the field.
class FieldGuard : public QValidator {
    Q_OBJECT
public:
    // Installs itself on the field, which owns it.
    explicit FieldGuard(QLineEdit& field);

    State validate(QString& input, int& cursor) const override;

private:
    const QLineEdit& field_;
    QString before_; // the field's text before the change under validation
};

} // namespace ui
