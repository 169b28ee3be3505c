// Calls by address, over the one call by argument words.
#include "desktop/function_call.h"

#include "framework/word_call.h"

std::uint32_t CallFunctionPointer(std::uintptr_t function, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                                  std::uint32_t a4, std::uint32_t a5, std::uint32_t a6, std::uint32_t a7,
                                  std::uint32_t a8, std::uint32_t a9, std::uint32_t a10) noexcept
{
    const std::uint32_t words[] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10};
    return static_cast<std::uint32_t>(CallWithWords(function, words, 10));
}

std::uintptr_t ByteSetAddress(const ByteSet& bytes) noexcept
{
    return reinterpret_cast<std::uintptr_t>(bytes.Data());
}

std::uintptr_t TextAddress(const std::string& text) noexcept
{
    return text.empty() ? 0 : reinterpret_cast<std::uintptr_t>(text.c_str());
}
