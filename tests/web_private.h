#pragma once
// Whether a file is readable by its owner only, as each system says it (web_private_posix.cpp,
// web_private_win32.cpp).
bool ownerOnlyFile(const char* path);
