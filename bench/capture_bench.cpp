// The capture benchmark, run under Wine: puts texts, file lists and pictures on the real clipboard
// from this process and times what the program makes of them (its capture timing file), next to
// two baselines measured in the same run: a bare clipboard viewer (capture_bench viewer) and a bare
// autocommit insert of the same row through the same sqlite3.dll. Prints one table.
//
//   capture_bench run [quick]    the whole benchmark (chengjian.exe and sqlite3.dll beside it);
//                                quick: 3 samples a kind, 40 mixed rows, a 5M-character text
//   capture_bench viewer <file>  the bare viewer: one line per clipboard change
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/sqlite_database.h"
#include "db/sqlite_engine.h"
#include "desktop/grid_control_install.h"
#include "framework/file_io.h"
#include "support/clipboard_writer.h"
#include "support/program_runner.h"
#include "support/scratch_folder.h"
#include "support/test_window.h"

extern const unsigned char kDataTemplate[];
extern const unsigned kDataTemplate_size;

namespace {

// ---- clock ------------------------------------------------------------------------------------

LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Frequency()
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

double Ms(LONGLONG ticks) { return static_cast<double>(ticks) * 1000.0 / Frequency(); }

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// "run quick": a few samples of everything, to try the benchmark itself out in minutes.
bool g_quick = false;

int Samples(int full) { return g_quick ? std::min(full, 3) : full; }

// ---- the bare viewer --------------------------------------------------------------------------

constexpr char kViewerClass[] = "CaptureBenchViewer";
HWND g_nextViewer = nullptr;
FILE* g_viewerFile = nullptr;

std::string Utf8(const wchar_t* text, int units)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), size, nullptr, nullptr);
    return out;
}

// One line per change: the counter when the text had been read, its length, (short texts) itself
// and, after a tab, the first copied file's name: the bursts tell their changes by both.
void ViewerReadsTheClipboard()
{
    std::string text, file;
    size_t units = 0;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
                units = wcsnlen(wide, GlobalSize(data) / 2);
                if (units < 200)
                    text = Utf8(wide, static_cast<int>(units));
                GlobalUnlock(data);
            }
        }
        if (auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
            wchar_t name[MAX_PATH] = {};
            if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0 && DragQueryFileW(drop, 0, name, MAX_PATH) > 0)
                file = Utf8(name, static_cast<int>(wcslen(name)));
        }
        CloseClipboard();
    }
    std::fprintf(g_viewerFile, "%lld %zu %s\t%s\n", Ticks(), units, text.c_str(), file.c_str());
    std::fflush(g_viewerFile);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWCLIPBOARD:
        ViewerReadsTheClipboard();
        if (g_nextViewer)
            SendMessageW(g_nextViewer, message, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wParam) == g_nextViewer)
            g_nextViewer = reinterpret_cast<HWND>(lParam);
        else if (g_nextViewer)
            SendMessageW(g_nextViewer, message, wParam, lParam);
        return 0;
    case WM_CLOSE:
        ChangeClipboardChain(window, g_nextViewer);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int RunViewer(const char* path)
{
    g_viewerFile = std::fopen(path, "w");
    if (!g_viewerFile)
        return 1;
    HWND window = MakeTestWindow(kViewerClass, ViewerProc);
    g_nextViewer = SetClipboardViewer(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    std::fclose(g_viewerFile);
    return 0;
}

// ---- contents ---------------------------------------------------------------------------------

struct Content {
    std::wstring text;
    std::vector<std::wstring> files;
    int pictureWidth = 0, pictureHeight = 0;
};

HBITMAP MakePicture(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int band = 0; band < 16; ++band) {
        HBRUSH brush = CreateSolidBrush(RGB(band * 16, 255 - band * 16, (band * 40) & 0xFF));
        RECT r = {0, height * band / 16, width, height * (band + 1) / 16};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Puts the content on the clipboard; the counter just before the closing that notifies the viewers.
LONGLONG Put(const Content& content)
{
    ClipboardWriter writer;
    if (!writer.IsOpen())
        return 0;
    if (!content.text.empty())
        writer.Text(content.text);
    if (!content.files.empty())
        writer.Files(content.files);
    if (content.pictureWidth > 0)
        writer.Bitmap(MakePicture(content.pictureWidth, content.pictureHeight));
    LONGLONG set = Ticks();
    writer.Close();
    return set;
}

std::wstring LongText(size_t units, int seed)
{
    std::wstring text = L"long " + std::to_wstring(seed) + L" ";
    const std::wstring piece = L"澄笺 clipboard history 剪贴板历史 0123456789 ";
    while (text.size() < units)
        text += piece;
    text.resize(units);
    return text;
}

std::vector<std::wstring> FileNames(int count, int seed)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i)
        names.push_back(L"C:\\bench\\" + std::to_wstring(seed) + L"\\文件 " + std::to_wstring(i) + L".txt");
    return names;
}

struct Kind {
    const char* name;
    int samples;
    Content (*make)(int seed);
};

const Kind kKinds[] = {
    {"short text", 30, [](int seed) { return Content{L"short text " + std::to_wstring(seed), {}, 0, 0}; }},
    {"text 20,000 chars", 10, [](int seed) { return Content{LongText(20000, seed), {}, 0, 0}; }},
    {"file list of 10", 10, [](int seed) { return Content{L"", FileNames(10, seed), 0, 0}; }},
    {"picture 1920x1080", 5, [](int) { return Content{L"", {}, 1920, 1080}; }},
};

// ---- the program's and the viewer's line files --------------------------------------------------

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

ULONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Waits until `path` holds more than `count` lines; the lines then, or none after `timeoutMs`.
// The file is looked at every 20 ms and read only when it has grown: the figures are the
// program's own stamps, so waking more often would only take the processor from the program
// being measured.
std::vector<std::string> WaitForLines(const std::string& path, size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    ULONGLONG readAt = ~0ULL;
    while (GetTickCount() - start < timeoutMs) {
        ULONGLONG size = FileSize(path);
        if (size != readAt) {
            readAt = size;
            std::vector<std::string> lines = ReadLines(path);
            if (lines.size() > count)
                return lines;
        }
        Sleep(20);
    }
    return {};
}

// Waits until `path` has not grown for `quietMs`.
void WaitForQuiet(const std::string& path, DWORD quietMs, DWORD timeoutMs)
{
    DWORD start = GetTickCount(), changed = GetTickCount();
    size_t last = ReadLines(path).size();
    while (GetTickCount() - start < timeoutMs && GetTickCount() - changed < quietMs) {
        Sleep(50);
        size_t now = ReadLines(path).size();
        if (now != last) {
            last = now;
            changed = GetTickCount();
        }
    }
}

struct CaptureLine {
    LONGLONG marks[6] = {};  // start, read, insert, trim, row, paint
    unsigned long workingSet = 0, storedPeak = 0, peak = 0;
};

CaptureLine ParseCapture(const std::string& line)
{
    CaptureLine c;
    std::istringstream in(line);
    std::string word;
    LONGLONG frequency = 0;
    in >> word >> frequency;
    for (LONGLONG& mark : c.marks)
        in >> mark;
    in >> c.workingSet >> c.storedPeak >> c.peak;
    return c;
}

// ---- measurements -----------------------------------------------------------------------------

struct Sample {
    double committed = 0, shown = 0, read = 0, insert = 0, trim = 0, row = 0, paint = 0;
};

struct Program {
    ScratchFolder folder;
    ProgramRunner runner{folder.Path()};
    std::string times = folder.File("times.txt");

    bool Start()
    {
        SetEnvironmentVariableA("CHENGJIAN_CAPTURE_TIMES", times.c_str());
        bool started = runner.Start() && runner.WaitForWindow("ChengjianMainWindow", nullptr, 120000);
        SetEnvironmentVariableA("CHENGJIAN_CAPTURE_TIMES", nullptr);
        Sleep(1000);
        if (!started)
            std::printf("the program did not start\n");
        return started;
    }
    void Stop()
    {
        if (HWND window = runner.WaitForWindow("ChengjianMainWindow", nullptr, 1000))
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (runner.WaitForExit(60000) == STILL_ACTIVE)
            std::printf("the program did not end within 60 s of its window's closing\n");
    }
    // Puts the content on the clipboard and waits for the capture's line.
    bool Capture(const Content& content, Sample* sample)
    {
        size_t before = ReadLines(times).size();
        LONGLONG set = Put(content);
        std::vector<std::string> lines = WaitForLines(times, before, 60000);
        if (lines.empty())
            return false;
        if (sample) {
            CaptureLine c = ParseCapture(lines[before]);
            // The insert and the trim are committed together, at the end of the trim.
            sample->committed = Ms(c.marks[3] - set);
            sample->shown = Ms(c.marks[5] - c.marks[3]);
            sample->read = Ms(c.marks[1] - c.marks[0]);
            sample->insert = Ms(c.marks[2] - c.marks[1]);
            sample->trim = Ms(c.marks[3] - c.marks[2]);
            sample->row = Ms(c.marks[4] - c.marks[3]);
            sample->paint = Ms(c.marks[5] - c.marks[4]);
        }
        return true;
    }
};

struct Viewer {
    ScratchFolder folder;
    std::string lines = folder.File("viewer.txt");
    PROCESS_INFORMATION process = {};

    bool Start()
    {
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command = "\"" + std::string(exe) + "\" viewer \"" + lines + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        for (int i = 0; i < 200 && !FindWindowA(kViewerClass, nullptr); ++i)
            Sleep(50);
        Sleep(500);
        return FindWindowA(kViewerClass, nullptr) != nullptr;
    }
    void Stop()
    {
        if (HWND window = FindWindowA(kViewerClass, nullptr))
            PostMessageA(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    // set -> text read, in ms; -1 when the viewer did not see the change.
    double Capture(const Content& content)
    {
        size_t before = ReadLines(lines).size();
        LONGLONG set = Put(content);
        std::vector<std::string> now = WaitForLines(lines, before, 20000);
        if (now.empty())
            return -1;
        return Ms(std::stoll(now[before]) - set);
    }
};

// A copy of the carried template, or of `from`, as the baseline's database.
std::string BaselineDatabase(const ScratchFolder& folder, const std::string& from)
{
    std::string path = folder.File("baseline.db");
    if (from.empty())
        WriteFileBytes(path, ByteSet(kDataTemplate, kDataTemplate_size));
    else
        CopyFileA(from.c_str(), path.c_str(), FALSE);
    return path;
}

std::string Utf8Of(const std::wstring& text) { return Utf8(text.c_str(), static_cast<int>(text.size())); }

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

// The row a capture of `content` stores, as one literal statement in UTF-8.
std::string InsertStatement(const Content& content, int seed)
{
    std::string files;
    for (const std::wstring& name : content.files)
        files += (files.empty() ? "" : "|") + Utf8Of(name);
    std::string picture = content.pictureWidth ? "BM6220854" : "";
    return "insert into data(TIME , TEXT , BYTE , FILE) values ('2026-01-01 00:00:00 " + std::to_string(seed) +
           "' ,'" + Escaped(Utf8Of(content.text)) + "' , '" + picture + "' , '" + Escaped(files) + "') ";
}

// Autocommit inserts of the kind's rows, each timed alone, in ms.
std::vector<double> BaselineInserts(const std::string& path, const Kind& kind)
{
    SqliteDatabase db;
    std::vector<double> times;
    if (!db.Open(path, SQLITE_OPEN_READWRITE))
        return times;
    for (int i = 0; i < Samples(kind.samples); ++i) {
        std::string sql = InsertStatement(kind.make(i), i);
        LONGLONG start = Ticks();
        SqliteEngine().sqlite3_exec(db.GetHandle(), sql.c_str(), nullptr, nullptr, nullptr);
        times.push_back(Ms(Ticks() - start));
    }
    db.Close();
    return times;
}

// ---- the report -------------------------------------------------------------------------------

struct KindResult {
    std::vector<Sample> samples;
    std::vector<double> viewer, insert;
};

std::vector<double> Field(const std::vector<Sample>& samples, double Sample::*field)
{
    std::vector<double> values;
    for (const Sample& s : samples)
        values.push_back(s.*field);
    return values;
}

double Ratio(double value, double baseline) { return baseline > 0 ? value / baseline : 0; }

void PrintKinds(const char* state, const std::map<std::string, KindResult>& results)
{
    std::printf("\n== grid %s: latency in ms (ratio to the same run's baseline) ==\n", state);
    std::printf("%-18s %22s %22s %22s %22s %12s %12s\n", "content", "set->committed p50", "set->committed p99",
                "committed->shown p50", "committed->shown p99", "viewer p50", "insert p50");
    for (const Kind& kind : kKinds) {
        auto found = results.find(kind.name);
        if (found == results.end())
            continue;
        const KindResult& r = found->second;
        double insert50 = Percentile(r.insert, 0.5), viewer50 = Percentile(r.viewer, 0.5);
        auto cell = [&](double v, double base) {
            char text[64];
            std::snprintf(text, sizeof text, "%.1f (%.2fx)", v, Ratio(v, base));
            return std::string(text);
        };
        std::vector<double> committed = Field(r.samples, &Sample::committed), shown = Field(r.samples, &Sample::shown);
        std::printf("%-18s %22s %22s %22s %22s %12.1f %12.1f\n", kind.name,
                    cell(Percentile(committed, 0.5), insert50).c_str(),
                    cell(Percentile(committed, 0.99), insert50).c_str(),
                    cell(Percentile(shown, 0.5), insert50).c_str(), cell(Percentile(shown, 0.99), insert50).c_str(),
                    viewer50, insert50);
    }
    std::printf("%-18s %10s %10s %10s %10s %10s %14s\n", "phases p50 (ms)", "read", "insert", "trim", "grid row",
                "paint", "set->shown");
    for (const Kind& kind : kKinds) {
        auto found = results.find(kind.name);
        if (found == results.end())
            continue;
        const auto& s = found->second.samples;
        std::vector<double> setShown;
        for (const Sample& x : s)
            setShown.push_back(x.committed + x.shown);
        double viewer50 = Percentile(found->second.viewer, 0.5);
        char last[64];
        std::snprintf(last, sizeof last, "%.1f (%.2fx viewer)", Percentile(setShown, 0.5),
                      Ratio(Percentile(setShown, 0.5), viewer50));
        std::printf("%-18s %10.1f %10.1f %10.1f %10.1f %10.1f %s\n", kind.name,
                    Percentile(Field(s, &Sample::read), 0.5), Percentile(Field(s, &Sample::insert), 0.5),
                    Percentile(Field(s, &Sample::trim), 0.5), Percentile(Field(s, &Sample::row), 0.5),
                    Percentile(Field(s, &Sample::paint), 0.5), last);
    }
}

void MeasureKinds(Program& program, std::map<std::string, KindResult>& results)
{
    for (const Kind& kind : kKinds)
        for (int i = 0; i < Samples(kind.samples); ++i) {
            Sample sample;
            if (program.Capture(kind.make(1000 + i), &sample))
                results[kind.name].samples.push_back(sample);
            Sleep(100);
        }
}

void MeasureViewerKinds(Viewer& viewer, std::map<std::string, KindResult>& results)
{
    for (const Kind& kind : kKinds)
        for (int i = 0; i < Samples(kind.samples); ++i) {
            double ms = viewer.Capture(kind.make(1000 + i));
            if (ms >= 0)
                results[kind.name].viewer.push_back(ms);
            Sleep(100);
        }
}

// Gaps between the copies of a burst; 0 is back to back.
const int kBurstGaps[] = {300, 150, 100, 60, 40, 20, 10, 0};
constexpr int kBurstCount = 30;

// One change of a burst, named "burst <tag> <gap> <i>": a text, a file, or a text with a file in one
// change, in turn; the file is "C:\<name>.txt".
std::string BurstChange(const std::string& tag, int gap, int i)
{
    return "burst " + tag + " " + std::to_string(gap) + " " + std::to_string(i);
}
int BurstKind(int i) { return i % 3; }  // 0: text, 1: file, 2: both
std::string BurstFile(const std::string& change) { return "C:\\" + change + ".txt"; }

// Puts 30 changes `gap` ms apart; their names.
std::vector<std::string> Burst(const std::string& tag, int gap)
{
    std::vector<std::string> changes;
    LONGLONG next = Ticks();
    const LONGLONG step = static_cast<LONGLONG>(Frequency() * gap / 1000.0);
    for (int i = 0; i < kBurstCount; ++i) {
        while (Ticks() < next)
            Sleep(1);
        const std::string change = BurstChange(tag, gap, i);
        const std::string file = BurstFile(change);
        Content content;
        if (BurstKind(i) != 1)
            content.text.assign(change.begin(), change.end());
        if (BurstKind(i) != 0)
            content.files.push_back(std::wstring(file.begin(), file.end()));
        Put(content);
        changes.push_back(change);
        next += step;
    }
    return changes;
}

// What one stored row (or one line of the viewer) holds of a burst.
struct SeenChange {
    std::string text, file;
};

struct BurstResult {
    int lost = 0, twice = 0, mixed = 0;  // mixed: rows joining two changes, or missing a part of one
};

// The change a row stands for; "" for a row that joins two changes or lacks a part of its one.
std::string ChangeOf(const SeenChange& seen, const std::vector<std::string>& sent)
{
    for (size_t i = 0; i < sent.size(); ++i) {
        const bool text = BurstKind(static_cast<int>(i)) != 1, file = BurstKind(static_cast<int>(i)) != 0;
        if (seen.text == (text ? sent[i] : "") && seen.file == (file ? BurstFile(sent[i]) : ""))
            return sent[i];
    }
    return "";
}

BurstResult Count(const std::vector<std::string>& sent, const std::vector<SeenChange>& seen)
{
    std::map<std::string, int> counts;
    BurstResult r;
    for (const SeenChange& s : seen) {
        const std::string change = ChangeOf(s, sent);
        if (change.empty())
            ++r.mixed;
        else
            ++counts[change];
    }
    for (const std::string& s : sent) {
        if (counts[s] == 0)
            ++r.lost;
        else if (counts[s] > 1)
            r.twice += counts[s] - 1;
    }
    return r;
}

// The rows of one burst: those whose text or file names one of its changes.
std::vector<SeenChange> StoredChanges(const std::string& db, const std::string& prefix)
{
    std::vector<SeenChange> rows;
    SqliteDatabase reader;
    if (!reader.Open(db, SQLITE_OPEN_READONLY))
        return rows;
    reader.BusyTimeout(5000);
    SqlStatement read = reader.Prepare("select text, file from data where text like '" + prefix +
                                           "%' or file like 'C:\\" + prefix + "%'",
                                       nullptr, true);
    while (read.Step())
        rows.push_back({read.ColumnText(0, true), read.ColumnText(1, true)});
    read.Finalize();
    reader.Close();
    return rows;
}

// The viewer's lines of one burst.
std::vector<SeenChange> ViewerChanges(const std::string& path, const std::string& prefix)
{
    std::vector<SeenChange> seen;
    for (const std::string& line : ReadLines(path)) {
        size_t a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
        size_t tab = line.find('\t');
        if (b == std::string::npos || tab == std::string::npos || tab < b)
            continue;
        SeenChange s{line.substr(b + 1, tab - b - 1), line.substr(tab + 1)};
        if (s.text.rfind(prefix, 0) == 0 || s.file.rfind("C:\\" + prefix, 0) == 0)
            seen.push_back(s);
    }
    return seen;
}

void PrintBursts(const char* target, const std::map<int, BurstResult>& results)
{
    std::printf("%-22s", target);
    // The shortest gap at which this one and every longer one lost nothing (gaps go down).
    int shortest = -1;
    bool clean = true;
    for (int gap : kBurstGaps) {
        const BurstResult& r = results.at(gap);
        std::printf(" %3dms:%2d/%d/%d", gap, r.lost, r.twice, r.mixed);
        clean = clean && r.lost == 0 && r.twice == 0 && r.mixed == 0;
        if (clean)
            shortest = gap;
    }
    std::printf("   shortest gap losing none: %s\n", shortest >= 0 ? (std::to_string(shortest) + " ms").c_str() : "none");
}

std::map<int, BurstResult> ProgramBursts(Program& program, const std::string& tag)
{
    std::map<int, BurstResult> results;
    for (int gap : kBurstGaps) {
        std::vector<std::string> sent = Burst(tag, gap);
        WaitForQuiet(program.times, 3000, 120000);
        const std::string prefix = "burst " + tag + " " + std::to_string(gap) + " ";
        results[gap] = Count(sent, StoredChanges(program.folder.File("data.db"), prefix));
    }
    return results;
}

std::map<int, BurstResult> ViewerBursts(Viewer& viewer)
{
    std::map<int, BurstResult> results;
    for (int gap : kBurstGaps) {
        std::vector<std::string> sent = Burst("viewer", gap);
        WaitForQuiet(viewer.lines, 2000, 60000);
        results[gap] = Count(sent, ViewerChanges(viewer.lines, "burst viewer " + std::to_string(gap) + " "));
    }
    return results;
}

// 1000 captures of mixed contents: texts (some of 20,000+ characters), file lists, small pictures.
bool FillMixed(Program& program)
{
    for (int i = 0; i < (g_quick ? 40 : 1000); ++i) {
        Content c;
        if (i % 10 == 3)
            c.files = FileNames(1 + i % 7, i);
        else if (i % 10 == 7)
            c.pictureWidth = 160, c.pictureHeight = 120;
        else if (i % 20 == 5)
            c.text = LongText(20000 + i, i);
        else
            c.text = L"mixed text " + std::to_wstring(i) + L" 澄笺";
        if (!program.Capture(c, nullptr)) {
            std::printf("mixed row %d: the program wrote no capture line\n", i);
            return false;
        }
    }
    return true;
}

void HugeTextAndFileList()
{
    Program program;
    if (!program.Start()) {
        std::printf("huge contents: the program did not start\n");
        return;
    }
    std::wstring text = LongText(g_quick ? 5'000'000 : 50'000'000, 7);  // mostly ASCII
    int gbk = WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    size_t before = ReadLines(program.times).size();
    LONGLONG set = Put(Content{text, {}, 0, 0});
    std::vector<std::string> lines = WaitForLines(program.times, before, 600000);
    Sleep(500);
    std::vector<SeenChange> stored = StoredChanges(program.folder.File("data.db"), "long 7 ");
    bool exact = stored.size() == 1 && stored[0].text == Utf8Of(text);
    if (lines.empty()) {
        std::printf("50 MB text: no capture line\n");
    } else {
        CaptureLine c = ParseCapture(lines[before]);
        double stored = static_cast<double>(c.storedPeak) - static_cast<double>(c.workingSet);
        double extra = static_cast<double>(c.peak) - static_cast<double>(c.workingSet);
        std::printf("\n== huge contents ==\n%zu-character text (GBK %.1f MB): set->committed %.0f ms, set->shown %.0f ms, "
                    "stored exactly: %s\n  peak working set above the capture's start: %.1f MB (%.2fx the GBK size) "
                    "until stored, %.1f MB (%.2fx) with the grid row\n",
                    text.size(), gbk / 1e6, Ms(c.marks[3] - set), Ms(c.marks[5] - set), exact ? "yes" : "NO",
                    stored / 1e6, stored / gbk, extra / 1e6, extra / gbk);
    }
    text.clear();
    text.shrink_to_fit();
    std::vector<std::wstring> names = FileNames(10000, 8);
    before = ReadLines(program.times).size();
    set = Put(Content{L"", names, 0, 0});
    lines = WaitForLines(program.times, before, 600000);
    SqliteDatabase reader;
    std::string files;
    if (reader.Open(program.folder.File("data.db"), SQLITE_OPEN_READONLY)) {
        reader.BusyTimeout(5000);
        SqlStatement read = reader.Prepare("select file from data where file like 'C:\\bench\\8\\%'", nullptr, true);
        if (read.Step())
            files = read.ColumnText(0, true);
        read.Finalize();
        reader.Close();
    }
    std::string expected;
    for (const std::wstring& name : names)
        expected += (expected.empty() ? "" : "|") + Utf8Of(name);
    std::printf("10,000-name file list: set->shown %.0f ms, stored exactly: %s\n",
                lines.empty() ? -1.0 : Ms(ParseCapture(lines[before]).marks[5] - set), files == expected ? "yes" : "NO");
    program.Stop();
}

// The grid control the program installs when missing: replaced by the one this build carries, so
// that a control left by an earlier build is never what is measured.
void InstallThisBuildsGridControl()
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    DeleteFileA((std::string(windows) + "\\vsflex8.ocx").c_str());
    InstallGridControl();
}

int RunBenchmark()
{
    InitializeDatabaseEngine();
    InstallThisBuildsGridControl();
    std::map<std::string, KindResult> empty, full;
    std::map<int, BurstResult> viewerBursts, emptyBursts, fullBursts;

    std::printf("bare viewer...\n");
    std::fflush(stdout);
    {
        Viewer viewer;
        if (!viewer.Start()) {
            std::printf("the bare viewer did not start\n");
            return 1;
        }
        MeasureViewerKinds(viewer, empty);
        viewerBursts = ViewerBursts(viewer);
        viewer.Stop();
    }
    for (const auto& [name, r] : empty)
        full[name].viewer = r.viewer;

    std::printf("program, empty grid...\n");
    std::fflush(stdout);
    {
        Program program;
        if (!program.Start())
            return 1;
        MeasureKinds(program, empty);
        program.Stop();
    }
    {
        Program program;
        if (!program.Start())
            return 1;
        emptyBursts = ProgramBursts(program, "empty");
        program.Stop();
    }
    std::printf("program, 1000 mixed rows...\n");
    std::fflush(stdout);
    std::string fullDatabase;
    ScratchFolder baselineFolder;
    {
        Program program;
        if (!program.Start() || !FillMixed(program))
            return 1;
        MeasureKinds(program, full);
        fullBursts = ProgramBursts(program, "full");
        program.Stop();
        fullDatabase = baselineFolder.File("full.db");
        CopyFileA(program.folder.File("data.db").c_str(), fullDatabase.c_str(), FALSE);
    }
    for (const Kind& kind : kKinds) {
        ScratchFolder a, b;
        empty[kind.name].insert = BaselineInserts(BaselineDatabase(a, ""), kind);
        full[kind.name].insert = BaselineInserts(BaselineDatabase(b, fullDatabase), kind);
    }

    PrintKinds("empty", empty);
    PrintKinds("of 1000 mixed rows", full);
    std::printf("\n== bursts of %d changes (text, file, both in turn): lost/stored twice/mixed per gap ==\n", kBurstCount);
    PrintBursts("bare viewer", viewerBursts);
    PrintBursts("program, empty grid", emptyBursts);
    PrintBursts("program, 1000 rows", fullBursts);
    std::fflush(stdout);
    HugeTextAndFileList();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "viewer")
        return RunViewer(argv[2]);
    if (argc >= 2 && std::string(argv[1]) == "run") {
        g_quick = argc >= 3 && std::string(argv[2]) == "quick";
        return RunBenchmark();
    }
    std::printf("usage: capture_bench run | capture_bench viewer <file>\n");
    return 2;
}
