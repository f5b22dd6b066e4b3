// Test bed of the variable and string commands: the interpreter fixture with statement builders
// for each command, the engine-wide generator and remembered list reset before every test, and a
// helper that runs one script and reads a variable afterwards.
#pragma once

#include <string>

#include "engine/script/variable_commands.h"
#include "interpreter_fixture.h"

namespace kel::testing {

inline Statement SetVar(std::string name, std::string value) {
    return {"Set Variable", {std::move(name), std::move(value)}};
}
inline Statement Evaluate(std::string expression, std::string result) {
    return {"Evaluate Expression", {std::move(expression), std::move(result)}};
}
inline Statement Math(std::string a, std::string b, std::string code, std::string result = "R") {
    return {"Mathematics", {std::move(a), std::move(b), std::move(code), std::move(result)}};
}
inline Statement Parse(std::string source, std::string delimiter, std::string mode,
                       std::string trim = "FALSE", std::string ignoreCase = "FALSE") {
    return {"Parse String",
            {std::move(source), std::move(delimiter), "P1", "P2", std::move(mode), std::move(trim),
             std::move(ignoreCase)}};
}
inline Statement Replace(std::string variable, std::string find, std::string replacement,
                         std::string ignoreCase, std::string all) {
    return {"Replace String",
            {std::move(variable), std::move(find), std::move(replacement), std::move(ignoreCase),
             std::move(all)}};
}
inline Statement ConvertCase(std::string variable, std::string upper) {
    return {"Convert Case", {std::move(variable), std::move(upper)}};
}
inline Statement Extract(std::string variable, std::string code) {
    return {"Extract Path", {std::move(variable), std::move(code)}};
}

class CommandsTest : public InterpreterTest {
  protected:
    void SetUp() override {
        InterpreterTest::SetUp();
        MathematicsRandom() = MathematicsGenerator();
        RememberedVariables().clear();
    }
    // Runs the statements and gives the value of `variable` afterwards.
    std::string RunFor(const std::vector<Statement>& statements, const std::string& variable) {
        Run(statements);
        return GetVariable(variable);
    }
    bool RuntimeErrorShown() const {
        return !boxes.shown.empty() &&
               boxes.shown.back().text.find("Runtime error") != std::string::npos;
    }
};

}  // namespace kel::testing
