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
  const auto extended = [](const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
  };
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
  std::vector<std::string> folders = {std::string(temp) + "brackwin-long"};
  while (folders.back().size() < 300) {
    folders.push_back(folders.back() + "\\0123456789");
  }
  for (const std::string& folder : folders) {
    CreateDirectoryW(extended(folder).c_str(), nullptr);
  }
  // No application opens this type.
  const std::string file = folders.back() + "\\demo.brackwin-test";
  CloseHandle(CreateFileW(extended(file).c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  Platform& platform = GetPlatform(0, nullptr);
  EXPECT_TRUE(platform.FileExists(file));
  std::string absolute;
  EXPECT_EQ(platform.GetAbsolutePath(file, &absolute), AbsolutePath::kMade);
  EXPECT_EQ(absolute, file);
  EXPECT_EQ(platform.OpenWithShell(file, "").status, OpenStatus::kPathTooLong);

  DeleteFileW(extended(file).c_str());
  for (; !folders.empty(); folders.pop_back()) {
    RemoveDirectoryW(extended(folders.back()).c_str());
  }
}

}  // namespace
}  // namespace quennet::brackwin
