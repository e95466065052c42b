// An ODBC handle that is freed when its owner goes, whatever the path. <sql.h> stays out of
// this header: the handle types are the ODBC values.
#pragma once

#include <utility>

namespace kelvax::odbc {

inline constexpr short kEnvHandle = 1;   // SQL_HANDLE_ENV
inline constexpr short kDbcHandle = 2;   // SQL_HANDLE_DBC
inline constexpr short kStmtHandle = 3;  // SQL_HANDLE_STMT

// SQLAllocHandle and SQLFreeHandle.
short AllocateHandle(short type, void* parent, void** handle);
void FreeHandle(short type, void* handle);

template <short Type>
class Handle {
 public:
  Handle() = default;
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  // A new handle under `parent` (none for an environment), replacing this one; the ODBC return
  // code.
  short Allocate(void* parent) {
    reset();
    return AllocateHandle(Type, parent, &handle_);
  }
  void reset() {
    if (handle_) FreeHandle(Type, std::exchange(handle_, nullptr));
  }
  void* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

using EnvHandle = Handle<kEnvHandle>;
using DbcHandle = Handle<kDbcHandle>;
using StmtHandle = Handle<kStmtHandle>;

}  // namespace kelvax::odbc
