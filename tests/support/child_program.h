// A program started by a test as a second process, with its standard output on a pipe that
// the test reads, and ended outright when the test says so (or at the latest with the
// object). The same on POSIX (fork and exec, signals) and on Windows (CreateProcessW,
// TerminateProcess), so that the tests of several processes run on both.
//
// A test that needs its own code in the second process starts its own program again with
// ChildTestArguments: the child runs one test of the program, which reads its part from the
// flag.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "platform/win32/win32_text.h"
#else
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kel::testing {

// The path of one of the project's programs ("kelrec") for a test to start.
inline std::string ProgramPath(const std::string& name) {
#ifdef _WIN32
  // The test programs are in tests\ of the build directory, the programs in the build directory.
  std::string self = ::testing::internal::GetArgvs().front();
  const std::size_t cut = self.find_last_of("\\/");
  return (cut == std::string::npos ? std::string(".") : self.substr(0, cut)) + "\\..\\" + name + ".exe";
#else
  return std::string(KEL_BINARY_DIR) + "/" + name;
#endif
}

// The value of a flag this test program was started with ("--kel-child=writer" gives
// "writer" for "--kel-child="), empty when it was not.
inline std::string ProgramFlag(const std::string& prefix) {
  for (const std::string& argument : ::testing::internal::GetArgvs())
    if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
  return {};
}

// Arguments that start this test program again running only one test, quietly.
inline std::vector<std::string> ChildTestArguments(const std::string& test, const std::vector<std::string>& flags) {
  std::vector<std::string> arguments = {"--gtest_filter=" + test, "--gtest_brief=1"};
  arguments.insert(arguments.end(), flags.begin(), flags.end());
  return arguments;
}

// This test program's own path.
inline std::string SelfPath() { return ::testing::internal::GetArgvs().front(); }

class ChildProgram {
 public:
  ChildProgram() = default;
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  ~ChildProgram() { Kill(); }

  // Starts a program with arguments; false when it cannot be started.
  bool Start(const std::string& program, const std::vector<std::string>& arguments) {
#ifdef _WIN32
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) return false;
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    HANDLE no_input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                    OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = no_input;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    std::wstring command = Quoted(platform::win32::ToWide(program));
    for (const std::string& argument : arguments) command += L" " + Quoted(platform::win32::ToWide(argument));
    PROCESS_INFORMATION started{};
    const bool ok = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                     &started) != 0;
    ::CloseHandle(write_end);
    if (no_input != INVALID_HANDLE_VALUE) ::CloseHandle(no_input);
    if (!ok) {
      ::CloseHandle(read_end);
      return false;
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    out_ = read_end;
    return true;
#else
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(pipe_ends[1], 1);
      ::close(pipe_ends[0]);
      std::vector<char*> argv;
      for (std::string& argument : all) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(pipe_ends[1]);
    out_ = pipe_ends[0];
    return pid_ > 0;
#endif
  }

  // Reads the program's output until it holds a text, for at most 20 seconds; false when it
  // never came (the program ended or went silent).
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (output_.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
      const int got = ReadSome();
      if (got < 0) break;
      if (got == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return output_.find(text) != std::string::npos;
  }

  // Ends the program outright, as a crash or a machine switched off would: nothing of it
  // runs any more (no handler, no flush), and the system drops what it held.
  void Kill() {
#ifdef _WIN32
    if (process_) {
      ::TerminateProcess(process_, 9);
      ::WaitForSingleObject(process_, 10000);
      ::CloseHandle(process_);
      process_ = nullptr;
    }
    if (out_) ::CloseHandle(out_);
    out_ = nullptr;
#else
    End(SIGKILL);
#endif
  }

  // Waits at most 20 seconds for the program to end by itself: its exit code (POSIX: 128 +
  // the signal that ended it; Windows: the process's exit code as unsigned), -1 when it did
  // not end (it is then killed).
  long long Wait() {
    long long code = -1;
#ifdef _WIN32
    DWORD exit_code = 0;
    if (process_ && ::WaitForSingleObject(process_, 20000) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process_, &exit_code))
      code = exit_code;
#else
    for (int waited = 0; pid_ > 0 && waited < 2000; ++waited) {
      int status = 0;
      const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
        pid_ = -1;
        break;
      }
      if (ended < 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
#endif
    Kill();
    return code;
  }

  // Asks the program to end, as an operator's interrupt does (Windows: ends it outright).
  void Interrupt() {
#ifdef _WIN32
    Kill();
#else
    End(SIGTERM);
#endif
  }

  const std::string& output() const { return output_; }

 private:
  // Reads what the pipe holds: bytes read, 0 when none came yet, -1 at its end.
  int ReadSome() {
    char buffer[4096];
#ifdef _WIN32
    if (!out_) return -1;
    DWORD available = 0;
    if (!::PeekNamedPipe(out_, nullptr, 0, nullptr, &available, nullptr)) return -1;
    if (available == 0) return 0;
    DWORD got = 0;
    if (!::ReadFile(out_, buffer, sizeof buffer, &got, nullptr) || got == 0) return -1;
    // The C run-time writes a text stream's line ends as CR LF: the test reads them as LF.
    for (DWORD i = 0; i < got; ++i)
      if (buffer[i] != '\r') output_ += buffer[i];
    return static_cast<int>(got);
#else
    if (out_ < 0) return -1;
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return 0;
    const ssize_t got = ::read(out_, buffer, sizeof buffer);
    if (got <= 0) return -1;
    output_.append(buffer, static_cast<std::size_t>(got));
    return static_cast<int>(got);
#endif
  }

#ifdef _WIN32
  // One argument of a command line as the C run-time's parser splits it again.
  static std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    for (std::size_t i = 0;; ++i) {
      std::size_t backslashes = 0;
      while (i < argument.size() && argument[i] == L'\\') {
        ++i;
        ++backslashes;
      }
      if (i == argument.size()) {
        quoted.append(backslashes * 2, L'\\');
        break;
      }
      if (argument[i] == L'"') {
        quoted.append(backslashes * 2 + 1, L'\\');
      } else {
        quoted.append(backslashes, L'\\');
      }
      quoted += argument[i];
    }
    return quoted + L"\"";
  }

  HANDLE process_ = nullptr;
  HANDLE out_ = nullptr;
#else
  void End(int signal) {
    if (pid_ > 0) {
      ::kill(pid_, signal);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (out_ >= 0) ::close(out_);
    out_ = -1;
  }

  pid_t pid_ = -1;
  int out_ = -1;
#endif
  std::string output_;
};

}  // namespace kel::testing
