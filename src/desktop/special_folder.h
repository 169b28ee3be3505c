// GetSpecialFolder: a folder of the system looked up by a small number.
#pragma once

#include <string>

// The folder's path ending in one "\", or "" when the lookup fails or the code is unknown.
// 0 (the default) and 3 the desktop folder, 1 documents, 2 favourites, 4 fonts, 5 the start menu,
// 6 its programs, 7 start-up, 8 application data, 9 the Windows folder, 10 the system folder,
// 11 the temporary folder, 12 the internet cache.
std::string GetSpecialFolder(int code = 0);
