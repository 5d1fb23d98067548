#include "CsvRecords.h"

#include <algorithm>
#include <array>

namespace exchange {

namespace {

std::size_t lineBreaksIn(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++breaks;
        }
    }
    return breaks;
}

} // namespace

char detectSeparator(std::string_view firstLine) {
    constexpr std::array<char, 3> Candidates = {',', ';', '\t'};
    std::array<std::size_t, 3> counts{};
    bool quoted = false;
    for (const char c : firstLine) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\r' || c == '\n')) {
            break;
        } else if (!quoted) {
            for (std::size_t i = 0; i < Candidates.size(); ++i) {
                counts[i] += c == Candidates[i] ? 1U : 0U;
            }
        }
    }
    return Candidates[static_cast<std::size_t>(std::ranges::max_element(counts) - counts.begin())];
}

CsvRecordReader::CsvRecordReader(std::string_view text, char separator)
    : text_(text), separator_(separator) {}

void CsvRecordReader::skipLine() {
    const std::size_t end = std::min(text_.find_first_of("\r\n", position_), text_.size());
    position_ = end + (text_.substr(end, 2) == "\r\n" ? 2 : end < text_.size() ? 1 : 0);
    ++line_;
}

bool CsvRecordReader::readQuoted(std::string& field) {
    ++position_; // the opening quote
    while (true) {
        const std::size_t quote = text_.find('"', position_);
        if (quote == std::string_view::npos) {
            return false;
        }
        const std::string_view run = text_.substr(position_, quote - position_);
        field += run;
        line_ += lineBreaksIn(run);
        position_ = quote + 1;
        if (position_ < text_.size() && text_[position_] == '"') {
            field += '"';
            ++position_;
        } else {
            return true;
        }
    }
}

CsvRecordReader::Outcome CsvRecordReader::next(std::vector<std::string>& fields, std::size_t& line) {
    if (position_ >= text_.size()) {
        return Outcome::End;
    }
    line = line_;
    fields.assign(1, std::string());
    bool fieldStart = true;
    const char stops[] = {separator_, '\r', '\n', '\0'};
    while (position_ < text_.size()) {
        const char c = text_[position_];
        if (fieldStart && c == '"') {
            fieldStart = false;
            if (!readQuoted(fields.back())) {
                position_ = text_.size();
                return Outcome::UnclosedQuote;
            }
        } else if (c == separator_) {
            fields.emplace_back();
            fieldStart = true;
            ++position_;
        } else if (c == '\r' || c == '\n') {
            position_ += c == '\r' && text_.substr(position_, 2) == "\r\n" ? 2U : 1U;
            ++line_;
            return Outcome::Record;
        } else {
            const std::size_t stop =
                std::min(text_.find_first_of(std::string_view(stops, 3), position_), text_.size());
            fields.back() += text_.substr(position_, stop - position_);
            position_ = stop;
            fieldStart = false;
        }
    }
    return Outcome::Record;
}

} // namespace exchange
