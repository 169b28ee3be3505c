// Tests of the grid ActiveX control under Wine: its type library and registration, and the hosted control
// driven by name and dispatch id, by real mouse and key messages, through the clipboard and on screen.
#include "grid_host_fixture.h"
#include "test_pictures.h"
#include "support/clipboard_reader.h"

#include <olectl.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace grid_test {
namespace {

constexpr DISPID kClick = -600, kDblClick = -601, kKeyDown = -602, kKeyPress = -603, kMouseDown = -605,
                 kMouseUp = -607, kSelChange = 1, kRowColChange = 2, kEnterCell = 3, kLeaveCell = 4,
                 kBeforeRowColChange = 6, kBeforeScroll = 10, kAfterScroll = 11, kBeforeEdit = 21,
                 kValidateEdit = 23, kAfterEdit = 24, kChangeEdit = 28;

constexpr IID kIidGrid = {0xEB846DD4, 0xEE79, 0x45E6, {0x88, 0xAB, 0xE2, 0x6F, 0x32, 0x09, 0x7E, 0x49}};
constexpr IID kIidGridEvents = {0xEA78FC04, 0xDD21, 0x4A03, {0x8A, 0x49, 0xC4, 0xC6, 0x72, 0x81, 0xB6, 0x07}};

// --- type library and registration ---------------------------------------------------------------

ITypeInfo* InfoOf(ITypeLib* library, REFIID iid)
{
    ITypeInfo* info = nullptr;
    library->GetTypeInfoOfGuid(iid, &info);
    return info;
}

// Finds a function by name and kind; returns its description (caller releases) or null.
FUNCDESC* FindFunction(ITypeInfo* info, const wchar_t* name, INVOKEKIND kind)
{
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        info->GetFuncDesc(i, &desc);
        UniqueBstr found;
        UINT n = 0;
        info->GetNames(desc->memid, found.put(), 1, &n);
        bool match = found && !wcscmp(found.get(), name) && desc->invkind == kind;
        if (match)
            return desc;
        info->ReleaseFuncDesc(desc);
    }
    return nullptr;
}

TEST(GridTypeLibrary, DeclaresTheMembersAndEventsHostsRelyOn)
{
    ITypeLib* library = nullptr;
    ASSERT_EQ(S_OK, LoadTypeLib(ControlPath().c_str(), &library));
    ITypeInfo* grid = InfoOf(library, kIidGrid);
    ITypeInfo* events = InfoOf(library, kIidGridEvents);
    ASSERT_TRUE(grid && events);

    struct Member {
        const wchar_t* name;
        INVOKEKIND kind;
        DISPID id;  // 0: any
        SHORT params;
        VARTYPE firstParam;  // VT_EMPTY: not checked
    };
    const Member members[] = {
        {L"GetMergedRange", INVOKE_FUNC, 175, 6, VT_I4},
        {L"GetSelection", INVOKE_FUNC, 181, 4, VT_PTR},
        {L"TextMatrix", INVOKE_PROPERTYPUT, 0, 3, VT_I4},
        {L"AddItem", INVOKE_FUNC, 0, 2, VT_BSTR},
        {L"CellPicture", INVOKE_PROPERTYPUTREF, 0, 1, VT_EMPTY},
        {L"DataSource", INVOKE_PROPERTYPUTREF, 0, 1, VT_EMPTY},
        {L"EditWindow", INVOKE_PROPERTYGET, 0, 0, VT_EMPTY},
        {L"FontSize", INVOKE_PROPERTYGET, 0, 0, VT_EMPTY},
        {L"Subtotal", INVOKE_FUNC, 0, 10, VT_I4},
    };
    for (const Member& m : members) {
        FUNCDESC* desc = FindFunction(grid, m.name, m.kind);
        ASSERT_TRUE(desc) << m.name;
        if (m.id) {
            EXPECT_EQ(m.id, desc->memid) << m.name;
        }
        EXPECT_EQ(m.params, desc->cParams) << m.name;
        if (m.firstParam != VT_EMPTY) {
            EXPECT_EQ(m.firstParam, desc->lprgelemdescParam[0].tdesc.vt) << m.name;
        }
        grid->ReleaseFuncDesc(desc);
    }
    // The by-reference outputs of GetMergedRange are 32-bit integers behind a pointer.
    FUNCDESC* merged = FindFunction(grid, L"GetMergedRange", INVOKE_FUNC);
    EXPECT_EQ(VT_PTR, merged->lprgelemdescParam[2].tdesc.vt);
    EXPECT_EQ(VT_I4, merged->lprgelemdescParam[2].tdesc.lptdesc->vt);
    grid->ReleaseFuncDesc(merged);

    TYPEATTR* attr = nullptr;
    events->GetTypeAttr(&attr);
    EXPECT_EQ(63, attr->cFuncs);
    WORD count = attr->cFuncs;
    events->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        events->GetFuncDesc(i, &desc);
        EXPECT_EQ(VT_VOID, desc->elemdescFunc.tdesc.vt) << "event " << desc->memid << " has a result";
        events->ReleaseFuncDesc(desc);
    }
    struct EventShape {
        const wchar_t* name;
        DISPID id;
        std::vector<VARTYPE> params;
    };
    const EventShape shapes[] = {
        {L"Click", -600, {}},
        {L"DblClick", -601, {}},
        {L"KeyDown", -602, {VT_PTR, VT_I2}},
        {L"MouseDown", -605, {VT_I2, VT_I2, VT_R4, VT_R4}},
        {L"MouseUp", -607, {VT_I2, VT_I2, VT_R4, VT_R4}},
        {L"BeforeEdit", 21, {VT_I4, VT_I4, VT_PTR}},
        {L"SetupEditWindow", 46, {VT_I4, VT_I4, VT_I4, VT_BOOL}},
        {L"FilterData", 80, {VT_I4, VT_I4, VT_PTR, VT_BOOL, VT_PTR}},
        {L"AfterDataRefresh", 82, {}},
    };
    for (const EventShape& e : shapes) {
        FUNCDESC* desc = FindFunction(events, e.name, INVOKE_FUNC);
        ASSERT_TRUE(desc) << e.name;
        EXPECT_EQ(e.id, desc->memid) << e.name;
        ASSERT_EQ(SHORT(e.params.size()), desc->cParams) << e.name;
        for (std::size_t i = 0; i < e.params.size(); ++i)
            EXPECT_EQ(e.params[i], desc->lprgelemdescParam[i].tdesc.vt) << e.name << " parameter " << i;
        events->ReleaseFuncDesc(desc);
    }
    grid->Release();
    events->Release();
    library->Release();
}

std::wstring ReadKey(const std::wstring& key, const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"(missing)";
    return buffer;
}

TEST(GridRegistration, RegisterServerWritesTheClassAndProgIdKeys)
{
    ASSERT_TRUE(RegisterControl());
    const std::wstring clsid = L"CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}";
    EXPECT_NE(L"(missing)", ReadKey(clsid, nullptr));
    EXPECT_NE(L"", ReadKey(clsid, nullptr));
    EXPECT_EQ(L"Apartment", ReadKey(clsid + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"VSFlexGrid8.VSFlexGridADO.1", ReadKey(clsid + L"\\ProgID", nullptr));
    EXPECT_EQ(L"{C945E31A-102E-4A0D-8854-D599D7AED5FA}", ReadKey(L"VSFlexGrid8.VSFlexGridADO.1\\CLSID", nullptr));
    CLSID found{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"VSFlexGrid8.VSFlexGridADO.1", &found));
}

// --- hosted control ----------------------------------------------------------------------------

TEST_F(GridHost, CreatedByProgIdFillsItsHostWindow)
{
    HWND window = GridWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsChild(host, window));
    RECT client{};
    GetClientRect(window, &client);
    RECT hostClient{};
    GetClientRect(host, &hostClient);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(hostClient.right, outer.right - outer.left);
    EXPECT_EQ(hostClient.bottom, outer.bottom - outer.top);
}

TEST_F(GridHost, CellsRowsAndSelectionByNameAndDispatchId)
{
    SmallLayout();
    Put(L"TextMatrix", {1, 1, L"first"});
    Put(L"TextMatrix", {2, 2, L"中文"});
    EXPECT_EQ(L"first", Get(L"TextMatrix", {1, 1}).AsText());
    EXPECT_EQ(L"中文", Get(L"TextMatrix", {2, 2}).AsText());

    Call(L"AddItem", {L"new\tcells", 0});
    EXPECT_EQ(6, Get(L"Rows").AsLong());
    EXPECT_EQ(L"new", Get(L"TextMatrix", {0, 0}).AsText());
    EXPECT_EQ(L"cells", Get(L"TextMatrix", {0, 1}).AsText());
    EXPECT_EQ(L"first", Get(L"TextMatrix", {2, 1}).AsText()) << "older rows move down";
    Call(L"AddItem", {L"last"});
    EXPECT_EQ(L"last", Get(L"TextMatrix", {6, 0}).AsText()) << "without Row the item is appended";
    Call(L"RemoveItem", {0});
    EXPECT_EQ(L"first", Get(L"TextMatrix", {1, 1}).AsText());
    EXPECT_EQ(DISP_E_EXCEPTION, Invoke(Id(L"RemoveItem"), DISPATCH_METHOD, {99}));
    EXPECT_EQ(DISP_E_EXCEPTION, Invoke(Id(L"TextMatrix"), DISPATCH_PROPERTYGET, {99, 0}));

    Call(L"Select", {3, 2, 1, 1});
    EXPECT_EQ(3, Get(L"Row").AsLong());
    EXPECT_EQ(2, Get(L"Col").AsLong());
    EXPECT_EQ(1, Get(L"RowSel").AsLong());
    long r1 = -1, c1 = -1, r2 = -1, c2 = -1;
    ASSERT_EQ(S_OK, Invoke(181, DISPATCH_METHOD, {Value::Ref(&r1), Value::Ref(&c1), Value::Ref(&r2), Value::Ref(&c2)}));
    EXPECT_EQ(1, r1);
    EXPECT_EQ(1, c1);
    EXPECT_EQ(3, r2) << "the selection comes back ordered";
    EXPECT_EQ(2, c2);
    ASSERT_EQ(S_OK, Invoke(175, DISPATCH_METHOD, {2, 1, Value::Ref(&r1), Value::Ref(&c1), Value::Ref(&r2), Value::Ref(&c2)}));
    EXPECT_EQ(2, r1);
    EXPECT_EQ(1, c2);
    Call(L"Select", {2, 1});
    EXPECT_EQ(2, Get(L"RowSel").AsLong()) << "without RowSel and ColSel one cell is selected";
    EXPECT_EQ(1, Get(L"ColSel").AsLong());
}

TEST_F(GridHost, MembersWithoutEffectKeepWhatWasPut)
{
    struct Case {
        const wchar_t* name;
        std::vector<Value> indexes;
        Value value;
    };
    const Case cases[] = {
        {L"ScrollTipText", {}, Value(L"提示")},
        {L"AllowUserResizing", {}, Value(2)},
        {L"ExplorerBar", {}, Value(7)},
        {L"AutoSizeMouse", {}, Value(true)},
        {L"AccessibleName", {}, Value(L"history")},
        {L"ColFormat", {1}, Value(L"#,##0")},
        {L"ColDataType", {2}, Value(8)},
    };
    for (const Case& c : cases) {
        std::vector<Value> put = c.indexes;
        put.push_back(c.value);
        Put(c.name, put);
        Value read = Get(c.name, c.indexes);
        EXPECT_EQ(c.value.AsText(), read.AsText()) << c.name;
        EXPECT_EQ(c.value.v.vt, read.v.vt) << c.name << " reads back with its declared type";
    }
    EXPECT_EQ(L"", Get(L"ColFormat", {2}).AsText()) << "another index keeps its own value";
    EXPECT_EQ(VT_BOOL, Get(L"ScrollTips").v.vt) << "a value never put reads as its type's empty value";
    DISPID unknown = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    EXPECT_NE(S_OK, grid->GetIDsOfNames(IID_NULL, names, 1, 0, &unknown));
}

// Rows and columns are sized, hidden and laid out alike; only the last column stretches to the edge.
TEST_F(GridHost, RowsAndColumnsAreSizedHiddenAndHitAlike)
{
    struct Axis {
        const wchar_t* size;
        const wchar_t* hidden;
        const wchar_t* mouse;
        long lines;
        int unit;  // pixels of a line in SmallLayout
        bool stretchesToTheEdge;
        LPARAM (*at)(int pixel);  // a client point `pixel` along the axis, in line 1 across it
    };
    const Axis axes[] = {
        {L"RowHeight", L"RowHidden", L"MouseRow", 5, 20, false, [](int y) { return MAKELPARAM(150, y); }},
        {L"ColWidth", L"ColHidden", L"MouseCol", 3, 100, true, [](int x) { return MAKELPARAM(x, 30); }},
    };
    for (const Axis& a : axes) {
        SCOPED_TRACE(testing::Message() << a.size);
        SmallLayout();
        const long twips = a.unit * 15;
        auto lineAt = [&](int pixel) {
            SendMessageW(GridWindow(), WM_MOUSEMOVE, 0, a.at(pixel));
            return Get(a.mouse).AsLong();
        };
        EXPECT_EQ(twips, Get(a.size, {1}).AsLong());
        Put(a.size, {1, 2 * twips});
        EXPECT_EQ(2 * twips, Get(a.size, {1}).AsLong());
        EXPECT_EQ(twips, Get(a.size, {2}).AsLong()) << "another line keeps the default";
        EXPECT_EQ(1, lineAt(a.unit * 5 / 2)) << "line 1 covers what was line 2";
        EXPECT_EQ(2, lineAt(a.unit * 7 / 2));

        Put(a.size, {-1, twips});
        EXPECT_EQ(twips, Get(a.size, {1}).AsLong()) << "-1 sets every line, dropping their own sizes";
        EXPECT_EQ(2, lineAt(a.unit * 5 / 2));

        Put(a.hidden, {1, true});
        EXPECT_TRUE(Get(a.hidden, {1}).v.boolVal);
        EXPECT_EQ(2, lineAt(a.unit * 3 / 2)) << "the next line takes a hidden line's place";
        Put(a.hidden, {1, false});

        EXPECT_EQ(-1, lineAt(a.unit * a.lines + 20)) << "past the last line";
        Put(L"ExtendLastCol", {true});
        EXPECT_EQ(a.stretchesToTheEdge ? a.lines - 1 : -1, lineAt(a.unit * a.lines + 20));
        Put(L"ExtendLastCol", {false});

        EXPECT_EQ(DISP_E_EXCEPTION, Invoke(Id(a.size), DISPATCH_PROPERTYGET, {a.lines}));
        EXPECT_EQ(DISP_E_EXCEPTION, Invoke(Id(a.hidden), DISPATCH_PROPERTYPUT, {-1, true}));
    }
}

TEST_F(GridHost, MouseClicksMoveTheCurrentCellAndFireEvents)
{
    SmallLayout();
    HWND window = GridWindow();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(2, 1));
    SendMessageW(window, WM_LBUTTONUP, 0, CellPoint(2, 1));
    EXPECT_EQ(2, Get(L"Row").AsLong());
    EXPECT_EQ(1, Get(L"Col").AsLong());
    EXPECT_EQ(2, Get(L"MouseRow").AsLong());
    EXPECT_EQ(1, Get(L"MouseCol").AsLong());
    const Event* down = sink.Find(kMouseDown);
    ASSERT_TRUE(down);
    ASSERT_EQ(4u, down->args.size());
    EXPECT_EQ(VT_I2, down->args[0].v.vt);
    EXPECT_EQ(1, down->args[0].v.iVal);
    EXPECT_EQ(VT_R4, down->args[2].v.vt);
    EXPECT_FLOAT_EQ(150.0f * 15, down->args[2].v.fltVal) << "X in twips";
    EXPECT_FLOAT_EQ(50.0f * 15, down->args[3].v.fltVal);
    for (DISPID id : {kLeaveCell, kRowColChange, kEnterCell, kSelChange, kMouseUp, kClick})
        EXPECT_EQ(1, sink.Count(id)) << "event " << id;

    sink.events.clear();
    SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, CellPoint(3, 2));
    ASSERT_TRUE(sink.Find(kMouseDown));
    EXPECT_EQ(2, sink.Find(kMouseDown)->args[0].v.iVal) << "right button";
    EXPECT_EQ(2, Get(L"Row").AsLong()) << "the right button leaves the current cell to the handler";
    EXPECT_EQ(3, Get(L"MouseRow").AsLong());

    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(2, 1));
    ASSERT_TRUE(sink.Find(kDblClick));
    EXPECT_TRUE(sink.Find(kDblClick)->args.empty());

    sink.cancel = kBeforeRowColChange;
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(4, 2));
    SendMessageW(window, WM_LBUTTONUP, 0, CellPoint(4, 2));
    EXPECT_EQ(2, Get(L"Row").AsLong()) << "a cancelled BeforeRowColChange keeps the current cell";
}

TEST_F(GridHost, KeysFireEventsAndMoveUnlessTheSinkClearsTheCode)
{
    SmallLayout();
    HWND window = GridWindow();
    Call(L"Select", {1, 1});
    SendMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(2, Get(L"Row").AsLong());
    const Event* key = sink.Find(kKeyDown);
    ASSERT_TRUE(key);
    EXPECT_EQ(VK_DOWN, key->args[0].v.iVal);
    EXPECT_EQ(0, key->args[1].v.iVal);
    SendMessageW(window, WM_CHAR, 'x', 0);
    ASSERT_TRUE(sink.Find(kKeyPress));
    EXPECT_EQ('x', sink.Find(kKeyPress)->args[0].v.iVal);

    sink.clearKeyCode = true;
    SendMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(2, Get(L"Row").AsLong()) << "a KeyCode cleared by the sink is not acted on";
}

TEST_F(GridHost, ScrollingFiresBeforeAndAfterScrollAndHonoursCancel)
{
    SmallLayout();
    Put(L"Rows", {100});
    HWND window = GridWindow();
    SendMessageW(window, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(2, Get(L"TopRow").AsLong());
    ASSERT_TRUE(sink.Find(kAfterScroll));
    EXPECT_EQ(1, sink.Find(kAfterScroll)->args[0].AsLong());
    EXPECT_EQ(2, sink.Find(kAfterScroll)->args[2].AsLong());
    Call(L"ShowCell", {80, 1});
    EXPECT_GT(Get(L"TopRow").AsLong(), 60);
    EXPECT_LE(Get(L"TopRow").AsLong(), 80);
    sink.cancel = kBeforeScroll;
    long top = Get(L"TopRow").AsLong();
    SendMessageW(window, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(top, Get(L"TopRow").AsLong());
}

TEST_F(GridHost, EditingChangesTheCellThroughTheEditWindow)
{
    SmallLayout();
    Put(L"TextMatrix", {1, 1, L"old"});
    Call(L"Select", {1, 1});
    EXPECT_EQ(0, Get(L"EditWindow").AsLong()) << "no editor while nothing is edited";
    Call(L"EditCell");
    EXPECT_EQ(0, Get(L"EditWindow").AsLong()) << "Editable 0 does not edit";

    Put(L"Editable", {2});
    SendMessageW(GridWindow(), WM_KEYDOWN, VK_F2, 0);
    HWND editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
    ASSERT_TRUE(IsWindow(editor));
    EXPECT_TRUE(IsChild(GridWindow(), editor));
    ASSERT_TRUE(sink.Find(kBeforeEdit));
    EXPECT_EQ(1, sink.Find(kBeforeEdit)->args[0].AsLong());
    SetWindowTextW(editor, L"新的");
    EXPECT_GE(sink.Count(kChangeEdit), 1);
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(L"新的", Get(L"TextMatrix", {1, 1}).AsText());
    EXPECT_EQ(0, Get(L"EditWindow").AsLong());
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(1, sink.Count(kValidateEdit));
    EXPECT_EQ(1, sink.Count(kAfterEdit));

    // Escape drops the change.
    Call(L"EditCell");
    editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
    ASSERT_TRUE(editor);
    SetWindowTextW(editor, L"dropped");
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(L"新的", Get(L"TextMatrix", {1, 1}).AsText());

    // A sink that cancels ValidateEdit keeps the editor open.
    sink.cancel = kValidateEdit;
    Call(L"EditCell");
    editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(editor, HWND(INT_PTR(Get(L"EditWindow").AsLong())));
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);

    // A sink that cancels BeforeEdit prevents editing.
    sink.cancel = kBeforeEdit;
    Call(L"EditCell");
    EXPECT_EQ(0, Get(L"EditWindow").AsLong());
}

std::wstring ClipboardText(HWND* owner)
{
    return ReadClipboardText<wchar_t>(CF_UNICODETEXT, owner, L"(none)", L"(not opened)");
}

TEST_F(GridHost, CopyAndCtrlCPutTheSelectionOnTheClipboard)
{
    SmallLayout();
    Put(L"TextMatrix", {1, 1, L"a"});
    Put(L"TextMatrix", {1, 2, L"b"});
    Put(L"TextMatrix", {2, 1, L"c"});
    Put(L"TextMatrix", {2, 2, L"丁"});
    Call(L"Select", {1, 1, 2, 2});
    Call(L"Copy");
    HWND owner = nullptr;
    EXPECT_EQ(L"a\tb\r\nc\t丁", ClipboardText(&owner));
    EXPECT_EQ(GridWindow(), owner);

    // Ctrl+C copies by itself only with Flags 2.
    ASSERT_TRUE(EmptyTheClipboard());
    Call(L"Select", {2, 2});
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(GridWindow(), WM_KEYDOWN, 'C', 0);
    EXPECT_EQ(L"(none)", ClipboardText(&owner));
    Put(L"Flags", {2});
    SendMessageW(GridWindow(), WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(L"丁", ClipboardText(&owner));
    EXPECT_EQ(GridWindow(), owner);
    const Event* key = sink.Find(kKeyDown);
    ASSERT_TRUE(key);
    EXPECT_EQ('C', key->args[0].v.iVal);
    EXPECT_EQ(2, key->args[1].v.iVal) << "Shift carries Ctrl as 2";
}

SIZE_T PagefileUsage()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

TEST_F(GridHost, CellPicturesAreKeptCompactlyAndReadBackPixelForPixel)
{
    SmallLayout();
    Put(L"Rows", {1});
    Call(L"Select", {0, 1});
    EXPECT_EQ(VT_DISPATCH, Get(L"CellPicture").v.vt);
    EXPECT_EQ(nullptr, Get(L"CellPicture").v.pdispVal) << "a cell without picture gives no object";

    HBITMAP shot = MakeScreenshot(1920, 1080, 1);
    int w = 0, h = 0;
    const std::vector<std::uint32_t> original = PixelsOf(shot, &w, &h);
    IDispatch* picture = PictureOf(shot);
    ASSERT_TRUE(picture);
    Put(L"CellPicture", {Value(picture)});
    picture->Release();
    Value back = Get(L"CellPicture");
    ASSERT_EQ(VT_DISPATCH, back.v.vt);
    ASSERT_TRUE(back.v.pdispVal);
    int w2 = 0, h2 = 0;
    EXPECT_TRUE(PixelsOf(HandleOf(back.v.pdispVal), &w2, &h2) == original) << "pixels differ";
    EXPECT_EQ(1920, w2);
    EXPECT_EQ(1080, h2);

    // Many rows of full-screen pictures stay small: measured per picture row.
    constexpr int kRows = 16;
    const SIZE_T before = PagefileUsage();
    for (int i = 0; i < kRows; ++i) {
        Call(L"AddItem", {L"", 0});
        Call(L"Select", {0, 1});
        IDispatch* shotPicture = PictureOf(MakeScreenshot(1920, 1080, i + 2));
        Put(L"CellPicture", {Value(shotPicture)});
        shotPicture->Release();
    }
    const double perRow = double(PagefileUsage() - before) / kRows;
    std::printf("memory per 1920x1080 picture row: %.0f bytes\n", perRow);
    EXPECT_LT(perRow, 1024.0 * 1024.0);
}

TEST_F(GridHost, ScreenshotShowsTextAndPictureRows)
{
    SmallLayout();
    Put(L"Rows", {3});
    Put(L"RowHeight", {2, 1500});
    Put(L"BackColor", {0xFFFFFF});
    Put(L"TextMatrix", {1, 1, L"Text row 文字"});
    Call(L"Select", {2, 1});
    HBITMAP red = MakeScreenshot(200, 100, 0);
    {
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        HGDIOBJ old = SelectObject(dc.get(), red);
        RECT all{0, 0, 200, 100};
        UniqueBrush brush(CreateSolidBrush(RGB(255, 0, 0)));
        FillRect(dc.get(), &all, brush.get());
        SelectObject(dc.get(), old);
    }
    IDispatch* picture = PictureOf(red);
    Put(L"CellPicture", {Value(picture)});
    picture->Release();
    Call(L"Select", {1, 2});

    int width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ClientPixels(GridWindow(), &width, &height);
    ASSERT_FALSE(pixels.empty()) << "the control prints itself";
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * width + x]; };

    // Keep the shot for a person to look at.
    if (FILE* file = std::fopen("grid_screenshot.bmp", "wb")) {
        BITMAPFILEHEADER head{0x4D42, DWORD(54 + width * height * 4), 0, 0, 54};
        BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::fwrite(&head, sizeof head, 1, file);
        std::fwrite(&info, sizeof info, 1, file);
        std::fwrite(pixels.data(), 4, pixels.size(), file);
        std::fclose(file);
    }
    EXPECT_EQ(400, width) << "the shot has the control's size";
    EXPECT_EQ(300, height);
    int dark = 0;
    for (int y = 21; y < 39; ++y)
        for (int x = 101; x < 199; ++x)
            dark += (at(x, y) & 0xFF) < 0x80;
    EXPECT_GT(dark, 20) << "the text cell shows its text";
    int redPixels = 0;
    for (int y = 41; y < 139; ++y)
        for (int x = 101; x < 199; ++x)
            redPixels += at(x, y) == 0xFF0000;
    EXPECT_GT(redPixels, 1000) << "the picture cell shows its picture";
    // The picture is fitted into the cell keeping its shape: the rest of the cell keeps the background.
    EXPECT_EQ(0xFFFFFFu, at(150, 135)) << "below the picture the cell keeps the background";
}

TEST_F(GridHost, AHugeCellTextPaintsAsItsVisibleStartAlone)
{
    SmallLayout();
    Put(L"RowHeight", {1, 1500});
    Put(L"WordWrap", {true});
    std::wstring text;
    for (int i = 0; text.size() < 4'000'000; ++i)
        text += L"word " + std::to_wstring(i) + (i % 7 == 6 ? L"\r\n" : L" ");
    // Each start overfills the 100 x 100 pixel cell yet is short enough to be laid out whole.
    struct Case {
        const char* what;
        bool wrap;
        std::size_t start;
    };
    for (const Case& c : {Case{"word wrap", true, 400}, Case{"single line", false, 60}}) {
        SCOPED_TRACE(c.what);
        Put(L"WordWrap", {c.wrap});
        Put(L"TextMatrix", {1, 1, Value(text.substr(0, c.start).c_str())});
        int width = 0, height = 0;
        const std::vector<std::uint32_t> start = ClientPixels(GridWindow(), &width, &height);
        Put(L"TextMatrix", {1, 1, Value(text.c_str())});
        const DWORD before = GetTickCount();
        const std::vector<std::uint32_t> whole = ClientPixels(GridWindow(), &width, &height);
        const DWORD took = GetTickCount() - before;
        EXPECT_FALSE(whole.empty());
        EXPECT_TRUE(whole == start) << "the whole text does not show as its start does";
        EXPECT_LT(took, 5000u) << "a paint laid out the whole text";
    }
}

TEST(GridReferences, SinkHeldOnlyWhileAdvised)
{
    OleInitialize(nullptr);
    ASSERT_TRUE(RegisterControl());
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"VSFlexGrid8.VSFlexGridADO.1", &clsid));
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IConnectionPointContainer,
                                     reinterpret_cast<void**>(&container)));
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(kIidGridEvents, &point));
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));
    EXPECT_EQ(2, sink.refs);
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(1, sink.refs);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));
    point->Release();
    container->Release();
    EXPECT_EQ(1, sink.refs) << "the last release of the control lets its sinks go";
    OleUninitialize();
}

}  // namespace
}  // namespace grid_test
