// What the private database servers of the tests share. tests/support/server.sh starts one in a
// short folder under /tmp, runs SQL with its own client and stops it; the watchdog it leaves
// stops the server and removes its folder should the test process die without its exit handlers.
#pragma once

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace kelvax::test {

class ServerSandbox {
 public:
  ServerSandbox(const ServerSandbox&) = delete;
  ServerSandbox& operator=(const ServerSandbox&) = delete;

  virtual std::string ConnectString() const = 0;
  // Through the server's own client (columns joined with '|', rows with '\n', NULL as "NULL");
  // throws on the first error.
  std::string QueryRows(const std::string& sql) const;
  void Exec(const std::string& sql) const { QueryRows(sql); }
  // A clean slate for the next test.
  void ResetDatabase() const;
  const std::string& database() const { return database_; }

 protected:
  explicit ServerSandbox(const char* engine);  // a new folder, no server yet
  ~ServerSandbox();                            // stops the server, removes its folder
  void Start();
  // server.sh ENGINE COMMAND FOLDER ARGS... (see there): its output; throws when it fails.
  std::string Script(const std::string& command, std::vector<std::string> args = {}) const;
  // Runs `sql` in `database` ("": none, on MariaDB).
  std::string Sql(const std::string& database, const std::string& sql) const;
  // What is not installed for `engine` and its ODBC driver `library`, or "".
  static std::string Missing(const char* engine, const char* library);

  const std::string engine_;
  std::string folder_;
  std::string database_ = "kelvax";
};

// The one server of its kind in the test process, started on first use and stopped at exit.
// `Server` befriends it and gives a private default constructor, kName (for messages), kEngine
// (server.sh's name) and kDriver (its ODBC driver's library).
template <class Server>
class SharedServer : public ServerSandbox {
 public:
  // The started server, or nullptr when it is not installed (tests then skip; see
  // KELVAX_REQUIRE_SERVER). One that is installed but cannot start throws std::runtime_error,
  // now and on every later call, so that its tests fail.
  static Server* Get() {
    static Server* instance = nullptr;
    static std::string start_error;
    if (instance) return instance;
    if (!start_error.empty()) throw std::runtime_error(start_error);
    if (!MissingReason().empty()) return nullptr;
    std::unique_ptr<Server> server(new Server());
    try {
      server->Start();
    } catch (const std::exception& e) {
      start_error = std::string(Server::kName) + " sandbox: " + e.what();
      throw std::runtime_error(start_error);
    }
    instance = server.release();
    // After the ODBC sandbox is made (Start runs programs with its environment), so before it
    // is destroyed; the object is never used after exit handlers start.
    std::atexit([] { delete instance; });
    return instance;
  }
  static std::string MissingReason() {
    static const std::string why = Missing(Server::kEngine, Server::kDriver);
    return why;
  }

 protected:
  SharedServer() : ServerSandbox(Server::kEngine) {}
};

}  // namespace kelvax::test

// In a test body or SetUp: assigns the server to `server` (a PostgresSandbox* or MariaDbSandbox*
// variable or member), or skips the test when that server is not installed.
#define KELVAX_REQUIRE_SERVER(server)                      \
  server = std::remove_pointer_t<decltype(server)>::Get(); \
  if (server == nullptr) GTEST_SKIP() << std::remove_pointer_t<decltype(server)>::MissingReason()
