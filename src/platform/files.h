#pragma once
// Reading files and telling what lies under a name, where the answer must not be fooled by a
// link, a FIFO or another user's file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A regular file open for reading at any offset. Opening never waits (a FIFO under the name
// cannot hang the caller), and anything but a regular file is as if it were not there.
class RegularFileReader {
 public:
  explicit RegularFileReader(const std::string& name);
  ~RegularFileReader();
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;

  bool ok() const { return fd_ >= 0; }
  // The file's size when it was opened.
  std::uint64_t Size() const { return size_; }
  // Exactly `length` bytes from `offset`; false when they cannot all be read.
  bool ReadAt(std::uint64_t offset, void* buffer, size_t length) const;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// True when `name` itself, not a link under it, is a regular file that this user owns.
bool IsOwnRegularFile(const std::string& name);

}  // namespace platform
