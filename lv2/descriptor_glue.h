// The one place that turns a plug-in class into LV2's descriptor. A plug-in's
// entry file says, once:
//   VARNOK_LV2_PLUGIN(ChipPlugin, kChipUri)
// Only lv2_descriptor leaves the library (exports.map).
#pragma once

#include <new>

#include <lv2/core/lv2.h>

#include "lv2/plugin_uris.h"

namespace varnok::lv2 {

template <class Plugin>
struct DescriptorGlue {
  // [instantiation] Null when the host lacks a feature the plug-in needs or
  // memory runs out; no exception crosses into the host.
  static LV2_Handle Instantiate(const LV2_Descriptor*, double sample_rate, const char*,
                                const LV2_Feature* const* features) noexcept {
    try {
      auto* plugin = new Plugin(sample_rate, features);
      if (!plugin->Failed()) return plugin;
      delete plugin;
    } catch (...) {
    }
    return nullptr;
  }
  // [audio]
  static void ConnectPort(LV2_Handle handle, uint32_t port, void* data) noexcept {
    static_cast<Plugin*>(handle)->Connect(port, data);
  }
  // [instantiation]
  static void Activate(LV2_Handle handle) noexcept { static_cast<Plugin*>(handle)->Activate(); }
  // [audio]
  static void Run(LV2_Handle handle, uint32_t frames) noexcept { static_cast<Plugin*>(handle)->Run(frames); }
  // [instantiation]
  static void Cleanup(LV2_Handle handle) noexcept { delete static_cast<Plugin*>(handle); }
  static const void* ExtensionData(const char*) noexcept { return nullptr; }

  static LV2_Descriptor Of(const char* uri) noexcept {
    return {uri, Instantiate, ConnectPort, Activate, Run, nullptr, Cleanup, ExtensionData};
  }
};

}  // namespace varnok::lv2

#define VARNOK_LV2_PLUGIN(PluginClass, uri)                                           \
  extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {          \
    static const LV2_Descriptor descriptor = ::varnok::lv2::DescriptorGlue<PluginClass>::Of(uri); \
    return index == 0 ? &descriptor : nullptr;                                                   \
  }
