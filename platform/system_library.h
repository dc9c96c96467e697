#pragma once
// Windows only: functions of a system DLL found when first wanted rather than at start-up. Every DLL
// linked is loaded and started before WinMain, with what it links in turn; winmm brings ole32, and
// comdlg32 brings shell32 and the printer spooler. Under Wine that costs the start tens of ms.
#include <windows.h>

namespace platform {

// The DLL from the system folder (never from the program's or the current folder), loaded on first
// use and kept to the process's end; null when it cannot be loaded.
HMODULE systemLibrary(const char* name);

// One of its functions, or null when the DLL or the function is missing (an older Windows).
template <typename Function>
Function systemFunction(const char* library, const char* name) {
  HMODULE module = systemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace platform
