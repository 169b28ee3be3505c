#include "ui/picture_viewer_window.h"

#include "ui/picture_viewer.h"

namespace {

PictureViewerWindow* g_currentViewer = nullptr;

} // namespace

FormTemplate PictureViewerTemplate()
{
    FormTemplate layout;
    layout.className = "ChengjianPictureViewer";
    layout.left = 50;
    layout.top = 50;
    layout.width = 659;
    layout.height = 517;
    layout.sizable = true;
    layout.minimizeBox = true;
    layout.maximizeBox = true;
    layout.startMaximized = true;
    layout.escapeCloses = true;
    return layout;
}

PictureViewerWindow::PictureViewerWindow()
    : form(PictureViewerTemplate()),
      saveDialog(kSaveDialogFlags),
      viewerMenu(form, "右键菜单", {{"另存为", SavePictureAs}}),
      pictureBox(form, {0, 0, 648, 480})
{
    form.Bind(kFormCreated, OnViewerCreated);
    form.Bind(kFormDestroying, OnViewerDestroy);
    form.Bind(kFormResized, OnViewerResize);
    pictureBox.BindRightUp(OnViewerPictureRightUp);
    pictureBox.SetAnimation(true);
    g_currentViewer = this;
}

PictureViewerWindow::~PictureViewerWindow()
{
    if (g_currentViewer == this)
        g_currentViewer = nullptr;
}

PictureViewerWindow* CurrentPictureViewer() { return g_currentViewer; }
