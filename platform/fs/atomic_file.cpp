#include "platform/fs/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/process/process_umask.h"

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

// The new files of `path` are named this followed by six letters and digits.
std::string TempPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return path.substr(0, path.size() - base.size()) + "." + base.substr(0, kLongestBase) +
         ".kelvax-";
}

// Takes the lock that marks a new file as in use; false when another process holds it.
bool Lock(int fd, int how) {
  int rc;
  while ((rc = flock(fd, how)) != 0 && errno == EINTR) {
  }
  return rc == 0;
}

// mkostemp's letters.
bool IsNameLetter(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

std::mutex removed_mutex;
std::vector<std::string> removed_by_create;

}  // namespace

std::vector<std::string> TakeRemovedLeftovers() {
  std::lock_guard<std::mutex> hold(removed_mutex);
  return std::exchange(removed_by_create, {});
}

std::vector<std::string> RemoveLeftovers(const std::string& path) {
  std::vector<std::string> removed;
  const std::string prefix = TempPrefix(path);
  const std::string name_prefix = prefix.substr(prefix.rfind('/') + 1);
  if (name_prefix == "..kelvax-") return removed;  // no file name: Create makes no file for it
  std::unique_ptr<DIR, DirCloser> dir(opendir(FolderOf(path).c_str()));
  if (!dir) return removed;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.size() != name_prefix.size() + 6 || !name.starts_with(name_prefix) ||
        !std::all_of(name.end() - 6, name.end(), IsNameLetter)) {
      continue;
    }
    const std::string leftover = prefix + name.substr(name_prefix.size());
    // Never through a link, and a FIFO planted at the name cannot block the open.
    Fd fd(open(leftover.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !Lock(fd.get(), LOCK_EX | LOCK_NB) || !StillNamedBy(fd.get(), leftover)) {
      continue;
    }
    // Still locked while it goes: a writer that created it and has not yet locked it sees it
    // gone once it has the lock, and makes another.
    if (unlink(leftover.c_str()) == 0) removed.push_back(leftover);
  }
  return removed;
}

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
  struct stat st {};
  if (base.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    return ErrnoStatus(path.empty() ? ENOENT : EISDIR, path);
  }
  // A killed run's unfinished file would otherwise stay beside the output for good, looking
  // like one.
  if (std::vector<std::string> removed = RemoveLeftovers(path); !removed.empty()) {
    std::lock_guard<std::mutex> hold(removed_mutex);
    removed_by_create.insert(removed_by_create.end(), removed.begin(), removed.end());
  }
  std::string temp;
  Fd fd;
  for (int attempt = 0;; ++attempt) {
    temp = TempPrefix(path) + "XXXXXX";
    fd.reset(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) return ErrnoStatus(errno, path);
    // Held until the file is committed or given up. Without locks (some network file systems)
    // the file is written all the same; it is then never taken for a leftover either.
    const bool locked = Lock(fd.get(), LOCK_EX);
    // Taken for a leftover between its creation and the lock: make another.
    if (!locked || StillNamedBy(fd.get(), temp) || attempt == 100) break;
  }
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
