// Our own decoder of PCX (ZSoft Paintbrush) files held in memory: run-length encoded, 1 bit per
// pixel in 1 to 4 planes, 2 or 4 bits in one plane (16-colour header palette), 8 bits in one
// plane (the 256-colour palette that must end the file) and 8 bits in 3 or 4 planes (true
// colour).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

// A 32-bit DIB section holding the pixels of the PCX file `file`; null for a damaged, truncated
// or unsupported file or one that claims a picture larger than the decoders allow. Nothing past
// `file` is read. The caller owns the bitmap.
HBITMAP DecodePcx(std::span<const std::uint8_t> file) noexcept;
