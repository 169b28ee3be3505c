// SplitText over GBK (code page 936) texts.
#include "framework/text_split.h"

namespace {

bool IsGbkLeadByte(unsigned char byte) noexcept
{
    return byte >= 0x81 && byte <= 0xFE;
}

} // namespace

std::vector<std::string> SplitText(const std::string& text, const std::string& delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    if (delimiter.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    std::size_t start = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, delimiter.size(), delimiter) == 0) {
            pieces.push_back(text.substr(start, at - start));
            at += delimiter.size();
            start = at;
            continue;
        }
        at += IsGbkLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
    }
    if (start < text.size())
        pieces.push_back(text.substr(start));
    return pieces;
}
