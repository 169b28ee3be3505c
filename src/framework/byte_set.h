// ByteSet: a counted block of bytes owned by the variable that holds it (pictures, embedded images,
// cipher keys, column blobs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class ByteSet {
public:
    ByteSet() = default;
    explicit ByteSet(std::size_t size) : bytes_(size, 0) {}
    ByteSet(const void* data, std::size_t size)
        : bytes_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size) {}
    static ByteSet FromText(std::string_view text) { return ByteSet(text.data(), text.size()); }

    // Address of the first byte; null for an empty array.
    std::uint8_t* Data() { return bytes_.empty() ? nullptr : bytes_.data(); }
    const std::uint8_t* Data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }
    bool Empty() const { return bytes_.empty(); }
    std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }
    std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }

    bool operator==(const ByteSet&) const = default;

private:
    std::vector<std::uint8_t> bytes_;
};
