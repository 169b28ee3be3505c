// StoredPicture: a cell picture kept losslessly compressed (deflate) in the process's picture vault,
// with a small copy at the size the cell shows, so that painting never decodes the full picture; it
// can be turned back into a picture object with exactly the same pixels.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "picture_vault.h"

namespace vsflex {

class StoredPicture {
public:
    // Stores the pixels of a picture object, its display copy made to fit `displayBox` (pixels).
    // S_OK with a null `stored` for no object or an empty picture; an error (and null) when the
    // object is no picture, its bitmap cannot be read, it is too large, or memory runs out.
    static HRESULT FromPicture(IUnknown* picture, SIZE displayBox, std::shared_ptr<const StoredPicture>& stored) noexcept;
    // Stores a top-down 32-bit pixel block (0x00RRGGBB per pixel). Throws std::bad_alloc.
    static std::shared_ptr<const StoredPicture> FromPixels(const std::uint32_t* pixels, int width, int height,
                                                           SIZE displayBox);
    ~StoredPicture();

    StoredPicture(const StoredPicture&) = delete;
    StoredPicture& operator=(const StoredPicture&) = delete;

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }

    // The pixels again, top-down, 0x00RRGGBB; empty when they cannot be read back.
    std::vector<std::uint32_t> Pixels() const;
    // A new picture object (IPictureDisp) owning a 24-bit bitmap with these pixels; null on failure.
    IDispatch* CreatePictureObject() const noexcept;
    // Draws the display copy scaled into the rectangle, keeping the picture's proportions.
    void Draw(HDC dc, const RECT& box) const noexcept;

private:
    StoredPicture() = default;

    int width_ = 0;
    int height_ = 0;
    PictureVault::Id id_ = 0;
    int displayWidth_ = 0;
    int displayHeight_ = 0;
    std::vector<std::uint32_t> display_;
};

}  // namespace vsflex
