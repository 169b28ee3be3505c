// The message boxes that tell the user a capture could not be stored. They are shown from the
// message loop once the clipboard notification that failed has returned (and so has been passed
// on along the viewer chain), one at a time: a failure noted while a box is waiting or open waits
// its turn behind it, unless its text is already waiting or open, since that box says it already.
#pragma once

#include <string>

// Schedules a box with `text` (GBK), style 0 and the default caption, after every box noted
// before it, unless a box with the same text is waiting or open. Never shows anything before it
// returns; window thread only.
void NoteCaptureFailure(const std::string& text) noexcept;

// True from NoteCaptureFailure until the user has closed the last box waiting.
bool CaptureFailurePending() noexcept;

// Shows every box still waiting, one after another, before it returns: the program is about to
// end and the message loop will not show them. A box already open is not shown again.
void ShowWaitingCaptureFailures() noexcept;
