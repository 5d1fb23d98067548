#include "CommandLine.h"

#include <algorithm>
#include <optional>

namespace {

// The toolkit's own options, which its application object takes out of the arguments later: the window
// must still start with them (a session manager restarts it with -session ID). Qt takes "--name" for
// "-name" too.
constexpr std::array<std::string_view, 16> ToolkitOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin",       "qwindowgeometry",
    "geometry", "qwindowicon",        "icon",          "qwindowtitle", "title",
    "style",    "stylesheet",         "session",       "display",      "name",
    "visual"};
constexpr std::array<std::string_view, 5> ToolkitFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                                          "qmljsdebugger"};

std::string_view withoutDashes(std::string_view argument) {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    return argument.substr(0, argument.find('='));
}

bool among(std::span<const std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string argumentText(const OptionRow& option) {
    return std::string(option.name) + (option.arguments.empty() ? "" : " ") + std::string(option.arguments);
}

CommandLine wrong(std::string why) {
    CommandLine line;
    line.error = std::move(why);
    return line;
}

std::string_view operandNoun(const OptionRow& option) {
    return option.takes == OptionRow::Takes::OptionalUrl ? "URL" : "file";
}

// The option of the action that a qualifying option goes with (--sync for --user).
const OptionRow& actionOption(CommandLine::Action action) {
    return *std::find_if(Options.begin(), Options.end(),
                         [action](const OptionRow& row) { return row.action == action && !row.qualifies(); });
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine line;
    const OptionRow* chosen = nullptr;
    const OptionRow* qualifier = nullptr;    // the first one given
    std::optional<std::string_view> operand; // FILE or URL
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        if (!argument.starts_with('-') || argument == "-") {
            if (operand) {
                return wrong(chosen ? std::string(chosen->name) + " takes one " +
                                          std::string(operandNoun(*chosen))
                                    : "one file at a time");
            }
            operand = argument;
            continue;
        }
        const auto option = std::find_if(Options.begin(), Options.end(),
                                         [argument](const OptionRow& row) { return row.name == argument; });
        if (option == Options.end()) {
            const std::string_view toolkit = withoutDashes(argument);
            if (among(ToolkitOptionsWithValue, toolkit) && argument.find('=') == std::string_view::npos) {
                ++at; // its value
            } else if (!among(ToolkitOptionsWithValue, toolkit) && !among(ToolkitFlags, toolkit)) {
                return wrong("unknown option " + std::string(argument));
            }
            continue;
        }
        if (option->action == CommandLine::Action::Help || option->action == CommandLine::Action::Version) {
            CommandLine answer;
            answer.action = option->action;
            return answer;
        }
        if (option->qualifies()) {
            if (option->text) {
                if (at + 1 == arguments.size() || arguments[at + 1].empty()) {
                    return wrong(std::string(option->name) + " needs a " + std::string(option->arguments));
                }
                line.*(option->text) = arguments[++at];
            } else {
                line.*(option->flag) = true;
            }
            qualifier = qualifier ? qualifier : &*option;
            continue;
        }
        if (chosen) {
            return wrong("one option at a time: " + std::string(chosen->name) + " and " +
                         std::string(argument));
        }
        chosen = &*option;
        if (option->takes == OptionRow::Takes::File) {
            if (operand) {
                return wrong(std::string(option->name) + " takes one file");
            }
            if (at + 1 == arguments.size() || arguments[at + 1].empty()) {
                return wrong(std::string(option->name) + " needs a FILE");
            }
            operand = arguments[++at];
        }
        line.action = option->action;
    }
    if (qualifier && (!chosen || chosen->action != qualifier->action)) {
        return wrong(std::string(qualifier->name) + " goes with " +
                     std::string(actionOption(qualifier->action).name));
    }
    if (operand) {
        const bool url = line.action == CommandLine::Action::Sync;
        if (operand->empty()) {
            return wrong(url ? "an empty URL" : "an empty file name");
        }
        if (url) {
            line.url = *operand;
        } else {
            line.file = *operand;
        }
    }
    return line;
}

std::string usageText() {
    std::size_t width = 0;
    for (const OptionRow& option : Options) {
        width = std::max(width, argumentText(option).size());
    }
    std::string text = "Usage: numberwell [FILE]\n"
                       "       numberwell OPTION\n";
    // An option with options of its own: "numberwell --sync [URL] [--user NAME] ...".
    for (const OptionRow& option : Options) {
        if (option.qualifies()) {
            continue;
        }
        std::string qualifiers;
        for (const OptionRow& qualifier : Options) {
            if (qualifier.qualifies() && qualifier.action == option.action) {
                qualifiers += " [" + argumentText(qualifier) + "]";
            }
        }
        if (!qualifiers.empty()) {
            text += "       numberwell " + argumentText(option) + qualifiers + '\n';
        }
    }
    text += "The address list in a window; a vCard or CSV FILE opened with it adds its contacts.\n\n";
    for (const OptionRow& option : Options) {
        const std::string argument = argumentText(option);
        text +=
            "  " + argument + std::string(width - argument.size() + 3, ' ') + std::string(option.help) + '\n';
    }
    return text;
}
