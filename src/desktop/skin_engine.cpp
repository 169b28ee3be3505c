// The skin functions: the carried engine and skin, and the calls into the engine's two exports.
#include "desktop/skin_engine.h"

#include "desktop/function_call.h"
#include "desktop/memory_module.h"

extern const unsigned char kSkinEngineImage[];
extern const unsigned kSkinEngineImage_size;
extern const unsigned char kSkinResource[];
extern const unsigned kSkinResource_size;

std::int32_t g_skinHue = 0;
std::int32_t g_skinSaturation = 0;
std::int32_t g_skinBrightness = 0;

namespace {

// The export `name` of `engine`; 0 when there is no engine, it is not mapped or does not export it.
std::uintptr_t SkinExport(const MemoryModule* engine, const char* name)
{
    return engine ? engine->GetProcAddress(name) : 0;
}

std::uint32_t Word(std::int32_t value) { return static_cast<std::uint32_t>(value); }

} // namespace

const ByteSet& SkinEngineImage()
{
    static const ByteSet image(kSkinEngineImage, kSkinEngineImage_size);
    return image;
}

const ByteSet& SkinResource()
{
    static const ByteSet skin(kSkinResource, kSkinResource_size);
    return skin;
}

int LoadSkinEngine(MemoryModule* engine)
{
    if (engine)
        engine->Load(SkinEngineImage());
    return 0;
}

void AttachSkin(MemoryModule* engine, ByteSet& attached, const ByteSet& skin, const std::string* password,
                std::int32_t hue, std::int32_t saturation, std::int32_t brightness)
{
    attached = skin;
    g_skinHue = hue;
    g_skinSaturation = saturation;
    g_skinBrightness = brightness;
    std::uintptr_t attach = SkinExport(engine, "SkinH_AttachRes");
    if (!attach)
        return;
    CallFunctionPointer(attach, ByteSetAddress(skin), static_cast<std::uint32_t>(skin.Size()),
                        password ? TextAddress(*password) : 0, Word(hue), Word(saturation), Word(brightness));
}

void DetachSkin(MemoryModule* engine, ByteSet& attached)
{
    attached = ByteSet();
    std::uintptr_t detach = SkinExport(engine, "SkinH_Detach");
    if (detach)
        CallFunctionPointer(detach);
}
