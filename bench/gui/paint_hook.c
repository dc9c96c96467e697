/* Loaded into the measured program by a WH_GETMESSAGE hook: counts the WM_PAINTs its thread takes
   from its queue, in a named shared mapping the probe reads. */
#include <windows.h>

__declspec(dllexport) LRESULT CALLBACK countPaints(int code, WPARAM wp, LPARAM lp) {
  static volatile LONG* counter;
  if (code == HC_ACTION && wp == PM_REMOVE && ((const MSG*)lp)->message == WM_PAINT) {
    if (!counter) {
      HANDLE m = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "TavelinBenchPaints");
      if (m) counter = (volatile LONG*)MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, sizeof(LONG));
    }
    if (counter) InterlockedIncrement(counter);
  }
  return CallNextHookEx(NULL, code, wp, lp);
}
