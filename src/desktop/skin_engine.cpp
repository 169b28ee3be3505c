#include "desktop/skin_engine.h"

void LoadSkinEngine() {}

void DetachSkin() {}
