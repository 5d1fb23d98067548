#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// The separator a CSV file uses, from its first line: the most frequent of ',', ';' and tab outside
// quotes (',' when none occurs).
char detectSeparator(std::string_view firstLine);

// RFC 4180 records: fields split by the separator, records by CRLF, LF or CR; a field that starts
// with '"' runs to the next lone '"', line breaks and separators included, and "" in it is one '"'.
// A quote elsewhere is an ordinary character, as spreadsheets read it.
class CsvRecordReader {
public:
    enum class Outcome { Record, End, UnclosedQuote };

    CsvRecordReader(std::string_view text, char separator);

    // The next record into fields (reused); line is where it starts, from 1.
    Outcome next(std::vector<std::string>& fields, std::size_t& line);

    void skipLine(); // the first line, when it only names the separator

private:
    bool readQuoted(std::string& field);

    std::string_view text_;
    char separator_;
    std::size_t position_ = 0;
    std::size_t line_ = 1;
};

} // namespace exchange
