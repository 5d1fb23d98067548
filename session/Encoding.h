#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Numbers little-endian and texts with their length first: the journal reads the same on every machine.
namespace session {

class Writer {
public:
    void byte(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void number(std::uint32_t value) { wide(value, 4); }
    void number64(std::uint64_t value) { wide(value, 8); }
    void text(std::string_view value) {
        number(static_cast<std::uint32_t>(value.size()));
        bytes_.append(value);
    }
    std::string take() { return std::move(bytes_); }

private:
    void wide(std::uint64_t value, int bytes) {
        for (int at = 0; at < bytes; ++at) {
            bytes_.push_back(static_cast<char>((value >> (8 * at)) & 0xFFU));
        }
    }
    std::string bytes_;
};

// Reading past the end gives zeros and makes ok() false.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::uint8_t byte() { return static_cast<std::uint8_t>(wide(1)); }
    std::uint32_t number() { return static_cast<std::uint32_t>(wide(4)); }
    std::uint64_t number64() { return wide(8); }
    std::string_view text() {
        const std::uint32_t length = number();
        if (length > bytes_.size()) {
            ok_ = false;
            bytes_ = {};
            return {};
        }
        const std::string_view value = bytes_.substr(0, length);
        bytes_.remove_prefix(length);
        return value;
    }
    bool ok() const { return ok_; }
    std::size_t left() const { return bytes_.size(); }

private:
    std::uint64_t wide(std::size_t bytes) {
        if (bytes > bytes_.size()) {
            ok_ = false;
            bytes_ = {};
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t at = 0; at < bytes; ++at) {
            value |= std::uint64_t{static_cast<unsigned char>(bytes_[at])} << (8 * at);
        }
        bytes_.remove_prefix(bytes);
        return value;
    }
    std::string_view bytes_;
    bool ok_ = true;
};

} // namespace session
