// A 32-bit Windows plug-in DLL loaded into the emulated process, behind the
// same interface as a library the system loads.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "host/pe32/emulated_machine.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/guest_process.h"

namespace varnok::host {
namespace {

using pe32::GuestAddress;
using pe32::GuestMemory;

// Counts beyond this cannot be a real description; they stop the reading.
constexpr std::int32_t kMostEntries = 4096;

// The description record with its 32-bit guest pointers turned into a native
// record of the same values, owning its texts and tables.
class TranslatedDescription {
 public:
  TranslatedDescription(const GuestMemory& memory, GuestAddress record) {
    auto field = [&](int index) { return memory.Read32(record + 4u * static_cast<std::uint32_t>(index)); };
    auto count = [&](int index) {
      const auto value = static_cast<std::int32_t>(field(index));
      if (value < 0 || value > kMostEntries) {
        throw pe32::GuestError("the description holds a count of " + std::to_string(value));
      }
      return value;
    };
    description_.kind = static_cast<std::int32_t>(field(0));
    description_.interface_version = static_cast<std::int32_t>(field(1));
    description_.flags = static_cast<std::int32_t>(field(2));
    description_.min_tracks = static_cast<std::int32_t>(field(3));
    description_.max_tracks = static_cast<std::int32_t>(field(4));
    description_.global_param_count = count(5);
    description_.track_param_count = count(6);
    description_.attribute_count = count(8);
    description_.full_name = Text(memory, field(10));
    description_.short_name = Text(memory, field(11));
    description_.author = Text(memory, field(12));
    description_.commands = Text(memory, field(13));

    const std::int32_t param_count = description_.global_param_count + description_.track_param_count;
    if (field(7) != 0) {
      for (std::int32_t i = 0; i < param_count; ++i) {
        const GuestAddress at = memory.Read32(field(7) + 4u * static_cast<std::uint32_t>(i));
        if (at == 0) {
          param_table_.push_back(nullptr);
          continue;
        }
        ParamDescriptor& param = params_.emplace_back();
        param.kind = static_cast<std::int32_t>(memory.Read32(at));
        param.name = Text(memory, memory.Read32(at + 4));
        param.description = Text(memory, memory.Read32(at + 8));
        param.min_value = static_cast<std::int32_t>(memory.Read32(at + 12));
        param.max_value = static_cast<std::int32_t>(memory.Read32(at + 16));
        param.no_value = static_cast<std::int32_t>(memory.Read32(at + 20));
        param.flags = static_cast<std::int32_t>(memory.Read32(at + 24));
        param.default_value = static_cast<std::int32_t>(memory.Read32(at + 28));
        param_table_.push_back(&param);
      }
      description_.params = param_table_.data();
    }
    if (field(9) != 0) {
      for (std::int32_t i = 0; i < description_.attribute_count; ++i) {
        const GuestAddress at = memory.Read32(field(9) + 4u * static_cast<std::uint32_t>(i));
        if (at == 0) {
          attribute_table_.push_back(nullptr);
          continue;
        }
        AttributeDescriptor& attribute = attributes_.emplace_back();
        attribute.name = Text(memory, memory.Read32(at));
        attribute.min_value = static_cast<std::int32_t>(memory.Read32(at + 4));
        attribute.max_value = static_cast<std::int32_t>(memory.Read32(at + 8));
        attribute.default_value = static_cast<std::int32_t>(memory.Read32(at + 12));
        attribute_table_.push_back(&attribute);
      }
      description_.attributes = attribute_table_.data();
    }
  }

  const MachineDescription* Get() const { return &description_; }

 private:
  const char* Text(const GuestMemory& memory, GuestAddress at) {
    if (at == 0) return nullptr;
    return texts_.emplace_back(memory.ReadString(at)).c_str();
  }

  MachineDescription description_{};
  std::deque<std::string> texts_;
  std::deque<ParamDescriptor> params_;
  std::deque<AttributeDescriptor> attributes_;
  std::vector<const ParamDescriptor*> param_table_;
  std::vector<const AttributeDescriptor*> attribute_table_;
};

class EmulatedLibrary final : public PluginLibrary {
 public:
  EmulatedLibrary(pe32::GuestProcess& process, const std::string& path)
      : process_(process), module_(process.Load(path)) {
    try {
      get_info_ = process_.Export(module_, "GetInfo");
      create_ = process_.Export(module_, "CreateMachine");
      if (get_info_ == 0) throw HostError("the library does not export GetInfo");
      if (create_ == 0) throw HostError("the library does not export CreateMachine");
      const auto record = static_cast<GuestAddress>(
          process_.Call(module_.name + ": GetInfo", get_info_, pe32::Convention::kCdecl, {}));
      if (record != 0) description_ = std::make_unique<TranslatedDescription>(process_.Memory(), record);
    } catch (...) {
      Unload();
      throw;
    }
  }
  ~EmulatedLibrary() override { Unload(); }

  const MachineDescription* Description() const override {
    return description_ ? description_->Get() : nullptr;
  }

  // The guest's, read from its processor: the calling thread's is the host's.
  platform::FloatControl FloatState() const override {
    return platform::FloatControlOf(process_.Cpu().X87Control(), process_.Cpu().Mxcsr());
  }

  bool OwnRuntimeCounts(platform::AudioPathCounts& counts) const override {
    counts = process_.Counts();
    return true;
  }

  MachineBase* Create() override {
    const auto object = static_cast<GuestAddress>(
        process_.Call(module_.name + ": CreateMachine", create_, pe32::Convention::kCdecl, {}));
    if (object == 0) return nullptr;
    return new pe32::EmulatedMachine(process_, module_, object);
  }

 private:
  void Unload() {
    try {
      process_.Unload(module_);
    } catch (const HostError& error) {
      std::fprintf(stderr, "machine-host: %s\n", error.what());
    }
  }

  pe32::GuestProcess& process_;
  pe32::LoadedModule& module_;
  GuestAddress get_info_ = 0;
  GuestAddress create_ = 0;
  std::unique_ptr<TranslatedDescription> description_;
};

std::vector<std::uint8_t> FileStart(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(4096);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

std::unique_ptr<PluginLibrary> OpenEmulatedLibrary(const std::string& path) {
  if (!pe32::LooksLikePe(FileStart(path))) return nullptr;
  try {
    return std::make_unique<EmulatedLibrary>(pe32::EmulatedProcess(), path);
  } catch (const HostError& error) {
    // The loader names the DLL; the path says it better.
    std::string text = error.what();
    const std::string name = std::filesystem::path(path).filename().string() + ": ";
    if (text.rfind(name, 0) == 0) text.erase(0, name.size());
    throw HostError(path + ": " + text);
  }
}

}  // namespace varnok::host
