#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/ini.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

struct WriteCase {
  const char* what;
  std::string before;  // bytes of the settings file, code page 850
  std::string section, key, value;
  std::string after;
};

TEST(IniWrite, RewritesTheFileLineByLine) {
  const WriteCase cases[] = {
      {"key keeps its spelling, old value and comment go", "[S]\r\n  Path = C:\\dir ; where\r\n", "s", "PATH",
       "D:\\new", "[S]\r\n  Path =D:\\new\r\n"},
      {"new key after the section's last line, blank line kept before the next",
       "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v", "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
      {"new section at the end, before trailing blank and comment lines", "[A]\r\nx=1\r\n\r\n; end\r\n", "B",
       "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n\r\n; end\r\n"},
      {"new key in the last section, before its trailing blank lines", "[A]\r\nx=1\r\n  \r\n", "A", "k", "v",
       "[A]\r\nx=1\r\nk=v\r\n  \r\n"},
      {"blank lines kept in order before a replaced line", "[A]\r\n\r\n;c\r\nk=1\r\n", "A", "k", "2",
       "[A]\r\n\r\n;c\r\nk=2\r\n"},
      {"LF file written with CRLF, last line end added", "top\n[A]\nk=1\nz=0", "A", "k", "2",
       "top\r\n[A]\r\nk=2\r\nz=0\r\n"},
      {"empty file", "", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"names and value written as given", "", " A ", "Clau", " \"x\" ", "[ A ]\r\nClau= \"x\" \r\n"},
      {"every line of the key replaced", "[A]\r\nk=1\r\nx=0\r\nK = 2\r\n", "A", "k", "3",
       "[A]\r\nk=3\r\nx=0\r\nK =3\r\n"},
      {"every section of the name replaced, none appended twice", "[A]\r\nx=1\r\n[B]\r\n[A]\r\nk=2\r\n", "A",
       "k", "3", "[A]\r\nx=1\r\nk=3\r\n[B]\r\n[A]\r\nk=3\r\n"},
      {"a key of another section untouched", "[B]\r\nk=1\r\n", "A", "k", "2", "[B]\r\nk=1\r\n[A]\r\nk=2\r\n"},
      {"empty value deletes every line of the key", "[A]\r\nk=1\r\nx=0\r\nk=2\r\n[B]\r\nk=3\r\n", "A", "k", "",
       "[A]\r\nx=0\r\n[B]\r\nk=3\r\n"},
      {"deleting a missing key adds nothing", "[A]\r\nx=0\r\n", "A", "k", "", "[A]\r\nx=0\r\n"},
      {"empty key deletes header and keys, keeps comments and plain lines",
       "lead\r\n[A]\r\nx=1\r\n; note\r\nplain\r\ny=2\r\n\r\n[B]\r\nz=3\r\n", "a", "", "",
       "lead\r\n; note\r\nplain\r\n\r\n[B]\r\nz=3\r\n"},
      {"ñ matches Ñ, à does not match À", Cp850("[A]\r\nNiño=1\r\nà=1\r\n"), "A", Cp850("NIÑO"), "2",
       Cp850("[A]\r\nNiño=2\r\nà=1\r\n")},
      {"à and À are two keys", Cp850("[A]\r\nà=1\r\n"), "A", Cp850("À"), "2", Cp850("[A]\r\nà=1\r\nÀ=2\r\n")},
  };
  testing::TempDir dir;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("t.ini", c.before);
    WriteIniKey(dir / "t.ini", c.section, c.key, c.value);
    EXPECT_EQ(dir.Read("t.ini"), c.after);
  }
}

// Files far bigger than one read: lines, blank runs and headers fall across read boundaries.
TEST(IniWrite, LargeFilesKeepEveryLine) {
  std::string filler;
  for (int i = 0; filler.size() < 64000; ++i) filler += "Clau" + std::to_string(i) + "=valor\r\n";
  const std::string blanks = [] {
    std::string run;
    for (int i = 0; i < 3000; ++i) run += i % 2 ? "\r\n" : " ;\r\n";
    return run;
  }();
  const std::string long_value(100000, 'x');
  testing::TempDir dir;

  dir.Write("t.ini", "[A]\r\n" + filler + blanks + "[B]\r\nk=" + long_value + "\r\n");
  WriteIniKey(dir / "t.ini", "A", "Nova", "1");
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\n" + filler + "Nova=1\r\n" + blanks + "[B]\r\nk=" + long_value + "\r\n");
  EXPECT_EQ(ReadIniKey(dir / "t.ini", "b", "K"), long_value);

  WriteIniKey(dir / "t.ini", "C", "k", "2");
  EXPECT_EQ(dir.Read("t.ini"),
            "[A]\r\n" + filler + "Nova=1\r\n" + blanks + "[B]\r\nk=" + long_value + "\r\n[C]\r\nk=2\r\n");

  std::string lf_filler = filler;
  std::erase(lf_filler, '\r');
  dir.Write("lf.ini", "[A]\n" + lf_filler + "\n\n[B]\nk=1");
  WriteIniKey(dir / "lf.ini", "B", "k", "2");
  EXPECT_EQ(dir.Read("lf.ini"), "[A]\r\n" + filler + "\r\n\r\n[B]\r\nk=2\r\n");
}

TEST(IniWrite, CreatesTheFileAndReadsBackWhatItStored) {
  testing::TempDir dir;
  WriteIniKey(dir / "new.ini", "Terminal", "Nom", "\"PC 1\"");
  WriteIniKey(dir / "NEW.INI", "terminal", "Num", "7");
  EXPECT_EQ(dir.Read("new.ini"), "[Terminal]\r\nNom=\"PC 1\"\r\nNum=7\r\n");
  EXPECT_EQ(ReadIniKey(dir / "new.ini", "TERMINAL", "nom"), "PC 1");
}

TEST(IniWrite, LineBreaksInNamesOrValuesAreRefused) {
  testing::TempDir dir;
  dir.Write("t.ini", "[A]\r\nk=1\r\n");
  WriteIniKey(dir / "t.ini", "A", "k", "2\r\n[B]\r\nx=3");
  WriteIniKey(dir / "t.ini", "A", "k\nx", "2");
  WriteIniKey(dir / "t.ini", "A\n", "k", "2");
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=1\r\n");
}

// What stays next to the file: the writers' lock file, and no temporary file.
TEST(IniWrite, LeavesOnlyTheLockFileBeside) {
  testing::TempDir dir;
  WriteIniKey(dir / "t.ini", "A", "k", "1");
  WriteIniKey(dir / "t.ini", "A", "k", "");
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++entries;
    EXPECT_TRUE(entry.path().filename() == "t.ini" || entry.path().filename() == ".T.INI.lck") << entry.path();
  }
  EXPECT_EQ(entries, 2);
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\n");
}

}  // namespace
}  // namespace kel
