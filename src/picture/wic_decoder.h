// Decoding through the system's codec layer, the Windows Imaging Component: JPEG, PNG, icons and
// cursors as still pictures, and the steps the GIF animation shares with them (the factory, a
// decoder over bytes in memory, a frame's pixels as 32-bit BGRA).
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <span>

#include "framework/com_ref.h"

// The imaging factory; empty when COM is not started on this thread or the component is missing.
ComRef<IWICImagingFactory> CreateWicFactory() noexcept;

// A decoder over a copy of `file` (the caller's bytes may go once this returns); empty when no
// codec recognises them.
ComRef<IWICBitmapDecoder> OpenWicDecoder(IWICImagingFactory* factory, std::span<const std::uint8_t> file) noexcept;

// The pixels of `source`, width x height, into `pixels` (width * height words, rows without
// padding) as BGRA with straight alpha; false when the source cannot be converted or read.
bool CopyBgraPixels(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                    std::uint32_t* pixels) noexcept;

// A PNG, JPEG, icon or cursor file as a 32-bit DIB section: its first frame (for an icon or
// cursor its largest image) with transparent parts drawn on white. Null when the bytes do not
// decode or claim a picture larger than the decoders allow. The caller owns the bitmap.
HBITMAP DecodeWithWic(std::span<const std::uint8_t> file) noexcept;
