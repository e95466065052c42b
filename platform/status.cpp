#include "platform/status.h"

#include <cerrno>
#include <cstring>

namespace kelvax {

Status ErrnoStatus(int err, const std::string& what) {
  long number = errnum::kFileIo;
  switch (err) {
    case ENOENT:
      number = errnum::kFileNotFound;
      break;
    case ENOTDIR:
      number = errnum::kPathNotFound;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      number = errnum::kPermissionDenied;
      break;
    case ENOMEM:
      number = errnum::kOutOfMemory;
      break;
    case EEXIST:
      number = errnum::kFileAlreadyExists;
      break;
    default:
      break;
  }
  std::string text =
      what.empty() ? std::string(std::strerror(err)) : what + ": " + std::strerror(err);
  return Status::Error(number, text);
}

}  // namespace kelvax
