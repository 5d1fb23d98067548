#include "FieldGuard.h"

#include "book/CodePage.h"

#include <QApplication>
#include <QLineEdit>

#include <algorithm>

namespace ui {

bool isStorable(char32_t character) {
    const bool control = character < 0x20 || (character >= 0x7F && character <= 0x9F);
    return !control && character != U'|' && book::fromUnicode(character).has_value();
}

namespace {

// The stretch [begin, end) of the new text that differs from the old one, on whole characters.
struct Change {
    qsizetype begin;
    qsizetype end;
};

Change changeBetween(const QString& before, const QString& after) {
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype begin = 0;
    while (begin < shorter && before[begin] == after[begin]) {
        ++begin;
    }
    qsizetype common = 0;
    while (common < shorter - begin &&
           before[before.size() - 1 - common] == after[after.size() - 1 - common]) {
        ++common;
    }
    qsizetype end = after.size() - common;
    if (begin > 0 && after[begin - 1].isHighSurrogate()) {
        --begin;
    }
    if (end < after.size() && after[end].isLowSurrogate()) {
        ++end;
    }
    return {begin, end};
}

} // namespace

FieldGuard::FieldGuard(QLineEdit& field) : QValidator(&field), field_(field), before_(field.text()) {
    connect(&field, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
    field.setValidator(this);
}

QValidator::State FieldGuard::validate(QString& input, int& cursor) const {
    if (!field_.isVisible()) {
        return Acceptable;
    }
    const Change change = changeBetween(before_, input);
    QString kept;
    int droppedBeforeCursor = 0;
    for (qsizetype at = change.begin; at < change.end;) {
        const bool pair =
            input[at].isHighSurrogate() && at + 1 < change.end && input[at + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const char32_t character =
            pair ? QChar::surrogateToUcs4(input[at], input[at + 1]) : input[at].unicode();
        if (isStorable(character)) {
            kept.append(QStringView(input).sliced(at, length));
        } else if (at < cursor) {
            droppedBeforeCursor += static_cast<int>(length);
        }
        at += length;
    }
    if (kept.size() == change.end - change.begin) {
        return Acceptable;
    }
    input.replace(change.begin, change.end - change.begin, kept);
    cursor -= droppedBeforeCursor;
    QApplication::beep();
    return Acceptable;
}

} // namespace ui
