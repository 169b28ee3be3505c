// The picture viewer's handlers: it shows g_viewerPicture, keeps its picture box as large as the
// window, offers "另存为" on a right click, saves the picture under a chosen name, and gives the
// history grid its editing back when it closes.
#pragma once

// Created: the picture box gets g_viewerPicture.
void OnViewerCreated();
// Resized: the picture box fills the client area.
void OnViewerResize();
// Right button released over the picture box: the viewer menu pops up.
void OnViewerPictureRightUp(int button, int x, int y);
// About to be destroyed: the grid's current column becomes 0 and editing is on again.
void OnViewerDestroy();
// "另存为": asks for a name ("保存文件", "图片(*.png)|*.png", extension png) and writes the picture's
// bytes unchanged under it. Cancelling writes nothing; a failed write is not reported.
void SavePictureAs();
