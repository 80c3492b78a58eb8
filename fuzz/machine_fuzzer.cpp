// Turns bytes into a sequence of host calls on one plug-in, always within the
// host's contract: track counts and attribute values within their ranges,
// parameter bytes the host may write, blocks of 1 to the host's largest.
// Sanitizers catch memory and undefined-behaviour faults; broken output traps.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/core/host_services.h"
#include "host/core/plugin.h"
#include "host/validate/machine_driver.h"

namespace {

using varnok::host::validate::BrokenOutput;
using varnok::host::validate::MachineDriver;

constexpr int kSampleRates[] = {8000, 11025, 22050, 44100, 48000, 96000, 192000};
constexpr int kMostOperations = 400;

varnok::host::Plugin* plugin = nullptr;
varnok::host::StandInHostServices* services = nullptr;

class Bytes final {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return position_ >= size_; }
  // Past the end, zeros: every input is a whole program.
  int Next() { return position_ < size_ ? data_[position_++] : 0; }
  int Word() { return Next() | (Next() << 8); }
  int Within(int low, int high) {
    const long span = static_cast<long>(high) - low + 1;
    const long value = (static_cast<long>(Word()) << 16 | Word()) % span;
    return static_cast<int>(low + value);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

std::uint8_t ValueFor(const varnok::ParamDescriptor& param, int byte) {
  if (byte == 255) return static_cast<std::uint8_t>(param.no_value);
  if (param.kind == varnok::kNoteParam) {
    if (byte == 254) return varnok::kNoteOff;
    const int note = ((byte % 10) << 4) | (1 + (byte / 10) % 12);
    return static_cast<std::uint8_t>(note < param.min_value   ? param.min_value
                                     : note > param.max_value ? param.max_value
                                                              : note);
  }
  return static_cast<std::uint8_t>(param.min_value + byte % (param.max_value - param.min_value + 1));
}

void WriteTick(MachineDriver& driver, Bytes& bytes) {
  const varnok::MachineDescription& d = driver.Description();
  driver.WriteNoValues();
  for (int i = 0; i < d.global_param_count; ++i) driver.WriteValue(i, 0, ValueFor(*d.params[i], bytes.Next()));
  for (int t = 0; t < driver.TrackCount(); ++t) {
    for (int i = d.global_param_count; i < driver.ParamCount(); ++i) {
      driver.WriteValue(i, t, ValueFor(*d.params[i], bytes.Next()));
    }
  }
}

void Play(Bytes& bytes) {
  const varnok::MachineDescription& d = plugin->Description();
  const int rate = kSampleRates[bytes.Next() % std::size(kSampleRates)];
  auto driver = std::make_unique<MachineDriver>(*plugin, *services, rate);
  driver->Start(nullptr, bytes.Within(d.min_tracks, d.max_tracks));
  for (int operation = 0; operation < kMostOperations && !bytes.Empty(); ++operation) {
    switch (bytes.Next() % 8) {
      case 0:
        driver->SetTrackCount(bytes.Within(d.min_tracks, d.max_tracks));
        break;
      case 1:
        if (d.attribute_count > 0) {
          const int i = bytes.Next() % d.attribute_count;
          driver->SetAttribute(i, bytes.Within(d.attributes[i]->min_value, d.attributes[i]->max_value));
        }
        driver->ApplyAttributes();
        break;
      case 2:
        WriteTick(*driver, bytes);
        driver->Tick();
        break;
      case 3:
        driver->Render(1 + bytes.Word() % varnok::host::kMaxBlock, bytes.Next() % 4);
        break;
      case 4:
        driver->MidiNote(bytes.Next() % 16, bytes.Next() % 128, bytes.Next() % 128);
        break;
      case 5:
        driver->Halt();
        break;
      case 6:
        driver->SaveState();
        break;
      default:
        driver->WriteNoValues();
        driver->Tick();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  plugin = new varnok::host::Plugin(varnok::host::Plugin::Load(VARNOK_FUZZ_PLUGIN));
  services = new varnok::host::StandInHostServices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  try {
    Play(bytes);
  } catch (const BrokenOutput&) {
    __builtin_trap();  // NaN, infinity or unwritten samples reach the host
  } catch (const varnok::host::validate::CheckFailure&) {
    // Levels and timing rules are the validator's business, with its own seeds.
  }
  return 0;
}
