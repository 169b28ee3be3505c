// Installing the carried grid control into this Wine prefix: the file in the Windows folder, the
// registration test and the registration tool; also the folder lookup and the hidden process start
// that the installation uses. The suite ends with the control installed and registered.
#include "desktop/grid_control_install.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <optional>

#include "desktop/special_folder.h"
#include "framework/file_io.h"
#include "framework/process_start.h"
#include "support/scratch_folder.h"

namespace {

const char ClassKey[] = "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}";

std::string WindowsOcx()
{
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\vsflex8.ocx";
}

// The key's default value; nothing when the key or its default value is missing.
std::optional<std::string> DefaultValue(const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - 1;
    LONG rc = RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

// The file the registration tool recorded for the control, or "" when it never ran.
std::string RegisteredFile()
{
    std::string file = DefaultValue(std::string(ClassKey) + "\\InprocServer32").value_or("");
    CharLowerA(file.data());
    return file;
}

std::string Lower(std::string text)
{
    CharLowerA(text.data());
    return text;
}

enum class ClassKeyState { Missing, WithoutDefault, WithDefault };

void PrepareClassKey(ClassKeyState state)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
    if (state == ClassKeyState::Missing)
        return;
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, ClassKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                             &handle, nullptr));
    if (state == ClassKeyState::WithDefault) {
        const char marker[] = "registered before";
        RegSetValueExA(handle, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(marker), sizeof marker);
    }
    RegCloseKey(handle);
}

// A present file: the carried image with a marker behind it (still a loadable DLL), so that a
// rewrite would show.
ByteSet MarkedImage()
{
    ByteSet image = GridControlImage();
    ByteSet marked(image.Size() + 16);
    std::memcpy(marked.Data(), image.Data(), image.Size());
    std::memcpy(marked.Data() + image.Size(), "left unchanged!", 16);
    return marked;
}

class GridControlInstallTest : public ::testing::Test {
protected:
    // Leave the prefix with the control installed from the Windows folder and registered.
    static void TearDownTestSuite()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
        DeleteFileA(WindowsOcx().c_str());
        InstallGridControl();
    }
};

TEST_F(GridControlInstallTest, TheCarriedImageIsTheControlDll)
{
    const ByteSet image = GridControlImage();
    ASSERT_GT(image.Size(), 4096u);
    EXPECT_EQ('M', image[0]);
    EXPECT_EQ('Z', image[1]);
}

TEST_F(GridControlInstallTest, FileAndRegistrationAreEachMadeOnlyWhenMissing)
{
    struct Case {
        const char* name;
        bool filePresent;
        ClassKeyState classKey;
        bool written;
        bool registered;
    };
    const Case cases[] = {
        {"nothing there", false, ClassKeyState::Missing, true, true},
        {"file only", true, ClassKeyState::Missing, false, true},
        {"class key only", false, ClassKeyState::WithDefault, true, false},
        {"both", true, ClassKeyState::WithDefault, false, false},
        {"file and a class key without default value", true, ClassKeyState::WithoutDefault, false, true},
    };
    const std::string ocx = WindowsOcx();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(ocx.c_str());
        if (c.filePresent) {
            ASSERT_TRUE(WriteFileBytes(ocx, MarkedImage()));
        }
        PrepareClassKey(c.classKey);

        InstallGridControl();

        EXPECT_EQ(c.written ? GridControlImage() : MarkedImage(), ReadFileBytes(ocx));
        EXPECT_EQ(c.registered ? Lower(ocx) : "", RegisteredFile());
        EXPECT_TRUE(GridControlRegistered());
    }
}

TEST_F(GridControlInstallTest, OnlyAClassKeyWithADefaultValueCountsAsRegistered)
{
    const std::pair<ClassKeyState, bool> cases[] = {
        {ClassKeyState::Missing, false},
        {ClassKeyState::WithoutDefault, false},
        {ClassKeyState::WithDefault, true},
    };
    for (const auto& [state, registered] : cases) {
        SCOPED_TRACE(static_cast<int>(state));
        PrepareClassKey(state);
        EXPECT_EQ(registered, GridControlRegistered());
    }
}

TEST_F(GridControlInstallTest, RegistrationWaitsForTheToolAndCopesWithABlankInThePath)
{
    ScratchFolder folder;
    const std::string spaced = folder.File("with blank");
    ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr));
    const std::string ocx = spaced + "\\vsflex8.ocx";
    ASSERT_TRUE(WriteFileBytes(ocx, GridControlImage()));
    PrepareClassKey(ClassKeyState::Missing);

    EXPECT_TRUE(RegisterGridControl(ocx));
    EXPECT_EQ(Lower(ocx), RegisteredFile()) << "the tool had not finished, or got half the path";
    EXPECT_TRUE(GridControlRegistered());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
}

TEST_F(GridControlInstallTest, AProcessThatCannotStartAnswersFalseAndAStartedOneIsAwaited)
{
    EXPECT_FALSE(RunHiddenAndWait("chengjian-no-such-tool.exe /s x"));

    ScratchFolder folder;
    const std::string mark = folder.File("done.txt");
    EXPECT_TRUE(RunHiddenAndWait("cmd.exe /c echo done> \"" + mark + "\""));
    EXPECT_TRUE(PathExists(mark)) << "returned before the process ended";
}

TEST_F(GridControlInstallTest, SpecialFoldersEndInOneBackslash)
{
    char expected[MAX_PATH] = {};
    GetWindowsDirectoryA(expected, MAX_PATH);
    EXPECT_EQ(std::string(expected) + "\\", GetSpecialFolder(9));
    GetSystemDirectoryA(expected, MAX_PATH);
    EXPECT_EQ(std::string(expected) + "\\", GetSpecialFolder(10));
    GetTempPathA(MAX_PATH, expected);
    ASSERT_EQ('\\', std::string(expected).back());
    EXPECT_EQ(std::string(expected), GetSpecialFolder(11));

    EXPECT_EQ(GetSpecialFolder(3), GetSpecialFolder(0));
    EXPECT_EQ(GetSpecialFolder(3), GetSpecialFolder());
    for (int code : {13, -1, 100})
        EXPECT_EQ("", GetSpecialFolder(code)) << code;
    for (int code = 1; code <= 12; ++code) {
        const std::string path = GetSpecialFolder(code);
        if (path.empty())
            continue;
        EXPECT_EQ('\\', path.back()) << code;
        EXPECT_NE('\\', path[path.size() - 2]) << code;
    }
}

} // namespace
