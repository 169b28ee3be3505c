// Cell pictures in the grid control: kept past the memory budget in the control's own file and read
// back pixel for pixel, puts that cannot be stored answering an error, and painting from the small
// display copy without decoding a full picture.
#include "grid_host_fixture.h"
#include "picture_vault.h"
#include "test_pictures.h"

#include <olectl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace grid_test {
namespace {

vsflex::PictureCounters Counters()
{
    using CountersFn = void (*)(vsflex::PictureCounters*);
    auto read = reinterpret_cast<CountersFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"vsflex8.ocx"), "VsFlexPictureCounters")));
    vsflex::PictureCounters counters{};
    EXPECT_TRUE(read) << "the control exports its picture counters";
    if (read)
        read(&counters);
    return counters;
}

// Sets the control's memory budget for cell pictures for the life of the object.
class PictureBudget {
public:
    explicit PictureBudget(const char* bytes) { SetEnvironmentVariableA("VSFLEX_PICTURE_BUDGET", bytes); }
    ~PictureBudget() { SetEnvironmentVariableA("VSFLEX_PICTURE_BUDGET", nullptr); }
};

class CellPictureTest : public GridHost {
protected:
    // Puts a new picture of `bitmap` into cell (row, 1) and gives back its pixels.
    std::vector<std::uint32_t> PutPicture(int row, HBITMAP bitmap) const
    {
        int w = 0, h = 0;
        std::vector<std::uint32_t> pixels = PixelsOf(bitmap, &w, &h);
        Call(L"Select", {row, 1});
        IDispatch* picture = PictureOf(bitmap);
        Put(L"CellPicture", {Value(picture)});
        picture->Release();
        return pixels;
    }
    // The pixels of cell (row, 1)'s picture as a new picture object gives them; empty for none.
    std::vector<std::uint32_t> PictureAt(int row) const
    {
        Call(L"Select", {row, 1});
        Value back = Get(L"CellPicture");
        if (back.v.vt != VT_DISPATCH || !back.v.pdispVal)
            return {};
        int w = 0, h = 0;
        return PixelsOf(HandleOf(back.v.pdispVal), &w, &h);
    }
    HRESULT PutRef(IDispatch* object) const
    {
        return Invoke(Id(L"CellPicture"), DISPATCH_PROPERTYPUTREF, {Value(object)});
    }
};

TEST_F(CellPictureTest, PicturesPastTheBudgetGoToTheFileAndComeBackPixelForPixel)
{
    PictureBudget budget("1");  // every picture goes to the file at once
    SmallLayout();
    const vsflex::PictureCounters before = Counters();
    std::vector<std::vector<std::uint32_t>> put;
    for (int row = 1; row <= 3; ++row)
        put.push_back(PutPicture(row, MakeScreenshot(640, 400, row)));
    vsflex::PictureCounters held = Counters();
    EXPECT_EQ(before.pictures + 3, held.pictures);
    EXPECT_EQ(before.spilledPictures + 3, held.spilledPictures) << "all are in the file";
    EXPECT_EQ(0u, held.residentBytes);
    for (int row = 1; row <= 3; ++row)
        EXPECT_TRUE(PictureAt(row) == put[row - 1]) << "row " << row << " read back from the file";

    // A replaced picture's room in the file is used again without touching its neighbours.
    put[1] = PutPicture(2, MakeScreenshot(480, 300, 7));
    put.push_back(PutPicture(4, MakeScreenshot(400, 260, 8)));
    EXPECT_EQ(before.pictures + 4, Counters().pictures);
    for (int row = 1; row <= 4; ++row)
        EXPECT_TRUE(PictureAt(row) == put[row - 1]) << "row " << row << " after reuse of the file";

    Put(L"Rows", {1});
    EXPECT_EQ(before.pictures, Counters().pictures) << "removed rows take their pictures along";
}

TEST_F(CellPictureTest, PicturesWithinTheBudgetStayInMemory)
{
    PictureBudget budget("100000000");
    SmallLayout();
    const vsflex::PictureCounters before = Counters();
    const std::vector<std::uint32_t> put = PutPicture(1, MakeScreenshot(640, 400, 3));
    EXPECT_EQ(before.spilledPictures, Counters().spilledPictures);
    EXPECT_GT(Counters().residentBytes, before.residentBytes);
    EXPECT_TRUE(PictureAt(1) == put);
}

TEST_F(CellPictureTest, APutThatCannotBeStoredAnswersAnErrorAndKeepsTheCellsPicture)
{
    SmallLayout();
    const std::vector<std::uint32_t> kept = PutPicture(1, MakeScreenshot(400, 250, 1));

    HBITMAP gone = MakeScreenshot(400, 250, 2);
    PICTDESC notOwned{};
    notOwned.cbSizeofstruct = sizeof notOwned;
    notOwned.picType = PICTYPE_BITMAP;
    notOwned.bmp.hbitmap = gone;
    IDispatch* stale = nullptr;
    ASSERT_EQ(S_OK, OleCreatePictureIndirect(&notOwned, IID_IPictureDisp, FALSE, reinterpret_cast<void**>(&stale)));
    DeleteObject(gone);
    IDispatch* huge = PictureOf(CreateBitmap(9000, 8000, 1, 1, nullptr));  // 72 million pixels
    ASSERT_TRUE(huge);

    struct Case {
        const char* what;
        IDispatch* object;
    };
    const Case cases[] = {
        {"an object that is no picture", grid},
        {"a picture whose bitmap was deleted", stale},
        {"a picture too large to keep", huge},
    };
    for (const Case& c : cases) {
        Call(L"Select", {1, 1});
        EXPECT_TRUE(FAILED(PutRef(c.object))) << c.what;
        EXPECT_TRUE(PictureAt(1) == kept) << c.what << ": the cell keeps its picture";
    }
    stale->Release();
    huge->Release();

    // An empty picture, or none, is stored: the cell then has no picture.
    PICTDESC none{};
    none.cbSizeofstruct = sizeof none;
    none.picType = PICTYPE_NONE;
    IDispatch* empty = nullptr;
    ASSERT_EQ(S_OK, OleCreatePictureIndirect(&none, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&empty)));
    Call(L"Select", {1, 1});
    EXPECT_EQ(S_OK, PutRef(empty));
    empty->Release();
    EXPECT_TRUE(PictureAt(1).empty());
    PutPicture(1, MakeScreenshot(400, 250, 1));
    Call(L"Select", {1, 1});
    EXPECT_EQ(S_OK, PutRef(nullptr));
    EXPECT_TRUE(PictureAt(1).empty());
}

TEST_F(CellPictureTest, PaintingAndScrollingNeverDecodeAFullPicture)
{
    SmallLayout();
    Put(L"Rows", {30});
    for (int row = 1; row < 30; ++row)
        PutPicture(row, MakeScreenshot(1920, 1080, row));
    // The current cell out of the picture column: its highlight would pass for a picture below.
    Call(L"Select", {1, 2});
    const LONG decodes = Counters().fullDecodes;
    HWND window = GridWindow();
    for (int top = 1; top < 28; top += 3) {
        Put(L"TopRow", {top});
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    SendMessageW(window, WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(window);
    // The rows scrolled to show their pictures (bluish screenshots in column 1, x 100 to 200), so
    // the paints counted above really drew pictures.
    int width = 0, height = 0;
    const std::vector<std::uint32_t> shown = ClientPixels(window, &width, &height);
    ASSERT_FALSE(shown.empty());
    int bluish = 0;
    for (int y = 21; y < height; ++y)
        for (int x = 101; x < 199 && x < width; ++x) {
            const std::uint32_t p = shown[std::size_t(y) * width + x];
            bluish += (p & 0xFF) > ((p >> 16) & 0xFF) + 30;
        }
    EXPECT_GT(bluish, 300) << "the shown rows' pictures are drawn";
    EXPECT_EQ(decodes, Counters().fullDecodes) << "paints draw the display copies";
    PictureAt(5);
    EXPECT_EQ(decodes + 1, Counters().fullDecodes) << "reading a picture back decodes it once";
}

}  // namespace
}  // namespace grid_test
