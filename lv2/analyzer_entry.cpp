#include "lv2/analyzer_plugin.h"
#include "lv2/descriptor_glue.h"

VARNOK_LV2_PLUGIN(varnok::lv2::AnalyzerPlugin, varnok::lv2::kAnalyzerUri)
