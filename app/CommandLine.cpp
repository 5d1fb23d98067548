#include "CommandLine.h"

namespace {

constexpr std::string_view Usage = "usage: numberwell [FILE.vcf|FILE.csv] | --import FILE | --export FILE";

CommandLine wrong(std::string why) {
    CommandLine line;
    line.error = std::move(why) + "\n" + std::string(Usage);
    return line;
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    if (arguments.empty()) {
        return {};
    }
    const std::string_view first = arguments.front();
    if (first == "--import" || first == "--export") {
        if (arguments.size() != 2 || arguments[1].empty()) {
            return wrong(std::string(first) + " takes one file");
        }
        return {first == "--import" ? CommandLine::Action::Import : CommandLine::Action::Export,
                std::filesystem::path(arguments[1]),
                {}};
    }
    if (first.starts_with('-') && first != "-") {
        return wrong("unknown option " + std::string(first));
    }
    if (arguments.size() > 1) {
        return wrong("one file at a time");
    }
    return {CommandLine::Action::Window, std::filesystem::path(first), {}};
}
