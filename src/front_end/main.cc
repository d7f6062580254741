// tabulor: converts the code page table N.cp in the current directory into
// the character mapping file zel-N_p100-2006.ucm.

#include <signal.h>
#include <unistd.h>

#include "conversion/mapping_writer.h"
#include "front_end/files.h"
#include "front_end/run.h"

int main(int argc, char** argv) {
  // A file size limit must fail the write, so that the run can report it,
  // rather than kill the process.
  signal(SIGXFSZ, SIG_IGN);
  // Nor may a reader that went away before the message: the files are done
  // by then, and the exit status reports on them.
  signal(SIGPIPE, SIG_IGN);
  tabulor::fd_sink console(STDOUT_FILENO);
  return tabulor::run_command_line(argc, argv, console);
}
