// StoredText: the text of one cell, kept in UTF-8, which for the mostly Latin texts people copy takes
// about half the memory of UTF-16. Every UTF-16 unit comes back as it was put, lone surrogates
// included (they are kept as three-byte sequences of their own). Given out whole as UTF-16, straight
// into the caller's buffer, or only its start, for painting.
#pragma once

#include <cstddef>
#include <string>

namespace vsflex {

class StoredText {
public:
    StoredText() = default;
    // Throws std::bad_alloc when there is no memory for it.
    StoredText(const wchar_t* text, std::size_t units);
    explicit StoredText(const std::wstring& text) : StoredText(text.data(), text.size()) {}

    bool empty() const noexcept { return units_ == 0; }
    // The text's length in UTF-16 units.
    std::size_t Units() const noexcept { return units_; }
    // Writes the Units() units of the text to `out`.
    void CopyTo(wchar_t* out) const noexcept;
    std::wstring Wide() const;
    // Appends the whole text to `text`, converted in place.
    void AppendTo(std::wstring& text) const;
    // At most `units` units from the start, never half of a surrogate pair.
    std::wstring Start(std::size_t units) const;

private:
    std::string utf8_;
    std::size_t units_ = 0;
};

} // namespace vsflex
