// The skin engine carried inside the program: mapped from memory at start (LoadSkinEngine),
// attached while the main window is set up (AttachSkin), detached at exit (DetachSkin).
//
// The engine is reached only through its exports SkinH_AttachRes and SkinH_Detach, looked up in
// the loader object the caller gives (the program's g_skinModule) at each call; their results are
// never read. When the engine did not map or lacks an export, the skin functions call nothing and
// the windows keep their own look. The caller also gives the byte array that keeps the copy of the
// attached skin (the program's g_skinData): the skin keeps no object of its own besides the three
// colour values. Nothing here shows a message.
#pragma once

#include <cstdint>
#include <string>

#include "framework/byte_set.h"

class MemoryModule;

// The three colour values last given to AttachSkin (0 when not given).
extern std::int32_t g_skinHue;
extern std::int32_t g_skinSaturation;
extern std::int32_t g_skinBrightness;

// The engine's DLL image as the program carries it.
const ByteSet& SkinEngineImage();
// The skin the main window gets, ".SHE" data in the engine's format. The bytes stay at one
// address for the whole run, so the engine may keep using them while the skin is attached.
const ByteSet& SkinResource();

// Maps SkinEngineImage into `engine`, without import resolver. Returns 0 whatever happened: an
// image that does not map leaves `engine` empty; a null `engine` maps nothing.
int LoadSkinEngine(MemoryModule* engine);
// Records a copy of `skin` in `attached` (the previous copy is freed) and the three values in the
// globals above, then hands the engine in `engine` (null or empty: no call) the address of
// `skin`'s own bytes (which must stay valid while the skin is attached), their count, the
// password's address (null when none is given) and the three values.
void AttachSkin(MemoryModule* engine, ByteSet& attached, const ByteSet& skin, const std::string* password = nullptr,
                std::int32_t hue = 0, std::int32_t saturation = 0, std::int32_t brightness = 0);
// Empties `attached` and tells the engine in `engine` (null or empty: no call) to remove the skin.
void DetachSkin(MemoryModule* engine, ByteSet& attached);
