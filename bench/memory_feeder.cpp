// memory_feeder <folder> <flat|photo> <count> [sample-every] [bitmap|dib]: starts chengjian.exe in
// <folder>, puts <count> 1920x1080 pictures on the clipboard (as CF_BITMAP, like a screenshot key,
// or as CF_DIB, like image programs) one after another (each once the program has stored the
// previous one), reads the program's memory along the way, checks that every picture became a row
// of table "data" and that pictures read back from the history grid (Ctrl+C on a picture cell) have
// the pixels that were put, and prints a table of the figures.
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchmark_pictures.h"
#include "db/sqlite_database.h"
#include "db/sqlite_engine.h"
#include "process_memory.h"
#include "support/clipboard_writer.h"
#include "support/program_runner.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kGridRows = 1000;

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

long long Number(SqliteDatabase& db, const std::string& sql)
{
    SqlStatement read = db.Prepare(sql);
    long long value = read.Step() ? read.ColumnInt64(0) : -1;
    read.Finalize();
    return value;
}

// Waits until the program's window thread has handled everything sent before, the clipboard
// change's notice included. The database is not read meanwhile: a reader's lock would make the
// program's insert fail.
bool WaitUntilIdle(HWND window)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 300000, &answer) != 0;
}

struct GridFinder {
    HWND found = nullptr;
    static BOOL CALLBACK Match(HWND window, LPARAM self)
    {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpW(name, L"VSFlexGrid8Window") != 0)
            return TRUE;
        reinterpret_cast<GridFinder*>(self)->found = window;
        return FALSE;
    }
};

HWND FindGrid(HWND main)
{
    GridFinder finder;
    EnumChildWindows(main, GridFinder::Match, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

void PressKeys(std::initializer_list<WORD> keys, bool release)
{
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &input, sizeof input);
    }
}

// Key presses that take the current cell from the newest row to row `row`: Down once per row, or,
// for the bottom row, Page Down often enough to get there whatever a page holds (the grid stops at
// its last row), which is a few hundred presses fewer for a full grid.
std::vector<WORD> MovesTo(HWND grid, int row, bool bottom)
{
    if (!bottom)
        return std::vector<WORD>(std::size_t(row), VK_DOWN);
    RECT client = {};
    GetClientRect(grid, &client);
    // Rows are 1360 twips high; a page holds at least the rows wholly shown less one.
    const int rowPixels = MulDiv(1360, 96, 1440) + 1;
    const int page = std::max(1, int(client.bottom) / rowPixels - 1);
    return std::vector<WORD>(std::size_t(row / page + 2), VK_NEXT);
}

// The bitmap the program puts on the clipboard for Ctrl+C on row `row`'s picture cell, driven as a
// user would (a click on the top shown row's picture, keys down to `row`, Ctrl+C); empty when none
// comes. The grid must show its newest row at the top unless `bottom`. `seconds` gets how long the
// program took to answer.
std::vector<std::uint32_t> CopyRowPicture(HWND grid, int row, bool bottom, double& seconds)
{
    HWND main = GetAncestor(grid, GA_ROOT);
    // An empty clipboard first (a change the program stores nothing for), so that a bitmap on it
    // afterwards is the program's answer.
    { ClipboardWriter empty; }
    WaitUntilIdle(main);
    SetForegroundWindow(main);
    // The picture column starts after the 42 mm time column.
    POINT at = {180, 20};
    ClientToScreen(grid, &at);
    SetCursorPos(at.x, at.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    Sleep(300);
    const std::vector<WORD> moves = MovesTo(grid, row, bottom);
    for (WORD key : moves) {
        PressKeys({key}, false);
        PressKeys({key}, true);
    }
    PressKeys({VK_CONTROL, 'C'}, false);
    PressKeys({'C', VK_CONTROL}, true);
    // The keys wait in the program's input queue behind nothing the feeder can wait on: under
    // emulation each move, which scrolls and paints the grid, can take a good part of a second, so
    // the wait grows with the number of keys.
    const double start = Seconds();
    const double limit = 30.0 + double(moves.size());
    std::vector<std::uint32_t> pixels;
    while (!IsClipboardFormatAvailable(CF_BITMAP) && Seconds() - start < limit)
        Sleep(200);
    seconds = Seconds() - start;
    if (!IsClipboardFormatAvailable(CF_BITMAP))
        return pixels;
    // The program reads its own copy as a capture too, and holds the clipboard open meanwhile.
    bool opened = false;
    for (const double since = Seconds(); !(opened = OpenClipboard(nullptr)) && Seconds() - since < 10.0;)
        Sleep(50);
    if (!opened)
        return pixels;
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
        pixels = ReadBitmap(bitmap, kWidth, kHeight);
    CloseClipboard();
    return pixels;
}

void PrintReading(const char* what, int pictures, const MemoryReading& m, double seconds)
{
    std::printf("%-22s %8d %12.1f %12.1f %12.3f\n", what, pictures, m.residentKb / 1024.0, m.privateKb / 1024.0,
                seconds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: memory_feeder <folder> <flat|photo> <count> [sample-every] [bitmap|dib]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const PictureKind kind = std::string(argv[2]) == "flat" ? PictureKind::Flat : PictureKind::Photo;
    const int count = std::atoi(argv[3]);
    const int every = argc > 4 ? std::max(1, std::atoi(argv[4])) : 50;
    const bool asDib = argc > 5 && std::string(argv[5]) == "dib";

    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\data.db").c_str());
    // Joining the clipboard viewer chain reads the clipboard once: start with an empty one.
    { ClipboardWriter empty; }
    ProgramRunner program(folder);
    if (!program.Start())
        return std::fprintf(stderr, "the program did not start\n"), 1;
    HWND main = program.WaitForWindow("ChengjianMainWindow", nullptr, 120000);
    if (!main)
        return std::fprintf(stderr, "the program showed no window\n"), 1;
    Sleep(5000);
    WaitUntilIdle(main);
    ProcessMemory memory(program.ProcessId(), "chengjian.exe");
    if (!memory.Found())
        std::fprintf(stderr, "the program's Linux process was not found: no resident figures\n");

    std::printf("%-22s %8s %12s %12s %12s\n", "reading", "pictures", "resident MB", "private MB", "s/capture");
    const MemoryReading idle = memory.Read();
    PrintReading("idle", 0, idle, 0);

    int lost = 0;
    double captureSeconds = 0, windowSeconds = 0, makeSeconds = 0;
    int inWindow = 0;
    MemoryReading firstStep{};  // after the first step: the one-time costs are behind
    int firstStepPictures = 0;
    HANDLE running = OpenProcess(SYNCHRONIZE, FALSE, program.ProcessId());
    for (int i = 0; i < count; ++i) {
        double made = Seconds();
        const std::vector<std::uint32_t> pixels = BenchmarkPixels(kind, i, kWidth, kHeight);
        HANDLE data = asDib ? HANDLE(MakeDib(pixels, kWidth, kHeight)) : HANDLE(MakeBitmap(pixels, kWidth, kHeight));
        double put = Seconds();
        makeSeconds += put - made;
        {
            ClipboardWriter writer;
            if (!writer.IsOpen() || !SetClipboardData(asDib ? CF_DIB : CF_BITMAP, data))
                asDib ? void(GlobalFree(data)) : void(DeleteObject(data));
        }
        if (!WaitUntilIdle(main))
            ++lost;
        double took = Seconds() - put;
        captureSeconds += took;
        windowSeconds += took;
        ++inWindow;
        if ((i + 1) % every == 0 || i + 1 == count) {
            const MemoryReading now = memory.Read();
            PrintReading("after", i + 1, now, windowSeconds / inWindow);
            if (firstStepPictures == 0)
                firstStep = now, firstStepPictures = i + 1;
            windowSeconds = 0;
            inWindow = 0;
        }
        if (running && WaitForSingleObject(running, 0) == WAIT_OBJECT_0)
            return std::fprintf(stderr, "the program ended after %d pictures\n", i + 1), 1;
    }
    const MemoryReading last = memory.Read();
    std::string readBacks;

    // Read back the newest, the second, the eighth and the bottom kept row. Each read-back is a
    // clipboard change of the program's own: it becomes a row of table "data" but not of the grid.
    HWND grid = FindGrid(main);
    int checked = 0, matched = 0, copied = 0;
    const int kept = std::min(count, kGridRows);
    const int sampleRows[] = {0, 1, std::min(7, kept - 1), kept - 1};
    for (int s = 0; s < 4 && grid; ++s) {
        const int row = sampleRows[s];
        double seconds = 0;
        std::vector<std::uint32_t> got = CopyRowPicture(grid, row, s == 3, seconds);
        ++checked;
        copied += got.empty() ? 0 : 1;
        const bool exact = !got.empty() && got == BenchmarkPixels(kind, count - 1 - row, kWidth, kHeight);
        matched += exact ? 1 : 0;
        readBacks += "  row " + std::to_string(row) + (got.empty() ? ": nothing" : exact ? ": exact" : ": differs") +
                     " (" + std::to_string(int(seconds + 0.5)) + " s)";
        WaitUntilIdle(main);
    }

    // Every capture inserted a row (row ids count up; the trim drops the oldest), then the read-backs.
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (program.WaitForExit(120000) == STILL_ACTIVE)
        std::fprintf(stderr, "the program did not end when its window was closed\n");
    InitializeDatabaseEngine();
    SqliteDatabase db;
    if (!db.Open(folder + "\\data.db", SQLITE_OPEN_READONLY))
        return std::fprintf(stderr, "data.db cannot be read\n"), 1;
    const long long inserted = Number(db, "select ifnull(max(rowid), 0) from data") - copied;
    const long long rows = Number(db, "select count(1) from data where byte like 'BM%'");
    const long long expectedRows = std::min(count + copied, kGridRows);
    db.Close();

    std::printf("\n");
    const double perPictureKb = count ? double(last.residentKb - std::min(last.residentKb, idle.residentKb)) / count : 0;
    const double privatePerPictureKb =
        count ? double(last.privateKb - std::min(last.privateKb, idle.privateKb)) / count : 0;
    std::printf("kind                   %s, put as %s\n", kind == PictureKind::Flat ? "flat" : "photo",
                asDib ? "CF_DIB" : "CF_BITMAP");
    std::printf("pictures put           %d\n", count);
    std::printf("idle resident          %.1f MB (private %.1f MB)\n", idle.residentKb / 1024.0, idle.privateKb / 1024.0);
    std::printf("after %-6d resident   %.1f MB (private %.1f MB)\n", count, last.residentKb / 1024.0,
                last.privateKb / 1024.0);
    std::printf("growth per picture     %.1f KB resident, %.1f KB private\n", perPictureKb, privatePerPictureKb);
    if (count > firstStepPictures && firstStepPictures > 0)
        std::printf("  after the first %-4d %.1f KB resident, %.1f KB private\n", firstStepPictures,
                    double(last.residentKb - std::min(last.residentKb, firstStep.residentKb)) / (count - firstStepPictures),
                    double(last.privateKb - std::min(last.privateKb, firstStep.privateKb)) / (count - firstStepPictures));
    std::printf("time per capture       %.3f s (making a picture, the baseline: %.3f s; ratio %.2f)\n",
                count ? captureSeconds / count : 0, count ? makeSeconds / count : 0,
                makeSeconds > 0 ? captureSeconds / makeSeconds : 0);
    std::printf("captures stored        %lld of %d (%d not answered)\n", inserted, count, lost);
    std::printf("picture rows in data   %lld (expected %lld)\n", rows, expectedRows);
    std::printf("grid read-backs        %d of %d exact%s\n", matched, checked, readBacks.c_str());
    return lost == 0 && inserted == count && rows == expectedRows && matched == checked ? 0 : 1;
}
