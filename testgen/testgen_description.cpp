#include "testgen/testgen_description.h"

namespace varnok::testgen {
namespace {

// A control change is held back in a tick that brings a note when its flags carry bit 31.
constexpr std::int32_t kHeldBackControlFlags = kMachineMarkerFlag | kByteParamFlags;
constexpr std::int32_t kVelocityFlags = 0;

const ParamDescriptor kNote = {kNoteParam, "Note", "Note", kLowestNote, kHighestNote,
                               kNoNote, kNoteParamFlags, 0};
const ParamDescriptor kVelocity = {kByteParam, "Velocity", "Velocity", 0, 128, kNoValue,
                                   kVelocityFlags, 0};
const ParamDescriptor kControl1 = {kByteParam, "Control1", "Dampening", 0, 128, kNoValue,
                                   kHeldBackControlFlags, 0};
const ParamDescriptor kControl2 = {kByteParam, "Control2", "Control 2", 0, 128, kNoValue,
                                   kHeldBackControlFlags, 0};
const ParamDescriptor kControl3 = {kByteParam, "Control3", "Control 3", 0, 128, kNoValue,
                                   kByteParamFlags, 0};
const ParamDescriptor* const kParams[kTrackParamCount] = {&kNote, &kVelocity, &kControl1,
                                                           &kControl2, &kControl3};

const AttributeDescriptor kDynamicChannelsRow = {"Dynamic Channels", 0, 64, 6};
const AttributeDescriptor kDefaultVelocityRow = {"Default Velocity", 0, 128, 128};
const AttributeDescriptor kTrackAvailableRow = {"Track available at (dB)", -120, -30, -50};
const AttributeDescriptor kNoteOffAmplitudeRow = {"Note off Amplitude (%)", 0, 100, 35};
const AttributeDescriptor* const kAttributes[kAttributeCount] = {
    &kDynamicChannelsRow, &kDefaultVelocityRow, &kTrackAvailableRow, &kNoteOffAmplitudeRow};

}  // namespace

const MachineDescription kTestGenDescription = {
    kMachineKind,
    kInterfaceVersion,
    /*flags=*/0,
    /*min_tracks=*/1,
    kMaxTracks,
    /*global_param_count=*/0,
    kTrackParamCount,
    kParams,
    kAttributeCount,
    kAttributes,
    "Varnok's Test Generator",
    "Test Gen",
    kAuthor,
    "About...",
};

}  // namespace varnok::testgen
