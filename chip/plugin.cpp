#include "chip/chip_description.h"
#include "chip/chip_machine.h"
#include "framework/plugin_entry.h"

VARNOK_MACHINE_PLUGIN(varnok::chip::ChipMachine, varnok::chip::kChipDescription)
