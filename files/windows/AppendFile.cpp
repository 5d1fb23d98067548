#include "files/AppendFile.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <cerrno>

namespace files {

namespace {

void moveTo(const Descriptor& descriptor, std::uint64_t offset, DWORD from, const std::filesystem::path& file,
            std::uint64_t* reached = nullptr) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(handleOf(descriptor), distance, &position, from)) {
        throwLastError(file);
    }
    if (reached != nullptr) {
        *reached = static_cast<std::uint64_t>(position.QuadPart);
    }
}

} // namespace

// Others may read the file and remove it meanwhile, but not write it. The additions go to the file's
// end, where it is opened and where truncate() leaves it. NTFS journals the new name, and flushing the
// file takes it to the disk.
AppendFile::AppendFile(std::filesystem::path file) : file_(std::move(file)) {
    descriptor_ =
        descriptorOf(::CreateFileW(file_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!descriptor_.isOpen()) {
        throwOpenError(::GetLastError(), file_);
    }
    if (::GetFileType(handleOf(descriptor_)) != FILE_TYPE_DISK) {
        throw FileError(EINVAL, file_);
    }
    moveTo(descriptor_, 0, FILE_END, file_, &size_);
    flushToDisk(descriptor_, file_);
}

void AppendFile::append(std::string_view bytes) {
    writeAll(descriptor_, bytes, file_);
    size_ += bytes.size();
    flushToDisk(descriptor_, file_);
}

void AppendFile::truncate(std::uint64_t size) {
    moveTo(descriptor_, size, FILE_BEGIN, file_);
    if (!::SetEndOfFile(handleOf(descriptor_))) {
        throwLastError(file_);
    }
    flushToDisk(descriptor_, file_);
    size_ = size;
}

} // namespace files
