// Song text of any shape: the parser and the binding either accept it or throw
// a HostError; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/core/host_error.h"
#include "host/song/song_binding.h"
#include "host/song/song_parser.h"

namespace {

// Something every pattern can be bound against: a note, a byte, tracks and an attribute.
const varnok::ParamDescriptor kNote = {varnok::kNoteParam, "Note", "Note", 1, 156, 0, 4, 0};
const varnok::ParamDescriptor kLevel = {varnok::kByteParam, "Level", "Level", 0, 128, 255, 2, 64};
const varnok::ParamDescriptor* const kParams[] = {&kLevel, &kNote, &kLevel};
const varnok::AttributeDescriptor kChannels = {"Channels", 0, 64, 8};
const varnok::AttributeDescriptor* const kAttributes[] = {&kChannels};
const varnok::MachineDescription kDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0, 1, 16, 1, 2, kParams, 1, kAttributes,
    "Fuzz Machine", "Fuzz", varnok::kAuthor, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const varnok::host::Song song = varnok::host::ParseSong(text, "fuzz.song", ".");
    const std::vector<const varnok::MachineDescription*> descriptions(song.machines.size(),
                                                                      &kDescription);
    varnok::host::BindSong(song, descriptions);
  } catch (const varnok::host::HostError&) {
    // A mistake told in one line is the right answer to a bad song.
  }
  return 0;
}
