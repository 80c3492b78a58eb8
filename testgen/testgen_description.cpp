#include "testgen/testgen_description.h"

namespace varnok::testgen {
namespace {

// A control change is held back in a tick that brings a note when its flags carry bit 31.
constexpr std::int32_t kHeldBackControlFlags = kMachineMarkerFlag | kByteParamFlags;
constexpr std::int32_t kVelocityFlags = 0;

}  // namespace

const std::array<ParamDescriptor, kTrackParamCount> kTrackParamRows = {{
    {kNoteParam, "Note", "Note", kLowestNote, kHighestNote, kNoNote, kNoteParamFlags, 0},
    {kByteParam, "Velocity", "Velocity", 0, 128, kNoValue, kVelocityFlags, 0},
    {kByteParam, "Control1", "Dampening", 0, 128, kNoValue, kHeldBackControlFlags, 0},
    {kByteParam, "Control2", "Control 2", 0, 128, kNoValue, kHeldBackControlFlags, 0},
    {kByteParam, "Control3", "Control 3", 0, 128, kNoValue, kByteParamFlags, 0},
}};

const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows = {{
    {"Dynamic Channels", 0, 64, 6},
    {"Default Velocity", 0, 128, 128},
    {"Track available at (dB)", -120, -30, -50},
    {"Note off Amplitude (%)", 0, 100, 35},
}};

const MachineDescription kTestGenDescription = DescriptionOf<kTrackParamRows, kAttributeRows>(
    /*global_params=*/0, /*min_tracks=*/1, kMaxTracks,
    {"Varnok's Test Generator", "Test Gen", "About..."});

}  // namespace varnok::testgen
