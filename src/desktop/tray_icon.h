// TrayIcon: the notification-area icon of the main window.
#pragma once

class TrayIcon {
public:
    // Finds the notification-area toolbar and registers "TaskbarCreated".
    void Initialize() {}
    // Restores the owner window's procedure and deletes the icon.
    void FreeMembers() {}
};
