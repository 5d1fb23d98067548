#pragma once

#include "book/AddressBook.h"

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

// An address book whose reading or writing of the file fails in a way no disk can stage: memory that
// runs out, a library's own exception, anything thrown at all. A failing write has half a list written.
class FailingBook : public book::AddressBook {
public:
    using book::AddressBook::AddressBook;

    std::function<void()> failRead;
    std::function<void()> failWrite;

protected:
    std::optional<files::FileContents> readList() const override {
        if (failRead) {
            failRead();
        }
        return book::AddressBook::readList();
    }
    void writeList(files::ReplacementFile& file) const override {
        if (failWrite) {
            file.write("Half|a|list");
            failWrite();
        }
        book::AddressBook::writeList(file);
    }
};

struct Failure {
    const char* name;
    std::function<void()> raise;
};

// Every kind of failure: out of memory, a standard error, the file's own error, and no std::exception.
inline std::vector<Failure> everyKindOfFailure() {
    return {{"OutOfMemory", [] { throw std::bad_alloc(); }},
            {"StandardError", [] { throw std::length_error("basic_string::_M_create"); }},
            {"FileError", [] { throw book::IoError("E/A-Fehler 5: Input/output error: Adressen.txt"); }},
            {"NoStandardException", [] { throw 42; }}};
}

} // namespace testsupport
