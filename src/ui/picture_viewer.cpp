#include "ui/picture_viewer.h"

#include "core/globals.h"
#include "framework/application.h"
#include "framework/file_io.h"
#include "ui/picture_viewer_window.h"

void OnViewerCreated()
{
    if (PictureViewerWindow* viewer = CurrentPictureViewer())
        viewer->pictureBox.SetPicture(g_viewerPicture);
}

void OnViewerResize()
{
    PictureViewerWindow* viewer = CurrentPictureViewer();
    if (!viewer)
        return;
    viewer->pictureBox.Move(0, 0, viewer->form.GetClientWidth(), viewer->form.GetClientHeight());
}

void OnViewerPictureRightUp(int, int, int)
{
    if (PictureViewerWindow* viewer = CurrentPictureViewer())
        viewer->viewerMenu.PopUp();
}

void OnViewerDestroy()
{
    if (!g_grid)
        return;
    g_grid->SetCol(0);
    g_grid->SetEditable(2);
}

void SavePictureAs()
{
    PictureViewerWindow* viewer = CurrentPictureViewer();
    if (!viewer)
        return;
    FileDialog& dialog = viewer->saveDialog;
    dialog.type = FileDialogType::Save;
    dialog.title = "保存文件";
    dialog.initialFolder = RunDirectory();
    dialog.filter = "图片(*.png)|*.png";
    dialog.defaultExtension = "png";
    dialog.Open(viewer->form.GetHandle());
    if (dialog.FileName().empty())
        return;
    WriteFileBytes(dialog.FileName(), viewer->pictureBox.GetPicture());
}
