// GridControl against the program's own grid control: creation and its layout defaults, window
// operations, the life of the control value, cell pictures as BMP bytes, and the fill operations.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/text_split.h"
#include "grid/grid_control.h"
#include "grid_registration.h"

namespace {

struct Rect {
    int left, top, width, height;
    bool operator==(const Rect&) const = default;
};

// A 24-bit bottom-up BMP file of `width` x `height` pixels, pixel (x, y) = 0xRRGGBB of `Pixel`.
std::uint32_t Pixel(int x, int y) { return 0x102030u * static_cast<std::uint32_t>(x + 1) ^ 0x050A00u * static_cast<std::uint32_t>(y + 1); }

ByteSet MakeBmp(int width, int height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    ByteSet bytes(offset + stride * static_cast<std::size_t>(height));
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(bytes.Size()), 0, 0, static_cast<DWORD>(offset)};
    BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(bytes.Data(), &file, sizeof(file));
    std::memcpy(bytes.Data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bytes.Data() + offset + stride * static_cast<std::size_t>(height - 1 - y) + 3 * x;
            std::uint32_t rgb = Pixel(x, y);
            p[0] = rgb & 0xFF;
            p[1] = (rgb >> 8) & 0xFF;
            p[2] = (rgb >> 16) & 0xFF;
        }
    }
    return bytes;
}

// The pixels (0xRRGGBB, top row first) of an uncompressed 24- or 32-bit BMP file; empty otherwise.
std::vector<std::uint32_t> BmpPixels(const ByteSet& bytes, int* width, int* height)
{
    if (bytes.Size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, bytes.Data(), sizeof(file));
    std::memcpy(&info, bytes.Data() + sizeof(file), sizeof(info));
    if (info.biCompression != BI_RGB || (info.biBitCount != 24 && info.biBitCount != 32))
        return {};
    *width = info.biWidth;
    *height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    const int step = info.biBitCount / 8;
    const std::size_t stride = (static_cast<std::size_t>(*width) * step + 3) & ~std::size_t{3};
    if (file.bfOffBits + stride * static_cast<std::size_t>(*height) > bytes.Size())
        return {};
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < *height; ++y) {
        int row = info.biHeight < 0 ? y : *height - 1 - y;
        for (int x = 0; x < *width; ++x) {
            const std::uint8_t* p = bytes.Data() + file.bfOffBits + stride * static_cast<std::size_t>(row) + step * x;
            pixels.push_back(static_cast<std::uint32_t>(p[0]) | (p[1] << 8) | (p[2] << 16));
        }
    }
    return pixels;
}

// A 2 x 2 32-bit icon file, every pixel opaque 0xRRGGBB `colour` except the top-left one, which the
// mask leaves transparent.
ByteSet MakeIcon(std::uint32_t colour)
{
    const std::uint8_t head[] = {0, 0, 1, 0, 1, 0,                      // icon directory, one image
                                 2, 2, 0, 0, 1, 0, 32, 0, 72, 0, 0, 0, 22, 0, 0, 0};  // 2 x 2, 72 bytes at 22
    ByteSet bytes(sizeof(head) + 72);
    std::memcpy(bytes.Data(), head, sizeof(head));
    BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(bytes.Data() + sizeof(head), &info, sizeof(info));
    std::uint8_t* pixels = bytes.Data() + sizeof(head) + sizeof(info);
    for (int i = 0; i < 4; ++i) {
        pixels[4 * i] = colour & 0xFF;
        pixels[4 * i + 1] = (colour >> 8) & 0xFF;
        pixels[4 * i + 2] = (colour >> 16) & 0xFF;
        pixels[4 * i + 3] = i == 2 ? 0 : 0xFF;  // bottom-up: pixel 2 is the top-left one
    }
    std::uint8_t* mask = pixels + 16;  // two rows of 4 bytes, bottom row first
    mask[4] = 0x80;
    return bytes;
}

class GridWrapperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartGridTestProcess(); }

    void SetUp() override
    {
        // A frameless window: its client area is the whole 400 x 300.
        parent_ = CreateWindowExA(0, "STATIC", "grid wrapper test", WS_POPUP, 50, 40, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override
    {
        grid_.Destroy();
        DestroyWindow(parent_);
    }

    void CreateDefault() { ASSERT_NE(grid_.Create(parent_), nullptr); }

    Rect HostRect()
    {
        Rect r{};
        grid_.GetBounds(&r.left, &r.top, &r.width, &r.height);
        return r;
    }

    // The texts of column `col` from row 0 to the last row.
    std::vector<std::string> Column(int col)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < grid_.GetRows(); ++row)
            texts.push_back(grid_.GetTextMatrix(row, col));
        return texts;
    }

    HWND parent_ = nullptr;
    GridControl grid_;
};

TEST_F(GridWrapperTest, BeforeCreateReadsAreEmptyAndWritesFail)
{
    EXPECT_EQ(grid_.GetRows(), 0);
    EXPECT_EQ(grid_.GetLastErrorText(), "对象为空");
    EXPECT_FALSE(grid_.SetCols(3));
    EXPECT_EQ(grid_.GetFontName(), "");
    EXPECT_TRUE(grid_.GetCellPicture().Empty());
    EXPECT_EQ(grid_.GetLastErrorText(), "对象为空");
    EXPECT_EQ(grid_.GetHostWindow(), nullptr);
}

TEST_F(GridWrapperTest, AFailedCreateLeavesNoWindowAndAnEmptyControl)
{
    CreateDefault();
    EXPECT_EQ(grid_.Create(nullptr), nullptr) << "a child window needs a parent";
    EXPECT_EQ(grid_.GetHostWindow(), nullptr);
    EXPECT_EQ(grid_.GetRows(), 0);
    EXPECT_EQ(grid_.GetLastErrorText(), "对象为空");
}

TEST_F(GridWrapperTest, CreateWithNothingGivenTakesTheDefaults)
{
    HWND host = grid_.Create(parent_);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(grid_.GetHostWindow(), host);
    EXPECT_EQ(grid_.GetParent(), parent_);
    EXPECT_EQ(HostRect(), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(GetWindowLongA(host, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << "no border";
    EXPECT_EQ(grid_.GetRows(), 5);
    EXPECT_EQ(grid_.GetCols(), 5);
    EXPECT_EQ(grid_.GetFixedRows(), 1);
    EXPECT_EQ(grid_.GetFixedCols(), 1);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(grid_.GetRowHeight(row), 340) << row;
    EXPECT_EQ(grid_.GetGridLines(), 1);
    EXPECT_EQ(grid_.GetGridLinesFixed(), 1);
    EXPECT_EQ(grid_.GetGridColor(), 0xC0C0C0);
    EXPECT_EQ(grid_.GetGridColorFixed(), 0xC0C0C0);
    EXPECT_EQ(grid_.GetScrollBars(), 3);
    EXPECT_EQ(grid_.GetFocusRect(), 1);
    EXPECT_EQ(grid_.GetEditable(), 0);
    EXPECT_TRUE(grid_.GetAutoSizeMouse());
    EXPECT_FALSE(grid_.GetScrollTips());
    EXPECT_EQ(grid_.GetScrollTipText(), "");
    EXPECT_FALSE(grid_.GetExtendLastCol());
    EXPECT_EQ(grid_.GetLastErrorText(), "") << "the last call succeeded";
}

TEST_F(GridWrapperTest, CreateTakesTheMainWindowsValues)
{
    // The main window's values, with a grid-line style and colour of its own.
    GridCreateValues values{.x = 0, .y = 0, .borderStyle = 0, .rows = 0, .cols = 3, .fixedRows = 0, .fixedCols = 1,
                            .rowHeight = TruncateToInt32(MillimetresToTwips(24)), .allowUserResizing = 0,
                            .allowBigSelection = false, .explorerBar = 0, .gridLines = 2, .gridColor = 0x123456,
                            .editable = 2, .extendLastCol = true};
    ASSERT_NE(grid_.Create(parent_, values), nullptr);
    EXPECT_EQ(HostRect(), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(grid_.GetRows(), 0);
    EXPECT_EQ(grid_.GetCols(), 3);
    EXPECT_EQ(grid_.GetFixedRows(), 0);
    EXPECT_EQ(grid_.GetFixedCols(), 1);
    EXPECT_EQ(grid_.GetEditable(), 2);
    EXPECT_TRUE(grid_.GetExtendLastCol());
    EXPECT_EQ(grid_.GetGridLines(), 2);
    EXPECT_EQ(grid_.GetGridLinesFixed(), 2);
    EXPECT_EQ(grid_.GetGridColor(), 0x123456);
    EXPECT_EQ(grid_.GetGridColorFixed(), 0x123456);
    grid_.SetRows(1);
    EXPECT_EQ(grid_.GetRowHeight(0), 1360) << "24 mm";
}

TEST_F(GridWrapperTest, CreateGivesPlaceSizeAndBorder)
{
    GridCreateValues values{.x = 10, .y = 20, .width = 200, .height = 100, .borderStyle = 1};
    HWND host = grid_.Create(parent_, values);
    ASSERT_NE(host, nullptr);
    RECT window{};
    GetWindowRect(host, &window);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&window), 2);
    EXPECT_EQ(window.left, 10);
    EXPECT_EQ(window.top, 20);
    Rect bounds = HostRect();
    EXPECT_EQ(bounds.width, 200);
    EXPECT_EQ(bounds.height, 100);
    EXPECT_GT(bounds.left, 10) << "the origin is that of the client area, inside the edge";
    EXPECT_NE(GetWindowLongA(host, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

    grid_.Move(std::nullopt, std::nullopt, 150);
    grid_.Move(std::nullopt, std::nullopt, 160);
    GetWindowRect(host, &window);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&window), 2);
    EXPECT_EQ(window.left, 10) << "a bordered window stays where it is";
    EXPECT_EQ(window.top, 20);
    EXPECT_EQ(window.right - window.left, 160);
}

TEST_F(GridWrapperTest, MoveFillsTheParentOrKeepsWhatIsNotGiven)
{
    GridCreateValues values{.x = 10, .y = 20, .width = 200, .height = 100};
    ASSERT_NE(grid_.Create(parent_, values), nullptr);
    grid_.Move(std::nullopt, std::nullopt, 150);
    EXPECT_EQ(HostRect(), (Rect{10, 20, 150, 100})) << "only a new width";
    grid_.Move(9999, 30, 0, 80);
    EXPECT_EQ(HostRect(), (Rect{10, 30, 150, 80}));
    grid_.Move(-1, 5, 7, 9);
    EXPECT_EQ(HostRect(), (Rect{0, 0, 400, 300})) << "left -1 fills the parent whatever the rest";
    grid_.Move(1, 2, 3, 4);
    EXPECT_EQ(HostRect(), (Rect{1, 2, 3, 4}));

    std::int32_t width = -1;
    grid_.GetBounds(nullptr, nullptr, &width, nullptr);
    EXPECT_EQ(width, 3) << "only the given variables are written";
    POINT screen{0, 0};
    ClientToScreen(grid_.GetHostWindow(), &screen);
    GridPoint origin = grid_.GetScreenOrigin(grid_.GetHostWindow());
    EXPECT_EQ(origin.x, screen.x);
    EXPECT_EQ(origin.y, screen.y);
}

TEST_F(GridWrapperTest, WindowOperationsActOnTheHostWindow)
{
    CreateDefault();
    HWND host = grid_.GetHostWindow();
    EXPECT_FALSE(grid_.SetDisabled(true)) << "it was enabled";
    EXPECT_FALSE(IsWindowEnabled(host));
    EXPECT_TRUE(grid_.SetDisabled(false));
    EXPECT_TRUE(IsWindowEnabled(host));
    EXPECT_TRUE(grid_.Show(false));
    EXPECT_FALSE(GetWindowLongA(host, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(grid_.Show());
    EXPECT_TRUE(GetWindowLongA(host, GWL_STYLE) & WS_VISIBLE);
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(grid_.SetParent(other), parent_);
    EXPECT_EQ(grid_.GetParent(), other);
    grid_.SetParent(parent_);
    DestroyWindow(other);
    HWND gridWindow = reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid_.GethWnd()));
    EXPECT_TRUE(IsChild(host, gridWindow));
    EXPECT_EQ(grid_.GetEditWindow(), 0) << "no cell is being edited";
}

TEST_F(GridWrapperTest, RowCountsFontsAndCellTexts)
{
    CreateDefault();
    ASSERT_TRUE(grid_.SetRows(10));
    EXPECT_EQ(grid_.GetDataRowCount(), 9);
    EXPECT_TRUE(grid_.SetCols(4));
    EXPECT_TRUE(grid_.SetFixedCols(2));
    EXPECT_EQ(grid_.GetDataColCount(), 2);

    EXPECT_TRUE(grid_.SetFontSize(10.5));
    EXPECT_EQ(grid_.GetFontSize(), 10.5);
    EXPECT_TRUE(grid_.SetFontName("宋体"));
    EXPECT_EQ(grid_.GetFontName(), "宋体");
    EXPECT_TRUE(grid_.SetFontBold(true));
    EXPECT_TRUE(grid_.GetFontBold());

    EXPECT_TRUE(grid_.SetTextMatrix(3, 1, "澄笺"));
    EXPECT_EQ(grid_.GetTextMatrix(3, 1), "澄笺");
    EXPECT_EQ(grid_.GetTextMatrix(99, 1), "");
    EXPECT_NE(grid_.GetLastErrorText(), "") << "a row the grid does not have";
    EXPECT_TRUE(grid_.SetRowHeight(2, 500));
    EXPECT_EQ(grid_.GetRowHeight(2), 500);
    EXPECT_TRUE(grid_.SetScrollTipText("提示"));
    EXPECT_EQ(grid_.GetScrollTipText(), "提示");

    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ComObjectValue source{stream, 0};
    EXPECT_TRUE(grid_.SetDataSource(&source)) << "DataSource has only a put by reference";
    GridDataSource* wrapper = grid_.GetDataSource();
    EXPECT_EQ(wrapper->object->object, static_cast<IUnknown*>(stream));
    delete wrapper;
    ASSERT_TRUE(grid_.SetDataSource(nullptr));
    stream->Release();

    EXPECT_EQ(RtComGetNumber(grid_.control, "NoSuchMember"), 0.0);
    EXPECT_EQ(grid_.GetLastErrorText(), "未找到指定属性或方法");
    ByteSet bytes = ByteSet::FromText("BM");
    EXPECT_FALSE(RtComSetProperty(grid_.control, "Text", ComArgument::Bytes(&bytes)));
    EXPECT_EQ(RtComLastCode(), kRtComBadArgumentKind);
}

TEST_F(GridWrapperTest, ReleasedOrClonedControlValues)
{
    CreateDefault();
    GridControl* clone = grid_.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetHostWindow(), grid_.GetHostWindow());
    ASSERT_NE(clone->hostObject, nullptr);
    EXPECT_NE(*clone->hostObject, *grid_.hostObject) << "a host object of its own";
    EXPECT_EQ((*clone->hostObject)->control.Get(), (*grid_.hostObject)->control.Get());

    UniqueComObjectValue value(grid_.GetComObject());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->object, grid_.control->object);
    grid_.ReleaseComObject();
    EXPECT_EQ(grid_.GetRows(), 0);
    EXPECT_EQ(grid_.GetLastErrorText(), "对象为空");
    EXPECT_EQ(RtComGetNumber(value.get(), "Rows"), 5.0) << "the value handed out keeps its own reference";

    grid_.Destroy();
    EXPECT_EQ(clone->GetRows(), 5) << "the clone outlives the object it was cloned from";
    clone->Destroy();
    delete clone;
}

TEST_F(GridWrapperTest, CellPicturesRoundTripAsBmpBytes)
{
    CreateDefault();
    ASSERT_TRUE(grid_.SetRow(1));
    ASSERT_TRUE(grid_.SetCol(1));
    EXPECT_TRUE(grid_.GetCellPicture().Empty()) << "a cell without a picture";

    ByteSet bmp = MakeBmp(5, 3);
    EXPECT_TRUE(grid_.SetCellPicture(bmp));
    ByteSet read = grid_.GetCellPicture();
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels = BmpPixels(read, &width, &height);
    ASSERT_EQ(width, 5);
    ASSERT_EQ(height, 3);
    ASSERT_EQ(pixels.size(), 15u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixels[static_cast<std::size_t>(y * 5 + x)], Pixel(x, y)) << x << "," << y;

    // A GIF of one red pixel goes through the system's imaging component.
    const char gif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\x00\x00\x00\x00\x00\x21\xF9\x04\x00\x00\x00\x00"
                       "\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B";
    EXPECT_TRUE(grid_.SetCellPicture(ByteSet(gif, sizeof(gif) - 1)));
    pixels = BmpPixels(grid_.GetCellPicture(), &width, &height);
    ASSERT_EQ(pixels.size(), 1u);
    EXPECT_EQ(pixels[0], 0xFF0000u);

    EXPECT_TRUE(grid_.SetCellPicture(MakeIcon(0x0000FF)));
    pixels = BmpPixels(grid_.GetCellPicture(), &width, &height);
    ASSERT_EQ(pixels.size(), 4u) << "an icon is drawn at its own size";
    EXPECT_EQ(pixels[0], 0xFFFFFFu) << "on white where it is transparent";
    EXPECT_EQ(pixels[3], 0x0000FFu);

    const struct {
        const char* name;
        ByteSet bytes;
    } cases[] = {
        {"empty", ByteSet()},
        {"fewer than 6 bytes", ByteSet::FromText("BM\x10\0")},
        {"no image kind", ByteSet::FromText("plain text, no picture")},
        {"a BMP header that lies", ByteSet::FromText(std::string("BM\xFF\xFF\xFF\x7F", 6) + std::string(60, '\x7F'))},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(grid_.SetCellPicture(bmp));
        EXPECT_TRUE(grid_.SetCellPicture(c.bytes)) << c.name << ": the empty picture is written";
        EXPECT_TRUE(grid_.GetCellPicture().Empty()) << c.name;
    }
}

TEST_F(GridWrapperTest, FillCellsWritesRowByRowAndStopsAtTheList)
{
    CreateDefault();
    grid_.SetTextMatrix(2, 3, "keep");
    grid_.FillCells({"a", "b", "c", "d", "e"}, 2, 3, 1, 1);
    EXPECT_EQ(grid_.GetTextMatrix(1, 1), "a");
    EXPECT_EQ(grid_.GetTextMatrix(1, 2), "b");
    EXPECT_EQ(grid_.GetTextMatrix(1, 3), "c");
    EXPECT_EQ(grid_.GetTextMatrix(2, 1), "d");
    EXPECT_EQ(grid_.GetTextMatrix(2, 2), "e");
    EXPECT_EQ(grid_.GetTextMatrix(2, 3), "keep");
    EXPECT_EQ(grid_.GetLastErrorText(), "") << "the code is the final Refresh's";

    grid_.FillCells({"x", "y", "z"}, 1, 2);
    EXPECT_EQ(grid_.GetTextMatrix(0, 0), "x") << "first row and column default to 0";
    EXPECT_EQ(grid_.GetTextMatrix(0, 1), "y");
    EXPECT_EQ(grid_.GetTextMatrix(0, 2), "");
    grid_.FillCells({"n"}, 0, 3, 3, 3);
    EXPECT_EQ(grid_.GetTextMatrix(3, 3), "");
}

TEST_F(GridWrapperTest, FillColumnAndRowWriteThePieces)
{
    const struct {
        const char* name;
        std::string text;
        std::optional<std::string> delimiter;
        std::vector<std::string> column;  // rows 0 to 4 of column 2 afterwards
    } cases[] = {
        {"two pieces ending with the delimiter", "a|b|", std::nullopt, {"a", "b", "-", "-", "-"}},
        {"two delimiters in a row", "a||b", "|", {"a", "", "b", "-", "-"}},
        {"the delimiter alone", "|", "|", {"", "-", "-", "-", "-"}},
        {"the empty text", "", "|", {"-", "-", "-", "-", "-"}},
        {"an empty delimiter", "a|b", "", {"a|b", "-", "-", "-", "-"}},
        {"a longer delimiter", "1, 2, 3", ", ", {"1", "2", "3", "-", "-"}},
        {"a double-byte character ending in the delimiter's byte", "\x81|b|\x95|", "|", {"\x81|b", "\x95|", "-", "-", "-"}},
    };
    CreateDefault();
    for (const auto& c : cases) {
        for (int row = 0; row < 5; ++row)
            grid_.SetTextMatrix(row, 2, "-");
        grid_.FillColumn(c.text, c.delimiter, 2);
        EXPECT_EQ(Column(2), c.column) << c.name;
    }

    grid_.FillRow("甲|乙", std::nullopt, 3, 2);
    EXPECT_EQ(grid_.GetTextMatrix(3, 2), "甲");
    EXPECT_EQ(grid_.GetTextMatrix(3, 3), "乙");
    grid_.FillRow("r0|r1", "|", 4);
    EXPECT_EQ(grid_.GetTextMatrix(4, 0), "r0") << "the first column defaults to 0";
    EXPECT_EQ(grid_.GetTextMatrix(4, 1), "r1");
}

TEST(TextSplitTest, PiecesAtTheDelimiter)
{
    const struct {
        std::string text, delimiter;
        std::vector<std::string> pieces;
    } cases[] = {
        {"", "|", {}},
        {"abc", "", {"abc"}},
        {"a|b", "|", {"a", "b"}},
        {"a|b|", "|", {"a", "b"}},
        {"|a", "|", {"", "a"}},
        {"||", "|", {"", ""}},
        {"\x81|\x81|", "|", {"\x81|\x81|"}},
        {"\xB0\xA1|\xB0\xA1", "|", {"\xB0\xA1", "\xB0\xA1"}},
        {"a\x81", "|", {"a\x81"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitText(c.text, c.delimiter), c.pieces) << c.text;
}

} // namespace
