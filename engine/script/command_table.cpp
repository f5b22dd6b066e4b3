// The dispatch table and the list of built-in command families (see command_table.h).
#include "engine/script/command_table.h"

#include "engine/script/immediate_commands.h"
#include "engine/script/string_commands.h"
#include "engine/script/temporary_file_command.h"
#include "engine/script/variable_commands.h"

namespace kel {

void CommandTable::Add(std::string name, CommandHandler handler) {
    handlers_[std::move(name)] = std::move(handler);
}

const CommandHandler* CommandTable::Find(const std::string& name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

const CommandTable& BuiltInCommands() {
    static const CommandTable table = [] {
        CommandTable built;
        RegisterImmediateCommands(built);
        RegisterVariableCommands(built);
        RegisterStringCommands(built);
        RegisterTemporaryFileCommand(built);
        return built;
    }();
    return table;
}

}  // namespace kel
