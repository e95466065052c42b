// A file that replaces the one at its path only when it is complete. It is written under a new
// name beside the path (".NAME.kelvax-XXXXXX", created exclusively, so no link or special file
// already there is ever followed or opened) and put in place by one rename once it is whole.
// Readers and a crash see the old file, no file, or the whole new one; never a part.
// The new file is locked (flock) by its writer until it is committed or given up, so a killed
// writer's file can be told from one in use: the kernel drops the lock with the process. While
// it is open the new file is also an UnfinishedFile, which a fatal signal removes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs/fd.h"
#include "platform/process/fatal_signal.h"
#include "platform/status.h"

namespace kelvax {

// The folder part of `path` ("." for a bare name, "/" for a name at the root).
std::string FolderOf(const std::string& path);

// Flushes the open file `fd` (whose name is `from`), renames it over `to`, then flushes the
// folder, so that the new file survives a crash. Errors name `to`; a failed rename leaves `from`.
Status RenameDurably(int fd, const std::string& from, const std::string& to);

// Removes `path` only while it still names the file open as `fd`: an entry someone put in its
// place is not ours to remove.
void RemoveIfStill(int fd, const std::string& path);

// Removes the new files of `path` ("." + its name + ".kelvax-XXXXXX" beside it) that no writer
// holds: a killed writer's, or an unfinished output kept with Leave. Returns their paths. A file
// that cannot be opened and locked (another user's, a file system without locks) is left.
std::vector<std::string> RemoveLeftovers(const std::string& path);

// The leftovers Create has removed in this process since the last call, oldest first; emptied
// by the call. The program names them once a run ends.
std::vector<std::string> TakeRemovedLeftovers();

class AtomicFile {
 public:
  // The mode a file created with `bits` gets: `bits` less the process's umask (ProcessUmask).
  static mode_t NewFileMode(mode_t bits);
  // The mode a new file gets: read and write for all, less the process's umask.
  static mode_t DefaultMode() { return NewFileMode(0666); }

  AtomicFile() = default;
  // A file neither committed nor left is removed.
  ~AtomicFile() { Abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the new file beside `path` with exactly `mode`, first removing the leftovers of
  // `path` (RemoveLeftovers; see TakeRemovedLeftovers). Fails at once when `path` names a
  // folder. Errors name `path`.
  Status Create(const std::string& path, mode_t mode = DefaultMode());
  bool is_open() const { return fd_.get() >= 0; }
  // The new file's descriptor, for setting its owner and mode before Commit.
  int fd() const { return fd_.get(); }
  // The new file's own name, for a library that writes by name (the file exists from Create on).
  const std::string& temp_path() const { return temp_; }
  // Bytes written so far.
  std::uint64_t size() const { return size_; }

  // Appends all bytes. A write that fails leaves the file as it was before it (no partial data).
  Status Write(const char* data, std::size_t size);
  Status Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }

  // Flushes the file to disk, renames it over the path, flushes the folder and closes the file.
  // On a failure before the rename the new file is removed and the old path is left as it was.
  Status Commit();
  // Closes and removes the new file.
  void Abandon();
  // Closes the new file and keeps it under its own name (an unfinished output worth keeping).
  void Leave();

 private:
  Fd fd_;
  std::string path_, temp_;
  UnfinishedFile unfinished_;
  std::uint64_t size_ = 0;
  std::uint64_t handed_to_disk_ = 0;
};

}  // namespace kelvax
