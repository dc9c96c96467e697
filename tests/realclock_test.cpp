// Runs against the real platform: the one check that the blocking wait measures real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#ifdef _WIN32
#include <winsock2.h>  // before windows.h, which would bring in the older winsock.h

#include "platform/system_library.h"
#endif
#include <cstring>

#include "platform/system.h"
#include "text/waits.h"

namespace {

// Processor time of this process; msvcrt's clock() is wall time, so Windows asks the kernel.
double cpuMs() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
#else
  return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

TEST(RealClock, JitteredWaitBlocksForTheAmountWithoutSpinning) {
  text::seedSpread(3);
  const auto wallStart = std::chrono::steady_clock::now();
  const uint64_t start = platform::elapsedMs();
  const double cpuStart = cpuMs();
  text::waitJittered(200);
  const uint64_t waited = platform::elapsedMs() - start;
  const double cpuUsed = cpuMs() - cpuStart;
  const auto wallMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - wallStart).count();
  EXPECT_GE(waited, 200u);
  EXPECT_GE(wallMs, 199);
  EXPECT_LT(waited, 200u + 49u + 100u);  // the spread plus generous scheduling slack
  EXPECT_LT(cpuUsed, 60.0);              // a spinning wait would use about 200 ms of processor time
}

// The lock file names its holder: the host name must come without anyone starting sockets first.
TEST(RealPlatform, HostNameNeedsNoSetUpByTheCaller) {
  char name[256] = {};
  ASSERT_EQ(platform::hostName(name, sizeof name), 0);
  EXPECT_GT(std::strlen(name), 0u);
#ifdef _WIN32
  // Windows refuses gethostname until Winsock is started; the platform must have started it.
  EXPECT_EQ(WSACleanup(), 0);
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
#endif
}

#ifdef _WIN32
// DLLs loaded when wanted come from the system folder, never from the program's or the current one,
// where anyone could leave a DLL of that name; a missing DLL or function is a null, not a crash.
TEST(RealPlatform, LibrariesLoadedWhenWantedComeFromTheSystemFolder) {
  using TimerPeriodFn = UINT(WINAPI*)(UINT);
  EXPECT_NE(platform::systemFunction<TimerPeriodFn>("winmm.dll", "timeBeginPeriod"), nullptr);
  char system[MAX_PATH] = {}, loaded[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryA(system, sizeof system);
  ASSERT_GT(n, 0u);
  ASSERT_GT(GetModuleFileNameA(platform::systemLibrary("winmm.dll"), loaded, sizeof loaded), n);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, loaded, static_cast<int>(n), system, static_cast<int>(n)),
            CSTR_EQUAL)
      << loaded;
  EXPECT_EQ(platform::systemFunction<TimerPeriodFn>("winmm.dll", "noSuchFunction"), nullptr);
  EXPECT_EQ(platform::systemLibrary("no-such-library.dll"), nullptr);
}
#endif

// The places of the local records, as this system names them.
TEST(RealPlatform, TheUsersFolderAndTheVirtualStoreAreWhereWindowsPutsThem) {
  char user[512] = {}, store[512] = {}, windows[512] = {};
  const size_t n = platform::userDirectory(user, sizeof user);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof user);
#ifdef _WIN32
  EXPECT_STREQ(user + n - 8, "\\Tavelin");
  const size_t w = platform::windowsDirectory(windows, sizeof windows);
  const size_t v = platform::virtualStoreDirectory(store, sizeof store);
  ASSERT_GT(w, 2u);
  ASSERT_GT(v, w);
  // C:\Windows is mirrored without its drive under the user's VirtualStore.
  EXPECT_STREQ(store + v - (w - 2), windows + 2);
  EXPECT_NE(std::strstr(store, "\\VirtualStore\\"), nullptr);
#else
  EXPECT_NE(std::strstr(user, "tavelin"), nullptr);
  EXPECT_EQ(platform::windowsDirectory(windows, sizeof windows), 0u);
  EXPECT_EQ(platform::virtualStoreDirectory(store, sizeof store), 0u);
#endif
}

}  // namespace
