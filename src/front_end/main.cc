// tabulor: converts the code page table N.cp in the current directory into
// the character mapping file zel-N_p100-2006.ucm.

#include "front_end/run.h"
#include "front_end/system.h"

int main(int argc, char** argv) {
  tabulor::prepare_process();
  tabulor::console_sink console;
  return tabulor::run_command_line(argc, argv, console);
}
