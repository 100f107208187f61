// Checks of the Windows platform against the system it runs on (under Wine
// in the test suite).

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/platform.h"

namespace quennet::brackwin {
namespace {

TEST(PlatformWin32Test, LeadBytesFollowTheAnsiCodePage) {
  unsigned int code_page = 0;
  const LeadByteTable table = ReadAnsiLeadBytes(&code_page);
  EXPECT_EQ(code_page, GetACP());
  int lead_count = 0;
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const unsigned char b = static_cast<unsigned char>(byte);
    EXPECT_EQ(table.IsLead(b), IsDBCSLeadByteEx(code_page, b) != FALSE);
    lead_count += table.IsLead(b);
  }
  std::printf("ANSI code page %u, %d lead bytes\n", code_page, lead_count);
}

// Run with BRACKWIN_EXPECT_ACP=932 under a Japanese locale.
TEST(PlatformWin32Test, JapaneseLocaleGivesCodePage932Ranges) {
  const char* expected = std::getenv("BRACKWIN_EXPECT_ACP");
  if (expected == nullptr) GTEST_SKIP() << "BRACKWIN_EXPECT_ACP not set";
  unsigned int code_page = 0;
  const LeadByteTable table = ReadAnsiLeadBytes(&code_page);
  ASSERT_EQ(code_page, static_cast<unsigned int>(std::atoi(expected)));
  LeadByteTable cp932;
  cp932.AddRange(0x81, 0x9F);
  cp932.AddRange(0xE0, 0xFC);
  EXPECT_TRUE(table == cp932);
}

TEST(PlatformWin32Test, FilesBeyondMaxPathAreFoundAndNamedTooLong) {
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
  std::string path = std::string(temp) + "brackwin-long";
  std::vector<std::string> folders;
  for (;; path += "\\0123456789") {
    folders.push_back(path);
    const std::wstring wide =
        L"\\\\?\\" + std::wstring(path.begin(), path.end());
    CreateDirectoryW(wide.c_str(), nullptr);
    if (path.size() > 300) break;
  }
  // No application opens this type.
  const std::string file = path + "\\demo.brackwin-test";
  const std::wstring wide = L"\\\\?\\" + std::wstring(file.begin(), file.end());
  CloseHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  Platform& platform = GetPlatform(0, nullptr);
  EXPECT_TRUE(platform.FileExists(file));
  std::string absolute;
  EXPECT_TRUE(platform.GetAbsolutePath(file, &absolute));
  EXPECT_EQ(absolute, file);
  EXPECT_EQ(platform.OpenWithShell(file, "").status, OpenStatus::kPathTooLong);

  DeleteFileW(wide.c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    const std::wstring name =
        L"\\\\?\\" + std::wstring(folder->begin(), folder->end());
    RemoveDirectoryW(name.c_str());
  }
}

}  // namespace
}  // namespace quennet::brackwin
