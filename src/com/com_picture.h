// Pictures at the automation boundary: a picture object made from the bytes of an image file, and
// a picture object saved back into such bytes.
#pragma once

#include "framework/byte_set.h"
#include "com/com_object_value.h"

// Decodes `bytes` (BMP, PCX, JPEG, PNG, GIF (its first frame), icon or cursor, recognised from
// their first bytes) into a bitmap and makes a picture object holding it; bytes that give no
// bitmap make an empty picture. With `ownsBitmap` the picture deletes the bitmap when its last
// reference goes; without it the bitmap (the picture's "Handle") is the caller's to hand on or
// delete. On success `object` holds the picture's IUnknown (its earlier reference released) and
// the result is true; otherwise `object` is unchanged and no bitmap is left behind. Sets no last-call code.
bool RtComCreatePicture(ComObjectValue* object, const ByteSet& bytes, bool ownsBitmap = true) noexcept;
// The picture held by `object` saved as an image file (a bitmap picture saves as BMP); empty bytes
// for an empty value, an object that is no picture or a picture that cannot be saved.
ByteSet RtComSavePicture(const ComObjectValue* object) noexcept;
