// Everything the tool asks of the system it runs on: its two files, the
// console, a random key, and the clean-up after an interruption. One
// implementation per system, system_posix.cc and system_windows.cc; the code
// above this header is the same everywhere.

#ifndef TABULOR_FRONT_END_SYSTEM_H_
#define TABULOR_FRONT_END_SYSTEM_H_

#include <memory>
#include <string>

#include "conversion/byte_stream.h"
#include "conversion/text_set.h"

namespace tabulor {

// Makes the process ready for its run. On POSIX systems: standard streams
// that are closed are opened on /dev/null, so that no file of the run can
// take their place; a file size limit fails a write instead of killing the
// process, and so does a reader of standard output that went away; SIGINT,
// SIGTERM, SIGHUP and SIGQUIT, unless ignored from the start, remove the
// temporary mapping file before the process dies of them. On Windows:
// Ctrl-C, Ctrl-Break and closing the console remove it.
void prepare_process();

// A key for the repeat search's hash from the system's random source.
hash_seed random_seed();

// Standard output as a text stream: each LF ends a line the way the
// system's console does.
class console_sink : public byte_sink {
 public:
  bool write(std::string_view data) override;
};

// The code page table, read in binary: the conversion applies the text
// rules itself, so that every system reads the same bytes alike.
class table_file : public byte_source {
 public:
  table_file();
  ~table_file() override;
  table_file(const table_file&) = delete;
  table_file& operator=(const table_file&) = delete;

  // Opens `name` for reading. Returns false when it is missing, unreadable
  // or a directory.
  bool open(const std::string& name);

  std::ptrdiff_t read(char* buffer, size_t capacity) override;

  struct state;

 private:
  friend class mapping_file;  // which must never write over the table
  std::unique_ptr<state> state_;
};

// The new content of the mapping file. It is written to a temporary file
// beside the file it replaces and put in its place by commit() only once it
// is complete and on disk, so that readers see the old file or the whole new
// one, never a part. Until then the old file keeps its bytes, and the
// temporary file is removed on every path but SIGKILL (or a crash).
class mapping_file : public byte_sink {
 public:
  mapping_file();
  // Removes the temporary file unless commit() succeeded.
  ~mapping_file() override;
  mapping_file(const mapping_file&) = delete;
  mapping_file& operator=(const mapping_file&) = delete;

  // Prepares the new content of `name`. Returns false, and changes nothing,
  // when `name` could not be opened for writing (its directory is missing,
  // it is a directory, a read-only file or a link loop, or the user may not
  // create or write it), or when it leads to the same file as `table`. A
  // symbolic link stays a link, dangling or not, and its target gets the
  // new content. A device or FIFO has no old content to keep and is written
  // directly.
  bool open(const std::string& name, const table_file& table);

  bool write(std::string_view data) override;

  // Gives the new content the replaced file's attributes, flushes it to
  // disk, puts it in place and makes that durable. Returns false when any
  // step failed; the file then keeps its old content, unless only the last
  // step (syncing the directory on POSIX systems) failed.
  bool commit();

  struct state;

 private:
  std::unique_ptr<state> state_;
};

}  // namespace tabulor

#endif  // TABULOR_FRONT_END_SYSTEM_H_
