// The host with the program's own grid control: created by ProgID, driven by dispatch id with
// argument words, and its events from real mouse and key messages reaching bound handlers.
#include <cstring>
#include <string>
#include <vector>

#include "ax_test_support.h"
#include "com/com_object_value.h"
#include "framework/com_ref.h"
#include "grid/grid_registration.h"
#include "support/dispatch_cases.h"

namespace {

constexpr GUID kGridEventsIid = {0xEA78FC04, 0xDD21, 0x4A03, {0x8A, 0x49, 0xC4, 0xC6, 0x72, 0x81, 0xB6, 0x07}};
constexpr DISPID kCols = 1, kFixedRows = 4, kFixedCols = 5, kRow = 10, kCol = 11, kHwnd = 88, kColWidth = 119,
                 kRowHeight = 120, kTextMatrix = 129, kGetMergedRange = 175, kRows = 224;
constexpr DISPID kClick = -600, kKeyDown = -602, kMouseDown = -605;

struct GridReceived {
    int clicks;
    int downs;
    std::uint32_t user;
    std::int16_t button;
    float x, y;
    std::int16_t key;
};
GridReceived g_grid;

std::uint64_t __stdcall OnClick(std::uint32_t user) noexcept
{
    ++g_grid.clicks;
    g_grid.user = user;
    return 0;
}

std::uint64_t __stdcall OnMouseDown(std::uint32_t, std::int16_t button, std::int16_t, float x, float y) noexcept
{
    ++g_grid.downs;
    g_grid.button = button;
    g_grid.x = x;
    g_grid.y = y;
    return 0;
}

std::uint64_t __cdecl OnKeyDownSwallow(std::uint32_t, std::int16_t* keyCode, std::int16_t)
{
    g_grid.key = *keyCode;
    *keyCode = 0;
    return 0;
}

std::uint32_t Word(const void* address) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)); }

class AxHostGridTest : public AxHostTest {
protected:
    static void SetUpTestSuite()
    {
        AxHostTest::SetUpTestSuite();
        LoadAndRegisterGridControl(&grid_);
    }

    void SetUp() override
    {
        AxHostTest::SetUp();
        g_grid = {};
        window_ = CreateControl(&host_, parent_, "VSFlexGrid8.VSFlexGridADO.1", 0, 0, 380, 260, 1);
        ASSERT_NE(window_, nullptr);
        ASSERT_NE(host_->control.Get(), nullptr);
        // Rows 20 pixels high, columns 100 pixels wide.
        Put(kRows, "0I", {5});
        Put(kCols, "0I", {3});
        Put(kFixedRows, "0I", {1});
        Put(kFixedCols, "0I", {1});
        Put(kRowHeight, "0I0I", {static_cast<std::uint32_t>(-1), 300});
        Put(kColWidth, "0I0I", {static_cast<std::uint32_t>(-1), 1500});
    }

    std::uint64_t Call(DISPID id, WORD flags, const char* signature, const std::vector<std::uint32_t>& words)
    {
        return InvokeByDispId(&host_, id, flags, signature, 0, static_cast<std::int32_t>(std::strlen(signature) / 2),
                              words.data());
    }
    void Put(DISPID id, const char* signature, const std::vector<std::uint32_t>& words)
    {
        ASSERT_EQ(Call(id, DISPATCH_PROPERTYPUT, signature, words), 0u) << "member " << id;
    }
    std::int32_t GetNumber(DISPID id) { return static_cast<std::int32_t>(Call(id, DISPATCH_PROPERTYGET, "", {})); }
    HWND GridWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(GetNumber(kHwnd))); }

    static inline HMODULE grid_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(AxHostGridTest, HostsTheGridWithItsWholeEventTable)
{
    char className[32] = {};
    GetClassNameA(window_, className, sizeof(className));
    EXPECT_STREQ(className, "AtlAxWin");
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE, 0u);
    EXPECT_TRUE(IsEqualIID(host_->sourceIid, kGridEventsIid));
    EXPECT_EQ(host_->entryCount, 63);
    EXPECT_NE(host_->cookie, 0u);
    HWND grid = GridWindow();
    ASSERT_TRUE(IsWindow(grid));
    EXPECT_TRUE(IsChild(window_, grid));
}

TEST_F(AxHostGridTest, MembersAnswerByDispatchIdWithArgumentWords)
{
    EXPECT_EQ(GetNumber(kRows), 5);
    EXPECT_EQ(GetNumber(kCols), 3);

    char* text = static_cast<char*>(RuntimeService(kRuntimeAllocate, nullptr, 5));
    std::strcpy(text, "澄笺");
    Put(kTextMatrix, "0I0I0T", {2, 1, Word(&text)});
    RuntimeService(kRuntimeFree, text, 0);
    auto* read = reinterpret_cast<char*>(static_cast<std::uintptr_t>(Call(kTextMatrix, DISPATCH_PROPERTYGET, "0I0I", {2, 1})));
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, "澄笺");
    RuntimeService(kRuntimeFree, read, 0);

    std::int32_t r1 = -1, c1 = -1, r2 = -1, c2 = -1;
    EXPECT_EQ(Call(kGetMergedRange, DISPATCH_METHOD, "0I0I1I1I1I1I", {3, 2, Word(&r1), Word(&c1), Word(&r2), Word(&c2)}),
              0u);
    EXPECT_EQ(r1, 3);
    EXPECT_EQ(c1, 2);
    EXPECT_EQ(r2, 3) << "an unmerged cell is its own range";
    EXPECT_EQ(c2, 2);
}

TEST_F(AxHostGridTest, MouseAndKeyEventsReachTheBoundHandlers)
{
    ASSERT_TRUE(BindEvent(&host_, kClick, ToSubprogramPointer(OnClick), 0x77));
    ASSERT_TRUE(BindEvent(&host_, kMouseDown, ToSubprogramPointer(OnMouseDown), 0));
    ASSERT_TRUE(BindEvent(&host_, kKeyDown, reinterpret_cast<SubprogramPointer>(&OnKeyDownSwallow), 0));
    HWND grid = GridWindow();

    const LPARAM cell21 = MAKELPARAM(150, 50);
    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, cell21);
    SendMessageW(grid, WM_LBUTTONUP, 0, cell21);
    EXPECT_EQ(g_grid.downs, 1);
    EXPECT_EQ(g_grid.button, 1);
    EXPECT_FLOAT_EQ(g_grid.x, 150.0f * 15) << "X in twips";
    EXPECT_FLOAT_EQ(g_grid.y, 50.0f * 15);
    EXPECT_EQ(g_grid.clicks, 1);
    EXPECT_EQ(g_grid.user, 0x77u);
    EXPECT_EQ(GetNumber(kRow), 2);
    EXPECT_EQ(GetNumber(kCol), 1);

    SendMessageW(grid, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(g_grid.key, VK_DOWN);
    EXPECT_EQ(GetNumber(kRow), 2) << "the handler's cleared key code stops the move";
}

// Every call the grid's type library allows or forbids, made by dispatch id with argument words:
// the binding's answer comes back as the call's HRESULT, and a call that binds returns.
TEST_F(AxHostGridTest, EveryMemberKindAndArgumentCountByDispatchIdReturnsItsAnswer)
{
    auto dispatch = QueryFor<IDispatch>(host_->control.Get(), IID_IDispatch);
    ComRef<ITypeInfo> info;
    ASSERT_TRUE(dispatch && SUCCEEDED(dispatch->GetTypeInfo(0, 0, info.Put())));
    const std::vector<dispatch_cases::Case> cases = dispatch_cases::Generate(info.Get());
    ASSERT_GT(cases.size(), 1000u);

    char* text = static_cast<char*>(RuntimeService(kRuntimeAllocate, nullptr, 2));
    std::strcpy(text, "x");
    struct Pass {
        const char* pair;
        std::uint32_t word;
    };
    const Pass passes[] = {{"0I", 1}, {"0T", Word(&text)}};
    for (const Pass& pass : passes) {
        for (const dispatch_cases::Case& c : cases) {
            std::string signature;
            for (UINT i = 0; i < c.count; ++i)
                signature += pass.pair;
            const std::vector<std::uint32_t> words(c.count + 1, pass.word);
            const std::uint64_t result = InvokeByDispId(&host_, c.id, c.kind, signature.c_str(), 0,
                                                        static_cast<std::int32_t>(c.count), words.data());
            const auto low = static_cast<std::uint32_t>(result);
            if (c.expected != S_OK) {
                EXPECT_EQ(low, static_cast<std::uint32_t>(c.expected))
                    << "member " << c.id << " kind " << c.kind << " with " << c.count << " arguments " << pass.pair;
                continue;
            }
            // A failed call hands back its HRESULT instead of a value; a value made for the caller is freed.
            if (static_cast<std::int32_t>(low) <= 0)
                continue;
            if (c.resultType == VT_BSTR)
                RuntimeService(kRuntimeFree, reinterpret_cast<void*>(static_cast<std::uintptr_t>(low)), 0);
            else if (c.resultType == VT_PTR || c.resultType == VT_DISPATCH || c.resultType == VT_UNKNOWN)
                FreeComObjectValue(reinterpret_cast<ComObjectValue*>(static_cast<std::uintptr_t>(low)));
        }
    }
    RuntimeService(kRuntimeFree, text, 0);
    EXPECT_TRUE(IsWindow(GridWindow())) << "the control still answers";
}

} // namespace
