#include "FailureText.h"

#include "book/AddressBook.h"
#include "files/FileError.h"

namespace synchronise {

QString failureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const files::FileError& error) {
        return QString::fromUtf8(book::toIoError(error).what());
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
    }
    return QStringLiteral("The sync failed for an unknown reason");
}

} // namespace synchronise
