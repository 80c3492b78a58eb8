// A 32-bit Windows plug-in DLL loaded into the emulated process, behind the
// same interface as a library the system loads.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "host/pe32/call_watch.h"
#include "host/pe32/emulated_library.h"
#include "host/pe32/emulated_machine.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/guest_process.h"

namespace varnok::host {
namespace {

using pe32::GuestAddress;
using pe32::GuestMemory;

// Counts beyond this cannot be a real description; they stop the reading.
constexpr std::int32_t kMostEntries = 4096;

// Runs `read`, naming `what` it was reading in any failure.
template <class Read>
auto Within(const std::string& what, Read read) {
  try {
    return read();
  } catch (const pe32::GuestError& error) {
    throw pe32::GuestError(what + ": " + error.what());
  }
}

// The description record with its 32-bit guest pointers turned into a native
// record of the same values, owning its texts and tables. Every record, table
// and text is read where the machine could read it, over its whole length.
class TranslatedDescription {
 public:
  TranslatedDescription(const GuestMemory& memory, GuestAddress record) : memory_(memory) {
    std::uint32_t fields[14];
    Within("the description at " + pe32::Hex(record), [&] { return Copy(record, fields); });
    auto count = [&](int index, const char* name) {
      const auto value = static_cast<std::int32_t>(fields[index]);
      if (value < 0 || value > kMostEntries) {
        throw pe32::GuestError(std::string("the description's ") + name + " is " + std::to_string(value));
      }
      return value;
    };
    description_.kind = static_cast<std::int32_t>(fields[0]);
    description_.interface_version = static_cast<std::int32_t>(fields[1]);
    description_.flags = static_cast<std::int32_t>(fields[2]);
    description_.min_tracks = static_cast<std::int32_t>(fields[3]);
    description_.max_tracks = static_cast<std::int32_t>(fields[4]);
    description_.global_param_count = count(5, "global_param_count");
    description_.track_param_count = count(6, "track_param_count");
    description_.attribute_count = count(8, "attribute_count");
    description_.full_name = Text(fields[10], "full_name");
    description_.short_name = Text(fields[11], "short_name");
    description_.author = Text(fields[12], "author");
    description_.commands = Text(fields[13], "commands");

    const std::int32_t param_count = description_.global_param_count + description_.track_param_count;
    if (fields[7] != 0) {
      for (std::int32_t i = 0; i < param_count; ++i) {
        const std::string where = "params[" + std::to_string(i) + "]";
        const GuestAddress at = Within(where, [&] { return memory_.Read32(fields[7] + 4u * static_cast<std::uint32_t>(i)); });
        if (at == 0) {
          param_table_.push_back(nullptr);
          continue;
        }
        std::uint32_t row[8];
        Within(where, [&] { return Copy(at, row); });
        ParamDescriptor& param = params_.emplace_back();
        param.kind = static_cast<std::int32_t>(row[0]);
        param.name = Text(row[1], where + ".name");
        param.description = Text(row[2], where + ".description");
        param.min_value = static_cast<std::int32_t>(row[3]);
        param.max_value = static_cast<std::int32_t>(row[4]);
        param.no_value = static_cast<std::int32_t>(row[5]);
        param.flags = static_cast<std::int32_t>(row[6]);
        param.default_value = static_cast<std::int32_t>(row[7]);
        param_table_.push_back(&param);
      }
      description_.params = param_table_.data();
    }
    if (fields[9] != 0) {
      for (std::int32_t i = 0; i < description_.attribute_count; ++i) {
        const std::string where = "attributes[" + std::to_string(i) + "]";
        const GuestAddress at = Within(where, [&] { return memory_.Read32(fields[9] + 4u * static_cast<std::uint32_t>(i)); });
        if (at == 0) {
          attribute_table_.push_back(nullptr);
          continue;
        }
        std::uint32_t row[4];
        Within(where, [&] { return Copy(at, row); });
        AttributeDescriptor& attribute = attributes_.emplace_back();
        attribute.name = Text(row[0], where + ".name");
        attribute.min_value = static_cast<std::int32_t>(row[1]);
        attribute.max_value = static_cast<std::int32_t>(row[2]);
        attribute.default_value = static_cast<std::int32_t>(row[3]);
        attribute_table_.push_back(&attribute);
      }
      description_.attributes = attribute_table_.data();
    }
  }

  const MachineDescription* Get() const { return &description_; }

 private:
  // A record of 32-bit fields, read whole.
  template <std::size_t kCount>
  bool Copy(GuestAddress at, std::uint32_t (&fields)[kCount]) const {
    std::memcpy(fields, memory_.Readable(at, sizeof fields), sizeof fields);
    return true;
  }

  const char* Text(GuestAddress at, const std::string& what) {
    if (at == 0) return nullptr;
    return texts_.emplace_back(Within(what, [&] { return memory_.ReadString(at); })).c_str();
  }

  const GuestMemory& memory_;
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
      if (record != 0) {
        description_ = Within(module_.name + ": GetInfo",
                              [&] { return std::make_unique<TranslatedDescription>(process_.Memory(), record); });
      }
    } catch (...) {
      Unload();
      throw;
    }
  }
  ~EmulatedLibrary() override { Unload(); }

  const MachineDescription* Description() const override {
    return description_ ? description_->Get() : nullptr;
  }

  std::vector<std::string> LoadedFiles() const override {
    std::vector<std::string> files{module_.path};
    for (const pe32::LoadedModule* dependency : module_.dependencies) files.push_back(dependency->path);
    return files;
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
    const MachineDescription& d = *description_->Get();
    const auto bytes = [](std::int64_t count) {
      return static_cast<std::uint32_t>(std::clamp<std::int64_t>(count, 0, UINT32_MAX));
    };
    return new pe32::EmulatedMachine(
        process_, module_, object,
        {bytes(d.global_param_count), bytes(std::int64_t{d.track_param_count} * d.max_tracks),
         bytes(std::int64_t{4} * d.attribute_count)});
  }

 private:
  void Unload() {
    try {
      process_.Unload(module_);
    } catch (const HostError& error) {
      pe32::ReportLateFailure(error);
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

bool failed_late = false;

}  // namespace

namespace pe32 {

void ReportLateFailure(const std::exception& error) noexcept {
  std::fprintf(stderr, "machine-host: %s\n", Escaped(error.what()).c_str());
  failed_late = true;
}

bool FailedLate() { return failed_late; }

std::unique_ptr<PluginLibrary> OpenLibrary(const std::string& path) {
  if (!LooksLikePe(FileStart(path))) return nullptr;
  try {
    return std::make_unique<EmulatedLibrary>(EmulatedProcess(), path);
  } catch (const HostError& error) {
    // The loader names the DLL; the path says it better.
    std::string text = error.what();
    const std::string name = std::filesystem::path(path).filename().string() + ": ";
    if (text.rfind(name, 0) == 0) text.erase(0, name.size());
    throw HostError(path + ": " + text);
  }
}

}  // namespace pe32
}  // namespace varnok::host
