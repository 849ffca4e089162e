// kelstart in a real terminal, against a temporary installation root. A registered PC's
// session start draws nothing; an unregistered PC is registered through the dialog. After every
// run the shell's screen must be back as it was, the shell's next line where its cursor was.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "config/ini.h"
#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

// A literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// What the shell shows before kelstart starts.
constexpr std::array<const char*, 3> kShellLines = {"shell line one", "    shell line two, indented",
                                                    "shell ready"};
constexpr const char* kEnded = "ended rc=";
// The installation root's default configuration, which a new terminal without a copy gets.
constexpr const char* kDefaultScreen = "14010701010301071404";
const std::string kDefaultPrinter = Bytes("LPT1\0\x1b@\x0f default printer");
// A terminal's settings with nothing left to complete: a start leaves them as they are.
constexpr const char* kCompleteSettings =
    "[Pantalla]\r\nCol=14010701010301071404\r\nSeleccio=0\r\nMaxColors=0\r\n"
    "[Sistema]\r\nData=20250101\r\nSortida=P\r\nIdioma=SPA\r\n";

std::vector<std::string> Lines(const std::string& pane) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < pane.size()) {
    std::size_t end = pane.find('\n', start);
    if (end == std::string::npos) end = pane.size();
    lines.push_back(pane.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Every regular file under a directory with its bytes, by path relative to the directory.
std::map<std::string, std::string> Tree(const std::string& directory) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory, error)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), directory).string()] = testing::Slurp(entry.path());
  }
  return files;
}

// The same with the names in capitals: a copy takes a file's short, upper-case name.
std::map<std::string, std::string> CopiedTree(const std::string& directory) {
  std::map<std::string, std::string> files;
  for (auto& [name, bytes] : Tree(directory)) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    files[upper] = bytes;
  }
  return files;
}

// One PC: kelstart run from a shell in a tmux pane of its own, with its own session directory.
class KelstartPane {
 public:
  KelstartPane(const testing::TempDir& root, const std::string& name)
      : root_(root), pane_(root / (name + ".sock")), session_dir_(root / ("session-" + name)) {
    std::filesystem::create_directories(session_dir_);
  }

  // Lets the shell write its lines, keeps its screen, then starts kelstart as this PC.
  void Start(const std::string& computer, const std::string& address) {
    const std::string env = "KELROOT=" + Quote(root_.dir()) + " KELTMP=" + Quote(session_dir_) +
                            " TEMP=" + Quote(root_ / "listings") +
                            " KEL_NO_CLOCK_SYNC=1 KEL_COMPUTER_NAME=" + computer +
                            " KEL_ADAPTER_ADDRESS=" + address + " TERM=xterm LANG=C.UTF-8";
    std::string script;
    for (const char* line : kShellLines) script += "echo " + Quote(line) + "; ";
    script += pane_.Command("wait-for go") + "; env " + env + " " + Quote(KEL_BINARY_DIR "/kelstart") +
              "; echo \"" + kEnded + "$?\"; sleep 60";
    ASSERT_TRUE(pane_.Start("sh -c " + Quote(script)));
    shell_screen_ = pane_.WaitForText(kShellLines.back());
    ASSERT_TRUE(testing::RunShell(pane_.Command("wait-for -S go")));
  }

  std::string WaitForText(const std::string& text) const { return pane_.WaitForText(text); }
  // The pane once it shows every one of these texts and none of those.
  std::string WaitForScreen(const std::vector<std::string>& shown, const std::vector<std::string>& gone) const {
    bool met = false;
    const std::string pane = pane_.WaitFor(
        [&](const std::string& p) {
          for (const auto& text : shown) if (p.find(text) == std::string::npos) return false;
          for (const auto& text : gone) if (p.find(text) != std::string::npos) return false;
          return true;
        },
        &met);
    EXPECT_TRUE(met) << pane;
    return pane;
  }
  void Keys(const std::string& keys) { EXPECT_TRUE(pane_.Keys(keys)); }
  // The shell command that types these keys, to join with another pane's.
  std::string KeysCommand(const std::string& keys) const { return pane_.Command("send-keys -t pane " + keys); }

  // Waits for kelstart to end; its exit code, -1 when it never ended. The shell's screen must be
  // back as it was, with the shell's next line on the row its cursor had left.
  int Finish() const {
    const std::string pane = pane_.WaitForText(kEnded);
    int code = -1;
    for (const std::string& line : Lines(pane)) {
      if (line.rfind(kEnded, 0) == 0) code = std::atoi(line.c_str() + std::string(kEnded).size());
    }
    std::vector<std::string> expected = Lines(shell_screen_);
    if (expected.size() > kShellLines.size()) expected[kShellLines.size()] = kEnded + std::to_string(code);
    EXPECT_EQ(Lines(pane), expected) << "before kelstart:\n" << shell_screen_ << "after:\n" << pane;
    return code;
  }

  // A key of this PC's session file.
  std::string SessionKey(const std::string& key) const {
    return ReadIniKey(session_dir_ + "/Sessio.ini", "Terminal", key);
  }

 private:
  const testing::TempDir& root_;
  TmuxPane pane_;
  std::string session_dir_;
  std::string shell_screen_;
};

class KelstartInTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    ASSERT_TRUE(std::filesystem::exists(KEL_BINARY_DIR "/kelstart")) << "build the kelstart target first";
    root_.Write("listings/.keep", "");
    root_.Write("SCRN.CFG", kDefaultScreen);
    root_.Write("PRINTER.CFG", kDefaultPrinter);
  }

  // Registers PC1, PC2 ... as terminals 1, 2 ... each in TERM\n\ with files of its own.
  void RegisterTerminals(int count) {
    std::string registry = "[Terminals]\r\n";
    for (int n = 1; n <= count; ++n) registry += "Term" + std::to_string(n) + "=PC" + std::to_string(n) + "\r\n";
    for (int n = 1; n <= count; ++n) {
      const std::string number = std::to_string(n);
      registry += "[PC" + number + "]\r\nMac=00000000000" + number + "\r\nPath=TERM\\" + number + "\\\r\n";
      root_.Write("TERM/" + number + "/NuroTerm.ini", kCompleteSettings);
      root_.Write("TERM/" + number + "/SCRN.CFG", "1501070" + number + "01030107140" + number);
      root_.Write("TERM/" + number + "/PRINTER.CFG", Bytes("LPT2\0\x1b@ printer of PC") + number);
      root_.Write("TERM/" + number + "/FORMS.DAT", std::string(300, static_cast<char>(0xA0 + n)));
    }
    root_.Write("KelTerm.ini", registry);
  }

  KelstartPane& NewPane() {
    panes_.push_back(std::make_unique<KelstartPane>(root_, "pc" + std::to_string(panes_.size())));
    return *panes_.back();
  }
  std::string Registered(const std::string& section, const std::string& key) const {
    return ReadIniKey(root_ / "KelTerm.ini", section, key);
  }

  testing::TempDir root_;
  std::vector<std::unique_ptr<KelstartPane>> panes_;  // after root_: their servers end first
};

TEST_F(KelstartInTerminalTest, RegisteredStartDrawsNothing) {
  RegisterTerminals(1);
  KelstartPane& pc = NewPane();
  pc.Start("PC1", "000000000001");
  EXPECT_EQ(pc.Finish(), 0);
  EXPECT_EQ(pc.SessionKey("Dir"), "TERM\\1\\");
}

// An empty registry: the first question lists only the new-terminal row, and no copy gives the
// new TERM\1\ directory the root's default files. The next start finds the PC registered and asks nothing.
TEST_F(KelstartInTerminalTest, NewTerminalOnAnEmptyRegistryGetsTheDefaultFiles) {
  KelstartPane& pc = NewPane();
  pc.Start("NEWPC", "0A1B2C3D4E5F");
  pc.WaitForText("CATAL");
  pc.Keys("Enter");
  const std::string first = pc.WaitForText("TERMINAL NOU");
  EXPECT_NE(first.find("SELECCIONEU TERMINAL"), std::string::npos) << first;
  EXPECT_NE(first.find("S'HA DETECTAT QUE EL VOSTRE TERMINAL NO ESTÀ CONFIGURAT."), std::string::npos) << first;
  const std::vector<std::string> lines = Lines(first);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].find("║TERMINAL NOU") == std::string::npos) continue;
    EXPECT_EQ(lines[i + 1].find_first_not_of(" ║"), std::string::npos) << "a second row:\n" << first;
  }
  pc.Keys("Enter");
  const std::string second = pc.WaitForText("NO COPIAR-LA");
  EXPECT_NE(second.find("SI VOLEU PODEU COPIAR LA CONFIGURACIÓ D'UN ALTRE"), std::string::npos) << second;
  pc.Keys("Enter");
  EXPECT_EQ(pc.Finish(), 0);

  EXPECT_EQ(Registered("Terminals", "Term1"), "NEWPC");
  EXPECT_EQ(Registered("Terminals", "Term2"), "");
  EXPECT_EQ(Registered("NEWPC", "Mac"), "0A1B2C3D4E5F");
  EXPECT_EQ(Registered("NEWPC", "Path"), "TERM\\1\\");
  EXPECT_EQ(root_.Read("TERM/1/SCRN.CFG"), kDefaultScreen);
  EXPECT_EQ(root_.Read("TERM/1/PRINTER.CFG"), kDefaultPrinter);
  EXPECT_EQ(ReadIniKey(root_ / "TERM/1/NuroTerm.ini", "Sistema", "Idioma"), "CAT");
  EXPECT_EQ(pc.SessionKey("Nom"), "NEWPC");
  EXPECT_EQ(pc.SessionKey("Dir"), "TERM\\1\\");

  const std::string registry = root_.Read("KelTerm.ini");
  KelstartPane& again = NewPane();
  again.Start("NEWPC", "0A1B2C3D4E5F");
  EXPECT_EQ(again.Finish(), 0);
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry);
  EXPECT_EQ(again.SessionKey("Dir"), "TERM\\1\\");
}

// Galician on the form: both questions' rows, messages and titles follow it. Copying from the
// second of three terminals gives TERM\4\ every file of TERM\2\, byte for byte.
TEST_F(KelstartInTerminalTest, GalicianNewTerminalCopiesTheSecondTerminal) {
  RegisterTerminals(3);
  KelstartPane& pc = NewPane();
  pc.Start("NEWPC", "0A1B2C3D4E5F");
  pc.WaitForText("CATAL");
  pc.Keys("Right Enter");
  const std::string first = pc.WaitForText("TERMINAL NOVO");
  for (const char* text : {"SELECCIONE TERMINAL", "DETECTOU-SE QUE O SEU TERMINAL NOM ESTÁ CONFIGURADO.",
                           "MARQUE A QUE COMPUTADOR", "PC1", "PC2", "PC3"}) {
    EXPECT_NE(first.find(text), std::string::npos) << text << " missing from:\n" << first;
  }
  EXPECT_EQ(first.find("TERMINAL NOU"), std::string::npos) << first;
  pc.Keys("Enter");
  const std::string second = pc.WaitForText("NOM COPIÁ-LA");
  for (const char* text : {"SELECCIONE TERMINAL", "SE DESEJA-O PODE COPIAR A CONFIGURAÇOM DE OUTRO"}) {
    EXPECT_NE(second.find(text), std::string::npos) << text << " missing from:\n" << second;
  }
  pc.Keys("Down Down Enter");
  EXPECT_EQ(pc.Finish(), 0);

  EXPECT_EQ(Registered("Terminals", "Term4"), "NEWPC");
  EXPECT_EQ(Registered("NEWPC", "Path"), "TERM\\4\\");
  EXPECT_EQ(Registered("NEWPC", "Mac"), "0A1B2C3D4E5F");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC2");
  const auto copied = Tree(root_ / "TERM/4");
  EXPECT_EQ(copied.size(), 4u);
  EXPECT_EQ(CopiedTree(root_ / "TERM/4"), CopiedTree(root_ / "TERM/2"));
  EXPECT_EQ(pc.SessionKey("Dir"), "TERM\\4\\");
}

// Spanish on the form, then the second registered computer: its entry moves to this PC, keeping
// its number and directory; no new terminal is made.
TEST_F(KelstartInTerminalTest, ReplacingARegisteredComputerMovesItsEntry) {
  RegisterTerminals(3);
  const auto files = Tree(root_ / "TERM");
  KelstartPane& pc = NewPane();
  pc.Start("NEWPC", "0A1B2C3D4E5F");
  pc.WaitForText("CATAL");
  pc.Keys("Right Right Right Enter");
  const std::string first = pc.WaitForText("TERMINAL NUEVO");
  EXPECT_NE(first.find("SE HA DETECTADO QUE SU TERMINAL NO ESTA CONFIGURADO."), std::string::npos) << first;
  EXPECT_NE(first.find("SELECCIONE TERMINAL"), std::string::npos) << first;
  pc.Keys("Down Down Enter");
  EXPECT_EQ(pc.Finish(), 0);

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "NEWPC");
  EXPECT_EQ(Registered("Terminals", "Term3"), "PC3");
  EXPECT_EQ(Registered("Terminals", "Term4"), "");
  EXPECT_EQ(root_.Read("KelTerm.ini").find("[PC2]"), std::string::npos) << root_.Read("KelTerm.ini");
  EXPECT_EQ(Registered("NEWPC", "Mac"), "0A1B2C3D4E5F");
  EXPECT_EQ(Registered("NEWPC", "Path"), "TERM\\2\\");
  EXPECT_EQ(Registered("PC3", "Path"), "TERM\\3\\");
  EXPECT_EQ(Tree(root_ / "TERM"), files);
  EXPECT_EQ(pc.SessionKey("Nom"), "NEWPC");
  EXPECT_EQ(pc.SessionKey("Mac"), "0A1B2C3D4E5F");
  EXPECT_EQ(pc.SessionKey("Dir"), "TERM\\2\\");
}

// Esc on the language form; Esc on the first question (in Occitan); Esc on the second question
// goes back to the first, and Esc there. Each ends with exit code 1 and nothing in the root
// written, the registry's bytes included.
TEST_F(KelstartInTerminalTest, CancelAtEachStepWritesNothing) {
  RegisterTerminals(3);
  const auto root = Tree(root_.path());

  KelstartPane& on_form = NewPane();
  on_form.Start("NEWPC", "0A1B2C3D4E5F");
  on_form.WaitForText("CATAL");
  on_form.Keys("Escape");
  EXPECT_EQ(on_form.Finish(), 1);
  EXPECT_EQ(Tree(root_.path()), root);

  KelstartPane& on_first = NewPane();
  on_first.Start("NEWPC", "0A1B2C3D4E5F");
  on_first.WaitForText("CATAL");
  on_first.Keys("Right Right Enter");
  const std::string occitan = on_first.WaitForText("TERMINAU NAU");
  EXPECT_NE(occitan.find("SELECCIONATZ TERMINAU"), std::string::npos) << occitan;
  EXPECT_NE(occitan.find("S'A DETECTAT QU'ETH VÒSTE TERMINAU NON EI CONFIGURAT."), std::string::npos) << occitan;
  on_first.Keys("Escape");
  EXPECT_EQ(on_first.Finish(), 1);
  EXPECT_EQ(Tree(root_.path()), root);

  KelstartPane& on_second = NewPane();
  on_second.Start("NEWPC", "0A1B2C3D4E5F");
  on_second.WaitForText("CATAL");
  on_second.Keys("Enter");
  on_second.WaitForText("TERMINAL NOU");
  on_second.Keys("Enter");
  on_second.WaitForText("NO COPIAR-LA");
  on_second.Keys("Escape");
  on_second.WaitForScreen({"TERMINAL NOU", "S'HA DETECTAT", "PC3"}, {"NO COPIAR-LA", "SI VOLEU"});
  on_second.Keys("Escape");
  EXPECT_EQ(on_second.Finish(), 1);
  EXPECT_EQ(Tree(root_.path()), root);
}

// Two unregistered PCs answer the last question at the same moment: they get two different
// numbers, and each entry is whole (name, address, directory with the default files).
TEST_F(KelstartInTerminalTest, TwoPcsRegisteringAtOnceGetDifferentNumbers) {
  RegisterTerminals(1);
  KelstartPane& a = NewPane();
  KelstartPane& b = NewPane();
  a.Start("PCA", "0A000000000A");
  b.Start("PCB", "0B000000000B");
  for (KelstartPane* pc : {&a, &b}) {
    pc->WaitForText("CATAL");
    pc->Keys("Enter");
    pc->WaitForText("TERMINAL NOU");
    pc->Keys("Enter");
    pc->WaitForText("NO COPIAR-LA");
  }
  ASSERT_TRUE(testing::RunShell(a.KeysCommand("Enter") + " & " + b.KeysCommand("Enter") + " & wait"));
  EXPECT_EQ(a.Finish(), 0);
  EXPECT_EQ(b.Finish(), 0);

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term4"), "");
  const std::string second = Registered("Terminals", "Term2");
  const std::string third = Registered("Terminals", "Term3");
  EXPECT_TRUE((second == "PCA" && third == "PCB") || (second == "PCB" && third == "PCA"))
      << root_.Read("KelTerm.ini");
  for (const auto& [name, address, pc] : {std::tuple{"PCA", "0A000000000A", &a}, std::tuple{"PCB", "0B000000000B", &b}}) {
    const std::string number = second == name ? "2" : "3";
    EXPECT_EQ(Registered(name, "Mac"), address);
    EXPECT_EQ(Registered(name, "Path"), "TERM\\" + number + "\\");
    EXPECT_EQ(root_.Read("TERM/" + number + "/SCRN.CFG"), kDefaultScreen) << name;
    EXPECT_EQ(root_.Read("TERM/" + number + "/PRINTER.CFG"), kDefaultPrinter) << name;
    EXPECT_EQ(ReadIniKey(root_ / ("TERM/" + number + "/NuroTerm.ini"), "Sistema", "Idioma"), "CAT") << name;
    EXPECT_EQ(pc->SessionKey("Dir"), "TERM\\" + number + "\\") << name;
  }
}

}  // namespace
}  // namespace kel
