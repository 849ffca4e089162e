#include "terminal/identification.h"

#include <gtest/gtest.h>

#include "platform/console.h"
#include "platform/virtual_console.h"
#include "terminal/colour_schemes.h"
#include "terminal_fixture.h"

namespace kel {
namespace {

using testing::kAddress;
using testing::kAddressBytes;

class IdentificationTest : public testing::TerminalFixture {
 protected:
  // A registry of terminals, each "name=address" with directory TERM\n\ for its number n.
  void Register(std::initializer_list<std::pair<const char*, const char*>> terminals) {
    std::string text = "[Terminals]\r\n";
    int number = 0;
    for (const auto& terminal : terminals) text += "Term" + std::to_string(++number) + "=" + terminal.first + "\r\n";
    number = 0;
    for (const auto& terminal : terminals) {
      text += std::string("[") + terminal.first + "]\r\nMac=" + terminal.second + "\r\nPath=TERM\\" +
              std::to_string(++number) + "\\\r\n";
    }
    root_.Write("KelTerm.ini", text);
  }

  // A terminal directory whose settings are already complete.
  void CompleteSettings(const std::string& directory) {
    root_.Write(directory + "/NuroTerm.ini",
                "[Pantalla]\r\nCol=14010701010301071404\r\nSeleccio=3\r\n[Sistema]\r\nIdioma=SPA\r\n");
  }

  std::string Session(const char* key) const { return ReadIniKey(SessionFile(), "Terminal", key); }
};

TEST_F(IdentificationTest, RegisteredPcIsFoundByNameAndItsSettingsCopiedIn) {
  Register({{"PC1", "AAAAAAAAAAAA"}, {"PC9", kAddress}});
  CompleteSettings("TERM/2");
  root_.Write("tmp/Sessio.ini", "[Menu]\r\nTitol=GESTIO\r\n[Terminal]\r\nNom=PC1\r\nMac=AAAAAAAAAAAA\r\nDir=TERM\\1\\\r\n");
  const std::string registry_before = root_.Read("KelTerm.ini");

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\2\\");
  EXPECT_EQ(Session("Nom"), "PC9");
  EXPECT_EQ(Session("Mac"), kAddress);
  EXPECT_EQ(Session("Dir"), "TERM\\2\\");
  EXPECT_EQ(ReadIniKey(SessionFile(), "Menu", "Titol"), "GESTIO");
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry_before);
  EXPECT_EQ(ReadIniKey(root_ / "tmp/nuroterm.ini", "Pantalla", "Col"), "14010701010301071404");
  EXPECT_EQ(clock_changes_.size(), 1u);
}

// The session file's keys go in one rewrite: the file ends with the same bytes as writing the
// changed keys one by one, whether it is new or holds an older start's keys.
TEST_F(IdentificationTest, SessionKeysEndAsKeyByKeyWritesLeaveThem) {
  Register({{"PC1", "AAAAAAAAAAAA"}, {"PC9", kAddress}});
  CompleteSettings("TERM/2");
  for (const std::string before :
       {"", "[Menu]\r\nTitol=GESTIO\r\n[Terminal]\r\nNom=PC1\r\nMac=AAAAAAAAAAAA\r\nDir=TERM\\2\\\r\n"}) {
    root_.Write("tmp/Sessio.ini", before);
    root_.Write("reference.ini", before);
    for (const auto& [key, value] : {std::pair{"Nom", "PC9"}, {"Mac", kAddress}, {"Dir", "TERM\\2\\"}}) {
      if (ReadIniKey(root_ / "reference.ini", "Terminal", key) != value) {
        WriteIniKey(root_ / "reference.ini", "Terminal", key, value);
      }
    }

    IdentifyTerminal(false);

    EXPECT_EQ(root_.Read("tmp/Sessio.ini"), root_.Read("reference.ini")) << before;
  }
}

TEST_F(IdentificationTest, RenamedPcTakesOverItsEntryByAddress) {
  Register({{"PC1", kAddress}});

  IdentifyTerminal(false);

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC9");
  EXPECT_EQ(Registered("PC1", "Mac"), "");
  EXPECT_EQ(Registered("PC1", "Path"), "");
  EXPECT_EQ(root_.Read("KelTerm.ini").find("[PC1]"), std::string::npos);
  EXPECT_EQ(Registered("PC9", "Mac"), kAddress);
  EXPECT_EQ(Registered("PC9", "Path"), "TERM\\1\\");
  EXPECT_EQ(Session("Nom"), "PC9");
  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\1\\");
}

TEST_F(IdentificationTest, OfTwoNamesWithOneAddressTheHigherNumberWins) {
  Register({{"PC1", "AAAAAAAAAAAA"}, {"PC2", kAddress}, {"PC3", kAddress}, {"PC4", "BBBBBBBBBBBB"}});

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\3\\");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC2");
  EXPECT_EQ(Registered("Terminals", "Term3"), "PC9");
  EXPECT_EQ(Registered("PC2", "Path"), "TERM\\2\\");
  EXPECT_EQ(Registered("PC9", "Path"), "TERM\\3\\");
}

TEST_F(IdentificationTest, UnknownPcFallsBackToTermWithoutTouchingTheRegistry) {
  Register({{"PC1", "AAAAAAAAAAAA"}});
  const std::string registry_before = root_.Read("KelTerm.ini");
  root_.Write("WORK/T/.keep", "");
  testing::ScopedEnv term("TERM", "WORK\\T");

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "WORK\\T\\");
  EXPECT_EQ(Session("Dir"), "WORK\\T\\");
  EXPECT_EQ(ReadIniKey(root_ / "WORK/T/NuroTerm.ini", "Pantalla", "MaxColors"), "10");
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry_before);
}

TEST_F(IdentificationTest, ListEndsAtTheFirstGap) {
  root_.Write("KelTerm.ini",
              "[Terminals]\r\nTerm1=PC1\r\nTerm2=PC2\r\nTerm4=PC4\r\n"
              "[PC4]\r\nMac=001A2B3C4D5E\r\nPath=TERM\\4\\\r\n");
  testing::ScopedEnv term("TERM", "WORK\\T");

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "WORK\\T\\");
  EXPECT_EQ(Registered("Terminals", "Term4"), "PC4");
  EXPECT_EQ(Registered("PC4", "Path"), "TERM\\4\\");
}

TEST_F(IdentificationTest, ChangedAdapterUpdatesTheStoredAddress) {
  Register({{"PC9", "AAAAAAAAAAAA"}});

  IdentifyTerminal(false);

  EXPECT_EQ(Registered("PC9", "Mac"), kAddress);
  EXPECT_EQ(Registered("PC9", "Path"), "TERM\\1\\");
  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\1\\");
}

TEST_F(IdentificationTest, PcWithoutAdapterKeepsTheAddressItWasKnownBy) {
  Register({{"PC9", kAddress}});
  Identity("PC9", "");

  IdentifyTerminal(false);

  EXPECT_EQ(Registered("PC9", "Mac"), kAddress);
  EXPECT_EQ(Session("Mac"), "");
  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\1\\");
}

TEST_F(IdentificationTest, PcWithoutAdapterMatchesTheLastEntryWithoutAddress) {
  root_.Write("KelTerm.ini",
              "[Terminals]\r\nTerm1=PC1\r\nTerm2=PC2\r\nTerm3=PC3\r\n"
              "[PC1]\r\nPath=TERM\\1\\\r\n[PC2]\r\nMac=\r\nPath=TERM\\2\\\r\n"
              "[PC3]\r\nMac=AAAAAAAAAAAA\r\nPath=TERM\\3\\\r\n");
  Identity("PC9", "");

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\2\\");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC9");
  EXPECT_EQ(Registered("Terminals", "Term3"), "PC3");
}

TEST_F(IdentificationTest, PcWithoutNameIsFoundByAddressButLeavesTheRegistryAlone) {
  Register({{"PC1", "AAAAAAAAAAAA"}, {"PC2", kAddress}, {"PC3", "BBBBBBBBBBBB"}});
  const std::string registry_before = root_.Read("KelTerm.ini");
  Identity("", kAddressBytes);

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\2\\");
  // Moving the entry to an empty name would have emptied Term2 and hidden Term3.
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry_before);
}

TEST_F(IdentificationTest, RegistryPathWithoutClosingSeparatorStillNamesTheDirectory) {
  root_.Write("KelTerm.ini", "[Terminals]\r\nTerm1=PC9\r\n[PC9]\r\nMac=001A2B3C4D5E\r\nPath=TERM\\1\r\n");
  CompleteSettings("TERM/1");

  IdentifyTerminal(false);

  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\1\\");
  EXPECT_EQ(ReadIniKey(root_ / "tmp/nuroterm.ini", "Sistema", "Idioma"), "SPA");
}

TEST_F(IdentificationTest, EmptyRegistryIsFilledFromTheOldList) {
  root_.Write("Nuro.ini",
              "[Terminals]\r\nMaxTerm=2\r\nTerm1=PC1\r\nTerm2=PC9\r\n"
              "PC1=AAAAAAAAAAAA\r\nPC9=001A2B3C4D5E\r\n"
              "AAAAAAAAAAAA=TERM\\1\\\r\n001A2B3C4D5E=TERM\\7\\\r\n");

  IdentifyTerminal(false);

  EXPECT_EQ(Registered("Terminals", "Term2"), "PC9");
  EXPECT_EQ(kel::Session().TerminalDir, "TERM\\7\\");
}

TEST_F(IdentificationTest, UnregisteredPcGoesToRegistrationAndEscEndsTheProgram) {
  Register({{"PC1", "AAAAAAAAAAAA"}});
  const std::string registry_before = root_.Read("KelTerm.ini");
  auto console = std::make_unique<platform::VirtualConsole>(25, 80);
  console->PushKey(27);
  platform::InstallConsole(std::move(console));
  EXPECT_EXIT(IdentifyTerminal(false), ::testing::ExitedWithCode(1), "");
  platform::InstallConsole(nullptr);
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry_before);
}

TEST_F(IdentificationTest, SessionEndCopiesTheWorkingSettingsBackAndNothingElse) {
  Register({{"PC9", kAddress}});
  root_.Write("tmp/Sessio.ini", "[Terminal]\r\nNom=PC9\r\nDir=TERM\\1\\\r\n");
  root_.Write("tmp/NuroTerm.ini", "[Sistema]\r\nData=20300101\r\n");
  root_.Write("TERM/1/NuroTerm.ini", "[Sistema]\r\nData=20200101\r\n");
  const std::string registry_before = root_.Read("KelTerm.ini");
  const std::string session_before = root_.Read("tmp/Sessio.ini");
  kel::SessionToFill().TerminalDir = "TERM\\1\\";
  Identity("OTHER", "");

  IdentifyTerminal(true);

  EXPECT_EQ(ReadIniKey(root_ / "TERM/1/NuroTerm.ini", "Sistema", "Data"), "20300101");
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry_before);
  EXPECT_EQ(root_.Read("tmp/Sessio.ini"), session_before);
  EXPECT_TRUE(clock_changes_.empty());
}

TEST_F(IdentificationTest, NewTerminalDirectoryGetsCompleteSettings) {
  Register({{"PC9", kAddress}});
  root_.Write("TERM/1/.keep", "");

  IdentifyTerminal(false);

  const std::string settings = root_ / "TERM/1/NuroTerm.ini";
  EXPECT_EQ(ReadIniKey(settings, "Pantalla", "MaxColors"), "10");
  EXPECT_EQ(ReadIniKey(settings, "Pantalla", "Col"), kDefaultColours);
  EXPECT_EQ(ReadIniKey(settings, "Sistema", "Idioma"), "CAT");
  EXPECT_EQ(ReadIniKey(root_ / "tmp/nuroterm.ini", "Pantalla", "MaxColors"), "10");
}

TEST(AdapterAddress, FirstAdapterWithAnAddressInCapitalHexadecimal) {
  platform::InstallFakeIdentity({std::nullopt, std::vector<std::string>{"", std::string("\x0a\xbc\x00\xff\x10\x01", 6), "\x01"}});
  EXPECT_EQ(AdapterAddress(), "0ABC00FF1001");
  platform::InstallFakeIdentity({std::nullopt, std::vector<std::string>{}});
  EXPECT_EQ(AdapterAddress(), "");
  platform::ResetSystemInfo();
}

}  // namespace
}  // namespace kel
