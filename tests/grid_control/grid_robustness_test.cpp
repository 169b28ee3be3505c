// The hosted grid control as an outside client meets it: every call its type library allows or
// forbids gets a proper answer, sinks that unadvise each other from inside an event, positions
// outside the grid, a grid window destroyed while its cell editor is open, and a handler that lets
// the control go while its edit ends.
#include "freed_block_quarantine.h"
#include "grid_host_fixture.h"
#include "in_place_site.h"

#include "support/dispatch_cases.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <tuple>

namespace grid_test {
namespace {

constexpr DISPID kDblClick = -601, kValidateEdit = 23, kAfterEdit = 24;

struct Answer {
    HRESULT hr;
    EXCEPINFO exception;
    UINT argumentError;
    Value result;
};

// Calls `id` with `count` arguments all equal to `value` (a put's value last, named as such).
Answer CallWith(IDispatch* grid, const dispatch_cases::Case& c, const Value& value)
{
    std::vector<VARIANT> args(c.count, value.v);
    DISPID put = DISPID_PROPERTYPUT;
    const bool isPut = c.kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    const bool named = isPut && c.count > 0;
    DISPPARAMS params{args.empty() ? nullptr : args.data(), named ? &put : nullptr, c.count, named ? 1u : 0u};
    Answer answer{};
    answer.argumentError = UINT(-1);
    answer.hr = grid->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.kind, &params, &answer.result.v,
                             &answer.exception, &answer.argumentError);
    return answer;
}

bool IsBasic(VARTYPE type)
{
    return type == VT_I2 || type == VT_I4 || type == VT_R4 || type == VT_R8 || type == VT_BOOL || type == VT_BSTR;
}

TEST_F(GridHost, EveryMemberKindAndArgumentCountOfTheTypeLibraryGetsAProperAnswer)
{
    SmallLayout();
    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, grid->GetTypeInfo(0, 0, &info));
    const std::vector<dispatch_cases::Case> cases = dispatch_cases::Generate(info);
    info->Release();
    ASSERT_GT(cases.size(), 1000u);
    std::printf("%u generated calls, each with a number and with a text\n", unsigned(cases.size()));

    int bound = 0, raised = 0;
    for (const Value& value : {Value(1), Value(L"x")}) {
        for (const dispatch_cases::Case& c : cases) {
            Answer answer = CallWith(grid, c, value);
            const std::string where = "member " + std::to_string(c.id) + " kind " + std::to_string(c.kind) +
                                      " with " + std::to_string(c.count) + " arguments";
            if (c.expected != S_OK) {
                EXPECT_EQ(c.expected, answer.hr) << where;
                EXPECT_EQ(VT_EMPTY, answer.result.v.vt) << where;
                continue;
            }
            ++bound;
            EXPECT_TRUE(dispatch_cases::IsProperAnswer(answer.hr)) << where << " answered " << std::hex << answer.hr;
            if (answer.hr == DISP_E_EXCEPTION) {
                ++raised;
                EXPECT_TRUE(FAILED(answer.exception.scode)) << where;
                EXPECT_TRUE(answer.exception.bstrDescription && *answer.exception.bstrDescription) << where;
                EXPECT_TRUE(answer.exception.bstrSource != nullptr) << where;
            }
            if (answer.hr == DISP_E_TYPEMISMATCH) {
                EXPECT_LT(answer.argumentError, c.count) << where;
            }
            if (answer.hr == S_OK && c.kind == DISPATCH_PROPERTYGET && IsBasic(c.resultType)) {
                EXPECT_EQ(c.resultType, answer.result.v.vt) << where;
            }
            if (answer.hr == S_OK && c.resultType == VT_PTR) {
                EXPECT_TRUE(answer.result.v.vt == VT_DISPATCH || answer.result.v.vt == VT_UNKNOWN)
                    << where << " hands out a " << answer.result.v.vt << " as an object";
            }
            SysFreeString(answer.exception.bstrSource);
            SysFreeString(answer.exception.bstrDescription);
            SysFreeString(answer.exception.bstrHelpFile);
        }
    }
    EXPECT_GT(bound, 100);
    EXPECT_GT(raised, 0) << "some index or value is outside the grid";
    // The control is still there and answers.
    EXPECT_TRUE(IsWindow(GridWindow()));
}

TEST_F(GridHost, PositionsOutsideTheGridFailAndKeepTheCurrentCell)
{
    SmallLayout();
    Call(L"Select", {2, 1});
    struct Case {
        const wchar_t* name;
        long value;
    };
    const Case cases[] = {{L"Row", 5},    {L"Row", -1},    {L"Col", 3},    {L"Col", -2},
                          {L"RowSel", 5}, {L"RowSel", -1}, {L"ColSel", 3}, {L"ColSel", -2}};
    for (const Case& c : cases) {
        EXPECT_EQ(DISP_E_EXCEPTION, Invoke(Id(c.name), DISPATCH_PROPERTYPUT, {c.value})) << c.name << " " << c.value;
        EXPECT_EQ(2, Get(L"Row").AsLong());
        EXPECT_EQ(1, Get(L"Col").AsLong());
        EXPECT_EQ(2, Get(L"RowSel").AsLong());
        EXPECT_EQ(1, Get(L"ColSel").AsLong());
    }
    Put(L"Row", {4});
    Put(L"Col", {0});
    EXPECT_EQ(4, Get(L"Row").AsLong());
    EXPECT_EQ(0, Get(L"Col").AsLong());
}

// Unadvises another sink from inside an event, as a host destroying a second view would.
class UnadvisingSink final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id == kDblClick && point && victimCookie) {
            point->Unadvise(victimCookie);
            victimCookie = 0;
        }
        return S_OK;
    }

    long refs = 1;
    IConnectionPoint* point = nullptr;
    DWORD victimCookie = 0;
};

TEST_F(GridHost, ASinkUnadvisedInsideAnEventGetsNoFurtherCallAndItsReferencesBalance)
{
    SmallLayout();
    // The fixture's sink was advised first; the unadvising sink comes second and the victim last.
    UnadvisingSink unadvising;
    RecordingSink victim;
    DWORD unadvisingCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&unadvising), &unadvisingCookie));
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&victim), &unadvising.victimCookie));
    unadvising.point = point;
    EXPECT_EQ(2, victim.refs);

    SendMessageW(GridWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(2, 1));
    EXPECT_EQ(1, sink.Count(kDblClick));
    EXPECT_EQ(0, victim.Count(kDblClick)) << "an event reached a sink after it was unadvised";
    EXPECT_EQ(1, victim.refs) << "the control still holds the unadvised sink";

    SendMessageW(GridWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(2, 1));
    EXPECT_EQ(2, sink.Count(kDblClick));
    EXPECT_EQ(0, victim.Count(kDblClick));
    EXPECT_EQ(S_OK, point->Unadvise(unadvisingCookie));
    EXPECT_EQ(1, unadvising.refs);
}

TEST_F(GridHost, DestroyingTheGridWithItsEditorOpenFreesTheEditorsFontAndForgetsTheWindows)
{
    SmallLayout();
    Put(L"Editable", {2});
    Call(L"Select", {1, 1});
    Call(L"EditCell");
    HWND editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
    ASSERT_TRUE(IsWindow(editor));
    HGDIOBJ font = HGDIOBJ(SendMessageW(editor, WM_GETFONT, 0, 0));
    ASSERT_EQ(DWORD(OBJ_FONT), GetObjectType(font));

    DestroyWindow(GridWindow());
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(0u, GetObjectType(font)) << "the editor's font outlived it";
    EXPECT_EQ(0, Get(L"hWnd").AsLong()) << "the control still names its destroyed window";
    EXPECT_EQ(0, Get(L"EditWindow").AsLong());

    // The usual road out frees the font too.
    Call(L"EditCell");
    EXPECT_EQ(0, Get(L"EditWindow").AsLong()) << "no window, no editor";
}

TEST_F(GridHost, FinishingOrCancellingAnEditFreesTheEditorsFont)
{
    SmallLayout();
    Put(L"Editable", {2});
    Call(L"Select", {1, 1});
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        Call(L"EditCell");
        HWND editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
        ASSERT_TRUE(IsWindow(editor));
        HGDIOBJ font = HGDIOBJ(SendMessageW(editor, WM_GETFONT, 0, 0));
        SendMessageW(editor, WM_KEYDOWN, key, 0);
        EXPECT_FALSE(IsWindow(editor)) << key;
        EXPECT_EQ(0u, GetObjectType(font)) << key;
    }
}

// Ways an edit ends with the changes kept: each asks the sinks through ValidateEdit first.
struct EditEnd {
    const char* name;
    void (*end)(HWND editor, HWND elsewhere);
};

const EditEnd kEditEnds[] = {
    {"Enter", [](HWND editor, HWND) { SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0); }},
    {"FocusMovingAway", [](HWND, HWND elsewhere) { SetFocus(elsewhere); }},
};

// What a ValidateEdit handler does when it lets the control go: its own (and last) references, and
// perhaps the window the control is in, as a program does that destroys its grid with the host window.
struct LettingGo {
    const char* name;
    bool destroysTheHostWindow;
};

const LettingGo kReleasesTheLastReference{"ReleasesTheLastReference", false};
const LettingGo kLettingGo[] = {kReleasesTheLastReference, {"AlsoDestroysTheHostWindow", true}};

using LetGoCase = std::tuple<EditEnd, LettingGo>;

// The control in place in a window `host` of the test's own, on a site of its own that holds no
// reference to it: the test's references are the control's only ones.
class OwnSiteHost : public GridHost {
protected:
    void HostControl(IUnknown** control) override
    {
        host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400, 300, frame,
                               nullptr, nullptr, nullptr);
        ASSERT_TRUE(host);
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(L"VSFlexGrid8.VSFlexGridADO.1", &clsid));
        IOleObject* object = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                         reinterpret_cast<void**>(&object)));
        site.parent = host;
        object->SetClientSite(&site);
        RECT rect = site.position;
        EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, host, &rect));
        *control = object;
    }
    void TearDown() override
    {
        GridHost::TearDown();
        EXPECT_EQ(1, site.refs) << "the control keeps its site";
    }
    // Starts editing cell (1, 1); the editor has the focus.
    void OpenEditor()
    {
        SmallLayout();
        Put(L"Editable", {2});
        Call(L"Select", {1, 1});
        Call(L"EditCell");
        editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
        window = GridWindow();
        ASSERT_TRUE(IsWindow(editor));
        ASSERT_EQ(editor, GetFocus());
    }
    void LetTheControlGo(const LettingGo& how)
    {
        point->Release();
        point = nullptr;
        grid->Release();
        grid = nullptr;
        if (how.destroysTheHostWindow) {
            DestroyWindow(host);
            host = nullptr;
        }
    }
    // The control went, freed once and not touched after: it released its sink, and its windows are gone.
    void ExpectGoneCleanly(const FreedBlockQuarantine& quarantine) const
    {
        EXPECT_EQ(1, sink.refs) << "the control did not go: it still holds its sink";
        EXPECT_GT(quarantine.Kept(), 0u);
        EXPECT_EQ(0u, quarantine.Written()) << "the control wrote to memory it had freed";
        EXPECT_FALSE(IsWindow(editor));
        EXPECT_FALSE(IsWindow(window)) << "the control's window outlived it";
    }

    InPlaceSite site;
    HWND editor = nullptr;
    HWND window = nullptr;
};

TEST_F(OwnSiteHost, ReleasingTheControlWhileItsEditorHasTheFocusFreesItOnce)
{
    OpenEditor();
    FreedBlockQuarantine quarantine(GetModuleHandleW(L"vsflex8.ocx"));
    ASSERT_TRUE(quarantine.Active());
    LetTheControlGo(kReleasesTheLastReference);
    ExpectGoneCleanly(quarantine);
}

class ControlLetGoInValidateEdit : public OwnSiteHost, public ::testing::WithParamInterface<LetGoCase> {
protected:
    int validations = 0;
};

void PrintTo(const LetGoCase& c, std::ostream* out)
{
    *out << std::get<0>(c).name << ", handler " << std::get<1>(c).name;
}

TEST_P(ControlLetGoInValidateEdit, TheEditEndsWithoutTouchingFreedMemory)
{
    const auto& [ending, lettingGo] = GetParam();
    OpenEditor();
    sink.onEvent = [this, how = lettingGo](DISPID id) {
        if (id == kValidateEdit && ++validations == 1)
            LetTheControlGo(how);
    };

    FreedBlockQuarantine quarantine(GetModuleHandleW(L"vsflex8.ocx"));
    ASSERT_TRUE(quarantine.Active());
    ending.end(editor, frame);
    ASSERT_EQ(1, validations);
    ExpectGoneCleanly(quarantine);
    // The edit the handler let through is finished before the control goes; one whose editor went
    // with the host window has no text left to write.
    EXPECT_EQ(lettingGo.destroysTheHostWindow ? 0 : 1, sink.Count(kAfterEdit));
}

INSTANTIATE_TEST_SUITE_P(EditEnds, ControlLetGoInValidateEdit,
                         ::testing::Combine(::testing::ValuesIn(kEditEnds), ::testing::ValuesIn(kLettingGo)),
                         [](const ::testing::TestParamInfo<LetGoCase>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

TEST_F(GridHost, AnEditCancelledInsideItsValidateEditKeepsTheCellsText)
{
    SmallLayout();
    Put(L"Editable", {2});
    Put(L"TextMatrix", {1, 1, L"kept"});
    Call(L"Select", {1, 1});
    for (const EditEnd& ending : kEditEnds) {
        SCOPED_TRACE(ending.name);
        sink.events.clear();
        Call(L"EditCell");
        const HWND editor = HWND(INT_PTR(Get(L"EditWindow").AsLong()));
        ASSERT_TRUE(IsWindow(editor));
        SetWindowTextW(editor, L"dropped");
        sink.onEvent = [editor](DISPID id) {
            if (id == kValidateEdit)
                SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
        };
        ending.end(editor, frame);
        sink.onEvent = nullptr;
        EXPECT_EQ(1, sink.Count(kValidateEdit));
        EXPECT_FALSE(IsWindow(editor));
        EXPECT_EQ(L"kept", Get(L"TextMatrix", {1, 1}).AsText()) << "the cancelled edit was written";
        EXPECT_EQ(0, sink.Count(kAfterEdit));
    }
}

}  // namespace
}  // namespace grid_test
