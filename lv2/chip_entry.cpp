#include "lv2/chip_keys.h"
#include "lv2/descriptor_glue.h"
#include "lv2/instrument_plugin.h"

VARNOK_LV2_PLUGIN(varnok::lv2::InstrumentPlugin<varnok::lv2::ChipKeys>, varnok::lv2::kChipUri)
