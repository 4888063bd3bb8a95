// A JSON string literal of UTF-8 text, shared by every JSON the programs print.
#pragma once

#include <string>
#include <string_view>

namespace melko {

// The text in double quotes, with quotes, backslashes and control characters escaped.
std::string JsonQuoted(std::string_view text);

}  // namespace melko
