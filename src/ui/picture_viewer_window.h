// PictureViewerWindow: the picture viewer, a sizable form that opens maximised and closes with Esc,
// with its units: SaveDialog ("通用对话框1"), ViewerMenu ("右键菜单": "另存为") and
// ViewerPictureBox ("图片框1"). A new one is made for every picture shown.
#pragma once

#include "framework/file_dialog.h"
#include "framework/form.h"
#include "framework/menu.h"
#include "ui/picture_box.h"

// The dialog's fixed options: no read-only box, confirm overwriting, the path must exist. The file
// need not: a save dialog that asks for an existing file refuses every new name.
constexpr DWORD kSaveDialogFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

FormTemplate PictureViewerTemplate();

// One viewer with its units and its event bindings; the handlers reach it as the current viewer.
struct PictureViewerWindow {
    PictureViewerWindow();
    ~PictureViewerWindow();
    PictureViewerWindow(const PictureViewerWindow&) = delete;
    PictureViewerWindow& operator=(const PictureViewerWindow&) = delete;

    Form form;
    FileDialog saveDialog;
    Menu viewerMenu;
    PictureBox pictureBox;
};

// The viewer being shown now; null while none is open.
PictureViewerWindow* CurrentPictureViewer();
