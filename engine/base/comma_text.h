// Comma text: the one-line form of a list of texts in which the whole variable store crosses the
// plug-in boundary (snapshot and restore). Portable core, standard library only.
//
// Writing: the items in order, separated by ",". An item is written between double quotes, with
// every double quote inside it doubled, when it contains a character with code 0 to 32, a double
// quote or a comma; otherwise it is written as it is. A list of one empty item is written as "".
//
// Parsing: characters 1 to 32 before and between items are skipped. An item that starts with a
// double quote ends at its closing quote (a doubled quote stands for one quote; a missing closing
// quote takes the rest of the text); any other item ends at a comma or at a character with code
// 32 or less. A comma at the very end of the text yields a final empty item. A NUL character
// outside a quoted item ends the text, as it ends the C string the format was made for; inside a
// quoted item it is kept, so every list the writer produces parses back to the same items.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel {

std::string WriteCommaText(const std::vector<std::string>& items);
std::vector<std::string> ParseCommaText(std::string_view text);

}  // namespace kel
