#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/kelini.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel {
namespace {

struct Outcome {
  int code;
  std::string out, err;
};

Outcome Kelini(const std::vector<std::string>& arguments) {
  Outcome run;
  run.code = RunKelini(arguments, run.out, run.err);
  return run;
}

constexpr std::string_view kUsageStart = "ús: kelini FITXER SECCIÓ CLAU [VALOR]";

TEST(Kelini, WrongArgumentsGiveTheUsageLineAndChangeNothing) {
  testing::TempDir dir;
  const std::string file = dir / "t.ini";
  dir.Write("t.ini", "[A]\r\nk=1\r\n");
  const std::vector<std::vector<std::string>> wrong = {
      {}, {file}, {file, "A"}, {file, "A", "k", "v", "extra"},
      {"", "A", "k"}, {file, " ", "k"}, {file, "A", ""}, {file, "A", "", "v"}, {file, "A", " ", ""},
  };
  for (const auto& arguments : wrong) {
    const Outcome run = Kelini(arguments);
    EXPECT_EQ(run.code, kKeliniUsage) << arguments.size();
    EXPECT_EQ(run.err.substr(0, kUsageStart.size()), kUsageStart);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=1\r\n");
}

TEST(Kelini, RefusesWhatTheFileCouldNotGiveBack) {
  testing::TempDir dir;
  const std::string file = dir / "t.ini";
  dir.Write("t.ini", "[A]\r\nk=1\r\n");
  const std::vector<std::vector<std::string>> refused = {
      {file, "A", "k", "a;b"}, {file, "A", "k", "a\nb"}, {file, "A", "k=x", "v"}, {file, "A", "[k", "v"},
      {file, "A]", "k", "v"},  {file, "A", "k", "中"},     {file, "A", "✓", "v"},
  };
  for (const auto& arguments : refused) {
    const Outcome run = Kelini(arguments);
    EXPECT_EQ(run.code, kKeliniUsage) << arguments[2] << " " << arguments[3];
    EXPECT_NE(run.err, "");
  }
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=1\r\n");
}

TEST(Kelini, SpeaksUtf8ToTheUserAndCodePage850ToTheFile) {
  testing::TempDir dir;
  const std::string file = dir / "t.ini";
  dir.Write("t.ini", Cp850("[Secció]\r\nNom=Àngel\r\n"));
  EXPECT_EQ(Kelini({file, "Secció", "NOM"}).out, "Àngel\n");
  EXPECT_EQ(Kelini({file, "Secció", "Cognom"}).out, "\n");

  EXPECT_EQ(Kelini({file, "Secció", "Niño", "Sí, \"tot\""}).code, kKeliniDone);
  EXPECT_EQ(dir.Read("t.ini"), Cp850("[Secció]\r\nNom=Àngel\r\nNiño=Sí, \"tot\"\r\n"));
  EXPECT_EQ(Kelini({file, "Secció", "NIÑO"}).out, "Sí, \"tot\"\n");
}

TEST(Kelini, DeletesKeysAndSections) {
  testing::TempDir dir;
  const std::string file = dir / "t.ini";
  dir.Write("t.ini", "[A]\r\nk=1\r\nx=2\r\n[B]\r\ny=3\r\n");
  EXPECT_EQ(Kelini({file, "A", "k", ""}).code, kKeliniDone);
  EXPECT_EQ(Kelini({file, "B", "", ""}).code, kKeliniDone);
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nx=2\r\n");
}

TEST(Kelini, TakesNativeAndSystemPaths) {
  testing::TempDir dir;
  // Made through a UTF-8 path: Windows would read a plain string in its ANSI code page.
  const std::filesystem::path folder = std::filesystem::path(dir.path()) / std::filesystem::path(u8"Configuració");
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "Nuro.ini", std::ios::binary) << "[Usuari]\r\nDatOrdre=AMD\r\n";
  EXPECT_EQ(Kelini({dir / "Configuració/Nuro.ini", "Usuari", "DatOrdre"}).out, "AMD\n");
#ifndef _WIN32  // the drive letter and the separators of the system's form, on a POSIX path
  EXPECT_EQ(Kelini({"C:" + dir.path() + "\\CONFIGURACIÓ\\nuro.INI", "Usuari", "DatOrdre"}).out, "AMD\n");
#endif
}

TEST(Kelini, ReportsAWriteThatCouldNotHappen) {
  testing::TempDir dir;
  const Outcome run = Kelini({dir / "missing/t.ini", "A", "k", "v"});
  EXPECT_EQ(run.code, kKeliniNotWritten);
  EXPECT_NE(run.err, "");
  EXPECT_FALSE(dir.Exists("missing"));
}

// The installed program, where the build made it: arguments reach it as the shell passes them.
TEST(Kelini, ProgramExitCodes) {
  KEL_POSIX_ONLY("a POSIX shell passes the arguments");
#ifndef _WIN32
  const std::string program = std::string(KEL_BINARY_DIR) + "/kelini";
  if (!std::filesystem::exists(program)) GTEST_SKIP() << program << " is not built";
  testing::TempDir dir;
  const std::string file = dir / "t.ini";
  const auto status = [&](const std::string& arguments) {
    const int code = std::system((program + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(code) ? WEXITSTATUS(code) : -1;
  };
  EXPECT_EQ(status("'" + file + "' 'Secció' Clau 'ñ ñ'"), 0);
  EXPECT_EQ(dir.Read("t.ini"), Cp850("[Secció]\r\nClau=ñ ñ\r\n"));
  EXPECT_EQ(status("'" + file + "' Secció"), 2);
  FILE* out = popen((program + " '" + file + "' 'Secció' clau").c_str(), "r");
  ASSERT_NE(out, nullptr);
  char buffer[64] = {};
  const std::size_t got = std::fread(buffer, 1, sizeof buffer - 1, out);
  EXPECT_EQ(pclose(out), 0);
  EXPECT_EQ(std::string(buffer, got), "ñ ñ\n");
#endif
}

}  // namespace
}  // namespace kel
