// The ports of the three plug-ins, for their glue and for the .ttl files.
#pragma once

#include "chip/chip_description.h"
#include "lv2/control_ports.h"
#include "lv2/port_layout.h"
#include "testgen/testgen_description.h"

namespace varnok::lv2 {

// Audio in and out, the window's two settings, the tempo, the six readings.
inline constexpr PortLayout kAnalyzerLayout = {false, 0, 0, 0, true};
// Events in, audio out, the three pulse-width controls, the three attributes.
inline constexpr PortLayout kChipLayout = {true, chip::kFirstControl, chip::kControlCount,
                                           chip::kAttributeCount, false};
// Events in, audio out, the four attributes. The track parameters stay
// hidden: the keyboard's velocity sets the level, and the controls do nothing.
inline constexpr PortLayout kPulseLayout = {true, 0, 0, testgen::kAttributeCount, false};

static_assert(kChipLayout.track_controls <= kMostPorts && kChipLayout.attributes <= kMostPorts &&
                  kPulseLayout.attributes <= kMostPorts,
              "the control ports' tables hold every port");

}  // namespace varnok::lv2
