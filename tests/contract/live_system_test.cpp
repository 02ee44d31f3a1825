// The running system's driver-file test leaves the thread as it found it: the query's error for
// the caller and, in a 32-bit program on 64-bit Windows, the redirection of system32 back on. Its
// registry notes a refusal of access for the explanation that both programs show.
#include "windows/live_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "memory_system.h"
#include "windows/refusal_noting_registry.h"

namespace harnlode::testing {
namespace {

TEST(LiveSystem, TheDriverFileTestLeavesTheThreadAsItFoundIt) {
  LiveSystem system;
  EXPECT_FALSE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLMISSING.SYS"));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  BOOL redirected = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &redirected);
  if (!redirected) GTEST_SKIP() << "system32 is not redirected here";
  // A file only in the 32-bit system folder is seen through system32 again.
  const std::filesystem::path only_32_bit = "c:\\windows\\syswow64\\HLREDIRECTED.TXT";
  std::ofstream(only_32_bit) << "32-bit";
  EXPECT_NE(::GetFileAttributesA("c:\\windows\\system32\\HLREDIRECTED.TXT"),
            INVALID_FILE_ATTRIBUTES);
  std::filesystem::remove(only_32_bit);
}

TEST(RefusalNotingRegistry, NotesARefusalUntilTheNextRunBegins) {
  MemoryRegistry memory;
  memory.SetReadOnly("SYSTEM\\ControlSet001", true);
  RefusalNotingRegistry registry(memory);
  RegKey key = kNoKey;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SYSTEM\\ControlSet001", kKeyRead, &key),
            kErrorSuccess);
  registry.CloseKey(key);
  EXPECT_FALSE(registry.Refused());
  EXPECT_EQ(registry.CreateKey(kHkeyLocalMachine, "SYSTEM\\ControlSet001", kKeyAllAccess, &key),
            kErrorAccessDenied);
  EXPECT_TRUE(registry.Refused());
  registry.BeginRun(false);
  EXPECT_FALSE(registry.Refused());
  EXPECT_EQ(LiveSystem().WriteRefusalExplanation(), "") << "nothing refused, nothing explained";
}

}  // namespace
}  // namespace harnlode::testing
