#include "paths/path_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace quennet::brackwin {
namespace {

struct Parts {
  std::string drive, dir, fname, ext;
  bool operator==(const Parts& o) const {
    return drive == o.drive && dir == o.dir && fname == o.fname && ext == o.ext;
  }
};

std::ostream& operator<<(std::ostream& os, const Parts& p) {
  return os << '[' << p.drive << "|" << p.dir << "|" << p.fname << "|" << p.ext
            << ']';
}

LeadByteTable CodePage932() {
  LeadByteTable table;
  table.AddRange(0x81, 0x9F);
  table.AddRange(0xE0, 0xFC);
  return table;
}

Parts Split(const std::string& path, const LeadByteTable& lead = {}) {
  Parts parts;
  SplitPath(path, lead, &parts.drive, &parts.dir, &parts.fname, &parts.ext);
  return parts;
}

std::string Join(const Parts& parts, const LeadByteTable& lead = {}) {
  std::string path = "unchanged";
  MakePath(&path, parts.drive, parts.dir, parts.fname, parts.ext, lead);
  return path;
}

std::string Program(const std::string& source, const LeadByteTable& lead = {}) {
  LaunchPaths paths;
  DeriveLaunchPaths(source, lead, {}, &paths);
  return paths.program;
}

struct SplitCase {
  std::string path;
  Parts parts;
  std::string program;
  std::string directory;
};

TEST(PathPartsTest, SplitsAndDerivesLaunchPaths) {
  const SplitCase cases[] = {
      {"C:\\src\\demo.asm",
       {"C:", "\\src\\", "demo", ".asm"},
       "C:\\src\\demo.prg",
       "C:\\src\\"},
      {"src/demo.asm", {"", "src/", "demo", ".asm"}, "src/demo.prg", "src/"},
      {"C:\\a.b\\c", {"C:", "\\a.b\\", "c", ""}, "C:\\a.b\\c.prg", "C:\\a.b\\"},
      {"archive.tar.gz", {"", "", "archive.tar", ".gz"}, "archive.tar.prg", ""},
      {"C:\\src\\", {"C:", "\\src\\", "", ""}, "C:\\src\\.prg", "C:\\src\\"},
      {"demo.", {"", "", "demo", "."}, "demo.prg", ""},
      {"..", {"", "", ".", "."}, "..prg", ""},
      {".hidden", {"", "", "", ".hidden"}, ".prg", ""},
      {"C:", {"C:", "", "", ""}, "C:.prg", "C:"},
      {"C:demo.asm", {"C:", "", "demo", ".asm"}, "C:demo.prg", "C:"},
      {"1:demo.asm", {"1:", "", "demo", ".asm"}, "1:demo.prg", "1:"},
      {"C:\\src.old\\demo",
       {"C:", "\\src.old\\", "demo", ""},
       "C:\\src.old\\demo.prg",
       "C:\\src.old\\"},
      {"demo", {"", "", "demo", ""}, "demo.prg", ""},
      {"/home/a b/x.y/demo.asm",
       {"", "/home/a b/x.y/", "demo", ".asm"},
       "/home/a b/x.y/demo.prg",
       "/home/a b/x.y/"},
      {"", {"", "", "", ""}, ".prg", ""},
      {"C", {"", "", "C", ""}, "C.prg", ""},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Split(c.path), c.parts);
    LaunchPaths paths;
    EXPECT_TRUE(DeriveLaunchPaths(c.path, {}, {}, &paths));
    EXPECT_EQ(paths.program, c.program);
    EXPECT_EQ(paths.working_directory, c.directory);
    EXPECT_EQ(GetDirectory(c.path, {}), c.directory);
  }
}

TEST(PathPartsTest, MakePathAddsSeparatorAndDotOnlyWhenMissing) {
  EXPECT_EQ(Join({"C:", "src", "demo", ".prg"}), "C:src\\demo.prg");
  EXPECT_EQ(Join({"C:", "src\\", "demo", "prg"}), "C:src\\demo.prg");
  EXPECT_EQ(Join({"", "src/", "demo", ".prg"}), "src/demo.prg");
  // Only the first byte of the drive is used.
  EXPECT_EQ(Join({"Drive", "", "d", ""}), "D:d");
  EXPECT_EQ(Join({"", "", "", ""}), "");
  EXPECT_EQ(Join({"", "", "", "."}), ".");
}

TEST(PathPartsTest, PartsOfMoreThan255BytesGiveFourEmptyParts) {
  const std::string n255(255, 'n'), n256(256, 'n');
  EXPECT_EQ(Split("C:\\" + n255 + ".asm"), (Parts{"C:", "\\", n255, ".asm"}));
  // The directory counts its separators; the drive is not part of it.
  const std::string dir255 = "\\" + std::string(253, 'd') + "\\";
  EXPECT_EQ(Split("C:" + dir255 + "x").dir, dir255);
  const std::string ext255 = "." + std::string(254, 'e');
  EXPECT_EQ(Split("x" + ext255).ext, ext255);

  const Parts empty;
  LaunchPaths paths;
  for (const std::string& path :
       {"C:\\" + n256 + ".asm", "C:" + dir255 + "d\\x.asm", "x." + n255,
        "C:\\src\\" + n256}) {
    SCOPED_TRACE(path.size());
    EXPECT_EQ(Split(path), empty);
    EXPECT_FALSE(DeriveLaunchPaths(path, {}, {}, &paths));
    EXPECT_EQ(paths.program, ".prg");
    EXPECT_EQ(paths.working_directory, "");
  }
}

TEST(PathPartsTest, LimitsSayWhichPartIsTooLong) {
  PathLimits posix;  // PATH_MAX, and NAME_MAX for the name with ".prg".
  posix.folder = 4095;
  posix.name = 255;
  posix.program_suffix = 4;
  const std::string deep =
      "/" + std::string(130, 'a') + "/" + std::string(140, 'b') + "/";
  const struct {
    std::string source;
    PathLimits limits;
    std::string why;
  } cases[] = {
      {deep + "demo.asm", posix, ""},
      {deep + "demo.asm", PathLimits(),
       "the folder part is 273 bytes, at most 255"},
      {"C:\\" + std::string(256, 'n') + ".asm", PathLimits(),
       "the file name is 256 bytes, at most 255"},
      {"/" + std::string(252, 'n') + ".asm", posix,
       "the program's file name is 256 bytes, at most 255"},
      {"x." + std::string(255, 'e'), PathLimits(),
       "the extension is 256 bytes, at most 255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(CheckPathParts(c.source, {}, c.limits), c.why);
    LaunchPaths paths;
    EXPECT_EQ(DeriveLaunchPaths(c.source, {}, c.limits, &paths), c.why.empty());
  }
}

TEST(PathPartsTest, DoubleByteTrailBytesAreNotSeparators) {
  const LeadByteTable cp932 = CodePage932();
  // 0x95 0x5C is one character whose trail byte equals '\'.
  const std::string dir = "C:\\\x95\x5C\\demo.asm";
  EXPECT_EQ(Split(dir, cp932), (Parts{"C:", "\\\x95\x5C\\", "demo", ".asm"}));
  EXPECT_EQ(Program(dir, cp932), "C:\\\x95\x5C\\demo.prg");
  // A name whose last character ends in 0x5C is not cut.
  const std::string name = "C:\\src\\\x95\x5C.asm";
  EXPECT_EQ(Split(name, cp932), (Parts{"C:", "\\src\\", "\x95\x5C", ".asm"}));
  // A trail byte that equals '.' starts no extension.
  EXPECT_EQ(Split("\x81.x", cp932), (Parts{"", "", "\x81.x", ""}));

  // Without the table the same bytes split at the 0x5C.
  EXPECT_EQ(Split(name), (Parts{"C:", "\\src\\\x95\\", "", ".asm"}));
  EXPECT_EQ(Split("\x81.x"), (Parts{"", "", "\x81", ".x"}));
}

TEST(PathPartsTest, DoubleByteLastCharacterOfDirectory) {
  const LeadByteTable cp932 = CodePage932();
  // The directory ends in a character whose trail byte is 0x5C: that is no
  // separator, so one is added.
  EXPECT_EQ(Join({"", "\x95\x5C", "d", ".prg"}, cp932), "\x95\x5C\\d.prg");
  EXPECT_EQ(Join({"", "\x95\x5C", "d", ".prg"}),
            "\x95\x5C"
            "d.prg");
  EXPECT_EQ(Join({"", "a\\\x95\x5C\\", "d", ""}, cp932), "a\\\x95\x5C\\d");
  // A lone lead byte at the end is a character of its own.
  EXPECT_EQ(Join({"", "a\x95", "d", ""}, cp932), "a\x95\\d");
}

TEST(PathPartsTest, LoneLeadByteAtTheEnd) {
  const LeadByteTable cp932 = CodePage932();
  EXPECT_EQ(Split("C:\\src\\demo\x95", cp932),
            (Parts{"C:", "\\src\\", "demo\x95", ""}));
  EXPECT_EQ(Split("\x95", cp932), (Parts{"", "", "\x95", ""}));
  // A lead byte right before a separator swallows it.
  EXPECT_EQ(Split("a.b\x95\\c", cp932), (Parts{"", "", "a", ".b\x95\\c"}));
}

TEST(PathPartsTest, JoiningTheSplitPartsGivesThePathBack) {
  const LeadByteTable cp932 = CodePage932();
  const char* paths[] = {
      "C:\\src\\demo.asm",
      "src/demo.asm",
      "a/b\\c.d.e",
      "C:",
      "demo.",
      "..",
      "C:\\src\\",
      "\\\\srv\\x\\y.z",
      "x:/a/./b/../c",
      "\x95\x5C\\d.a",
      "d\x95",
      ".",
  };
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    for (const LeadByteTable& lead : {LeadByteTable(), cp932}) {
      EXPECT_EQ(Join(Split(path, lead), lead), path);
    }
  }
}

}  // namespace
}  // namespace quennet::brackwin
