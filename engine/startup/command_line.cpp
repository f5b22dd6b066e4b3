// Command-line rules of the setup engine (see command_line.h).
#include "engine/startup/command_line.h"

#include "engine/base/ansi_text.h"

namespace kel {
namespace {

bool IsSwitch(std::string_view argument, std::string_view name) {
    return argument.size() == name.size() + 1 && (argument[0] == '/' || argument[0] == '-') &&
           EqualsIgnoreCase(argument.substr(1), name);
}

}  // namespace

CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineOptions options;
    bool logTaken = false, packageTaken = false, gpoTaken = false, sfxTaken = false;
    for (const std::string& argument : arguments) {
        if (IsSwitch(argument, "s") || IsSwitch(argument, "qn")) options.silent = true;
        if (IsSwitch(argument, "update") || IsSwitch(argument, "updatesetup")) options.update = true;

        const std::string lowered = LowerCase(argument);
        // The value is the lower-cased argument without its first three characters, whatever
        // they are ("x/l=y" gives "=y"); the first matching argument wins.
        auto take = [&](bool& taken, std::initializer_list<const char*> markers, std::string& into) {
            if (taken) return;
            for (const char* marker : markers) {
                if (lowered.find(marker) != std::string::npos) {
                    into = lowered.size() > 3 ? lowered.substr(3) : std::string();
                    taken = true;
                    return;
                }
            }
        };
        take(logTaken, {"/l=", "-l="}, options.logFilePath);
        take(packageTaken, {"/p=", "-p="}, options.packageFolderOverride);
        take(gpoTaken, {"/g="}, options.gpoPath);
        take(sfxTaken, {"/m="}, options.sfxPath);

        const std::size_t equals = argument.find('=');
        if (!argument.empty() && argument[0] != '/' && argument[0] != '-' &&
            equals != std::string::npos) {
            options.assignments.push_back(UpperCase(argument.substr(0, equals)));
            options.assignments.push_back(argument.substr(equals + 1));
        }
    }
    return options;
}

std::string CommandLineTail(std::string_view raw) {
    if (!raw.empty() && raw[0] == '"') {
        const std::size_t close = raw.find('"', 1);
        if (close == std::string_view::npos) return {};
        const std::size_t rest = close + 2;  // the quote and the separating blank
        return rest >= raw.size() ? std::string() : std::string(raw.substr(rest));
    }
    const std::size_t blank = raw.find(' ');
    if (blank == std::string_view::npos) return {};
    return std::string(raw.substr(blank + 1));
}

}  // namespace kel
