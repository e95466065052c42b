// The built program on a desktop of its own (a private Xvfb, a window manager where it matters)
// and with no display at all: the progress window of an unattended run, the end by a double click
// on its title, the command center played by keys and clicks, the clipboard that outlives the
// program, the single instance, and cron-style runs. The X tools (xdotool, xclip, ImageMagick)
// play the user.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/text/cp932.h"
#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

// Long enough never to finish while a test looks at it (rows of two numbers).
const std::string kSlowQuery =
    "WITH RECURSIVE S(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM S WHERE N < 200000000) "
    "SELECT N, N * 2 FROM S";

const std::map<std::string, std::string> kNoDisplay = {{"DISPLAY", "\x01"},
                                                       {"WAYLAND_DISPLAY", "\x01"},
                                                       {"WAYLAND_SOCKET", "\x01"},
                                                       {"QT_QPA_PLATFORM", "\x01"}};

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

// A program running beside the test (see test::StartProgram), killed with its process group if
// it still runs at the end.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
        const std::string& cwd = "", int stderr_fd = -1)
      : started_(test::StartProgram(argv, env, cwd, stderr_fd)) {}
  ~Child() {
    if (!running()) return;
    kill(-started_.pid, SIGKILL);
    Wait(5000);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool running() {
    if (exit_status_ >= 0 || started_.pid <= 0) return false;
    int raw = 0;
    const pid_t r = waitpid(started_.pid, &raw, WNOHANG);
    if (r == started_.pid) exit_status_ = test::ExitStatusOf(raw);
    return r == 0;
  }
  // Waits up to timeout_ms; true when the process ended (exit_status() then holds its status).
  bool Wait(int timeout_ms) {
    return WaitUntil([this] { return !running(); }, timeout_ms);
  }
  int pid() const { return started_.pid; }
  int exit_status() const { return exit_status_; }
  std::string out() const { return test::ReadFileBytes(started_.out_file); }
  std::string err() const { return test::ReadFileBytes(started_.err_file); }

 private:
  test::StartedProgram started_;
  int exit_status_ = -1;
};

// Runs a tool to its end (killed after 20 s); returns its exit status, its output in `out`.
int RunTool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            std::string* out = nullptr) {
  Child child(argv, env);
  if (!child.Wait(20000)) return -1;
  if (out) *out = child.out();
  return child.exit_status();
}

class KelvaxDesktopTest : public ::testing::Test {
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
    wm_.reset();
    if (!xvfb_) return;
    kill(xvfb_->pid(), SIGTERM);
    xvfb_->Wait(5000);  // then ~Child kills what is left
  }

  // Xvfb on a display number it picks itself, and openbox on it when `window_manager`; false (the
  // test skips) without the X tools.
  bool StartX(bool window_manager = false) {
    if (RunTool({"which", "Xvfb", "xdotool", "import", "xclip", "openbox", "xprop", "xwininfo"},
                {}) != 0)
      return false;
    // The server writes its display number once it accepts connections.
    xvfb_ = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp", "-noreset"},
        std::map<std::string, std::string>{});
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
          return Tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("# 0x") !=
                 std::string::npos;
        },
        20000);
  }

  // The first line a tool prints on our display.
  std::string Tool(const std::vector<std::string>& argv) {
    std::string out;
    RunTool(argv, x_env_, &out);
    return out.substr(0, out.find('\n'));
  }
  void Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunTool(args, x_env_);
  }

  std::string WriteJob(const std::string& text) {
    test::WriteFileBytes(folder_ + "/job.ini", text);
    return folder_ + "/job.ini";
  }
  std::string Task(int n, const std::string& sql, const std::string& rest) {  // n: 1 .. 9
    return "[CONNECTION0" + std::to_string(n) + "]\r\nDSN01=DSN=DESKDB\r\nSQL01=" + sql + "\r\n" +
           rest;
  }
  std::string Log() { return test::ReadFileBytes(folder_ + "/SQLLOG.txt"); }

  // The bytes of B.TXT written so far: an output is written as .B.TXT.kelvax-XXXXXX until whole.
  std::string UnfinishedB() {
    for (const auto& e : std::filesystem::directory_iterator(folder_)) {
      if (e.path().filename().string().starts_with(".B.TXT.kelvax-"))
        return test::ReadFileBytes(e.path());
    }
    return "";
  }

  // The X id of the window titled `name` (a pattern), once it is mapped.
  std::string FindWindow(const std::string& name) {
    std::string id;
    WaitUntil(
        [&] {
          return !(id = Tool({"xdotool", "search", "--onlyvisible", "--name", name})).empty();
        },
        20000);
    return id;
  }

  // The progress window, once painted: 287 x 105 pixels, the gradient behind the labels (mapped
  // comes before painted: a loaded machine shows the gap).
  std::string ExpectProgressWindow(const Child& run) {
    const std::string window = FindWindow("^Kelvax Ver3$");
    EXPECT_FALSE(window.empty()) << run.err();
    const std::string shot = folder_ + "/shot.png", painted = "287x105 srgb(60,60,158)";
    std::string seen;
    WaitUntil(
        [&] {
          seen = RunTool({"import", "-window", window, shot}, x_env_) == 0
                     ? Tool({"convert", shot, "-format", "%wx%h %[pixel:p{286,0}]", "info:"})
                     : "no screenshot";
          return seen == painted;
        },
        10000);
    EXPECT_EQ(seen, painted);
    return window;
  }
  // A double click on the progress window's title (Label1 at 184,80).
  void DoubleClickTitle(const std::string& window) {
    Xdo({"mousemove", "--window", window, "224", "88", "click", "--repeat", "2", "--delay", "80",
         "1"});
  }

  std::string Clipboard(const std::string& target) {
    std::string out;
    RunTool({"xclip", "-selection", "clipboard", "-t", target, "-o"}, x_env_, &out);
    return out;
  }

  std::unique_ptr<Child> xvfb_, wm_;
  std::map<std::string, std::string> x_env_;  // DISPLAY set to the server
  std::string folder_, exe_;
};

// The window reaches the screen before a statement that holds the program for seconds, with no
// warning from the toolkit on a display without XDG_RUNTIME_DIR (a cron job); a double click on
// its title then cuts the run in the middle of a later task.
TEST_F(KelvaxDesktopTest, TheProgressWindowIsPaintedAtOnceAndADoubleClickOnItsTitleEndsTheRun) {
  if (!StartX()) GTEST_SKIP() << "needs Xvfb and the X tools";
  std::map<std::string, std::string> env = x_env_;
  env["XDG_RUNTIME_DIR"] = "\x01";
  const std::string count =
      "WITH RECURSIVE S(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM S WHERE N < 5000000) "
      "SELECT COUNT(*) FROM S";
  Child run(
      {exe_, WriteJob(Task(1, count, "OUTPUT=TAB\r\nEXPORT=%PATH%/N.TXT\r\nINDICATOR=ON\r\n") +
                      Task(2, kSlowQuery, "OUTPUT=TAB\r\nEXPORT=%PATH%/B.TXT\r\nINDICATOR=ON\r\n") +
                      Task(3, "SELECT A FROM T", "OUTPUT=TAB\r\nEXPORT=%PATH%/C.TXT\r\n"))},
      env, folder_);
  ASSERT_FALSE(ExpectProgressWindow(run).empty());
  EXPECT_FALSE(test::PathExists(folder_ + "/N.TXT"))
      << "the statement ended before the window was looked at";

  // The rows go on while the window is up; then the double click.
  ASSERT_TRUE(WaitUntil([&] { return UnfinishedB().size() > 100000; }, 120000));
  DoubleClickTitle(FindWindow("^Kelvax Ver3$"));
  ASSERT_TRUE(run.Wait(20000)) << "the run did not end";
  EXPECT_EQ(run.exit_status(), 2) << run.err();
  std::istringstream err(run.err());
  for (std::string line; std::getline(err, line);)
    EXPECT_TRUE(line.starts_with("kelvax: ") || line.starts_with("  ")) << line;

  // Task 1's record and one naming the cut task and its removed output: no later task, no end
  // of run.
  std::vector<std::string> records = test::ReadLogRecords(folder_ + "/SQLLOG.txt");
  ASSERT_EQ(records.size(), 2u) << Log();
  EXPECT_EQ(records[0], "<TS> \r\n1番目は<ET>経過しています\r\n");
  EXPECT_TRUE(records[1].starts_with(
      "<TS> 2番目の処理で実行を打ち切りました\r\n進行状況ウィンドウから終了しました\r\n"
      "書きかけの出力ファイルは削除しました（"))
      << records[1];
  EXPECT_TRUE(!test::PathExists(folder_ + "/B.TXT") && UnfinishedB().empty());
  EXPECT_FALSE(test::PathExists(folder_ + "/C.TXT"));
}

// The windows under a window manager, played by keys and clicks: each row what the user does,
// then what must hold. Enter presses the focused button and means OK in a field; the close box
// of a disabled window does nothing; a dialog comes up active and above its owner, and is active
// again when its own dialog goes; Tab enters the output modes on the checked one; F10 opens the
// menu bar.
TEST_F(KelvaxDesktopTest, TheWindowsAnswerKeysAndClicksAsADesktopUserExpects) {
  if (!StartX(true)) GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
  const std::string config = folder_ + "/RunConfig.ini";
  const std::string defaults =
      "[CONNECTION01]\r\nDSN01=DSN=DESKDB\r\nOUTPUT=CSV\r\nEXPORT=%PATH%/OUT.CSV\r\n";
  test::WriteFileBytes(config, defaults);
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "old records");
  std::unique_ptr<Child> center;
  std::string id;
  // A job argument of blanks opens the command center as no argument does.
  auto start = [&](std::vector<std::string> argv) {
    center = std::make_unique<Child>(argv, x_env_, folder_);
    id = FindWindow("^コマンドセンター$");
    return !id.empty() &&
           WaitUntil(
               [&] {
                 return Tool({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}).find(" = ") !=
                        std::string::npos;
               },
               20000);
  };
  ASSERT_TRUE(start({exe_, "   "})) << center->err();
  EXPECT_FALSE(test::PathExists(folder_ + "/SQLLOG.txt"));  // the old log goes as it opens

  auto active = [&] { return Tool({"xdotool", "getactivewindow", "getwindowname"}); };
  auto shown = [&](const std::string& name) {
    return !Tool({"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"}).empty();
  };
  auto topmost = [&] {
    const std::string stack = Tool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"});
    return Tool({"xdotool", "getwindowname", stack.substr(stack.rfind(' ') + 1)});
  };
  auto keys = [&](std::vector<std::string> k) {
    k.insert(k.begin(), {"key", "--delay", "150"});
    Xdo(k);
  };
  auto type = [&](const std::string& text) { Xdo({"type", "--delay", "30", text}); };
  // The close box is the title bar's rightmost button; the window's own area starts below it.
  auto click = [&](bool close_box) {
    int x = 0, y = 0, w = 0, h = 0, left = 0, right = 0, top = 0;
    std::sscanf(Tool({"sh", "-c",
                      "xwininfo -id " + id +
                          " | awk -F: '/Absolute upper-left|Width|Height/ {printf \"%d \", $2}'"})
                    .c_str(),
                "%d %d %d %d", &x, &y, &w, &h);
    std::sscanf(Tool({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}).c_str(), "%*[^=]= %d, %d, %d",
                &left, &right, &top);
    Xdo({"mousemove", std::to_string(close_box ? x + w + right - 12 : x + 4),
         std::to_string(close_box ? y - top / 2 - 1 : y + h - 6), "click", "1"});
  };
  const std::vector<std::string> settings = {"F10", "Right", "Right", "Down",
                                             "Return"};  // オプション, 環境設定
  struct Row {
    const char* what;
    std::function<void()> act;
    std::function<bool()> holds;
  };
  const std::vector<Row> rows = {
      {"F10 opens the menus; 環境設定 comes up active", [&] { keys(settings); },
       [&] { return active() == "初期設定"; }},
      {"a click on the disabled command center leaves the dialog active above it",
       [&] { click(false); }, [&] { return active() == "初期設定" && topmost() == "初期設定"; }},
      {"the disabled command center's close box does nothing", [&] { click(true); },
       [&] {
         SleepMs(300);
         return center->running() && active() == "初期設定";
       }},
      {"Enter on a focused ... presses it",
       [&] {
         type("X");
         keys({"Tab", "Return"});
       },
       [&] { return active() == "データソースの選択" && test::ReadFileBytes(config) == defaults; }},
      {"its cancel message", [&] { keys({"Escape"}); }, [&] { return active() == "Kelvax Ver3"; }},
      {"the settings dialog is active again", [&] { keys({"Return"}); },
       [&] { return active() == "初期設定"; }},
      {"Enter on a focused キャンセル saves nothing",
       [&] {
         keys({"shift+Tab", "shift+Tab", "Return"});
       },
       [&] {
         return !shown("初期設定") && active() == "コマンドセンター" &&
                test::ReadFileBytes(config) == defaults;
       }},
      {"Enter in a field means OK",
       [&] {
         keys(settings);
         SleepMs(500);
         keys({"ctrl+a"});
         type("DSN=DESKDB;X=1");
         keys({"Return"});
       },
       [&] {
         return !shown("初期設定") &&
                test::ReadFileBytes(config).find("DSN01=DSN=DESKDB;X=1\r\n") != std::string::npos;
       }},
      // 全て選択 puts the focus in the statement, where Return starts a line; Tab then reaches
      // ＣＳＶ, the two switches (the second unchecked), the output file and 実行.
      {"Tab enters the output modes on the checked one; Enter presses the focused 実行",
       [&] {
         keys({"F10", "Right", "Down", "Down", "Down", "Down", "Return"});
         type("select a");
         keys({"Return"});
         type("from t where a < 3");
         keys({"Tab", "Tab", "Tab", "space", "Tab", "Tab", "Return"});
       },
       [&] {
         const std::string job = test::ReadFileBytes(folder_ + "/kelvax.ini");
         return test::ReadFileBytes(folder_ + "/OUT.CSV") == "A\r\n1\r\n2\r\n" &&
                test::ReadLogRecords(folder_ + "/SQLLOG.txt").size() == 2 &&
                job.find("SQL01=select a from t where a < 3\r\n") != std::string::npos &&
                job.find("OUTPUT=CSV\r\n") != std::string::npos &&
                job.find("COUNTER=ON\r\n") != std::string::npos;
       }},
      {"the close box of the enabled window ends the program", [&] { click(true); },
       [&] { return !center->running() && center->exit_status() == 0; }},
      {"a slow statement runs from the command center, started again",
       [&] {
         test::WriteFileBytes(config, Task(1, kSlowQuery, "OUTPUT=TAB\r\nEXPORT=%PATH%/B.TXT\r\n"));
         ASSERT_TRUE(start({exe_}));
         keys({"shift+Tab", "shift+Tab", "Return"});
       },
       [&] { return shown("Kelvax Ver3") && UnfinishedB().size() > 1000; }},
      {"during the run the close box does nothing, and the progress window stays above",
       [&] {
         click(true);
         click(false);
       },
       [&] {
         SleepMs(300);
         return center->running() && topmost() == "Kelvax Ver3";
       }},
      {"a double click on its title ends the run and the program, the log says how",
       [&] { DoubleClickTitle(FindWindow("^Kelvax Ver3$")); },
       [&] {
         return !center->running() &&
                Log().find(ToCp932("\r\n進行状況ウィンドウから終了しました\r\n")) !=
                    std::string::npos;
       }},
  };
  for (const Row& row : rows) {
    row.act();
    ASSERT_TRUE(WaitUntil(row.holds, 20000))
        << row.what << "; active: " << active() << "; " << center->err();
  }
}

TEST_F(KelvaxDesktopTest, ClipboardTextOutlivesTheProgramUntilAnotherProgramTakesIt) {
  if (!StartX()) GTEST_SKIP() << "needs Xvfb and the X tools";
  test::ProcessResult r = test::RunProgram(
      {exe_, WriteJob(Task(1, "SELECT A, B FROM T ORDER BY A", "OUTPUT=CRIP\r\nINDICATOR=ON\r\n"))},
      x_env_);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(
      Clipboard("UTF8_STRING"),
      "A\tB\r\n1\t\xE5\xB1\xB1\xE7\x94\xB0\r\n2\t\r\n3\t\"x\ty\"\r\n4\t\"\"\"q\"\r\n5\t<b>&\r\n");
  const std::string html = Clipboard("text/html");
  EXPECT_NE(html.find("<tr><td>5</td><td>&lt;b&gt;&amp;</td></tr>"), std::string::npos) << html;
  // The live processes (zombies have no command line) holding the clipboard.
  auto holders = [&] {
    std::string count;
    RunTool({"pgrep", "-c", "-x", "-f", exe_ + " --hold-clipboard"}, {}, &count);
    return std::atoi(count.c_str());
  };
  EXPECT_EQ(holders(), 1);

  // A second copy replaces the first, and only one holder stays.
  r = test::RunProgram({exe_, WriteJob(Task(1, "SELECT A FROM T WHERE A = 2", "OUTPUT=CRIP\r\n"))},
                       x_env_);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Clipboard("UTF8_STRING"), "A\r\n2\r\n");
  EXPECT_TRUE(WaitUntil([&] { return holders() == 1; }, 10000));

  // Another program copies: our holder has nothing left to serve and ends.
  Child other({"sh", "-c", "printf other | xclip -selection clipboard -i"}, x_env_);
  ASSERT_TRUE(other.Wait(10000));
  EXPECT_EQ(Clipboard("UTF8_STRING"), "other");
  EXPECT_TRUE(WaitUntil([&] { return holders() == 0; }, 10000));
}

// While a run without a display writes its second task's rows: no window toolkit is loaded, and a
// second instance ends at once without touching the first one's log.
TEST_F(KelvaxDesktopTest, WithoutADisplayTheToolkitIsNeverLoadedAndASecondInstanceEndsAtOnce) {
  std::string job =
      WriteJob(Task(1, "SELECT A FROM T", "OUTPUT=TAB\r\nEXPORT=%PATH%/A.TXT\r\n") +
               Task(2, kSlowQuery, "OUTPUT=TAB\r\nEXPORT=%PATH%/B.TXT\r\nINDICATOR=ON\r\n"));
  Child first({exe_, job}, kNoDisplay, folder_);
  ASSERT_TRUE(WaitUntil([&] { return !UnfinishedB().empty(); }, 20000)) << first.err();
  const std::string maps = test::ReadFileBytes("/proc/" + std::to_string(first.pid()) + "/maps");
  ASSERT_NE(maps.find("libodbc"), std::string::npos) << maps;  // the run is under way
  EXPECT_EQ(maps.find("libQt6"), std::string::npos);

  const std::string log = Log();
  ASSERT_NE(log.find("1\x94\xd4\x96\xda"), std::string::npos);  // "1番目" in CP932
  test::ProcessResult second = test::RunProgram({exe_, job}, kNoDisplay);
  EXPECT_EQ(second.exit_status, 3);
  EXPECT_EQ(std::count(second.err.begin(), second.err.end(), '\n'), 1) << second.err;
  EXPECT_EQ(Log(), log);
  EXPECT_TRUE(first.running());
}

// With no display, or one that cannot be opened, the job runs and only the clipboard task fails;
// with no job either there is nothing to open the command center on.
TEST_F(KelvaxDesktopTest, WithoutADisplayTheJobRunsAndOnlyTheClipboardFails) {
  const std::string job =
      WriteJob(Task(1, "SELECT A FROM T",
                    "OUTPUT=TAB\r\nEXPORT=%PATH%/A.TXT\r\nINDICATOR=ON\r\nSHOWDATA=ON\r\n") +
               Task(2, "SELECT A FROM T", "OUTPUT=CRIP\r\nINDICATOR=ON\r\n") +
               Task(3, "SELECT A FROM T WHERE A = 1", "OUTPUT=CSV\r\nEXPORT=%PATH%/C.CSV\r\n"));
  const std::string no_such_display = folder_ + "/no-display";
  for (const auto& env :
       {kNoDisplay, std::map<std::string, std::string>{{"DISPLAY", ":93.0"},
                                                       {"XAUTHORITY", no_such_display},
                                                       {"WAYLAND_DISPLAY", no_such_display},
                                                       {"QT_QPA_PLATFORM", "\x01"}}}) {
    test::ProcessResult r = test::RunProgram({exe_, job}, env);
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_TRUE(
        r.err.starts_with("kelvax: クリップボードを開くことができません 処理が失敗しました (no "
                          "display)\nkelvax: 1 of 3 tasks failed"))
        << r.err;
    EXPECT_EQ(test::ReadFileBytes(folder_ + "/A.TXT"), "A\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    EXPECT_EQ(test::ReadFileBytes(folder_ + "/C.CSV"), "A\r\n1\r\n");
    std::vector<std::string> records = test::ReadLogRecords(folder_ + "/SQLLOG.txt");
    ASSERT_EQ(records.size(), 5u) << Log();
    EXPECT_TRUE(records[1].starts_with(
        "<TS> 5番目でファイルの出力に失敗しました\r\n521:クリップボードを開くことができません"));
    EXPECT_EQ(records[4], "<TS> \r\n3番目は<ET>経過しています\r\n" + std::string(test::kSeparator) +
                              "\r\n<ET>かかりました\r\n");
  }
  EXPECT_EQ(test::RunProgram({exe_}, kNoDisplay).exit_status, 2);
}

TEST_F(KelvaxDesktopTest, WithoutADisplayATerminalShowsALineOfProgress) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  const std::string job =
      WriteJob(Task(1, "SELECT A FROM T",
                    "OUTPUT=TAB\r\nEXPORT=%PATH%/A.TXT\r\nINDICATOR=ON\r\nCOUNTER=ON\r\n") +
               Task(2, "SELECT A FROM T", "OUTPUT=TAB\r\nEXPORT=%PATH%/B.TXT\r\n"));
  Child run({exe_, job}, kNoDisplay, folder_, slave);
  close(slave);
  std::string seen;
  char buf[4096];
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
    seen.append(buf, static_cast<size_t>(n));
  close(master);
  ASSERT_TRUE(run.Wait(20000));
  EXPECT_EQ(run.exit_status(), 0) << seen;
  // The first row at once; the line stays for the rest of the run (like the window) and ends
  // with the last row of the last task (the pty adds \r before the line end).
  EXPECT_TRUE(seen.starts_with("\rkelvax: task 1/2  rows 1/5  00:00:00\x1b[K")) << seen;
  EXPECT_TRUE(seen.ends_with("\rkelvax: task 2/2  rows 5  00:00:00\x1b[K\r\n")) << seen;

  // Standard error that is no terminal stays quiet.
  test::ProcessResult quiet = test::RunProgram({exe_, job}, kNoDisplay);
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace kelvax
