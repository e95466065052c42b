#include "platform/status.h"

#include <cerrno>
#include <cstring>

namespace kelvax {

Status ErrnoStatus(int err, const std::string& what) {
  StatusCode code = StatusCode::kFileIo;
  switch (err) {
    case ENOENT:
      code = StatusCode::kFileNotFound;
      break;
    case ENOTDIR:
      code = StatusCode::kPathNotFound;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      code = StatusCode::kPermissionDenied;
      break;
    case ENOMEM:
      code = StatusCode::kOutOfMemory;
      break;
    case EEXIST:
      code = StatusCode::kFileAlreadyExists;
      break;
    default:
      break;
  }
  std::string text =
      what.empty() ? std::string(std::strerror(err)) : what + ": " + std::strerror(err);
  return Status::Error(code, text);
}

}  // namespace kelvax
