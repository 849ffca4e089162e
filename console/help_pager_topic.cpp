// Help on F1: the topic's page in the document opener on a Windows desktop, else the pager.
#include <string>
#include <vector>

#include "console/help_pager.h"
#include "platform/environment.h"
#include "platform/child_process.h"
#include "platform/file_system.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

// The topic ends up on a command interpreter's command line, where anything beyond a plain
// name could run something else.
constexpr std::size_t kLongestTopic = 64;

void OpenHelpPage(std::string_view topic) {
  if (!IsPlainHelpTopic(topic)) return;
  std::string interpreter = platform::EnvironmentValue("COMSPEC");
  std::string page = "AJUDA\\" + std::string(topic) + ".HTM";
  // The exit code is of no interest: the opener reports its own problems.
  platform::RunProgramAndWait(interpreter, {"/C", "OPNDOC", page});
}

}  // namespace

bool IsPlainHelpTopic(std::string_view topic) {
  if (topic.empty() || topic.size() > kLongestTopic) return false;
  for (char c : topic) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '-';
    if (!plain) return false;
  }
  return true;
}

void ShowHelp(std::string_view topic) {
  if (Session().SystemKind.substr(0, 3) == "WIN") {
    OpenHelpPage(topic);
  } else {
    ShowTextHelp(topic);
  }
}

}  // namespace kel
