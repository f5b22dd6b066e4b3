// Fuzz target: the expression evaluator over arbitrary bytes. It must answer one of its three
// words for every text, and the syntax check must agree with the evaluation it stands for.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/vars/expression_evaluator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string result = kel::EvaluateExpression(text);
    if (result != kel::kExpressionTrue && result != kel::kExpressionFalse &&
        result != kel::kExpressionError) {
        __builtin_trap();
    }
    std::string quoted(text);
    for (char& c : quoted) {
        if (c == '$') c = '"';
    }
    const bool accepted = kel::CheckExpressionSyntax(text);
    if (accepted != (kel::EvaluateExpression(quoted) != kel::kExpressionError)) __builtin_trap();
    return 0;
}
