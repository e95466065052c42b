// What the private database servers of the tests share: a short folder under /tmp for the data
// and the socket, a program run that must succeed, and a watchdog that stops the server and
// removes its folder should the test process die without running its exit handlers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace kelvax::test {

// A new 0700 folder under /tmp whatever TMPDIR says: a socket path must stay short (108 bytes)
// and a server's own OS user must reach it. Given an `owner`, the folder is handed to that user.
std::string MakeServerFolder(const std::string& prefix, const std::string& owner = "");

// RunProgram with the folder "/", LC_ALL=C and `input` (SQL, say) on standard input. Returns its
// output without the last line end; throws, with what it printed, when it exits non-zero.
std::string RunOrThrow(std::vector<std::string> argv,
                       const std::map<std::string, std::string>& env = {},
                       const std::string& input = "");

// Stops the server and removes its folder should the test process die without its exit handlers.
class ServerWatchdog {
 public:
  ServerWatchdog() = default;
  ~ServerWatchdog() { Disarm(); }
  ServerWatchdog(const ServerWatchdog&) = delete;
  ServerWatchdog& operator=(const ServerWatchdog&) = delete;

  // Starts a process, out of the test's process group, that checks every second that this one
  // lives. Should this process end without Disarm(), it runs `script` with /bin/sh, `args` as
  // $1.., and exits.
  void Arm(const std::string& script, const std::vector<std::string>& args);
  // Ends the watchdog: the server is being stopped in order.
  void Disarm();

 private:
  int pid_ = -1;
};

// The one server of its kind in the test process, started on first use and stopped at exit.
// `Server` derives from SharedServer<Server> and befriends it; it gives a private default
// constructor, Start() and Stop() (the server only: the watchdog and the folder are left to this
// class), a static MissingReason() (empty when all it needs is installed) and a static constexpr
// kName for messages. For the tests it gives ConnectString(); Exec(sql) and QueryRows(sql) through
// the server's own client (columns joined with '|', rows with '\n', NULL as "NULL"; throws on the
// first error); and ResetDatabase(), a clean slate for the next test.
template <class Server>
class SharedServer {
 public:
  // The started server, or nullptr when it is not installed (tests then skip; see
  // KELVAX_REQUIRE_SERVER). One that is installed but cannot start throws std::runtime_error,
  // now and on every later call, so that its tests fail.
  static Server* Get() {
    if (instance_) return instance_;
    if (!start_error_.empty()) throw std::runtime_error(start_error_);
    if (!Server::MissingReason().empty()) return nullptr;
    std::unique_ptr<Server> server(new Server());
    try {
      server->Start();
    } catch (const std::exception& e) {
      start_error_ = std::string(Server::kName) + " sandbox: " + e.what();
      server->Shutdown();
      throw std::runtime_error(start_error_);
    }
    instance_ = server.release();
    // The object is never used after exit handlers start.
    std::atexit([] {
      instance_->Shutdown();
      delete instance_;
      instance_ = nullptr;
    });
    return instance_;
  }

  const std::string& database() const { return database_; }
  SharedServer(const SharedServer&) = delete;
  SharedServer& operator=(const SharedServer&) = delete;

 protected:
  SharedServer() = default;
  std::string folder_;  // under /tmp: the data, the socket, the server's log
  std::string database_ = "kelvax";
  ServerWatchdog watchdog_;

 private:
  // Stops the server, then removes its folder unless KELVAX_KEEP_TEST_FILES is set.
  void Shutdown() {
    static_cast<Server*>(this)->Stop();
    watchdog_.Disarm();
    if (!folder_.empty() && !std::getenv("KELVAX_KEEP_TEST_FILES")) {
      std::error_code ec;
      std::filesystem::remove_all(folder_, ec);
    }
  }

  static inline Server* instance_ = nullptr;
  static inline std::string start_error_;
};

}  // namespace kelvax::test

// In a test body or SetUp: assigns the server to `server` (a PostgresSandbox* or MariaDbSandbox*
// variable or member), or skips the test when that server is not installed.
#define KELVAX_REQUIRE_SERVER(server)                      \
  server = std::remove_pointer_t<decltype(server)>::Get(); \
  if (server == nullptr) GTEST_SKIP() << std::remove_pointer_t<decltype(server)>::MissingReason()
