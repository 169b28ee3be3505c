// The skin engine carried inside the program: mapped at start, attached during the main window's
// set-up, detached at exit.
#pragma once

void LoadSkinEngine();
void DetachSkin();
