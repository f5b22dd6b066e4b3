// Fuzz target: the compiled script loader over arbitrary bytes. A malformed script may only end in
// kel::ScriptError; then the lookups every command makes must hold up on whatever was loaded.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"

namespace {

void Probe(const kel::ScriptModel& model) {
    const std::size_t statements = std::min<std::size_t>(model.StatementCount(), 16);
    for (std::size_t i = 0; i < statements; ++i) {
        const std::string& id = i < model.ids.Count() ? model.ids[i] : model.commands[i];
        for (std::size_t k = 0; k < 10; ++k) {
            try {
                (void)model.GetStatementParameter(id, k);
            } catch (const kel::ScriptError&) {
                break;  // read past the end of the parameter list
            }
        }
        (void)model.SourceOf(i);
        (void)model.GetCommandHeader(i, /*required=*/false);
        (void)model.IsCommented(i);
    }
    (void)model.GetStatementParameter("{no such identifier}", 3);
    (void)model.SourceOf(model.StatementCount());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kel::ScriptModel model;
    try {
        kel::LoadScript(bytes, model);
    } catch (const kel::ScriptError&) {
        return 0;
    }
    Probe(model);
    return 0;
}
