#include "framework/menu.h"

#include "framework/framework_system_calls.h"

Menu::Menu(Form& owner, std::string caption, std::vector<MenuItem> items)
    : owner_(owner), caption_(std::move(caption)), items_(std::move(items))
{
    for (const MenuItem& item : items_)
        ids_.push_back(item.caption != "-" && item.handler ? owner_.AddCommand(item.handler) : 0);
}

HMENU Menu::BuildPopup() const noexcept
{
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return nullptr;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].caption == "-")
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(popup, MF_STRING, ids_[i], items_[i].caption.c_str());
    }
    return popup;
}

void Menu::Track(UINT flags, int dx, int dy) const noexcept
{
    HMENU popup = BuildPopup();
    if (!popup)
        return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    g_frameworkSystemCalls.TrackPopupMenu(popup, flags, cursor.x + dx, cursor.y + dy, 0, owner_.GetHandle(), nullptr);
    DestroyMenu(popup);
}

void Menu::PopUp() const noexcept { Track(TPM_RIGHTBUTTON, 3, 3); }

void Menu::PopUpFromTray() const noexcept
{
    HWND window = owner_.GetHandle();
    SetForegroundWindow(window);
    Track(TPM_RIGHTALIGN, -5, -5);
    PostMessageA(window, WM_NULL, 0, 0);
}
