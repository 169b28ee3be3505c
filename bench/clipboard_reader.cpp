// clipboard_reader <count>: what reading a full-screen CF_BITMAP that another process put on the
// clipboard costs the reading process itself, for each way of reading it: not at all (the
// baseline), GetClipboardData(CF_BITMAP) with GetDIBits as the program's capture does, and
// GetClipboardData(CF_DIB), which the system makes from the bitmap. Each picture is put by a child
// process of its own (this program started with "put <index>"), which ends before the read.
// Prints the reader's resident memory before and after <count> reads and the growth per read.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchmark_pictures.h"
#include "support/clipboard_writer.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

enum class Read { None, Bitmap, Dib };

struct Way {
    const char* name;
    Read read;
};

double ResidentMb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

int PutPicture(int index)
{
    const std::vector<std::uint32_t> pixels = BenchmarkPixels(PictureKind::Flat, index, kWidth, kHeight);
    ClipboardWriter writer;
    HBITMAP bitmap = MakeBitmap(pixels, kWidth, kHeight);
    if (writer.IsOpen() && writer.Bitmap(bitmap))
        return 0;
    DeleteObject(bitmap);
    return 1;
}

bool PutInChild(int index)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" put " + std::to_string(index);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child))
        return false;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code == 0;
}

// Reads the clipboard's picture the given way; false when it was not there.
bool ReadPicture(Read read)
{
    if (!OpenClipboard(nullptr))
        return false;
    bool found = read == Read::None;
    if (read == Read::Bitmap) {
        auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        found = bitmap && ReadBitmap(bitmap, kWidth, kHeight).size() == std::size_t(kWidth) * kHeight;
    } else if (read == Read::Dib) {
        HGLOBAL block = GetClipboardData(CF_DIB);
        found = block && GlobalSize(block) > sizeof(BITMAPINFOHEADER);
    }
    CloseClipboard();
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "put") == 0)
        return PutPicture(std::atoi(argv[2]));
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const Way ways[] = {{"not read (baseline)", Read::None}, {"CF_BITMAP", Read::Bitmap}, {"CF_DIB", Read::Dib}};
    std::printf("%-22s %8s %12s %12s %14s\n", "read as", "pictures", "before MB", "after MB", "MB per read");
    int status = 0;
    for (const Way& way : ways) {
        // One read first, so that what the first read sets up once is not counted per picture.
        if (!PutInChild(0) || !ReadPicture(way.read))
            status = 1;
        const double before = ResidentMb();
        for (int i = 1; i <= count; ++i) {
            if (!PutInChild(i) || !ReadPicture(way.read))
                status = 1;
        }
        const double after = ResidentMb();
        std::printf("%-22s %8d %12.1f %12.1f %14.2f\n", way.name, count, before, after, (after - before) / count);
        std::fflush(stdout);
    }
    if (status)
        std::fprintf(stderr, "a picture could not be put or read\n");
    return status;
}
