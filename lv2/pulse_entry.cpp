#include "lv2/descriptor_glue.h"
#include "lv2/instrument_plugin.h"
#include "lv2/pulse_keys.h"

VARNOK_LV2_PLUGIN(varnok::lv2::InstrumentPlugin<varnok::lv2::PulseKeys>, varnok::lv2::kPulseUri)
