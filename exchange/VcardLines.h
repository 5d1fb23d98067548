#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

struct ContentLine {
    std::size_t number; // of its first line in the file, from 1
    std::string_view text;
    std::string_view raw; // the lines as they stand in the file, folds and line ends included
};

// The content lines of a vCard file, unfolded: a line that starts with a blank or a tab continues the
// one before, and a quoted-printable value that ends in '=' continues on the next line.
class ContentLineReader {
public:
    explicit ContentLineReader(std::string_view bytes);

    // The next line; its text stays valid until the next call.
    std::optional<ContentLine> next();

private:
    struct PhysicalLine {
        std::string_view text;
        std::size_t end; // where the line after it starts
    };
    PhysicalLine lineAt(std::size_t position) const;
    void append(std::string_view text);
    bool isQuotedPrintable();

    std::string_view bytes_;
    std::size_t position_ = 0;
    std::size_t lineNumber_ = 0;
    std::string_view current_;
    std::string unfolded_; // holds current_ once it spans several lines
    std::optional<bool> quotedPrintable_;
};

struct Parameter {
    std::string_view name;  // empty for a bare 2.1 value such as ";HOME;PREF"
    std::string_view value; // quotes removed
    std::string_view text;  // as it stands in the line, quotes and all
};

// name;param=value;...:value, with an optional group before the name ("item1.EMAIL").
struct PropertyLine {
    std::string_view group;
    std::string_view name;
    std::vector<Parameter> parameters;
    std::string_view value;
};

// False for a line with no name or no ':' after it. Reuses the parameter list of `line`.
bool parsePropertyLine(std::string_view text, PropertyLine& line);

} // namespace exchange
