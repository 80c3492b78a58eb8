// Holds one instance count in another process, for the counter tests.
// Usage: counter_holder NAME REPORT_FILE (exit | crash)
// Writes the count it sees to REPORT_FILE, then leaves cleanly or dies uncounted.
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "framework/instance_counter.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  varnok::InstanceCounter counter(argv[1]);
  std::ofstream(argv[2]) << counter.Value() << '\n';
  if (std::strcmp(argv[3], "crash") == 0) std::_Exit(0);  // skips the destructor
  return 0;
}
