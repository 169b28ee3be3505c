// Handlers that pull the grid from under their own event: GridControl destroyed (with or without
// its host window), created again or rebound while DblClick, KeyDown or BeforeEdit is delivered.
// The process survives, the control's references come back to nothing, and no later event
// reaches a freed host object.
#include "grid_test_support.h"

namespace {

GridControl* g_target = nullptr;
HWND g_parent = nullptr;
int g_calls = 0, g_secondCalls = 0;
enum class Act { Destroy, DestroyWithWindow, Recreate, Rebind } g_act = Act::Destroy;

using BindOperation = void (GridControl::*)(SubprogramPointer) noexcept;
BindOperation g_bind = nullptr;

std::uint64_t __stdcall Second(std::uint32_t) noexcept
{
    ++g_secondCalls;
    return 0;
}

// Takes as many argument words as any of the three events has (its caller restores the stack).
std::uint64_t __cdecl PullTheGrid(std::uint32_t) noexcept
{
    ++g_calls;
    switch (g_act) {
    case Act::Destroy:
        g_target->Destroy();
        break;
    case Act::DestroyWithWindow: {
        HWND host = g_target->GetHostWindow();
        g_target->Destroy();
        DestroyWindow(host);
        break;
    }
    case Act::Recreate: {
        GridCreateValues values;
        values.width = 380;
        values.height = 260;
        g_target->Create(g_parent, values);
        (g_target->*g_bind)(ToSubprogramPointer(Second));
        break;
    }
    case Act::Rebind:
        (g_target->*g_bind)(ToSubprogramPointer(Second));
        break;
    }
    return 0;
}

struct Trigger {
    const char* event;
    BindOperation bind;
    void (*fire)(HWND grid);
};

const Trigger kTriggers[] = {
    {"DblClick", &GridControl::BindDblClick,
     [](HWND grid) { SendMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 50)); }},
    {"KeyDown", &GridControl::BindKeyDown, [](HWND grid) { SendMessageW(grid, WM_KEYDOWN, VK_DOWN, 0); }},
    {"BeforeEdit", &GridControl::BindBeforeEdit, [](HWND grid) { SendMessageW(grid, WM_KEYDOWN, VK_F2, 0); }},
};

class GridReentrancyTest : public GridControlTest {
protected:
    void SetUp() override
    {
        GridControlTest::SetUp();
        g_target = grid_.get();
        g_parent = parent_;
        g_calls = g_secondCalls = 0;
    }
    void TearDown() override
    {
        g_target = nullptr;
        GridControlTest::TearDown();
    }
    // A grid ready for the trigger: editing on with a data cell current.
    void Prepare(const Trigger& trigger)
    {
        CreateGrid();
        ASSERT_TRUE(grid_->SetEditable(2));
        ASSERT_TRUE(grid_->SetRow(2));
        ASSERT_TRUE(grid_->SetCol(1));
        g_bind = trigger.bind;
        ((*grid_).*trigger.bind)(ToSubprogramPointer(PullTheGrid));
    }
    // The next trigger's GridControl, in place of one whose grid may be gone.
    void FreshGrid()
    {
        grid_.reset();
        grid_ = std::make_unique<GridControl>();
        g_target = grid_.get();
    }
    // The control with one reference of the test's own.
    IUnknown* HoldControl() const
    {
        IUnknown* control = Host().control.Get();
        control->AddRef();
        return control;
    }
};

TEST_F(GridReentrancyTest, AHandlerDestroyingTheGridLeavesNoEventForTheFreedHost)
{
    for (const Trigger& trigger : kTriggers) {
        Prepare(trigger);
        const HWND grid = GridWindow();
        const HWND host = grid_->GetHostWindow();
        IUnknown* control = HoldControl();
        g_act = Act::Destroy;
        g_calls = 0;
        trigger.fire(grid);
        EXPECT_EQ(g_calls, 1) << trigger.event;
        EXPECT_EQ(grid_->hostObject, nullptr) << trigger.event;
        // The control lives on in its window, without a sink.
        trigger.fire(grid);
        SendMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 50));
        SendMessageW(grid, WM_KEYDOWN, VK_F2, 0);
        EXPECT_EQ(g_calls, 1) << trigger.event << ": an event reached the destroyed host";
        DestroyWindow(host);
        EXPECT_EQ(control->Release(), 0u) << trigger.event << ": a reference to the control was left behind";
        FreshGrid();
    }
}

TEST_F(GridReentrancyTest, AHandlerDestroyingTheGridAndItsWindowLetsTheControlGo)
{
    for (const Trigger& trigger : kTriggers) {
        Prepare(trigger);
        const HWND grid = GridWindow();
        IUnknown* control = HoldControl();
        g_act = Act::DestroyWithWindow;
        g_calls = 0;
        trigger.fire(grid);
        EXPECT_EQ(g_calls, 1) << trigger.event;
        EXPECT_FALSE(IsWindow(grid)) << trigger.event;
        EXPECT_EQ(control->Release(), 0u) << trigger.event << ": a reference to the control was left behind";
        FreshGrid();
    }
}

TEST_F(GridReentrancyTest, AHandlerCreatingTheGridAgainBindsTheNewControlOnly)
{
    for (const Trigger& trigger : kTriggers) {
        Prepare(trigger);
        const HWND oldGrid = GridWindow();
        g_act = Act::Recreate;
        g_calls = g_secondCalls = 0;
        trigger.fire(oldGrid);
        EXPECT_EQ(g_calls, 1) << trigger.event;
        const HWND newGrid = GridWindow();
        ASSERT_NE(newGrid, oldGrid) << trigger.event;
        trigger.fire(oldGrid);
        EXPECT_EQ(g_calls + g_secondCalls, 1) << trigger.event << ": the old control still reaches a handler";
        ASSERT_TRUE(grid_->SetEditable(2));
        ASSERT_TRUE(grid_->SetRow(2));
        ASSERT_TRUE(grid_->SetCol(1));
        trigger.fire(newGrid);
        EXPECT_EQ(g_secondCalls, 1) << trigger.event << ": the new control's binding";
        grid_.reset();
        FreshGrid();
    }
}

TEST_F(GridReentrancyTest, AHandlerRebindingItsEventHandsTheNextOneToTheNewHandler)
{
    for (const Trigger& trigger : kTriggers) {
        Prepare(trigger);
        const HWND grid = GridWindow();
        g_act = Act::Rebind;
        g_calls = g_secondCalls = 0;
        trigger.fire(grid);
        EXPECT_EQ(g_calls, 1) << trigger.event;
        EXPECT_EQ(g_secondCalls, 0) << trigger.event;
        if (HWND editor = reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid_->GetEditWindow())))
            SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
        trigger.fire(grid);
        EXPECT_EQ(g_calls, 1) << trigger.event;
        EXPECT_EQ(g_secondCalls, 1) << trigger.event;
        grid_.reset();
        FreshGrid();
    }
}

}  // namespace
