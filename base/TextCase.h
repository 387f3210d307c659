// Case-insensitive comparison of ANSI texts, as registry names and collection keys compare.
#pragma once
#include <string>
#include <string_view>

namespace TextCase {
// The text in lower case by the system's ANSI code page rules.
std::string Lower(std::string_view text);
std::string Upper(std::string_view text);
bool Equal(std::string_view a, std::string_view b);
// True when `text` begins with `prefix`, ignoring case.
bool StartsWith(std::string_view text, std::string_view prefix);
// True when `text` ends with `suffix`, ignoring case (a file's extension: EndsWith(path, ".exe")).
bool EndsWith(std::string_view text, std::string_view suffix);
char LowerChar(char c);
}  // namespace TextCase
