#pragma once
#include <windows.h>

#include "settings/preferences.h"

namespace ui {

// Dialog 127 over the live preferences: ends with 1 after 設定 and 0 after Cancel.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum class Chosen { file, nothing, tooLong };
enum class FileKind { nameList = 0, board = 1 };
// The open-file dialog for one of the shared files; a confirmed path that fits goes into target.
Chosen chooseFile(char (&target)[settings::PathSize], HWND owner, FileKind which);

// The interval field's number as stored: its low 16 bits as a signed number, negative as 0, above 60 as 60.
int intervalFromField(UINT typed);

}  // namespace ui
