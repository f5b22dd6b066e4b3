// The dispatch table: command handlers by exact, case-sensitive command name. The flow statements
// (If, Else If, Else, End, Wizard Loop, GoTo Label, Label) are the interpreter's own and never
// looked up here; a name without a handler does nothing. Each command family adds its handlers
// with a Register... function called from BuiltInCommands(). Portable core.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/script/command_context.h"

namespace kel {

using CommandHandler = std::function<void(CommandContext&)>;

class CommandTable {
  public:
    // Adds or replaces the handler of a command name.
    void Add(std::string name, CommandHandler handler);
    // Null when the name has no handler.
    const CommandHandler* Find(const std::string& name) const;

  private:
    std::unordered_map<std::string, CommandHandler> handlers_;
};

// Every built-in command family; built once, shared by all runs.
const CommandTable& BuiltInCommands();

}  // namespace kel
