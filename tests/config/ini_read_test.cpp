#include <gtest/gtest.h>

#include <string>

#include "config/ini.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

struct ReadCase {
  const char* what;
  std::string file;  // bytes of the settings file, code page 850
  std::string section, key;
  std::string expected;
};

TEST(IniRead, FindsValuesTheWayTheFileFormatSays) {
  const ReadCase cases[] = {
      {"names ignore a-z case and spaces", "[Uno]\r\n  Clau   =1\r\n", " uNO ", " CLAU ", "1"},
      {"value keeps its spaces, comment cut", "[S]\r\nPath = C:\\dir ; where\r\n", "S", "Path", " C:\\dir "},
      {"quotes dropped", "[S]\r\nK=\"a b\"\r\n", "S", "K", "a b"},
      {"two quotes give empty", "[S]\r\nK=\"\"\r\n", "S", "K", ""},
      {"one quote stays", "[S]\r\nK=\"\r\n", "S", "K", "\""},
      {"quotes before a comment stay", "[S]\r\nK=\"a\" ; c\r\n", "S", "K", "\"a\" "},
      {"only the first section of a name", "[A]\r\nx=1\r\n[A]\r\nk=2\r\n", "A", "k", ""},
      {"a header ends the section", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", ""},
      {"first line of a key wins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
      {"lines before the first header", "k=0\r\n[A]\r\nk=1\r\n", "A", "k", "1"},
      {"nothing before the first header is a section", "k=0\r\n", "", "k", ""},
      {"commented key and plain lines skipped", "[A]\r\n;k=0\r\nplain\r\nk=1\r\n", "A", "k", "1"},
      {"header without ] and with a comment", "  [ A ;x]\r\nk=1\r\n", "A", "k", "1"},
      {"LF line ends", "[A]\nx=1\nk=2\n", "A", "k", "2"},
      {"no line end after the last line", "[A]\r\nk=2", "A", "k", "2"},
      {"value up to the comment, = kept", "[A]\r\nk=a=b;c\r\n", "A", "k", "a=b"},
      {"ñ matches Ñ", Cp850("[Año]\r\nNiño=1\r\n"), Cp850("AÑO"), Cp850("NIÑO"), "1"},
      {"ä ö ü é å ç fold", Cp850("[äöüéåç]\r\nk=1\r\n"), Cp850("ÄÖÜÉÅÇ"), "K", "1"},
      {"à does not match À", Cp850("[A]\r\nà=1\r\n"), "A", Cp850("À"), ""},
  };
  testing::TempDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("t.ini", c.file);
    EXPECT_EQ(ReadIniKey(dir / "t.ini", c.section, c.key), c.expected);
  }
}

TEST(IniRead, MissingFileOrDirectoryReadsEmpty) {
  testing::TempDir dir;
  EXPECT_EQ(ReadIniKey(dir / "none.ini", "A", "k"), "");
  EXPECT_EQ(ReadIniKey(dir.path(), "A", "k"), "");
}

}  // namespace
}  // namespace kel
