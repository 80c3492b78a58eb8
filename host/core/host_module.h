// Parts of machine-host that need a large library (the processor emulator,
// JACK, libsndfile) are modules beside it, loaded by the command that needs
// them: a command that does not pays nothing for them when it starts.
#pragma once

namespace varnok::host {

// The exported `symbol` of the module `file_name`, looked up beside this
// program and in the folder it is installed with. The module stays loaded for
// the process's life. Throws HostError naming the module when it cannot load.
void* HostModuleEntry(const char* file_name, const char* symbol);

}  // namespace varnok::host
