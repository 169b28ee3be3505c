// StoredPicture: a cell picture kept losslessly compressed, so that many full-screen pictures fit in a
// 32-bit process; it can be drawn and turned back into a picture object with the same pixels.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vsflex {

class StoredPicture {
public:
    // Reads the pixels of a bitmap picture object (anything answering IPicture with a bitmap).
    // Returns null when the object holds no bitmap. The object is not kept.
    static std::shared_ptr<const StoredPicture> FromPicture(IUnknown* picture) noexcept;
    // Compresses a top-down 32-bit pixel block (0x00RRGGBB per pixel).
    static std::shared_ptr<const StoredPicture> FromPixels(const std::uint32_t* pixels, int width, int height);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    std::size_t compressed_size() const noexcept { return data_.size(); }

    // The pixels again, top-down, 0x00RRGGBB.
    std::vector<std::uint32_t> Pixels() const;
    // A new picture object (IPictureDisp) owning a 24-bit bitmap with these pixels; null on failure.
    IDispatch* CreatePictureObject() const noexcept;
    // Draws the picture scaled into the rectangle, keeping its proportions.
    void Draw(HDC dc, const RECT& box) const noexcept;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> data_;
};

}  // namespace vsflex
