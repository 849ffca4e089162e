// The text help pager: fixed-length lines paged in a double-framed window.
//
// Inside a line, character 30 switches role H on and off, 31 role U and 16 role R; the
// switches take no room on the screen.
#include <algorithm>
#include <string>

#include "console/help_pager.h"
#include "console/keys.h"
#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/file_system.h"

namespace kel {
namespace {

namespace fs = platform;

constexpr char kSwitchH = 30;
constexpr char kSwitchU = 31;
constexpr char kSwitchR = 16;
constexpr int kShownWidth = 76;  // characters shown of each line on an 80-column screen
constexpr int kFirstRow = 4;
constexpr int kRowsBelow = 3;
// Help files hold lines of the suite's 80-column console; a terminal of another width still
// reads them in records of that length, or every line after the first would be garbled.
constexpr int kHelpLineLength = 80;

bool SameTopic(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return upper(x) == upper(y);
  });
}

class Pager {
 public:
  explicit Pager(std::string_view topic) : topic_(topic) {
    width_ = ScreenColumns();
    top_ = kFirstRow;
    left_ = 1;
    bottom_ = ScreenRows() - kRowsBelow;
    right_ = width_;
    visible_ = bottom_ - top_ - 1;
    // A screen narrower than 80 columns has less room than that between the frame's sides.
    shown_width_ = static_cast<std::size_t>(std::clamp(width_ - 3, 0, int{kShownWidth}));
    // A topic is a plain name, as for the help pages, so no path in it reaches a file outside
    // the help directory; and only a regular file is read (a FIFO would hang the pager).
    if (IsPlainHelpTopic(topic_)) file_ = fs::OpenRegularFile("AJUDA\\" + topic_ + ".HLP", false);
    if (file_ != fs::kNoFile) lines_ = HelpLineCount(fs::FileSize(file_), kHelpLineLength);
  }
  ~Pager() {
    if (file_ != fs::kNoFile) fs::CloseFile(file_);
  }
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  void Run() {
    // A screen with no room for one line gets no pager: its window would be refused or
    // inverted, and the closing CloseWindow could take the caller's window instead.
    if (visible_ < 1 || shown_width_ < 1) return;
    SetColour("+h");
    OpenWindow(top_, left_, bottom_, right_);
    DrawFrame(2);
    SetColour("n");
    ShowPage(1);
    for (;;) {
      KeyCode key = WaitKey();
      if (key == kKeyEsc) break;
      Act(key);
    }
    fs::CloseFile(file_);
    file_ = fs::kNoFile;
    CloseWindow();
    SetColour("-");
  }

 private:
  long FirstShown() const { return next_ - visible_; }

  void Act(KeyCode key) {
    if (key == kKeyF1) {
      if (!SameTopic(topic_, kGeneralHelpTopic)) ShowHelp(kGeneralHelpTopic);
    } else if (key == kKeyDown) {
      if (next_ > lines_) return;
      ScrollInterior(1);
      ShowLine(next_, visible_);
      ++next_;
    } else if (key == kKeyUp) {
      if (FirstShown() <= 1) return;
      --next_;
      ScrollInterior(-1);
      ShowLine(FirstShown(), 1);
    } else if (key == kKeyPgDn) {
      if (next_ > lines_) return;
      // The last page is always a full one.
      ShowPage(std::min(next_, lines_ - visible_ + 1));
    } else if (key == kKeyPgUp) {
      if (FirstShown() <= 1) return;
      ShowPage(std::max(FirstShown() - visible_, 1L));
    } else if (key == kKeyHome) {
      if (FirstShown() <= 1) return;
      ShowPage(1);
    } else if (key == kKeyEnd) {
      if (next_ > lines_) return;
      ShowPage(lines_ - visible_ + 1);
    }
  }

  // Blanks the interior unless it is the first page drawn, then shows a page from a line.
  void ShowPage(long first) {
    if (next_ != 0) ScrollInterior(visible_);
    for (int row = 1; row <= visible_; ++row) ShowLine(first + row - 1, row);
    next_ = first + visible_;
  }

  void ScrollInterior(int lines) {
    ScrollRegion(top_, left_, bottom_ - 2, right_ - 2, lines);
  }

  std::string ReadLine(long number) {
    if (file_ == fs::kNoFile || number < 1 || number > lines_) return {};
    std::string line(static_cast<std::size_t>(kHelpLineLength), ' ');
    if (!fs::SeekFile(file_, static_cast<std::int64_t>(number - 1) * kHelpLineLength)) return {};
    std::int64_t got = fs::ReadFromFile(file_, line.data(), line.size());
    line.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return line;
  }

  void ShowLine(long number, int row) {
    SetColour("n");
    LocateInWindow(row, 2);
    std::string line = ReadLine(number);
    if (line.find_first_of(std::string{kSwitchH, kSwitchU, kSwitchR}) == std::string::npos) {
      WriteText(line.substr(0, shown_width_));
      return;
    }
    bool h = false;
    bool u = false;
    bool r = false;
    std::size_t written = 0;
    std::string run;
    auto flush = [&run] {
      WriteText(run);
      run.clear();
    };
    for (char c : line) {
      if (c == kSwitchH) {
        flush();
        h = !h;
        if (!u) SetColour(h ? "h" : "n");
      } else if (c == kSwitchU) {
        flush();
        u = !u;
        SetColour(u ? "u" : "n");
      } else if (c == kSwitchR) {
        flush();
        r = !r;
        SetColour(r ? "r" : "n");
      } else if (written < shown_width_) {
        run += c;
        ++written;
      }
    }
    flush();
  }

  std::string topic_;
  fs::FileHandle file_ = fs::kNoFile;
  long lines_ = 0;
  long next_ = 0;  // the line after the last one shown; 0 before the first page
  int width_ = 0;
  int top_ = 0, left_ = 0, bottom_ = 0, right_ = 0;
  int visible_ = 0;
  std::size_t shown_width_ = 0;
};

}  // namespace

long HelpLineCount(long long file_length, int line_width) {
  if (file_length <= 0 || line_width <= 0) return 0;
  long long whole = file_length / line_width;
  long long twice_rest = 2 * (file_length % line_width);
  if (twice_rest > line_width || (twice_rest == line_width && whole % 2 == 1)) ++whole;
  return static_cast<long>(whole);
}

void ShowTextHelp(std::string_view topic) {
  Pager pager(topic);
  pager.Run();
}

}  // namespace kel
