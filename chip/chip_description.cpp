#include "chip/chip_description.h"

namespace varnok::chip {

// The descriptions write the maximum, 128, in hexadecimal.
const ParamDescriptor kNoteRow = {
    kNoteParam, "Note", "Note", kLowestNote, kHighestNote, kNoNote, kNoteParamFlags, 0};
const ParamDescriptor kControlRows[kControlCount] = {
    {kByteParam, "Control1", "Control 1 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
    {kByteParam, "Control2", "Control 2 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
    {kByteParam, "Control3", "Control 3 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
};

const AttributeDescriptor kAttributeRows[kAttributeCount] = {
    {"Dynamic Channels", 0, 64, 8},
    {"Default Volume", 0, 128, 128},
    {"Track available at (dB)", -120, -30, -50},
};

namespace {

const ParamDescriptor* const kParamTable[kTrackParamCount] = {
    &kNoteRow, &kControlRows[0], &kControlRows[1], &kControlRows[2]};
const AttributeDescriptor* const kAttributeTable[kAttributeCount] = {
    &kAttributeRows[0], &kAttributeRows[1], &kAttributeRows[2]};

}  // namespace

const MachineDescription kChipDescription = {
    kMachineKind,
    kInterfaceVersion,
    0,           // flags
    1,           // min_tracks
    kMaxTracks,  // max_tracks
    0,           // global parameters
    kTrackParamCount,
    kParamTable,
    kAttributeCount,
    kAttributeTable,
    "Varnok's Chip",
    "Chip",
    kAuthor,
    nullptr,  // no commands
};

}  // namespace varnok::chip
