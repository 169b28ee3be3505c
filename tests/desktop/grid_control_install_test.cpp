// Installing the carried grid control into this Wine prefix: the file in the Windows folder, the
// registration test and the registration tool; also the folder lookup and the hidden process start
// that the installation uses. The suite ends with the control installed and registered.
#include "desktop/grid_control_install.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <utility>

#include "desktop/grid_control_image.h"
#include "desktop/grid_control_user_install.h"
#include "desktop/special_folder.h"
#include "framework/file_io.h"
#include "framework/framework_system_calls.h"
#include "framework/message_box.h"
#include "framework/process_start.h"
#include "grid_install_support.h"
#include "support/beside_test_program.h"
#include "support/file_system_faults.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"

namespace {

// The file the registration tool recorded for the control, or "" when it never ran.
std::string RegisteredFile()
{
    return Lower(DefaultValue(HKEY_CLASSES_ROOT, std::string(ClassKey) + "\\InprocServer32").value_or(""));
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
    void SetUp() override
    {
        g_boxes.clear();
        g_frameworkSystemCalls.MessageBoxA = RecordBox;
    }
    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls{g_frameworkSystemCalls};

    // Leave the prefix with the control installed from the Windows folder and registered.
    static void TearDownTestSuite() { LeaveTheControlInstalledForEveryone(); }
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
        EXPECT_FALSE(PathExists(UserGridControlPath())) << "no copy for the user alone";
        EXPECT_TRUE(g_boxes.empty());
    }
}

TEST_F(GridControlInstallTest, AFailedWriteLeavesNoControlAndTheNextStartWritesItWhole)
{
    struct Case {
        const char* what;
        void (*fail)(FrameworkSystemCalls& calls);
    };
    const Case cases[] = {
        {"disk full", [](FrameworkSystemCalls& calls) { calls.WriteFile = WriteHalfThenDiskFull; }},
        {"move refused", [](FrameworkSystemCalls& calls) { calls.MoveFileExA = RefuseMove; }},
    };
    const std::string ocx = WindowsOcx();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(ocx.c_str());
        PrepareClassKey(ClassKeyState::WithDefault);
        {
            FileSystemFaultsScope faults;
            c.fail(g_frameworkSystemCalls);
            InstallGridControl();
        }
        EXPECT_FALSE(PathExists(ocx)) << "a truncated control would be kept for ever";
        EXPECT_FALSE(PathExists(ocx + ".tmp"));

        InstallGridControl();
        EXPECT_EQ(GridControlImage(), ReadFileBytes(ocx));
        EXPECT_FALSE(PathExists(ocx + ".tmp"));
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

// A copy of the planted tool at `path`, removed with the mark it leaves when run.
class PlantedTool {
public:
    explicit PlantedTool(std::string path) : path_(std::move(path))
    {
        EXPECT_TRUE(CopyFileA(BesideTestProgram("planted_tool.exe").c_str(), path_.c_str(), FALSE)) << path_;
    }
    ~PlantedTool()
    {
        DeleteFileA(path_.c_str());
        DeleteFileA(Mark().c_str());
    }
    PlantedTool(const PlantedTool&) = delete;
    PlantedTool& operator=(const PlantedTool&) = delete;

    const std::string& Path() const { return path_; }
    bool Ran() const { return PathExists(Mark()); }
    void Forget() const { DeleteFileA(Mark().c_str()); }

private:
    std::string Mark() const { return path_ + ".ran"; }
    std::string path_;
};

TEST_F(GridControlInstallTest, OnlyTheSystemsRegsvr32RunsNotOnePlantedBesideTheProgramOrInTheCurrentFolder)
{
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    PlantedTool besideProgram(BesideTestProgram("regsvr32.exe"));
    PlantedTool inCurrentFolder(std::string(current) + "\\regsvr32.exe");
    ASSERT_TRUE(RunHiddenAndWait("\"" + inCurrentFolder.Path() + "\""));
    ASSERT_TRUE(inCurrentFolder.Ran()) << "the planted tool must show when it runs";
    inCurrentFolder.Forget();

    ScratchFolder folder;
    const std::string ocx = folder.File("vsflex8.ocx");
    ASSERT_TRUE(WriteFileBytes(ocx, GridControlImage()));
    PrepareClassKey(ClassKeyState::Missing);

    EXPECT_TRUE(RegisterGridControl(ocx));
    EXPECT_FALSE(besideProgram.Ran());
    EXPECT_FALSE(inCurrentFolder.Ran());
    EXPECT_EQ(Lower(ocx), RegisteredFile()) << "the system's own tool registered the control";
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
