// The framework's form units and the two windows' templates: the viewer's and the main window's
// settings on real windows, the program icon that the tray asks for, pop-up menus (their items,
// where and how they open, the chosen item's handler), a menu command that fails, the end of the
// user's session and the save dialog's request.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/file_dialog.h"
#include "framework/form.h"
#include "framework/framework_system_calls.h"
#include "framework/menu.h"
#include "ui/main_window.h"
#include "ui/picture_viewer_window.h"
#include "support/system_calls_scope.h"
#include "support/ui_test_support.h"

namespace {

// ---- Templates on real windows

TEST(FormTemplates, MainWindowIsFixedCentredAndAnswersWithTheProgramsSmallIcon)
{
    FormTemplate layout = MainWindowTemplate();
    EXPECT_EQ(layout.width, 554);
    EXPECT_EQ(layout.height, 581);
    EXPECT_TRUE(layout.centreOnScreen);
    EXPECT_FALSE(layout.escapeCloses);
    EXPECT_TRUE(layout.caption.empty());
    layout.className = "FormsTestMain";
    Form form(layout);
    ASSERT_TRUE(form.Load());
    HWND window = form.GetHandle();
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 554) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 581) / 2);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0) << "the tray icon would be blank";
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(window)) << "Esc must not close the main window";
}

TEST(FormTemplates, ViewerOpensMaximisedIsSizableAndClosesWithEsc)
{
    PictureViewerWindow viewer;
    ASSERT_TRUE(viewer.form.Load());
    HWND window = viewer.form.GetHandle();
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_EQ(viewer.form.GetWindowState(), kWindowMaximized);
    EXPECT_EQ(viewer.form.GetCaption(), "");
    // No read-only box, confirm overwriting, the path must exist; a new file name is welcome.
    EXPECT_EQ(viewer.saveDialog.Flags(), static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
    ASSERT_NE(viewer.pictureBox.GetHandle(), nullptr);
    EXPECT_EQ(GetParent(viewer.pictureBox.GetHandle()), window);

    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(viewer.form.GetWindowState(), kWindowNormal);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 659);
    EXPECT_EQ(rect.bottom - rect.top, 517);
    EXPECT_EQ(CurrentPictureViewer(), &viewer);

    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(window));
}

HWND g_modalParent = nullptr;
bool g_parentDisabledWhileOpen = false;

// Runs inside the modal loop: notes the parent's state and closes the modal window.
void CALLBACK CloseModalWindow(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_parentDisabledWhileOpen = !IsWindowEnabled(g_modalParent);
    PostMessageA(FindWindowA("ChengjianPictureViewer", nullptr), WM_CLOSE, 0, 0);
}

TEST(FormTemplates, AModalLoadDisablesTheParentUntilTheWindowCloses)
{
    FormTemplate parentLayout = MainWindowTemplate();
    parentLayout.className = "FormsTestParent";
    Form parent(parentLayout);
    ASSERT_TRUE(parent.Load());
    g_modalParent = parent.GetHandle();
    FormTemplate childLayout = PictureViewerTemplate();
    childLayout.startMaximized = false;
    Form child(childLayout);
    child.Bind(kFormCreated, [] { SetTimer(nullptr, 0, 10, CloseModalWindow); });
    ASSERT_TRUE(child.Load(parent.GetHandle(), true));
    EXPECT_EQ(child.GetHandle(), nullptr) << "the load returns once the window is gone";
    EXPECT_TRUE(g_parentDisabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(parent.GetHandle()));
}

// ---- Menus

struct TrackedMenu {
    std::vector<std::string> captions;
    std::vector<UINT> ids;
    UINT flags = 0;
    POINT at = {};
    HWND owner = nullptr;
    HWND foreground = nullptr;
};
TrackedMenu g_tracked;
int g_choose = -1;  // index of the item to choose, -1 for none

BOOL WINAPI RecordTrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    g_tracked = {};
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char caption[64] = {};
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = caption;
        item.cch = sizeof caption;
        GetMenuItemInfoA(menu, i, TRUE, &item);
        g_tracked.captions.push_back(item.fType & MFT_SEPARATOR ? "-" : caption);
        g_tracked.ids.push_back(item.wID);
    }
    g_tracked.flags = flags;
    g_tracked.at = {x, y};
    g_tracked.owner = owner;
    g_tracked.foreground = GetForegroundWindow();
    if (g_choose >= 0)
        PostMessageA(owner, WM_COMMAND, g_tracked.ids[g_choose], 0);
    return TRUE;
}

int g_firstRuns = 0;
int g_secondRuns = 0;

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_frameworkSystemCalls.TrackPopupMenu = RecordTrackPopupMenu;
        g_choose = -1;
        g_firstRuns = g_secondRuns = 0;
        FormTemplate layout = MainWindowTemplate();
        layout.className = "FormsTestMenuOwner";
        form_ = std::make_unique<Form>(layout);
        menu_ = std::make_unique<Menu>(*form_, "菜单",
                                       std::vector<MenuItem>{{"一", [] { ++g_firstRuns; }},
                                                             {"-"},
                                                             {"二", [] { ++g_secondRuns; }},
                                                             {"无"}});
        ASSERT_TRUE(form_->Load());
        SetCursorPos(300, 200);
        GetCursorPos(&cursor_);
    }
    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls_{g_frameworkSystemCalls};
    std::unique_ptr<Form> form_;
    std::unique_ptr<Menu> menu_;
    POINT cursor_ = {};
};

TEST_F(MenuTest, APopUpShowsTheItemsBelowRightOfTheCursorAndRunsTheChosenHandler)
{
    g_choose = 2;
    menu_->PopUp();
    EXPECT_EQ(g_tracked.captions, (std::vector<std::string>{"一", "-", "二", "无"}));
    EXPECT_EQ(g_tracked.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
    EXPECT_EQ(g_tracked.at.x, cursor_.x + 3);
    EXPECT_EQ(g_tracked.at.y, cursor_.y + 3);
    EXPECT_EQ(g_tracked.owner, form_->GetHandle());
    PumpMessages();
    EXPECT_EQ(g_firstRuns, 0);
    EXPECT_EQ(g_secondRuns, 1);
    EXPECT_EQ(menu_->CommandId(3), 0u) << "an item without handler has no command";
}

TEST_F(MenuTest, ATrayPopUpComesForwardOpensRightAlignedAboveLeftAndPostsANullMessage)
{
    g_choose = 0;
    menu_->PopUpFromTray();
    EXPECT_EQ(g_tracked.flags, static_cast<UINT>(TPM_RIGHTALIGN));
    EXPECT_EQ(g_tracked.at.x, cursor_.x - 5);
    EXPECT_EQ(g_tracked.at.y, cursor_.y - 5);
    EXPECT_EQ(g_tracked.foreground, form_->GetHandle());
    MSG message;
    bool sawNull = false;
    while (PeekMessageA(&message, form_->GetHandle(), 0, 0, PM_REMOVE)) {
        sawNull = sawNull || message.message == WM_NULL;
        DispatchMessageA(&message);
    }
    EXPECT_TRUE(sawNull);
    EXPECT_EQ(g_firstRuns, 1);
}

void CALLBACK CancelMenu(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    SendMessageA(window, WM_CANCELMODE, 0, 0);
    EndMenu();
}

TEST_F(MenuTest, TheRealPopUpClosesWhenCancelledAndRunsNothing)
{
    g_frameworkSystemCalls.TrackPopupMenu = ::TrackPopupMenu;
    // The menu's own loop runs the timer: the menu is cancelled from inside it.
    SetTimer(form_->GetHandle(), 1, 100, CancelMenu);
    menu_->PopUp();
    PumpMessages();
    EXPECT_EQ(g_firstRuns + g_secondRuns, 0);
}

TEST(MainWindowMenus, TheThreeMenusHoldTheirItemsInOrder)
{
    struct Case {
        Menu& menu;
        const char* caption;
        std::vector<std::string> items;
        std::vector<bool> handled;
    };
    const Case cases[] = {
        {TrayMenu(), "托盘菜单", {"打开主窗口", "-", "关于", "退出"}, {true, false, true, true}},
        {GridMenu(), "右键菜单", {"复制", "-", "更多..."}, {true, false, true}},
        {CellMenu(), "单元格右键", {"全选", "复制"}, {false, true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.menu.Caption(), c.caption);
        ASSERT_EQ(c.menu.Items().size(), c.items.size()) << c.caption;
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(c.menu.Items()[i].caption, c.items[i]) << c.caption;
            EXPECT_EQ(c.menu.CommandId(i) != 0, c.handled[i]) << c.caption << " " << c.items[i];
        }
    }
}

// ---- The end of the session

FormTemplate SessionTemplate(const char* className)
{
    FormTemplate layout;
    layout.className = className;
    layout.width = 200;
    layout.height = 150;
    return layout;
}

TEST(FormSession, AnEndingSessionRunsEveryMayCloseHandlerThenTheExitRoutine)
{
    // The session's end may reach any of the forms first, here one without a handler of its own;
    // the steps are reported on stderr of the death-test child. Before any exit routine is
    // registered the process ends all the same.
    const struct {
        const char* what;
        bool exitRoutine;
        const char* steps;
    } cases[] = {
        {"with an exit routine", true, "may-close;exit routine;"},
        {"before an exit routine is registered", false, "may-close;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(
            {
                Form main(SessionTemplate("SessionMainForm"));
                Form other(SessionTemplate("SessionOtherForm"));
                main.Bind(kFormMayClose, [] { std::fputs("may-close;", stderr); });
                if (c.exitRoutine)
                    RegisterExitRoutine([] { std::fputs("exit routine;", stderr); });
                main.Load();
                other.Load();
                SendMessageA(other.GetHandle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
                std::fputs("went on;", stderr);
                std::exit(1);
            },
            ::testing::ExitedWithCode(0), c.steps);
    }
}

TEST(FormSession, TheQuestionIsAnsweredYesAndACancelledEndChangesNothing)
{
    Form form(SessionTemplate("SessionAskedForm"));
    static int mayClose = 0;
    mayClose = 0;
    form.Bind(kFormMayClose, [] { ++mayClose; });
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(SendMessageA(form.GetHandle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageA(form.GetHandle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(mayClose, 0);
    EXPECT_TRUE(IsWindow(form.GetHandle()));
}

// ---- Menu commands

int g_countedRuns = 0;

void ThrowBadAlloc() { throw std::bad_alloc(); }
void ThrowAnInt() { throw 7; }

// A chosen item's handler runs inside the form's window procedure: one that fails (memory running
// out in the exit sequence or the about box) ends there, and the form goes on answering its
// messages and running its other commands, whether the command was sent or came through the loop.
TEST(FormCommands, AHandlerThatThrowsLeavesTheFormAnsweringAndRunningCommands)
{
    struct Case {
        const char* name;
        FormEventHandler handler;
    };
    const Case cases[] = {{"bad_alloc", ThrowBadAlloc}, {"an int", ThrowAnInt}};
    FormTemplate layout = SessionTemplate("FormsTestFailingCommand");
    layout.caption = "commands";
    Form form(layout);
    g_countedRuns = 0;
    const UINT counted = form.AddCommand([] { ++g_countedRuns; });
    std::vector<UINT> failing;
    for (const Case& c : cases)
        failing.push_back(form.AddCommand(c.handler));
    ASSERT_TRUE(form.Load());
    HWND window = form.GetHandle();
    int expectedRuns = 0;
    for (std::size_t i = 0; i < failing.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(SendMessageA(window, WM_COMMAND, failing[i], 0), 0);
        PostMessageA(window, WM_COMMAND, failing[i], 0);
        PumpMessages();
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(form.GetHandle(), window);
        EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 8) << "the window still answers";
        EXPECT_EQ(SendMessageA(window, WM_COMMAND, counted, 0), 0);
        EXPECT_EQ(g_countedRuns, ++expectedRuns) << "a later command still runs";
    }
}

// ---- Save dialog

struct DialogRequest {
    std::string filter, title, folder, extension;
    DWORD flags = 0;
    HWND owner = nullptr;
};
DialogRequest g_request;
const char* g_answer = nullptr;  // null: the user cancels

BOOL WINAPI RecordSaveDialog(OPENFILENAMEA* request)
{
    const char* end = request->lpstrFilter;
    while (end[0] || end[1])
        ++end;
    g_request.filter.assign(request->lpstrFilter, end + 2);
    g_request.title = request->lpstrTitle ? request->lpstrTitle : "";
    g_request.folder = request->lpstrInitialDir ? request->lpstrInitialDir : "";
    g_request.extension = request->lpstrDefExt ? request->lpstrDefExt : "";
    g_request.flags = request->Flags;
    g_request.owner = request->hwndOwner;
    if (!g_answer)
        return FALSE;
    lstrcpynA(request->lpstrFile, g_answer, static_cast<int>(request->nMaxFile));
    return TRUE;
}

// A save dialog with every field set, answered by RecordSaveDialog.
class SaveDialog : public ::testing::Test {
protected:
    SaveDialog()
    {
        g_frameworkSystemCalls.GetSaveFileNameA = RecordSaveDialog;
        dialog.type = FileDialogType::Save;
        dialog.title = "保存文件";
        dialog.initialFolder = "C:\\pics";
        dialog.filter = "图片(*.png)|*.png";
        dialog.defaultExtension = "png";
    }
    ~SaveDialog() override { g_answer = nullptr; }

    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls_{g_frameworkSystemCalls};
    FileDialog dialog{0x1806};
};

TEST_F(SaveDialog, TheRequestCarriesTheFilterPairsTitleFolderExtensionAndFixedFlags)
{
    HWND owner = GetDesktopWindow();

    g_answer = "C:\\pics\\a.png";
    EXPECT_TRUE(dialog.Open(owner));
    EXPECT_EQ(dialog.FileName(), "C:\\pics\\a.png");
    EXPECT_EQ(g_request.filter, std::string("图片(*.png)\0*.png\0\0", 19));
    EXPECT_EQ(g_request.title, "保存文件");
    EXPECT_EQ(g_request.folder, "C:\\pics");
    EXPECT_EQ(g_request.extension, "png");
    EXPECT_EQ(g_request.flags, 0x1806u);
    EXPECT_EQ(g_request.owner, owner);

    g_answer = nullptr;
    EXPECT_FALSE(dialog.Open(owner));
    EXPECT_EQ(dialog.FileName(), "") << "a cancelled dialog forgets the earlier name";
}

BOOL WINAPI SaveDialogOutOfMemory(OPENFILENAMEA*)
{
    throw std::bad_alloc();
}

// Open is called from menu handlers: memory running out inside it is a cancelled dialog, not the
// end of the program.
TEST_F(SaveDialog, MemoryRunningOutIsACancelledDialog)
{
    g_answer = "C:\\pics\\a.png";
    ASSERT_TRUE(dialog.Open(nullptr));

    g_frameworkSystemCalls.GetSaveFileNameA = SaveDialogOutOfMemory;
    EXPECT_FALSE(dialog.Open(nullptr));
    EXPECT_EQ(dialog.FileName(), "") << "the earlier name is not taken for a choice";
}

} // namespace
