// Splitting a GBK text at a delimiter, stepping over double-byte characters whole.
#pragma once

#include <string>
#include <vector>

// The pieces of `text` between occurrences of `delimiter`. An empty text gives no pieces, an empty
// delimiter the whole text as one piece. A piece between two delimiters may be empty; what follows
// the last delimiter is a piece only when it is not empty. The delimiter never matches inside a
// double-byte GBK character.
std::vector<std::string> SplitText(const std::string& text, const std::string& delimiter);
