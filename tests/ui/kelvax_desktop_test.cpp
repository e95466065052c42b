// The built program on a desktop of its own (a private Xvfb, openbox where it matters) or with no
// display at all, played by the X tools (xdotool, xclip, ImageMagick) from the step files in
// tests/ui/desktop/ (see its README.md): each line one thing the user does or one thing that
// must then hold.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls `done` every 50 ms until it is true or timeout_ms passed.
template <typename F>
bool WaitUntil(F done, int timeout_ms) {
  for (int waited = 0;; waited += 50) {
    if (done()) return true;
    if (waited >= timeout_ms) return false;
    SleepMs(50);
  }
}

// A program running beside the test, killed with its process group if it still runs at the end.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const Env& env, const std::string& cwd = "")
      : started_(test::StartProgram(argv, env, cwd)) {}
  ~Child() {
    if (!running()) return;
    kill(-started_.pid, SIGKILL);
    WaitUntil([this] { return !running(); }, 5000);
  }

  bool running() {
    if (exit_status_ >= 0) return false;
    int raw = 0;
    const pid_t r = waitpid(started_.pid, &raw, WNOHANG);
    if (r == started_.pid) exit_status_ = test::ExitStatusOf(raw);
    return r == 0;
  }
  int pid() const { return started_.pid; }
  int exit_status() const { return exit_status_; }
  std::string out() const { return test::ReadFileBytes(started_.out_file); }
  std::string err() const { return test::ReadFileBytes(started_.err_file); }

 private:
  test::StartedProgram started_;
  int exit_status_ = -1;
};

// A step's text: \r \n \t \s (a blank) and \\ as those characters.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 's' ? ' ' : c;
  }
  return out;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(Unescaped(w));
  return words;
}

class KelvaxDesktopTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempDir("desk");
    exe_ = test::InstallKelvax(folder_, true);
    const std::string db = test::OdbcSandbox::Get().CreateSqliteDb(
        "desk.db",
        "CREATE TABLE T (A INTEGER, B TEXT); INSERT INTO T VALUES (1, '山田'), (2, NULL), "
        "(3, 'x' || char(9) || 'y'), (4, '\"q'), (5, '<b>&');");
    test::OdbcSandbox::Get().AddDsn("DESKDB",
                                    {{"Driver", "SQLite3"}, {"Database", db}, {"StepAPI", "1"}});
  }

  void TearDown() override {
    program_.reset();
    wm_.reset();
    if (xvfb_) kill(xvfb_->pid(), SIGTERM);  // then ~Child kills what is left
  }

  // Xvfb on a display number it picks itself, with openbox when `window_manager`; false without
  // the X tools.
  bool StartX(bool window_manager) {
    const char* tools = "which Xvfb xdotool import xclip openbox xprop xwininfo";
    if (test::RunProgram({"sh", "-c", tools}).exit_status != 0) return false;
    // The server writes its display number once it accepts connections.
    xvfb_ = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp", "-noreset"},
        Env{});
    std::string number;
    WaitUntil([&] { return (number = xvfb_->out()).ends_with("\n") || !xvfb_->running(); }, 20000);
    if (!number.ends_with("\n")) return false;
    x_env_ = {{"DISPLAY", ":" + number.substr(0, number.size() - 1)},
              {"WAYLAND_DISPLAY", "\x01"},
              {"QT_QPA_PLATFORM", "\x01"}};
    if (!window_manager) return true;
    wm_ = std::make_unique<Child>(std::vector<std::string>{"openbox"}, x_env_);
    return WaitUntil(
        [&] {
          return Has(Tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}), "# 0x");
        },
        20000);
  }

  // What a tool run to its end on our display prints; Tool: its first line.
  std::string Run(const std::vector<std::string>& argv) {
    Child tool(argv, x_env_);
    return WaitUntil([&] { return !tool.running(); }, 20000) ? tool.out() : "";
  }
  std::string Tool(const std::vector<std::string>& argv) {
    const std::string out = Run(argv);
    return out.substr(0, out.find('\n'));
  }
  std::string ActiveWindow() { return Tool({"xdotool", "getactivewindow", "getwindowname"}); }
  std::string FindWindow(const std::string& name) {
    return Tool({"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"});
  }

  // The file NAME of the folder, or the unfinished one (.NAME.kelvax-XXXXXX) written for it.
  std::string Bytes(const std::string& name, bool unfinished = false) {
    if (!unfinished) return test::ReadFileBytes(folder_ + "/" + name);
    for (const auto& e : fs::directory_iterator(folder_)) {
      if (e.path().filename().string().starts_with("." + name + ".kelvax-"))
        return test::ReadFileBytes(e.path());
    }
    return "";
  }
  std::string Records() {
    std::string all;
    for (const std::string& r : test::ReadLogRecords(folder_ + "/SQLLOG.txt")) all += r + "|";
    return all;
  }

  // What a step of the user does.
  void Act(const std::string& verb, const std::vector<std::string>& w, const std::string& rest) {
    if (verb == "display") {
      if (w[1] == "none")
        env_ = {{"DISPLAY", "\x01"}, {"WAYLAND_DISPLAY", "\x01"}, {"WAYLAND_SOCKET", "\x01"}};
      else if (!StartX(w[1] == "wm"))
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
      env_.insert(x_env_.begin(), x_env_.end());
      env_["QT_QPA_PLATFORM"] = "\x01";
    } else if (verb == "env") {
      const auto eq = w[1].find('=');
      env_[w[1].substr(0, eq)] = eq == std::string::npos ? "\x01" : w[1].substr(eq + 1);
    } else if (verb == "write") {
      test::WriteFileBytes(folder_ + "/" + w[1], Unescaped(rest.substr(rest.find(' ') + 1)));
    } else if (verb == "start") {
      std::vector<std::string> argv = w;
      argv[0] = exe_;
      program_.reset();
      program_ = std::make_unique<Child>(argv, env_, folder_);
    } else if (verb == "window") {  // where the clicks go: shown, and framed by the manager
      ASSERT_TRUE(WaitUntil([&] { return !(window_ = FindWindow(rest)).empty(); }, 20000)) << rest;
      ASSERT_TRUE(!wm_ || WaitUntil([&] { return Frame() != ""; }, 20000));
    } else if (verb == "keys") {
      std::vector<std::string> argv = {"xdotool", "key", "--delay", "150"};
      argv.insert(argv.end(), w.begin() + 1, w.end());
      Tool(argv);
    } else if (verb == "type") {
      Tool({"xdotool", "type", "--delay", "30", Unescaped(rest)});
    } else if (verb == "click") {
      // The close box is the title bar's rightmost button; the window's own area starts below.
      int x = 0, y = 0, width = 0, height = 0, left = 0, right = 0, top = 0;
      std::sscanf(Tool({"sh", "-c",
                        "xwininfo -id " + window_ +
                            " | awk -F: '/Absolute upper-left|Width|Height/ {printf \"%d \", $2}'"})
                      .c_str(),
                  "%d %d %d %d", &x, &y, &width, &height);
      std::sscanf(Frame().c_str(), "%*[^=]= %d, %d, %d", &left, &right, &top);
      const bool box = rest == "close-box";
      Tool({"xdotool", "mousemove", std::to_string(box ? x + width + right - 12 : x + 4),
            std::to_string(box ? y - top / 2 - 1 : y + height - 6), "click", "1"});
    } else if (verb == "double-click-title") {  // of the progress window: Label1 at 184,80
      Tool({"xdotool", "mousemove", "--window", FindWindow("Kelvax Ver3"), "224", "88", "click",
            "--repeat", "2", "--delay", "80", "1"});
    } else if (verb == "shell") {
      Tool({"sh", "-c", rest});
    } else if (verb == "sleep") {
      SleepMs(std::stoi(w[1]));
    } else {
      FAIL() << "unknown step: " << verb;
    }
  }
  std::string Frame() {  // "" until the window manager has framed the window
    const std::string frame = Tool({"xprop", "-id", window_, "_NET_FRAME_EXTENTS"});
    return Has(frame, " = ") ? frame : "";
  }

  // Whether a check holds now; `seen` says what was found.
  bool Holds(const std::vector<std::string>& w, const std::string& text, std::string& seen) {
    const std::string& what = w[1];
    if (what == "active") return (seen = ActiveWindow()) == text;
    if (what == "shown") return !FindWindow(text).empty();
    if (what == "gone") return FindWindow(text).empty();
    if (what == "topmost") {
      const std::string stack = Tool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"});
      return (seen = Tool({"xdotool", "getwindowname", stack.substr(stack.rfind(' ') + 1)})) ==
             text;
    }
    if (what == "running") return program_->running();
    if (what == "ended")
      return !program_->running() && std::to_string(program_->exit_status()) == text;
    if (what == "file") return (seen = Bytes(w[2])) == Unescaped(After(text));
    if (what == "file-contains") return Has(seen = Bytes(w[2]), Unescaped(After(text)));
    if (what == "no-file")
      return !test::PathExists(folder_ + "/" + text) && Bytes(text, true) == "";
    if (what == "unfinished-over") return Bytes(w[2], true).size() > std::stoul(w[3]);
    if (what == "records")
      return test::ReadLogRecords(folder_ + "/SQLLOG.txt").size() == std::stoul(text);
    if (what == "log-contains") return Has(seen = Records(), Unescaped(text));
    if (what == "stderr-starts") return (seen = program_->err()).starts_with(Unescaped(text));
    if (what == "stderr-lines") {  // every line of standard error matches
      std::istringstream err(seen = program_->err());
      const std::regex pattern(text);
      for (std::string line; std::getline(err, line);)
        if (!std::regex_match(line, pattern)) return false;
      return true;
    }
    if (what == "clipboard" || what == "clipboard-contains") {
      seen = Run({"xclip", "-selection", "clipboard", "-t", w[2], "-o"});
      return what == "clipboard" ? seen == Unescaped(After(text)) : Has(seen, After(text));
    }
    if (what == "holders")  // the live processes (zombies have no command line) holding it
      return (seen = Tool({"pgrep", "-c", "-x", "-f", exe_ + " --hold-clipboard"})) == text;
    if (what == "mapped" || what == "unmapped") {
      seen = test::ReadFileBytes("/proc/" + std::to_string(program_->pid()) + "/maps");
      return Has(seen, text) == (what == "mapped");
    }
    if (what == "painted") {  // the progress window: 287 x 105 pixels, the gradient behind
      const std::string shot = folder_ + "/shot.png", window = FindWindow("Kelvax Ver3");
      if (window.empty()) return false;  // import would wait for a window to be picked
      Tool({"import", "-window", window, shot});
      seen = test::PathExists(shot)
                 ? Tool({"convert", shot, "-format", "%wx%h %[pixel:p{286,0}]", "info:"})
                 : "no screenshot";
      std::remove(shot.c_str());
      return seen == "287x105 srgb(60,60,158)";
    }
    ADD_FAILURE() << "unknown check: " << what;
    return true;
  }
  static std::string After(const std::string& text) { return text.substr(text.find(' ') + 1); }

  std::unique_ptr<Child> xvfb_, wm_, program_;
  Env x_env_, env_;  // for the tools; for the program
  std::string folder_, exe_, window_;
};

// Each line a step; a line that starts with a blank goes on the one before; # starts a note.
TEST_P(KelvaxDesktopTest, Steps) {
  std::istringstream file(test::ReadFileBytes(GetParam()));
  std::vector<std::string> steps;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with(" ") && !steps.empty())
      steps.back() += line.substr(line.find_first_not_of(' '));
    else if (!line.empty() && !line.starts_with("#"))
      steps.push_back(line);
  }
  for (std::string step : steps) {
    for (size_t at; (at = step.find("@DIR@")) != std::string::npos;) step.replace(at, 5, folder_);
    const std::vector<std::string> w = Words(step);
    const std::string rest = step.substr(std::min(step.size(), w[0].size() + 1));
    if (w[0] != "expect") {
      Act(w[0], w, rest);
      if (IsSkipped() || HasFatalFailure()) return;
      continue;
    }
    const std::string text = After(rest);
    std::string seen;
    ASSERT_TRUE(WaitUntil([&] { return Holds(w, text, seen); }, 60000))
        << step << "\nseen: " << seen << "\nactive: " << ActiveWindow()
        << "\nstderr: " << (program_ ? program_->err() : "");
  }
}

std::vector<std::string> StepFiles() {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(KELVAX_SOURCE_DIR "/tests/ui/desktop"))
    if (e.path().extension() == ".steps") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

INSTANTIATE_TEST_SUITE_P(Desktop, KelvaxDesktopTest, ::testing::ValuesIn(StepFiles()),
                         [](const auto& info) { return fs::path(info.param).stem().string(); });

}  // namespace
}  // namespace kelvax
