#include "StorableText.h"

#include "CloseEquivalents.h"
#include "Utf8.h"
#include "book/CodePage.h"

namespace exchange {

namespace {

bool isLineBreak(char32_t character) {
    return character == '\r' || character == '\n' || character == 0x85 || character == 0x2028 ||
           character == 0x2029;
}

bool isControl(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

class StorableBuilder {
public:
    void add(char32_t character) {
        if (isLineBreak(character)) {
            breakLine();
        } else if (character == '\t') {
            result_.changed = true;
            addByte(' ');
        } else if (isControl(character)) {
            result_.changed = true;
        } else if (isCombiningMark(character)) {
            addMark(character);
        } else if (const auto byte = book::fromUnicode(character)) {
            addByte(*byte);
        } else {
            result_.changed = true;
            for (const char close : closeEquivalent(character).value_or("?")) {
                addByte(static_cast<unsigned char>(close));
            }
        }
    }

    void markChanged() { result_.changed = true; }

    StorableText take() { return std::move(result_); }

private:
    // Blanks around a break go with it, so "a \r\n b" reads "a; b"; breaks at either end just go.
    void breakLine() {
        result_.changed = true;
        while (!result_.bytes.empty() && result_.bytes.back() == ' ') {
            result_.bytes.pop_back();
        }
        afterBreak_ = true;
    }

    void addByte(unsigned char byte) {
        if (afterBreak_) {
            if (byte == ' ') {
                return;
            }
            if (!result_.bytes.empty()) {
                result_.bytes += "; ";
            }
            afterBreak_ = false;
        }
        if (byte == '|') {
            result_.changed = true;
            byte = '/';
        }
        result_.bytes += static_cast<char>(byte);
    }

    // A decomposed accent joins its letter where the code page has the pair as one letter; else it goes.
    void addMark(char32_t mark) {
        if (!afterBreak_ && !result_.bytes.empty()) {
            const auto base = static_cast<unsigned char>(result_.bytes.back());
            if (const auto letter = composedLetter(base, mark)) {
                result_.bytes.back() = static_cast<char>(*letter);
                return;
            }
        }
        result_.changed = true;
    }

    StorableText result_;
    bool afterBreak_ = false;
};

} // namespace

StorableText storableText(std::string_view utf8) {
    StorableBuilder builder;
    for (std::size_t position = 0; position < utf8.size();) {
        const DecodedCharacter decoded = decodeUtf8At(utf8, position);
        if (!decoded.valid) {
            builder.markChanged();
        }
        builder.add(decoded.character);
        position += decoded.length;
    }
    return builder.take();
}

} // namespace exchange
