// The loader as a parser of untrusted files: each damage to a small DLL built
// here is refused with its own line, and what Windows loads, it loads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/pe32/guest_error.h"
#include "host/pe32/guest_process.h"
#include "host/pe32/resource_templates.h"
#include "tests/host/pe32/pe_builder.h"

namespace varnok::host::pe32 {
namespace {

namespace fs = std::filesystem;
using testing::BuildPe;
using testing::PeLayout;
using testing::PeShape;
using testing::Put16;
using testing::Put32;
using Bytes = std::vector<std::uint8_t>;

// DllMain's code: return TRUE, or FALSE, popping its three arguments.
const Bytes kAccepts = {0xB8, 1, 0, 0, 0, 0xC2, 0x0C, 0x00};
const Bytes kRefuses = {0xB8, 0, 0, 0, 0, 0xC2, 0x0C, 0x00};

class Scratch {
 public:
  Scratch() : folder_(fs::temp_directory_path() / ("varnok-pe-loader-" + std::to_string(getpid()))) {
    fs::create_directories(folder_);
  }
  ~Scratch() { fs::remove_all(folder_); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  fs::path folder_;
};

std::size_t SectionField(int section, std::size_t offset) { return PeLayout::kSections + 40u * section + offset; }
std::size_t Directory(int index) { return PeLayout::kDirectories + 8u * index; }

struct Malformed {
  const char* what;
  std::function<void(PeShape&)> shape;
  std::function<void(Bytes&)> damage;
  const char* message;  // after "malformed.dll: "
  bool on_export = false;  // refused when GetInfo is looked up, not at load
};

void NoChange(PeShape&) {}
void Intact(Bytes&) {}

const Malformed kMalformed[] = {
    {"MZ", NoChange, [](Bytes& f) { f[0] = 'Z'; }, "no MZ header"},
    {"PE signature", NoChange, [](Bytes& f) { Put32(f, 0x40, 0); }, "no PE signature"},
    {"64-bit", NoChange, [](Bytes& f) { Put16(f, PeLayout::kCoff, 0x8664); },
     "a 64-bit DLL (x86-64): the emulator runs 32-bit (i386) DLLs only"},
    {"other processor", NoChange, [](Bytes& f) { Put16(f, PeLayout::kCoff, 0x01C4); },
     "machine type 0x000001c4, not i386"},
    {"program", NoChange, [](Bytes& f) { Put16(f, PeLayout::kCoff + 18, 0x0102); }, "not a DLL"},
    {"PE32+", NoChange, [](Bytes& f) { Put16(f, PeLayout::kOptional, 0x020B); },
     "a PE32+ (64-bit) image: the emulator runs 32-bit DLLs only"},
    {"short optional header", NoChange, [](Bytes& f) { Put16(f, PeLayout::kCoff + 16, 0x40); },
     "optional header of 64 bytes, too short for its fields"},
    {"section alignment", NoChange, [](Bytes& f) { Put32(f, PeLayout::kOptional + 32, 0x200); },
     "section alignment 0x00000200, not one page"},
    {"image size", NoChange, [](Bytes& f) { Put32(f, PeLayout::kOptional + 56, 0x08000000); },
     "image size 0x08000000 out of range"},
    {"headers beyond the image", NoChange, [](Bytes& f) { Put32(f, PeLayout::kOptional + 60, 0x6000); },
     "headers of 0x00006000 bytes, more than the image holds"},
    {"section beyond the image", NoChange, [](Bytes& f) { Put32(f, SectionField(1, 8), 0x10000); },
     "section .data outside the image"},
    {"section beyond the file", NoChange, [](Bytes& f) { Put32(f, SectionField(1, 16), 0x1000); },
     "section .data outside the file"},
    {"cut section table", NoChange, [](Bytes& f) { f.resize(PeLayout::kSections + 20); },
     "the file ends inside its section table"},
    {"relocation block overrun", NoChange, [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kReloc) + 4, 0x100); },
     "a relocation block overruns its table"},
    {"relocation type", NoChange, [](Bytes& f) { Put16(f, PeLayout::File(PeLayout::kReloc) + 8, 0xA000); },
     "relocation type 10 unknown"},
    {"relocation target", NoChange, [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kReloc), 0x4FFE); },
     "a relocation outside the image"},
    {"relocation table", NoChange, [](Bytes& f) { Put32(f, Directory(5), 0x4FF0), Put32(f, Directory(5) + 4, 0x100); },
     "the relocation table at 0x00004ff0 lies outside the image"},
    {"imported DLL's name", NoChange, [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kImports) + 12, 0x6000); },
     "an imported DLL's name at 0x00006000 lies outside the image"},
    {"import address table", NoChange, [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kImports) + 16, 0x7000); },
     "an import address table at 0x00007000 lies outside the image"},
    {"unknown system import", [](PeShape& s) { s.import_name = "Beep"; }, Intact,
     "imports Beep from KERNEL32.dll, which the emulator does not provide"},
    {"missing DLL", [](PeShape& s) { s.import_dll = "absent.dll"; }, Intact,
     "needs absent.dll, which is neither beside it nor a system DLL the emulator provides"},
    {"TLS template reversed", [](PeShape& s) { s.tls = true; },
     [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kTls) + 4, 0x10000000u + PeLayout::kData + 0xF0); },
     "TLS template ends before it starts"},
    {"TLS index", [](PeShape& s) { s.tls = true; },
     [](Bytes& f) { Put32(f, PeLayout::File(PeLayout::kTls) + 8, 0x10000000u + 0x9000); },
     "the TLS index at 0x08009000 lies outside the image"},
    {"fixed at a taken base", [](PeShape& s) { s.relocations = false, s.preferred_base = 0x00400000; }, Intact,
     "the image cannot move from its preferred base 0x00400000, where its 0x00005000 bytes do not fit: "
     "it has no relocations"},
    {"marked fixed at a taken base", [](PeShape& s) { s.stripped = true, s.preferred_base = 0x02000000; }, Intact,
     "the image cannot move from its preferred base 0x02000000, where its 0x00005000 bytes do not fit: "
     "it has no relocations"},
    {"export table", NoChange, [](Bytes& f) { Put32(f, Directory(0), 0x4FF0); },
     "the export table at 0x00005004 lies outside the image", true},
};

TEST(PeLoader, RefusesEachDamageWithItsOwnLine) {
  const Scratch scratch;
  for (const Malformed& test : kMalformed) {
    SCOPED_TRACE(test.what);
    PeShape shape;
    test.shape(shape);
    Bytes file = BuildPe(shape);
    test.damage(file);
    const std::string path = scratch.Write("malformed.dll", file);
    GuestProcess process;
    try {
      LoadedModule& module = process.Load(path);
      if (!test.on_export) FAIL() << "loaded";
      process.Export(module, "GetInfo");
      FAIL() << "found GetInfo";
    } catch (const GuestError& error) {
      EXPECT_EQ(std::string(error.what()), std::string(test.on_export ? "" : "malformed.dll: ") + test.message);
    }
  }
}

TEST(PeLoader, PlacesWhatCanMoveElsewhereAndWhatCannotWhereItAsks) {
  const Scratch scratch;
  struct Placement {
    const char* what;
    PeShape shape;
    bool at_preferred;
  } placements[] = {
      {"with relocations", PeShape{}, false},
      {"without relocations", [] { PeShape s; s.relocations = false; return s; }(), true},
      {"marked fixed", [] { PeShape s; s.stripped = true, s.preferred_base = 0x20000000; return s; }(), true},
      {"with TLS", [] { PeShape s; s.tls = true; return s; }(), false},
  };
  for (const Placement& test : placements) {
    SCOPED_TRACE(test.what);
    GuestProcess process;
    const LoadedModule& module = process.Load(scratch.Write("placed.dll", BuildPe(test.shape)));
    EXPECT_EQ(module.base == test.shape.preferred_base, test.at_preferred);
    // The pointer in .data leads to .text wherever the image went.
    EXPECT_EQ(process.Memory().Read32(module.base + PeLayout::kData), module.base + PeLayout::kText);
    EXPECT_EQ(process.Export(module, "GetInfo"), module.base + PeLayout::kText);
    if (test.shape.tls) {
      EXPECT_EQ(module.tls.template_start, module.base + PeLayout::kData + 0x100);
    }
  }
}

// A menu is read by recursion: one nested past reason is refused, however
// deep, before the host's own stack runs out.
TEST(PeLoader, ReadsADialogsMenuAndRefusesOneNestedTooDeep) {
  const Scratch scratch;
  for (const int depth : {2, 9, 100000}) {
    SCOPED_TRACE(depth);
    PeShape shape;
    shape.menu_depth = depth;
    GuestProcess process;
    const LoadedModule& module = process.Load(scratch.Write("dialog.dll", BuildPe(shape)));
    try {
      const auto dialog = ReadDialogTemplate(module.headers, module.Image(process.Memory()), 101);
      EXPECT_EQ(depth, 2);
      ASSERT_EQ(dialog->dialog.control_count, 1u);
      EXPECT_EQ(std::string(dialog->dialog.controls[0].text), "B");
      ASSERT_EQ(dialog->popups.size(), 1u);
      EXPECT_EQ(std::string(dialog->popups[0].items[0].text), "I");
    } catch (const GuestError& error) {
      EXPECT_EQ(std::string(error.what()), "a menu nests pop-ups more than 8 deep");
    }
  }
}

// The second DLL lands where the first was, page rights and all: it must run
// its own code, not what the emulator translated from the first.
TEST(PeLoader, ADllLoadedWhereAnotherWasRunsItsOwnCode) {
  const Scratch scratch;
  GuestProcess process;
  PeShape accepts, refuses;
  accepts.entry = kAccepts;
  refuses.entry = kRefuses;
  LoadedModule& first = process.Load(scratch.Write("first.dll", BuildPe(accepts)));
  const GuestAddress base = first.base;
  process.Unload(first);
  try {
    const LoadedModule& second = process.Load(scratch.Write("second.dll", BuildPe(refuses)));
    FAIL() << "loaded at " << Hex(second.base);
  } catch (const GuestError& error) {
    EXPECT_EQ(std::string(error.what()), "second.dll: DllMain refused DLL_PROCESS_ATTACH");
  }
  EXPECT_EQ(process.ModuleAt(base), nullptr);
}

}  // namespace
}  // namespace varnok::host::pe32
