#pragma once

#include <string>

// A deterministic list of realistic addresses (about 93 bytes a line, CR LF, half of them with a fax
// number), the same on every run.
std::string generateAddressText(int records);
