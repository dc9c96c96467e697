// clang-format off
#include <windows.h>
// clang-format on

#include "tests/web_private.h"

// Here the file is its owner's through the ACL its folder passes on, which Wine does not keep: only
// that the file is there is checked.
bool ownerOnlyFile(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
