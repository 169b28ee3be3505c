#include "ui/history_grid_handlers.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "core/clipboard_capture.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "framework/exception_boundary.h"
#include "framework/file_io.h"
#include "framework/message_box.h"
#include "framework/text_codec.h"
#include "ui/clipboard_writeback.h"
#include "ui/history_grid.h"
#include "ui/main_window.h"
#include "ui/picture_viewer_window.h"
#include "ui/ui_system_calls.h"

namespace {

constexpr std::int16_t kKeyC = 67;
constexpr std::int16_t kShiftCtrl = 2;
constexpr std::int16_t kRightButton = 2;
constexpr std::int32_t kEditableNone = 0;
constexpr std::int32_t kEditableKbdMouse = 2;

std::wstring AsciiLower(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// Cell editing back on with the time column current, as closing the viewer leaves the grid.
void GiveGridEditingBack()
{
    g_grid->SetCol(0);
    g_grid->SetEditable(kEditableKbdMouse);
}

} // namespace

std::string GetMouseRowKind() { return g_grid->GetTextMatrix(g_grid->GetMouseRow(), 2); }

std::string LookUpEntryFile()
{
    std::string sql = "select file from data where time = '【time】'";
    const std::string placeholder = "【time】";
    // The time cell can be edited: its apostrophes are doubled so that it stays one literal.
    const std::string timeKey = StatementCopy(g_grid->GetTextMatrix(g_grid->GetRow(), 0));
    for (std::size_t at = sql.find(placeholder); at != std::string::npos;
         at = sql.find(placeholder, at + timeKey.size()))
        sql.replace(at, placeholder.size(), timeKey);
    // Read through a connection of its own: g_database can be held by the history writer for as
    // long as its busy time-out, and the window must not wait for that.
    HistoryReader reader;
    SqliteDatabase& database = reader.Database();
    SqlStatement statement = database.GetHandle() ? database.Prepare(sql) : SqlStatement();
    if (!statement.GetHandle()) {
        ShowMessageBox(database.ErrMsg(), 0);
        return "";
    }
    // Finalized however the read ends: the reader's connection must close, or its read lock would
    // lock the history writer out for the rest of the run.
    UniqueStatement finalized(statement.GetHandle());
    statement.Step();
    // As stored: a name only UTF-16 can hold goes back to the clipboard whole.
    return statement.ColumnText(0, true);
}

std::wstring GetFileExtension(const std::wstring& path) { return PathFindExtensionW(path.c_str()); }

bool ShellOpenFile(const std::wstring& file, const std::wstring& parameters, int showMode)
{
    int show = showMode == 1 ? SW_HIDE : showMode == 2 ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
    const wchar_t* arguments = parameters.empty() ? nullptr : parameters.c_str();
    HINSTANCE result = g_uiSystemCalls.ShellExecuteW(nullptr, L"open", file.c_str(), arguments, L"", show);
    return reinterpret_cast<std::intptr_t>(result) != ERROR_FILE_NOT_FOUND;
}

void ShowPictureViewer(const ByteSet& picture)
{
    g_viewerPicture = picture;
    PictureViewerWindow viewer;
    // A viewer whose window was never made sends no destroy notice: the grid gets its editing back here.
    if (!viewer.form.Load(MainWindow().GetHandle(), true))
        GiveGridEditingBack();
}

static void OpenPictureRow()
{
    if (GetMouseRowKind() != kKindPicture)
        return;
    g_grid->SetEditable(kEditableNone);
    // By the name as recorded, in UTF-16: a name the user copied may hold characters that GBK lacks,
    // and its GBK form would name no file.
    const std::wstring file = WideFromUtf8(LookUpEntryFile());
    if (file.empty()) {
        ShowPictureViewer(g_grid->GetCellPicture());
        return;
    }
    if (AsciiLower(GetFileExtension(file)) == L".gif") {
        ShellOpenFile(file, L"");
        GiveGridEditingBack();
        return;
    }
    ShowPictureViewer(ReadFileBytes(file));
}

void __stdcall OnGridDoubleClick(std::uint32_t) noexcept
{
    NoThrow([] { OpenPictureRow(); });
}

static void CopyPictureRow(std::int16_t* keyCode, std::int16_t shift)
{
    if (*keyCode != kKeyC || shift != kShiftCtrl || g_grid->GetCol() != 1)
        return;
    if (g_grid->GetTextMatrix(g_grid->GetRow(), 2) != kKindPicture)
        return;
    const std::string file = LookUpEntryFile();
    const bool copied = !file.empty() ? PutFileListOnClipboard({file}) : PutPictureOnClipboard(g_grid->GetCellPicture());
    // The control copies its selection as text after KeyDown; a picture row's text would replace the
    // picture or file list just put on the clipboard, so the key is taken away from the control, but only
    // when this copy worked: otherwise the user's Ctrl+C still copies what the control shows.
    if (copied)
        *keyCode = 0;
}

void __stdcall OnGridKeyDown(std::uint32_t, std::int16_t* keyCode, std::int16_t shift) noexcept
{
    NoThrow([&] { CopyPictureRow(keyCode, shift); });
}

void __stdcall OnGridMouseDown(std::uint32_t, std::int16_t button, std::int16_t, float, float) noexcept
{
    if (button != kRightButton)
        return;
    g_grid->SetRow(g_grid->GetMouseRow());
    g_grid->SetCol(g_grid->GetMouseCol());
}

void __stdcall OnGridMouseUp(std::uint32_t, std::int16_t button, std::int16_t, float, float) noexcept
{
    // The menu is made at its first showing; without memory for it there is no menu this time.
    if (button == kRightButton)
        NoThrow([] { GridMenu().PopUp(); });
}

void OnGridMenuCopy() { g_grid->Copy(); }

void OnCellMenuCopy() { g_grid->Copy(); }
