// GridControl's indexed properties and methods with the program's own grid control: indexed reads
// and writes, rows added and removed, the selection and merged ranges by name and by dispatch id,
// the clipboard copy, the defaults the wrapper fills in, and members the control only stores.
#include <olectl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "com/com_picture.h"
#include "framework/com_ref.h"
#include "framework/text_codec.h"
#include "grid_test_support.h"
#include "support/clipboard_reader.h"

namespace {

// A VARIANT of the test's own holding `number`.
UniqueVariant NumberVariant(LONG number)
{
    VARIANT value{};
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return UniqueVariant(value);
}

// A VARIANT the grid wrapper handed out, ended with FreeVariantValue.
struct VariantValueDeleter {
    void operator()(VARIANT* value) const noexcept { FreeVariantValue(value); }
};
using UniqueVariantValue = std::unique_ptr<VARIANT, VariantValueDeleter>;

// A 24-bit BMP file of 2 x 2 pixels.
ByteSet SmallBitmap()
{
    const std::uint32_t rowBytes = 8, pixels = 2 * rowBytes;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + pixels;
    info.biSize = sizeof(info);
    info.biWidth = 2;
    info.biHeight = 2;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = pixels;
    ByteSet bytes(file.bfSize);
    std::memcpy(bytes.Data(), &file, sizeof(file));
    std::memcpy(bytes.Data() + sizeof(file), &info, sizeof(info));
    for (std::uint32_t i = 0; i < pixels; ++i)
        bytes[file.bfOffBits + i] = static_cast<std::uint8_t>(i * 37);
    return bytes;
}

// The type of the picture `object` holds (PICTYPE_...); -1 when it holds no picture.
SHORT PictureType(const ComObjectValue* object)
{
    if (object == nullptr || object->object == nullptr)
        return -1;
    IPicture* picture = nullptr;
    if (FAILED(object->object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))))
        return -1;
    SHORT type = -1;
    picture->get_Type(&type);
    picture->Release();
    return type;
}

// The clipboard's Unicode text, and its owner window.
std::wstring ClipboardText(HWND* owner)
{
    return ReadClipboardText<wchar_t>(CF_UNICODETEXT, owner, L"(none)", L"(not opened)");
}

// An object with the grid control's own type information that answers every call by recording
// it: the member id, the kind of call and the arguments in declaration order. It shows what an
// operation hands the control where the control itself would only store or ignore it.
class GridCallRecorder final : public IDispatch {
public:
    explicit GridCallRecorder(const wchar_t* controlPath)
    {
        ComRef<ITypeLib> library;
        if (SUCCEEDED(LoadTypeLibEx(controlPath, REGKIND_NONE, library.Put())))
            library->GetTypeInfoOfGuid(kGridInterfaceIid, info_.Put());
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override
    {
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch))
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override
    {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override
    {
        *info = info_.Get();
        if (*info == nullptr)
            return TYPE_E_CANTLOADLIBRARY;
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override
    {
        return E_NOTIMPL;
    }
    // Records "<kind> <id>: <argument> ...", each argument as its VARTYPE and value; a read of
    // Rows or Cols answers `rows` or `cols`.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) noexcept override
    {
        const char* kind = (flags & DISPATCH_PROPERTYPUT) ? "put" : (flags & DISPATCH_PROPERTYGET) ? "get" : "call";
        std::string call = std::string(kind) + " " + std::to_string(id) + ":";
        for (UINT i = params->cArgs; i-- > 0;)
            call += " " + Describe(params->rgvarg[i]);
        calls.push_back(call);
        if (result != nullptr && (id == kRowsId || id == kColsId)) {
            V_VT(result) = VT_I4;
            V_I4(result) = id == kRowsId ? rows : cols;
        }
        return S_OK;
    }

    std::vector<std::string> calls;
    LONG rows = 0;
    LONG cols = 0;

private:
    // IVSFlexGrid
    static constexpr GUID kGridInterfaceIid = {0xEB846DD4, 0xEE79, 0x45E6,
                                               {0x88, 0xAB, 0xE2, 0x6F, 0x32, 0x09, 0x7E, 0x49}};
    static constexpr DISPID kRowsId = 224, kColsId = 1;

    static std::string Describe(const VARIANT& argument)
    {
        switch (V_VT(&argument)) {
        case VT_I2: return "I2:" + std::to_string(V_I2(&argument));
        case VT_I4: return "I4:" + std::to_string(V_I4(&argument));
        case VT_BOOL: return "BOOL:" + std::to_string(V_BOOL(&argument));
        case VT_BSTR: {
            if (V_BSTR(&argument) == nullptr)
                return "BSTR(null)";
            return "BSTR:" + AnsiFromBstr(V_BSTR(&argument));
        }
        case VT_ERROR: return V_ERROR(&argument) == DISP_E_PARAMNOTFOUND ? "missing" : "ERROR";
        default: return "VT" + std::to_string(V_VT(&argument));
        }
    }

    ComRef<ITypeInfo> info_;
};

class GridIndexedTest : public GridControlTest {
protected:
    void ExpectSelection(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2)
    {
        std::int32_t r1 = -9, c1 = -9, r2 = -9, c2 = -9;
        grid_->GetSelectionByDispId(r1, c1, r2, c2);
        EXPECT_EQ(r1, row1);
        EXPECT_EQ(c1, col1);
        EXPECT_EQ(r2, row2);
        EXPECT_EQ(c2, col2);
    }
};

TEST_F(GridIndexedTest, IndexedMembersReadAndWriteAtTheirIndex)
{
    CreateGrid();
    EXPECT_TRUE(grid_->SetColWidth(2, 2000));
    EXPECT_EQ(grid_->GetColWidth(2), 2000);
    EXPECT_EQ(grid_->GetColWidth(1), 1500);

    EXPECT_TRUE(grid_->SetColHidden(2, true));
    EXPECT_TRUE(grid_->GetColHidden(2));
    EXPECT_FALSE(grid_->GetColHidden(1));
    EXPECT_TRUE(grid_->SetRowHidden(3, true));
    EXPECT_TRUE(grid_->GetRowHidden(3));
    EXPECT_FALSE(grid_->GetRowHidden(2));

    // Item 7 of a grid of 3 columns is the cell (2, 1).
    EXPECT_TRUE(grid_->SetTextArray(7, "澄笺"));
    EXPECT_EQ(grid_->GetTextMatrix(2, 1), "澄笺");
    EXPECT_EQ(grid_->GetTextArray(7), "澄笺");

    EXPECT_TRUE(grid_->SetColFormat(1, "0.00"));
    EXPECT_EQ(grid_->GetColFormat(1), "0.00");
    EXPECT_EQ(grid_->GetColFormat(2), "");
    EXPECT_TRUE(grid_->SetRowOutlineLevel(2, 3));
    EXPECT_EQ(grid_->GetRowOutlineLevel(2), 3);
    EXPECT_TRUE(grid_->SetMergeRow(4, true));
    EXPECT_TRUE(grid_->GetMergeRow(4));
    EXPECT_FALSE(grid_->GetMergeRow(3));
}

TEST_F(GridIndexedTest, AnIndexTheControlRefusesFailsWithItsCode)
{
    CreateGrid();
    EXPECT_EQ(grid_->GetColWidth(99), 0);
    EXPECT_EQ(grid_->GetLastErrorText(), "发现异常");
    EXPECT_FALSE(grid_->SetColHidden(99, true));
    EXPECT_EQ(grid_->GetLastErrorText(), "发现异常");
    EXPECT_TRUE(grid_->SetColHidden(1, true));
    EXPECT_EQ(grid_->GetLastErrorText(), "");
}

TEST_F(GridIndexedTest, BeforeCreateEveryCallFailsAndDispatchIdCallsWriteNothing)
{
    EXPECT_EQ(grid_->GetColWidth(1), 0);
    EXPECT_FALSE(grid_->SetColWidth(1, 100));
    EXPECT_EQ(grid_->GetColData(1), "");
    EXPECT_EQ(grid_->GetLastErrorText(), "对象为空");
    GridNode* node = grid_->GetNode(1);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->object->object, nullptr) << "a node wrapper on nothing";
    EXPECT_EQ(node->GetLevel(), 0);
    node->Destroy();
    delete node;

    std::int32_t r1 = -7, c1 = -7, r2 = -7, c2 = -7;
    grid_->GetMergedRangeByDispId(1, 1, r1, c1, r2, c2);
    grid_->GetSelectionByDispId(r1, c1, r2, c2);
    EXPECT_EQ(r1, -7);
    EXPECT_EQ(c1, -7);
    EXPECT_EQ(r2, -7);
    EXPECT_EQ(c2, -7);
    EXPECT_EQ(grid_->GetLastErrorText(), "对象为空") << "calls by dispatch id leave the last-call code";
}

TEST_F(GridIndexedTest, AddItemAppendsOrInsertsAndRemoveItemTakesTheRowOut)
{
    CreateGrid();
    grid_->AddItem("新\t行");
    ASSERT_EQ(grid_->GetRows(), 6);
    EXPECT_EQ(grid_->GetTextMatrix(5, 0), "新") << "without a row the item follows the last row";
    EXPECT_EQ(grid_->GetTextMatrix(5, 1), "行");

    grid_->SetTextMatrix(0, 0, "old top");
    grid_->AddItem("top", 0);
    ASSERT_EQ(grid_->GetRows(), 7);
    EXPECT_EQ(grid_->GetTextMatrix(0, 0), "top");
    EXPECT_EQ(grid_->GetTextMatrix(1, 0), "old top");
    EXPECT_EQ(grid_->GetTextMatrix(6, 0), "新");

    grid_->RemoveItem(0);
    EXPECT_EQ(grid_->GetRows(), 6);
    EXPECT_EQ(grid_->GetTextMatrix(0, 0), "old top");
    grid_->RemoveItem(99);
    EXPECT_NE(grid_->GetLastErrorText(), "");
    EXPECT_EQ(grid_->GetRows(), 6);
}

TEST_F(GridIndexedTest, SelectFillsTheMissingCornersAndGetSelectionReadsThemBothWays)
{
    CreateGrid();
    grid_->Select(3, 2);
    ExpectSelection(3, 2, 3, 2);
    grid_->Select(3, 2, 1);
    ExpectSelection(1, 2, 3, 2);
    grid_->Select(4, 2, 1, 1);
    ExpectSelection(1, 1, 4, 2);

    UniqueVariant row1;
    std::int32_t col1 = -1, row2 = -1, col2 = -1;
    grid_->GetSelection(row1.addressof(), &col1, &row2, &col2);
    EXPECT_EQ(grid_->GetLastErrorText(), "");
    ASSERT_EQ(V_VT(&row1.get()), VT_I4);
    EXPECT_EQ(V_I4(&row1.get()), 1);
    EXPECT_EQ(col1, 1);
    EXPECT_EQ(row2, 4);
    EXPECT_EQ(col2, 2);
    grid_->GetSelection(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(grid_->GetLastErrorText(), "");
}

TEST_F(GridIndexedTest, GetMergedRangeByDispIdFillsTheCallersRange)
{
    CreateGrid();
    std::int32_t r1 = -1, c1 = -1, r2 = -1, c2 = -1;
    grid_->GetMergedRangeByDispId(3, 2, r1, c1, r2, c2);
    EXPECT_EQ(r1, 3);
    EXPECT_EQ(c1, 2);
    EXPECT_EQ(r2, 3) << "an unmerged cell is its own range";
    EXPECT_EQ(c2, 2);

    grid_->GetMergedRange(3, 2, 0, 0, 0, 0);
    EXPECT_EQ(grid_->GetLastErrorText(), "") << "the call by name reaches the control";
}

TEST_F(GridIndexedTest, CopyPutsTheSelectedCellsOnTheClipboard)
{
    CreateGrid();
    grid_->SetTextMatrix(1, 1, "a");
    grid_->SetTextMatrix(1, 2, "b");
    grid_->SetTextMatrix(2, 1, "c");
    grid_->SetTextMatrix(2, 2, "丁");
    grid_->Select(1, 1, 2, 2);
    grid_->Copy();
    EXPECT_EQ(grid_->GetLastErrorText(), "");
    HWND owner = nullptr;
    EXPECT_EQ(ClipboardText(&owner), L"a\tb\r\nc\t丁");
    EXPECT_EQ(owner, GridWindow());
}

TEST_F(GridIndexedTest, EditCellAndFinishEditingKeepOrDropTheEdit)
{
    CreateGrid();
    ASSERT_TRUE(grid_->SetEditable(2));
    grid_->Select(2, 1);
    grid_->SetTextMatrix(2, 1, "before");

    grid_->EditCell();
    HWND editor = reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid_->GetEditWindow()));
    ASSERT_TRUE(IsWindow(editor));
    SetWindowTextW(editor, L"dropped");
    grid_->FinishEditing(true);
    EXPECT_EQ(grid_->GetEditWindow(), 0);
    EXPECT_EQ(grid_->GetTextMatrix(2, 1), "before") << "Cancel drops the edit";

    grid_->EditCell();
    editor = reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid_->GetEditWindow()));
    ASSERT_TRUE(IsWindow(editor));
    SetWindowTextW(editor, L"kept");
    grid_->FinishEditing(false);
    EXPECT_EQ(grid_->GetTextMatrix(2, 1), "kept");
}

TEST_F(GridIndexedTest, CellWithoutTheSecondCornerAddressesTheSingleCell)
{
    CreateGrid();
    UniqueVariant seven = NumberVariant(7);
    ASSERT_TRUE(grid_->SetCell(3, 2, 1, std::nullopt, std::nullopt, seven.addressof()));

    UniqueVariantValue explicitCorner(grid_->GetCell(3, 2, 1, 2, 1));
    ASSERT_NE(explicitCorner, nullptr);
    ASSERT_EQ(V_VT(explicitCorner.get()), VT_I4) << "the put went to the range (2, 1)-(2, 1)";
    EXPECT_EQ(V_I4(explicitCorner.get()), 7);
    UniqueVariantValue defaulted(grid_->GetCell(3, 2, 1));
    ASSERT_EQ(V_VT(defaulted.get()), VT_I4);
    EXPECT_EQ(V_I4(defaulted.get()), 7);
    UniqueVariantValue wider(grid_->GetCell(3, 2, 1, 3, 1));
    EXPECT_EQ(V_VT(wider.get()), VT_EMPTY);
}

TEST_F(GridIndexedTest, VariantMembersCarryNumbersAndTexts)
{
    CreateGrid();
    UniqueVariant five = NumberVariant(5);
    ASSERT_TRUE(grid_->SetColData(1, five.addressof()));
    EXPECT_EQ(grid_->GetColData(1), "5");
    EXPECT_EQ(grid_->GetColData(2), "") << "a column without data";

    UniqueVariant fortyTwo = NumberVariant(42);
    ASSERT_TRUE(grid_->SetRowData(3, fortyTwo.addressof()));
    UniqueVariantValue rowData(grid_->GetRowData(3));
    ASSERT_EQ(V_VT(rowData.get()), VT_I4);
    EXPECT_EQ(V_I4(rowData.get()), 42);

    ASSERT_TRUE(grid_->SetAccessibleRole("行标题"));
    EXPECT_EQ(grid_->GetAccessibleRole(), "行标题");
    ASSERT_TRUE(grid_->SetAccessibleRole(""));
    EXPECT_EQ(grid_->GetAccessibleRole(), "");
}

TEST_F(GridIndexedTest, PlainMembersKeepTheirKinds)
{
    CreateGrid();
    EXPECT_TRUE(grid_->SetFrozenRows(2));
    EXPECT_EQ(grid_->GetFrozenRows(), 2);
    EXPECT_TRUE(grid_->SetBackColorFrozen((std::int64_t{1} << 32) + 255));
    EXPECT_EQ(grid_->GetBackColorFrozen(), 255) << "only the low 32 bits reach the control";
    EXPECT_TRUE(grid_->SetAutoSearchDelay(0.1f));
    EXPECT_EQ(grid_->GetAutoSearchDelay(), 0.1f);
    EXPECT_TRUE(grid_->SetAccessibleName("历史"));
    EXPECT_EQ(grid_->GetAccessibleName(), "历史");
    EXPECT_TRUE(grid_->SetFlags(2));
    EXPECT_EQ(grid_->GetFlags(), 2);
}

TEST_F(GridIndexedTest, PictureMembersTakeBytesAndTheSortPicturesTakeObjects)
{
    // The picture a put made, as the control holds it.
    auto held = [&](const char* member) { return UniqueComObjectValue(RtComGetObject(grid_->control, member)); };
    CreateGrid();
    EXPECT_TRUE(grid_->SetWallPaper(SmallBitmap()));
    EXPECT_EQ(PictureType(held("WallPaper").get()), PICTYPE_BITMAP);
    const ByteSet wallPaper = grid_->GetWallPaper();
    ASSERT_GT(wallPaper.Size(), 2u);
    EXPECT_EQ(wallPaper[0], 'B') << "read back as a BMP file";
    EXPECT_EQ(wallPaper[1], 'M');
    EXPECT_TRUE(grid_->SetCellButtonPicture(ByteSet()));
    EXPECT_EQ(PictureType(held("CellButtonPicture").get()), PICTYPE_NONE) << "empty bytes put an empty picture";
    EXPECT_TRUE(grid_->GetNodeOpenPicture().Empty()) << "nothing put there";

    UniqueComObjectValue picture(AllocateComObjectValue(nullptr));
    ASSERT_TRUE(RtComCreatePicture(picture.get(), SmallBitmap()));
    EXPECT_TRUE(grid_->SetSortAscendingPicture(picture.get()));
    UniqueComObjectValue ascending(grid_->GetSortAscendingPicture());
    EXPECT_EQ(PictureType(ascending.get()), PICTYPE_BITMAP);
    UniqueComObjectValue descending(grid_->GetSortDescendingPicture());
    ASSERT_NE(descending, nullptr);
    EXPECT_EQ(descending->object, nullptr) << "nothing put there";
}

struct ArgumentCase {
    const char* operation;
    LONG rows, cols;
    std::function<void(GridControl&)> call;
    const char* expected;
};

// What reaches the control, with the values the wrapper fills in for arguments not given.
const ArgumentCase kArgumentCases[] = {
    {"AddItem without Row", 7, 3, [](GridControl& g) { g.AddItem("x"); }, "call 127: BSTR:x I4:7"},
    {"AddItem at row 0", 7, 3, [](GridControl& g) { g.AddItem("x", 0); }, "call 127: BSTR:x I4:0"},
    {"Select with only RowSel", 5, 3, [](GridControl& g) { g.Select(3, 2, 1); }, "call 145: I4:3 I4:2 I4:1 I4:2"},
    {"AutoSize from Col1", 5, 4, [](GridControl& g) { g.AutoSize(1); }, "call 146: I4:1 I4:3 BOOL:0 I4:0"},
    {"AutoSize without columns", 5, 0, [](GridControl& g) { g.AutoSize(1); }, "call 146: I4:1 I4:-1 BOOL:0 I4:0"},
    {"Subtotal with only Function", 5, 3, [](GridControl& g) { g.Subtotal(2); },
     "call 134: I4:2 I4:0 I4:0 BSTR: I4:0 I4:0 BOOL:0 BSTR: I4:0 BOOL:0"},
    {"PrintGrid without arguments", 5, 3, [](GridControl& g) { g.PrintGrid(); },
     "call 183: BSTR: BOOL:0 I4:0 I4:0 I4:0"},
    {"PrintGrid with a dialog", 5, 3, [](GridControl& g) { g.PrintGrid("历史", true, 1, 720, 360); },
     "call 183: BSTR:历史 BOOL:-1 I4:1 I4:720 I4:360"},
    {"CellBorderRange without the second corner", 5, 3,
     [](GridControl& g) {
         g.CellBorderRange(1, 2, std::nullopt, std::nullopt, (std::int64_t{1} << 32) + 255, 1, 2, 3, 4, 5, 6);
     },
     "call 219: I4:1 I4:2 I4:1 I4:2 I4:255 I2:1 I2:2 I2:3 I2:4 I2:5 I2:6"},
    {"GetCell without the second corner", 5, 3, [](GridControl& g) { FreeVariantValue(g.GetCell(5, 1, 2)); },
     "get 157: I4:5 I4:1 I4:2 I4:1 I4:2"},
    {"Archive", 5, 3, [](GridControl& g) { g.Archive("a.arc", "b.txt", 3); }, "call 152: BSTR:a.arc BSTR:b.txt I4:3"},
    {"SaveGrid without Options", 5, 3, [](GridControl& g) { g.SaveGrid("f.grd", 1); }, "call 150: BSTR:f.grd I4:1"},
    {"FindRow with only Item", 5, 3,
     [](GridControl& g) {
         VARIANT item;
         VariantInit(&item);
         V_VT(&item) = VT_I4;
         V_I4(&item) = 5;
         g.GetFindRow(&item);
     },
     "get 159: I4:5 missing missing BOOL:0 BOOL:0"},
    {"GetNode", 5, 3,
     [](GridControl& g) {
         GridNode* node = g.GetNode(3);
         node->Destroy();
         delete node;
     },
     "call 204: I4:3"},
    {"FinishEditing with Cancel", 5, 3, [](GridControl& g) { g.FinishEditing(true); }, "call 208: BOOL:-1"},
    {"SetAccessibleRole with the empty text", 5, 3, [](GridControl& g) { g.SetAccessibleRole(""); }, "put 212: BSTR:"},
    {"SetRowOutlineLevel", 5, 3, [](GridControl& g) { g.SetRowOutlineLevel(2, 3); }, "put 166: I4:2 I2:3"},
};

TEST_F(GridIndexedTest, OperationsHandTheControlTheirFullArgumentList)
{
    HMODULE ocx = GetModuleHandleA("vsflex8.ocx");
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(ocx, path, MAX_PATH), 0u);
    for (const ArgumentCase& row : kArgumentCases) {
        GridCallRecorder recorder(path);
        recorder.rows = row.rows;
        recorder.cols = row.cols;
        grid_->control->object = &recorder;
        row.call(*grid_);
        grid_->control->object = nullptr;
        ASSERT_FALSE(recorder.calls.empty()) << row.operation << ": " << grid_->GetLastErrorText();
        EXPECT_EQ(recorder.calls.back(), row.expected) << row.operation;
    }
}

} // namespace
