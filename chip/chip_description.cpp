#include "chip/chip_description.h"

namespace varnok::chip {

// The descriptions write the maximum, 128, in hexadecimal.
const std::array<ParamDescriptor, kTrackParamCount> kTrackParamRows = {{
    {kNoteParam, "Note", "Note", kLowestNote, kHighestNote, kNoNote, kNoteParamFlags, 0},
    {kByteParam, "Control1", "Control 1 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
    {kByteParam, "Control2", "Control 2 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
    {kByteParam, "Control3", "Control 3 (0 to 80)", 0, 128, kNoValue, kByteParamFlags, 64},
}};

const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows = {{
    {"Dynamic Channels", 0, 64, 8},
    {"Default Volume", 0, 128, 128},
    {"Track available at (dB)", -120, -30, -50},
}};

const MachineDescription kChipDescription = DescriptionOf<kTrackParamRows, kAttributeRows>(
    /*global_params=*/0, /*min_tracks=*/1, kMaxTracks, {"Varnok's Chip", "Chip", /*commands=*/nullptr});

}  // namespace varnok::chip
