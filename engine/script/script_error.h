// The one exception type for failures inside a statement or while loading a script: it carries
// the text the user reads in the runtime error box. Portable core.
#pragma once

#include <stdexcept>
#include <string>

namespace kel {

class ScriptError : public std::runtime_error {
public:
    explicit ScriptError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kel
