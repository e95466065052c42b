#include "tests/support/postgres_sandbox.h"

#include "tests/support/sandbox.h"

namespace kelvax::test {

void PostgresSandbox::Start() {
  ServerSandbox::Start();
  OdbcSandbox::Get().AddDsn(DsnName(), {{"Driver", "PostgreSQL Unicode"},
                                        {"Servername", folder_},
                                        {"Port", "5432"},
                                        {"Database", database_},
                                        {"Username", "postgres"},
                                        {"UseDeclareFetch", "1"},
                                        {"Fetch", "100"}});
}

std::string PostgresSandbox::ConnectString() const {
  return "DRIVER={PostgreSQL Unicode};Servername=" + folder_ + ";Port=5432;Database=" + database_ +
         ";UID=postgres;UseDeclareFetch=1;Fetch=100";
}

int PostgresSandbox::TerminateClientBackends() const {
  // With a timeout, pg_terminate_backend waits until the session is gone.
  return std::stoi(QueryRows(
      "SELECT COUNT(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity WHERE datname = "
      "current_database() AND pid <> pg_backend_pid() AND backend_type = 'client backend'"));
}

}  // namespace kelvax::test
