// What the history grid does with the user's mouse and keys: a double-click shows a picture row
// in the picture viewer (or hands its recorded ".gif" file to the shell), Ctrl+C puts a picture
// row back on the clipboard, a right click moves the cursor and pops the grid menu up, and the
// menus' "复制" copies the selection as text. The grid handlers run inside the control's event
// call with the user value 0, which they ignore.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/byte_set.h"

void __stdcall OnGridDoubleClick(std::uint32_t user) noexcept;
// KeyCode is the control's own variable. A picture row that was put on the clipboard consumes the
// key (KeyCode 0), so that the control's own text copy does not replace it.
void __stdcall OnGridKeyDown(std::uint32_t user, std::int16_t* keyCode, std::int16_t shift) noexcept;
void __stdcall OnGridMouseDown(std::uint32_t user, std::int16_t button, std::int16_t shift, float x, float y) noexcept;
void __stdcall OnGridMouseUp(std::uint32_t user, std::int16_t button, std::int16_t shift, float x, float y) noexcept;
// "复制" of GridMenu and of CellMenu: the control's copy of the selection.
void OnGridMenuCopy();
void OnCellMenuCopy();

// The kind (column 2) of the row under the mouse.
std::string GetMouseRowKind();
// The file list that table "data" holds for the current row's time key, as stored (UTF-8); "" when
// there is none.
// The key is matched as a literal, whatever the user typed into the time cell. A statement that
// cannot be prepared shows the engine's text and gives "". Read through a connection of its own
// (HistoryReader), so that it never waits behind the history writer.
std::string LookUpEntryFile();
// The extension of the last path component with its dot, as PathFindExtensionW finds it; "" when
// there is none. Paths are UTF-16: a recorded name may hold characters that GBK cannot.
std::wstring GetFileExtension(const std::wstring& path);
// ShellExecuteW "open" without owner; show mode 1 hides, 2 shows minimised without activating,
// anything else shows normally. False only when the file was not found.
bool ShellOpenFile(const std::wstring& file, const std::wstring& parameters, int showMode = 0);
// Shows `picture` in a new picture viewer owned by the main window and returns when it is closed.
void ShowPictureViewer(const ByteSet& picture);
