#include "ui/history_grid.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/capture_timing.h"
#include "core/clipboard_capture.h"
#include "core/globals.h"
#include "framework/text_codec.h"

std::wstring FileBlock(const std::string& files)
{
    // Split as UTF-16: "|" is one unit that no other character's units contain.
    const std::wstring names = WideFromUtf8(files);
    std::wstring lines;
    std::size_t count = 0;
    for (std::size_t at = 0; at < names.size();) {
        std::size_t bar = std::min(names.find(L'|', at), names.size());
        lines += L"\r\n    ";
        lines.append(names, at, bar - at);
        ++count;
        at = bar + 1;
    }
    return L"文件数：" + std::to_wstring(count) + lines;
}

void AddGridRow(const std::string& timeKey, const std::string& text, const ByteSet& picture, const std::string& files)
{
    if (!g_grid)
        return;
    GridControl& grid = *g_grid;
    grid.AddItem(timeKey, 0);
    grid.SetRowHeight(0, kGridRowHeight);
    if (!picture.Empty()) {
        grid.Select(0, 1, 0, 1);
        grid.SetCellPicture(picture);
        grid.SetTextMatrix(0, 2, kKindPicture);
    } else {
        // Made straight from the UTF-8 text: the one UTF-16 copy the control needs.
        if (!text.empty()) {
            grid.SetTextMatrix(0, 1, BstrFromUtf8(text).get());
            grid.SetTextMatrix(0, 2, kKindText);
        }
        if (!files.empty()) {
            grid.SetTextMatrix(0, 1, BstrFromWide(FileBlock(files)).get());
            grid.SetTextMatrix(0, 2, kKindFiles);
        }
    }
    // The oldest entry's row goes with its picture, so the grid's memory stays bounded.
    for (std::int32_t rows = grid.GetRows(); rows > kGridMaxRows; --rows)
        grid.RemoveItem(rows - 1);
    MarkCapturePhase(CapturePhase::Row);
    // Only the grid's own pending paint runs here: pumping every pending message would run the
    // next clipboard notification inside this one and repaint the whole window for every copy.
    // While another program's message already waits, or later copies are still on their way to
    // the grid (a burst of copies), the paint is left to the message loop, which paints once the
    // burst is through: painting each row would delay the next notice until the clipboard has
    // changed again and that copy is lost.
    if ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) || CapturesOnTheirWay())
        return;
    UpdateWindow(reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid.GethWnd())));
    MarkCapturePhase(CapturePhase::Paint);
}
