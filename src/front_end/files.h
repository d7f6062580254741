// The tool's files: the table read from a descriptor, and the mapping file
// written beside its final place and put there only once it is complete.

#ifndef TABULOR_FRONT_END_FILES_H_
#define TABULOR_FRONT_END_FILES_H_

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "conversion/mapping_writer.h"
#include "conversion/table_reader.h"

namespace tabulor {

// Reads an open file descriptor, retrying interrupted reads.
class fd_source : public byte_source {
 public:
  explicit fd_source(int fd) : fd_(fd) {}
  long read(char* buffer, size_t capacity) override;

 private:
  const int fd_;
};

// Writes an open file descriptor, retrying short and interrupted writes.
class fd_sink : public byte_sink {
 public:
  explicit fd_sink(int fd) : fd_(fd) {}
  bool write(std::string_view data) override;

 private:
  const int fd_;
};

// A file opened for reading, closed when it goes out of scope.
class input_file {
 public:
  // Opens `path`; fd() is -1 when that failed.
  explicit input_file(const std::string& path);
  ~input_file();
  input_file(const input_file&) = delete;
  input_file& operator=(const input_file&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

// The new content of a file, written to a temporary file in the same
// directory and renamed over the file by commit(), so that readers see the
// old file or the complete new one, never a part. Until commit() succeeds
// the file keeps its old bytes, and the temporary file is removed on every
// path. A file that is not a regular file (a device, a FIFO) has no old
// content to keep and is written directly.
class replacement_file {
 public:
  replacement_file() = default;
  ~replacement_file();
  replacement_file(const replacement_file&) = delete;
  replacement_file& operator=(const replacement_file&) = delete;

  // Prepares the new content of `path`. Returns false, leaving everything as
  // it was, when `path` cannot be opened for writing: its directory is
  // missing, it is a directory, or the user may not write it or create it.
  // A replaced file keeps its permission bits, and its owner and group as
  // far as the user may give them; a new one gets the permission bits of
  // any new file under the umask. A symbolic link stays a link and its
  // target gets the new content.
  bool open(const std::string& path);

  // The descriptor to write the new content to; -1 before open().
  int fd() const { return fd_; }

  // Closes the new content and puts it in place. Returns false when that
  // failed; the file then keeps its old bytes.
  bool commit();

 private:
  // Creates the temporary file beside target_path_.
  bool create_temp();
  // Gives the temporary file the permission bits and owner of `old_file`.
  bool take_attributes(const struct stat& old_file);
  void discard();

  int fd_ = -1;
  std::string target_path_;
  std::string temp_path_;  // empty when writing to the target directly
};

}  // namespace tabulor

#endif  // TABULOR_FRONT_END_FILES_H_
