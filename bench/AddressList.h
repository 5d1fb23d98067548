#pragma once

#include <string>

// A deterministic list of realistic addresses (about 80 bytes a line, CR LF), the same on every run.
std::string generateAddressText(int records);
