// The built program's image: the application manifest in its resources, read back both as text and
// through the system's own reading of it (an activation context made from the program).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/beside_test_program.h"

namespace {

std::string ManifestOf(const std::string& program)
{
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (image == nullptr)
        return {};
    std::string text;
    HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    HGLOBAL loaded = found != nullptr ? LoadResource(image, found) : nullptr;
    if (loaded != nullptr)
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(image, found));
    FreeLibrary(image);
    return text;
}

TEST(ProgramImageTest, TheManifestRunsAsTheInvokerOnTheNamedSystemsWithSystemDpiAwareness)
{
    const std::string program = BesideTestProgram("chengjian.exe");
    const std::string manifest = ManifestOf(program);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource 1 in " << program;

    const char* const expected[] = {
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>", // Vista
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // 10 and 11
    };
    for (const char* part : expected)
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;

    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << "the system refuses the manifest: " << GetLastError();
    wchar_t value[16] = {};
    SIZE_T written = 0;
    EXPECT_TRUE(QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", value, 16, &written));
    EXPECT_EQ(std::wstring(L"true"), value) << "system-aware: drawn at the system's DPI, scaled by nothing else";
    ReleaseActCtx(context);
}

} // namespace
