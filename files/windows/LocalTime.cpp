#include "files/LocalTime.h"

namespace files {

std::tm localTime(std::time_t moment) {
    std::tm local{};
    ::localtime_s(&local, &moment);
    return local;
}

} // namespace files
