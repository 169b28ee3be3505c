// Menus of a form: a hidden top-level menu whose items are shown only as a pop-up. Each item with
// a handler gets a command id of its form, so the chosen item runs through the form's WM_COMMAND.
// The pop-up is built afresh each time and destroyed when the menu closes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/form.h"

struct MenuItem {
    std::string caption;  // "-" is a separator
    FormEventHandler handler = nullptr;
};

class Menu {
public:
    Menu(Form& owner, std::string caption, std::vector<MenuItem> items);
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // At the cursor plus 3 pixels, right button tracking, owned by the form's window.
    void PopUp() const noexcept;
    // From the notification area: the form becomes the foreground window, the menu opens
    // right-aligned at the cursor minus 5 pixels, and a WM_NULL is posted after it so that the
    // menu closes when the user clicks elsewhere.
    void PopUpFromTray() const noexcept;

    const std::string& Caption() const { return caption_; }
    const std::vector<MenuItem>& Items() const { return items_; }
    // The command id of item `index`; 0 for a separator or an item without handler.
    UINT CommandId(std::size_t index) const { return index < ids_.size() ? ids_[index] : 0; }

private:
    HMENU BuildPopup() const noexcept;
    void Track(UINT flags, int dx, int dy) const noexcept;

    Form& owner_;
    std::string caption_;
    std::vector<MenuItem> items_;
    std::vector<UINT> ids_;
};
