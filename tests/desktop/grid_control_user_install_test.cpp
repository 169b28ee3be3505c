// The grid control installed for the user alone when the Windows folder or the machine's classes
// cannot be written: the user's own copy, the keys its registration writes under
// HKEY_CURRENT_USER\Software\Classes, and the one message when that fails too. Wine's COM reads
// only the machine's classes, so the tests follow the user's keys to the control by hand, as COM
// on current Windows does.
#include "desktop/grid_control_user_install.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <optional>
#include <string>

#include "desktop/grid_control_image.h"
#include "desktop/grid_control_install.h"
#include "framework/file_io.h"
#include "framework/message_box.h"
#include "grid_install_support.h"
#include "support/file_system_faults.h"
#include "support/shown_boxes.h"

namespace {

const char UserClasses[] = "Software\\Classes\\";
const char ClassId[] = "{C945E31A-102E-4A0D-8854-D599D7AED5FA}";
const char ProgId[] = "VSFlexGrid8.VSFlexGridADO.1";
const char TypeLibraryFile[] = "TypeLib\\{FC8F20B7-D479-4B67-B18F-EF8875713734}\\1.0\\0\\win32";
// Everything the control's registration writes, its two interfaces included.
const char* const RegisteredKeys[] = {
    "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}",
    "VSFlexGrid8.VSFlexGridADO.1",
    "VSFlexGrid8.VSFlexGridADO",
    "TypeLib\\{FC8F20B7-D479-4B67-B18F-EF8875713734}",
    "Interface\\{EB846DD4-EE79-45E6-88AB-E26F32097E49}",
    "Interface\\{EA78FC04-DD21-4A03-8A49-C4C67281B607}",
};

std::optional<std::string> UserValue(const std::string& key)
{
    return DefaultValue(HKEY_CURRENT_USER, UserClasses + key);
}

// Wine records a type library's file with the "\\?\" prefix of long paths.
std::string WithoutLongPathPrefix(const std::string& path)
{
    return path.rfind("\\\\?\\", 0) == 0 ? path.substr(4) : path;
}

std::string UserFolder()
{
    const std::string path = UserGridControlPath();
    return path.substr(0, path.rfind('\\') + 1);
}

void RemoveUserInstall()
{
    for (const char* key : RegisteredKeys)
        RegDeleteTreeA(HKEY_CURRENT_USER, (UserClasses + std::string(key)).c_str());
    const std::string path = UserGridControlPath();
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".tmp").c_str());
    RemoveDirectoryA(UserFolder().c_str());
}

ByteSet Bytes(const char* text)
{
    return ByteSet(reinterpret_cast<const unsigned char*>(text), std::strlen(text));
}

// What COM on current Windows does for CoCreateInstance by ProgID with a per-user registration,
// step by step from the user's keys: ProgID to class, class to file, file to class factory. S_OK
// when the grid came out of it and knows its members.
HRESULT CreateGridFromUserKeys()
{
    const std::string classText = UserValue(std::string(ProgId) + "\\CLSID").value_or("");
    const std::string file = UserValue("CLSID\\" + classText + "\\InprocServer32").value_or("");
    wchar_t wideClass[64] = {};
    MultiByteToWideChar(CP_ACP, 0, classText.c_str(), -1, wideClass, 64);
    CLSID clsid = {};
    if (FAILED(CLSIDFromString(wideClass, &clsid)))
        return REGDB_E_CLASSNOTREG;
    HMODULE module = LoadLibraryA(file.c_str());
    if (module == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(module, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject ? getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))
                                : E_NOINTERFACE;
    IDispatch* grid = nullptr;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&grid));
        factory->Release();
    }
    if (SUCCEEDED(hr)) {
        LPOLESTR name = const_cast<LPOLESTR>(L"Rows");
        DISPID id = 0;
        hr = grid->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        grid->Release();
    }
    FreeLibrary(module);
    return hr;
}

class GridControlUserInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        g_boxes.clear();
        g_frameworkSystemCalls.MessageBoxA = RecordBox;
        RemoveUserInstall();
        PrepareClassKey(ClassKeyState::Missing);
        DeleteFileA(WindowsOcx().c_str());
    }
    void TearDown() override
    {
        RemoveUserInstall();
        CoUninitialize();
    }
    static void TearDownTestSuite() { LeaveTheControlInstalledForEveryone(); }

    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls{g_frameworkSystemCalls};
};

TEST_F(GridControlUserInstallTest, TheUserGetsAControlOfTheirOwnWhenTheMachineCannotTakeIt)
{
    struct Case {
        const char* what;
        bool windowsFolderReadOnly;
        const char* windowsFile;  // present beforehand with this content
        bool userFolderReadOnly;
        const char* userFile;     // present beforehand with this content
        bool installedForUser;
    };
    const Case cases[] = {
        {"the Windows folder refuses writes", true, nullptr, false, nullptr, true},
        {"the Windows folder holds a file that is no control", false, "no control", false, nullptr, true},
        {"the application data folder refuses writes too", true, nullptr, true, nullptr, false},
        {"the user's copy is no control", true, nullptr, false, "no control", false},
    };
    const std::string userOcx = UserGridControlPath();
    ASSERT_FALSE(userOcx.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.windowsFile != nullptr)
            ASSERT_TRUE(WriteFileBytes(WindowsOcx(), Bytes(c.windowsFile)));
        if (c.userFile != nullptr) {
            CreateDirectoryA(UserFolder().c_str(), nullptr);
            ASSERT_TRUE(WriteFileBytes(userOcx, Bytes(c.userFile)));
        }
        {
            FileSystemFaultsScope faults;
            if (c.windowsFolderReadOnly)
                g_readOnlyFolders.push_back(WindowsFolder());
            if (c.userFolderReadOnly)
                g_readOnlyFolders.push_back(UserFolder());
            g_frameworkSystemCalls.CreateFileA = RefuseCreateInReadOnlyFolders;
            InstallGridControl();
        }

        EXPECT_FALSE(GridControlRegistered()) << "the machine's classes untouched, HKEY_CLASSES_ROOT theirs again";
        EXPECT_EQ(c.windowsFile ? Bytes(c.windowsFile) : ByteSet(), ReadFileBytes(WindowsOcx()));
        if (c.installedForUser) {
            EXPECT_EQ(GridControlImage(), ReadFileBytes(userOcx));
            EXPECT_EQ(ClassId, UserValue(std::string(ProgId) + "\\CLSID").value_or(""));
            EXPECT_EQ(Lower(userOcx), Lower(UserValue(std::string(ClassKey) + "\\InprocServer32").value_or("")));
            EXPECT_EQ(Lower(userOcx), Lower(WithoutLongPathPrefix(UserValue(TypeLibraryFile).value_or(""))));
            EXPECT_EQ(S_OK, CreateGridFromUserKeys());
            EXPECT_TRUE(g_boxes.empty());
            continue;
        }
        EXPECT_EQ(c.userFile ? Bytes(c.userFile) : ByteSet(), ReadFileBytes(userOcx));
        EXPECT_FALSE(PathExists(userOcx + ".tmp"));
        EXPECT_FALSE(UserValue(ClassKey).has_value());
        ASSERT_EQ(1u, g_boxes.size()) << "told once";
        EXPECT_NE(0u, g_boxes[0].style & MB_ICONWARNING);
        EXPECT_NE(std::string::npos, g_boxes[0].text.find("vsflex8.ocx"));
        EXPECT_NE(std::string::npos, g_boxes[0].text.find("以管理员身份运行"));
    }
}

} // namespace
