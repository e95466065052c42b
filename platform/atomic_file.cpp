#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process_umask.h"

namespace kelvax {

namespace {

// A file name may hold 255 bytes; the temporary name adds 15 to the final one.
constexpr std::size_t kLongestBase = 200;
// Written data is handed to the disk every this many bytes while the file grows, so that the
// flush at Commit has little left to wait for.
constexpr std::uint64_t kWritebackBytes = 8 << 20;

// Flushes the folder that holds `path`. A folder that cannot be opened for reading, or a file
// system without folder flushes, has nothing to report.
Status FlushFolderOf(const std::string& path) {
  Fd folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0 && fsync(folder.get()) != 0 && errno != EINVAL) {
    return ErrnoStatus(errno, path);
  }
  return Status::Ok();
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

Status RenameDurably(int fd, const std::string& from, const std::string& to) {
  if (fsync(fd) != 0) return ErrnoStatus(errno, to);
  if (rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus(errno, to);
  return FlushFolderOf(to);
}

void RemoveIfStill(int fd, const std::string& path) {
  if (StillNamedBy(fd, path)) unlink(path.c_str());
}

mode_t AtomicFile::NewFileMode(mode_t bits) { return bits & ~ProcessUmask(); }

Status AtomicFile::Create(const std::string& path, mode_t mode) {
  Abandon();
  const std::size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat st{};
  if (base.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    return ErrnoStatus(path.empty() ? ENOENT : EISDIR, path);
  }
  std::string temp = path.substr(0, path.size() - base.size()) + "." +
                     base.substr(0, kLongestBase) + ".kelvax-XXXXXX";
  Fd fd(mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return ErrnoStatus(errno, path);
  if (fchmod(fd.get(), mode) != 0) {
    const int err = errno;
    RemoveIfStill(fd.get(), temp);
    return ErrnoStatus(err, path);
  }
  fd_.reset(fd.release());
  path_ = path;
  temp_ = std::move(temp);
  unfinished_.Register(temp_);
  size_ = handed_to_disk_ = 0;
  return Status::Ok();
}

Status AtomicFile::Write(const char* data, std::size_t size) {
  if (!is_open()) return ErrnoStatus(EBADF, path_);
  Status s = WriteFully(fd_.get(), std::string_view(data, size), path_);
  if (s) {
    size_ += size;
    if (size_ - handed_to_disk_ >= kWritebackBytes) {
      // Starts the writing without waiting for it; a failure shows at the flush in Commit.
      sync_file_range(fd_.get(), static_cast<off_t>(handed_to_disk_),
                      static_cast<off_t>(size_ - handed_to_disk_), SYNC_FILE_RANGE_WRITE);
      handed_to_disk_ = size_;
    }
  } else if (ftruncate(fd_.get(), static_cast<off_t>(size_)) != 0 ||
             lseek(fd_.get(), static_cast<off_t>(size_), SEEK_SET) < 0) {
    // The part written stays; the file cannot be trusted any more.
    Abandon();
  }
  return s;
}

Status AtomicFile::Commit() {
  if (!is_open()) return ErrnoStatus(EBADF, path_);
  Status s = RenameDurably(fd_.get(), temp_, path_);
  // After the flush close has little left to report, so it may follow the rename.
  if (!s) RemoveIfStill(fd_.get(), temp_);
  unfinished_.Unregister();
  temp_.clear();
  Status closed = fd_.Close(path_);
  return s ? closed : s;
}

void AtomicFile::Abandon() {
  if (!is_open()) return;
  RemoveIfStill(fd_.get(), temp_);
  unfinished_.Unregister();
  fd_.reset();
  temp_.clear();
}

void AtomicFile::Leave() {
  unfinished_.Unregister();
  fd_.reset();
}

}  // namespace kelvax
