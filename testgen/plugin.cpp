// Makes this library the plug-in "Varnok's Pulse".
#include "framework/plugin_entry.h"
#include "testgen/testgen_description.h"
#include "testgen/testgen_machine.h"

VARNOK_MACHINE_PLUGIN(varnok::testgen::TestGenMachine, varnok::testgen::kTestGenDescription)
