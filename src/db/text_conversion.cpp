#include "db/text_conversion.h"

#include "framework/text_codec.h"

std::string GbkToUtf8(const std::string& text, unsigned sourceCodePage)
{
    return Utf8FromGbk(text.c_str(), sourceCodePage);
}

std::string Utf8ToGbk(const char* text, unsigned sourceCodePage)
{
    if (!text)
        return {};
    return GbkFromWide(WideFromCodePage(text, sourceCodePage));
}

std::string Utf8TextToGbk(const std::string& text, unsigned sourceCodePage)
{
    return Utf8ToGbk(text.c_str(), sourceCodePage);
}
