// Makes this library the plug-in "Varnok's Analyzer".
#include "analyzer/analyzer_description.h"
#include "analyzer/analyzer_machine.h"
#include "framework/plugin_entry.h"

VARNOK_MACHINE_PLUGIN(varnok::analyzer::AnalyzerMachine, varnok::analyzer::kAnalyzerDescription)
