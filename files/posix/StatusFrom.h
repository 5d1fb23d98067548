#pragma once

#include "files/FileStatus.h"

#include <sys/stat.h>

namespace files {

FileStatus statusFrom(const struct stat& info);

} // namespace files
