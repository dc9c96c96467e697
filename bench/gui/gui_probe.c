/* Starts a window program the way a user's shortcut would and measures it from outside:
     gui_probe EXE CLASS DIRECTORY [start]     (start: only the start, then close it)
   start-ms   from CreateProcess to its window shown with nothing left to paint (and, when it has a
              list view, the list shown and holding its rows)
   paint-ms   median of 21 full repaints forced with RedrawWindow(RDW_UPDATENOW), which returns
              when the program has painted
   wm-paint-ms  median of 21 WM_PAINTs of the main window alone, plus whatever list repaint that
              paint leaves behind (what a WM_ACTIVATE or a timer refresh costs)
   idle-paints  WM_PAINTs the program takes from its queue in 10 idle seconds (a message hook);
                -1 when the hook did not see the paint of an invalidation made to check it
   Then the window is closed and the program waited for. */
#include <windows.h>
/* commctrl.h needs the types windows.h declares. */
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static double msSince(LARGE_INTEGER start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return (double)(now.QuadPart - start.QuadPart) * 1000.0 / (double)freq.QuadPart;
}

static int byValue(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

static BOOL nothingToPaint(HWND hwnd) { return !GetUpdateRect(hwnd, NULL, FALSE); }

int main(int argc, char** argv) {
  if (argc != 4 && !(argc == 5 && strcmp(argv[4], "start") == 0)) {
    fprintf(stderr, "usage: gui_probe EXE CLASS DIRECTORY [start]\n");
    return 2;
  }
  const int startOnly = argc == 5;
  HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(LONG), "TavelinBenchPaints");
  volatile LONG* paints = mapping ? (volatile LONG*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG)) : NULL;
  if (!paints) return 1;

  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, argv[3], &si, &pi)) {
    fprintf(stderr, "cannot start %s (%lu)\n", argv[1], GetLastError());
    return 1;
  }
  HWND window = NULL, list = NULL;
  int rows = -1;
  double started = -1;
  while (msSince(start) < 60000) {
    if (!window) window = FindWindowA(argv[2], NULL);
    if (window && !list) list = FindWindowExA(window, NULL, WC_LISTVIEWA, NULL);
    if (list) rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    if (window && IsWindowVisible(window) && nothingToPaint(window) && (!list || (rows > 0 && IsWindowVisible(list) && nothingToPaint(list)))) {
      started = msSince(start);
      break;
    }
    Sleep(1);
  }
  if (started < 0) {
    fprintf(stderr, "no painted window of class %s within 60 s\n", argv[2]);
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }

  if (startOnly) {
    printf("start-ms=%.1f rows=%d\n", started, rows);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    return 0;
  }

  double samples[21];
  for (int i = 0; i < 21; ++i) {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    samples[i] = msSince(t);
  }
  qsort(samples, 21, sizeof samples[0], byValue);

  if (!list) list = FindWindowExA(window, NULL, WC_LISTVIEWA, NULL);
  double own[21];
  for (int i = 0; i < 21; ++i) {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    if (list) RedrawWindow(list, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    own[i] = msSince(t);
  }
  qsort(own, 21, sizeof own[0], byValue);

  HMODULE hookModule = LoadLibraryA("paint_hook.dll");
  HOOKPROC hookProc = hookModule ? (HOOKPROC)(void*)GetProcAddress(hookModule, "countPaints@12") : NULL;
  if (hookModule && !hookProc) hookProc = (HOOKPROC)(void*)GetProcAddress(hookModule, "countPaints");
  HHOOK hook = hookProc ? SetWindowsHookExA(WH_GETMESSAGE, hookProc, hookModule, pi.dwThreadId) : NULL;
  long idle = -1, seen = 0;
  if (hook) {
    // The hook must see a paint that goes through the queue, or its idle count would mean nothing.
    Sleep(300);
    *paints = 0;
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN);
    Sleep(500);
    seen = *paints;
    *paints = 0;
    Sleep(10000);
    idle = seen > 0 ? *paints : -1;
    UnhookWindowsHookEx(hook);
  }

  printf("start-ms=%.1f paint-ms=%.2f wm-paint-ms=%.2f idle-paints=%ld hook-check=%ld rows=%d\n", started, samples[10],
         own[10], idle, seen, rows);
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  return 0;
}
