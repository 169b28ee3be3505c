// The message box that tells the user a capture could not be stored. It is shown from the
// message loop once the clipboard notification that failed has returned (and so has been passed
// on along the viewer chain), and only one such box is ever open: failures that happen while one
// is waiting or open are dropped, since the box already says that copies are not being stored.
#pragma once

#include <string>

// Schedules the box with `text` (GBK), style 0 and the default caption, unless one is already
// waiting or open. Never shows anything before it returns.
void NoteCaptureFailure(const std::string& text) noexcept;

// True from NoteCaptureFailure until the user has closed the box.
bool CaptureFailurePending() noexcept;
