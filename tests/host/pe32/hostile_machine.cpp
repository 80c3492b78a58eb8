// A machine that attacks the host that runs it, one attack at a time, chosen
// by VARNOK_ATTACK (which the host must lend it by name): each must fail the
// call it is made in, or reach nothing that is not the machine's own.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/plugin_entry.h"

namespace {

enum class Attack {
  kNone, kTrackValuesInView, kTrackValuesInCode, kMapAnyName, kReadSecret, kHugePrecision,
  kHugeWidth, kHangInGetInfo, kSleepInGetInfo, kFaultInGetInfo, kFaultInRender, kBadName,
  kControlCharacters, kHangInTick,
};

Attack Chosen() {
  static const struct {
    const char* name;
    Attack attack;
  } kAttacks[] = {
      {"track-values-in-view", Attack::kTrackValuesInView}, {"track-values-in-code", Attack::kTrackValuesInCode},
      {"map-any-name", Attack::kMapAnyName}, {"read-secret", Attack::kReadSecret},
      {"huge-precision", Attack::kHugePrecision}, {"huge-width", Attack::kHugeWidth},
      {"hang-in-getinfo", Attack::kHangInGetInfo}, {"sleep-in-getinfo", Attack::kSleepInGetInfo},
      {"fault-in-getinfo", Attack::kFaultInGetInfo}, {"fault-in-render", Attack::kFaultInRender},
      {"bad-name", Attack::kBadName}, {"control-characters", Attack::kControlCharacters},
      {"hang-in-tick", Attack::kHangInTick}};
  const char* name = std::getenv("VARNOK_ATTACK");
  for (const auto& entry : kAttacks) {
    if (name != nullptr && std::strcmp(entry.name, name) == 0) return entry.attack;
  }
  return Attack::kNone;
}

// Through the system's C runtime: the compiler's own printf would format here.
void Print(const char* format, ...) {
  using Vfprintf = int(__cdecl*)(std::FILE*, const char*, std::va_list);
  const auto runtime = reinterpret_cast<Vfprintf>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "vfprintf")));
  std::va_list arguments;
  va_start(arguments, format);
  runtime(stderr, format, arguments);
  va_end(arguments);
}

void Forever() {
  for (volatile int forever = 1; forever;) {
  }
}

// A page no process has mapped.
void WriteNowhere() { *reinterpret_cast<volatile int*>(0x1000) = 1; }

// Last bytes of one page of shared memory: the host's next page is no
// machine's.
std::uint8_t* EndOfSharedPage(const char* name) {
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name);
  auto* view = static_cast<std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
  return view == nullptr ? nullptr : view + 4096 - 2;
}

const varnok::ParamDescriptor kNote = {varnok::kNoteParam, "Note", "Note", 1, 156, 0, 4, 0};
const varnok::ParamDescriptor* const kParams[] = {&kNote};
varnok::MachineDescription description = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0,
    /*min_tracks=*/1, /*max_tracks=*/4,
    /*global_param_count=*/0, /*track_param_count=*/1, kParams,
    /*attribute_count=*/0, nullptr,
    "Hostile Machine", "Hostile", varnok::kAuthor, nullptr};

class HostileMachine final : public varnok::Machine<HostileMachine> {
 public:
  HostileMachine() noexcept { track_values = notes_; }

  void MACHINE_CALL Initialize(varnok::StateInput*) override {
    if (attack_ == Attack::kTrackValuesInView) track_values = EndOfSharedPage(std::getenv("VARNOK_TARGET"));
  }

  void MACHINE_CALL ApplyTick() noexcept override {
    if (attack_ == Attack::kTrackValuesInCode) track_values = reinterpret_cast<std::uint8_t*>(&Forever);
    if (attack_ == Attack::kHangInTick) Forever();
  }

  bool MACHINE_CALL Render(float*, int, int) noexcept override {
    if (attack_ == Attack::kFaultInRender) WriteNowhere();
    return false;
  }

 private:
  const Attack attack_ = Chosen();
  std::uint8_t notes_[4] = {};
};

const varnok::MachineDescription* Described() {
  switch (Chosen()) {
    case Attack::kMapAnyName: {
      // A name the host must keep in its own namespace, whatever the machine asks.
      std::uint8_t* view = EndOfSharedPage(std::getenv("VARNOK_TARGET"));
      if (view != nullptr) std::memcpy(view - 4096 + 2, "PWND", 4);
      break;
    }
    case Attack::kReadSecret: {
      const char* secret = std::getenv("VARNOK_SECRET");
      description.full_name = secret != nullptr ? secret : "No secret here";
      break;
    }
    case Attack::kHugePrecision: Print("%.2147483647f|%.3s|\n", 1.0, "abcdef"); break;
    case Attack::kHugeWidth: Print("%2147483647d\n", 1); break;
    case Attack::kHangInGetInfo: Forever(); break;
    case Attack::kSleepInGetInfo: Sleep(0xFFFFFFFEu); break;
    case Attack::kFaultInGetInfo: WriteNowhere(); break;
    case Attack::kBadName: description.full_name = reinterpret_cast<const char*>(0x0FFF0000u); break;
    case Attack::kControlCharacters:
      description.full_name = "Hostile\x1b[2J\a";
      std::fputs("\x1b]0;pwnd\a\r\n", stderr);
      break;
    default: break;
  }
  return &description;
}

}  // namespace

VARNOK_MODULE_ENTRY
MACHINE_EXPORT const varnok::MachineDescription* MACHINE_ENTRY GetInfo() { return Described(); }
MACHINE_EXPORT varnok::MachineBase* MACHINE_ENTRY CreateMachine() {
  return varnok::CreateMachineOf<HostileMachine>();
}
