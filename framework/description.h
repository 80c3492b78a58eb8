// The static description a plug-in hands to the host through GetInfo.
// Plain constant records: every field is 32 bits on the 32-bit host, texts are
// NUL-terminated 8-bit strings, tables are arrays of pointers to records. Every
// pointer in them is to the plug-in's constant data, valid while it is loaded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varnok {

// Parameter kinds the host knows; only these two are used.
enum ParamKind : std::int32_t {
  kNoteParam = 0,
  kByteParam = 2,
};

// Note byte: octave in the high nibble, semitone 1..12 in the low nibble.
inline constexpr std::uint8_t kNoNote = 0;
inline constexpr std::uint8_t kNoteOff = 255;
inline constexpr std::int32_t kLowestNote = 1;     // C-0
inline constexpr std::int32_t kHighestNote = 156;  // B-9
// A byte parameter without a new value in this tick.
inline constexpr std::uint8_t kNoValue = 255;

struct ParamDescriptor {
  std::int32_t kind;  // ParamKind
  const char* name;
  const char* description;
  std::int32_t min_value;
  std::int32_t max_value;
  std::int32_t no_value;
  std::int32_t flags;  // host-defined bits; bit 31 is the machine's own marker
  std::int32_t default_value;
};

struct AttributeDescriptor {
  const char* name;
  std::int32_t min_value;
  std::int32_t max_value;
  std::int32_t default_value;
};

struct MachineDescription {
  std::int32_t kind;
  std::int32_t interface_version;
  std::int32_t flags;
  std::int32_t min_tracks;
  std::int32_t max_tracks;
  std::int32_t global_param_count;
  std::int32_t track_param_count;
  const ParamDescriptor* const* params;  // globals first, then track parameters
  std::int32_t attribute_count;
  const AttributeDescriptor* const* attributes;
  const char* full_name;
  const char* short_name;
  const char* author;
  const char* commands;  // entries separated by "\n"; null when there are none
};

// The 32-bit host reads these records by offset: every field is 4 bytes there.
#define VARNOK_PINNED(record, field, offset) \
  static_assert(sizeof(void*) != 4 || offsetof(record, field) == (offset), #record "." #field)
static_assert(sizeof(void*) != 4 || sizeof(ParamDescriptor) == 32, "ParamDescriptor size");
static_assert(sizeof(void*) != 4 || sizeof(AttributeDescriptor) == 16, "AttributeDescriptor size");
static_assert(sizeof(void*) != 4 || sizeof(MachineDescription) == 56, "MachineDescription size");
VARNOK_PINNED(ParamDescriptor, name, 4);
VARNOK_PINNED(ParamDescriptor, min_value, 12);
VARNOK_PINNED(ParamDescriptor, flags, 24);
VARNOK_PINNED(ParamDescriptor, default_value, 28);
VARNOK_PINNED(AttributeDescriptor, default_value, 12);
VARNOK_PINNED(MachineDescription, min_tracks, 12);
VARNOK_PINNED(MachineDescription, params, 28);
VARNOK_PINNED(MachineDescription, attributes, 36);
VARNOK_PINNED(MachineDescription, full_name, 40);
VARNOK_PINNED(MachineDescription, commands, 52);
#undef VARNOK_PINNED

// Header values shared by all three machines.
inline constexpr std::int32_t kMachineKind = 1;
inline constexpr std::int32_t kInterfaceVersion = 12;
inline constexpr const char* kAuthor = "Varnok";

// Flag values of ParamDescriptor::flags.
inline constexpr std::int32_t kByteParamFlags = 2;
inline constexpr std::int32_t kNoteParamFlags = 4;
inline constexpr std::int32_t kMachineMarkerFlag = INT32_MIN;  // bit 31

// The table of pointers a description hands out, to a machine's rows in order.
template <class Row, std::size_t kCount>
constexpr std::array<const Row*, kCount> RowTable(const std::array<Row, kCount>& rows) {
  std::array<const Row*, kCount> table{};
  for (std::size_t i = 0; i < kCount; ++i) table[i] = &rows[i];
  return table;
}
template <const auto& kRows>
inline constexpr auto kRowTable = RowTable(kRows);

// What a machine says of itself besides its rows.
struct MachineNames {
  const char* full_name;
  const char* short_name;
  const char* commands;  // null when there are none
};

// The description of a machine whose rows are `kParamRows` (the first
// `global_params` global, the rest per track) and `kAttributeRows`, with the
// header values all machines share.
template <const auto& kParamRows, const auto& kAttributeRows>
constexpr MachineDescription DescriptionOf(std::int32_t global_params, std::int32_t min_tracks,
                                           std::int32_t max_tracks, const MachineNames& names) {
  return {kMachineKind,
          kInterfaceVersion,
          /*flags=*/0,
          min_tracks,
          max_tracks,
          global_params,
          static_cast<std::int32_t>(kParamRows.size()) - global_params,
          kRowTable<kParamRows>.data(),
          static_cast<std::int32_t>(kAttributeRows.size()),
          kRowTable<kAttributeRows>.data(),
          names.full_name,
          names.short_name,
          kAuthor,
          names.commands};
}

}  // namespace varnok
