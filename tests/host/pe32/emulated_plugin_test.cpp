// The 32-bit Windows DLLs in the emulator, against the native builds and
// against the two DLLs it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/render_signal.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "host/pe32/guest_process.h"
#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"
#include "platform/dialog_driver.h"
#include "platform/isolated_run.h"
#include "platform/message_box.h"
#include "tests/support/emulated_dlls.h"
#include "tests/support/probe_main.h"

namespace varnok::host {
namespace {

const std::string kNativeAnalyzer = std::string(VARNOK_PLUGIN_DIR) + "/Varnok's Analyzer" + VARNOK_PLUGIN_SUFFIX;
const std::string kAnalyzerDll = std::string(VARNOK_EMULATED_PLUGIN_DIR) + "/Varnok's Analyzer.dll";
const std::string kMissingImport = std::string(VARNOK_EMULATED_TEST_PLUGIN_DIR) + "/missing_import.dll";
const std::string kWrongPop = std::string(VARNOK_EMULATED_TEST_PLUGIN_DIR) + "/wrong_pop.dll";

std::vector<std::string> boxes;
int RecordBox(const char* title, const char* text) {
  boxes.push_back(std::string(title) + "\n" + text);
  return platform::kMessageBoxOk;
}

// What the Analyzer's window shows and checks while a host plays it a loud
// constant, then a sine with the menu set to "&4 Ticks" and "High".
std::vector<std::string> PlayThroughWindow(const std::string& path) {
  const Plugin plugin = Plugin::Load(path);
  StandInHostServices services;
  HostInfo info = MakeHostInfo(44100, 125, 4);
  MachineInstance machine(plugin, info, services);
  machine->Initialize(nullptr);
  machine->RunCommand(0);
  const std::vector<platform::WindowHandle> open = platform::OpenDialogs();
  if (open.size() != 1) return {"dialogs open: " + std::to_string(open.size())};
  const platform::WindowHandle dialog = open.back();
  std::vector<std::string> seen = {platform::DialogCaption(dialog)};
  auto read = [&] {
    for (int id = 1000; id <= 1005; ++id) seen.push_back(platform::ControlText(dialog, id));
    for (int item = 40001; item <= 40006; ++item) seen.push_back(platform::MenuItemChecked(dialog, item) ? "x" : "-");
  };
  std::vector<float> block(static_cast<std::size_t>(info.samples_per_tick), 32768.0f);
  read();
  for (int tick = 0; tick < 20; ++tick) {
    if (tick == 3) {
      platform::PickMenuItem(dialog, 40003);
      platform::PickMenuItem(dialog, 40006);
    }
    machine->ApplyTick();
    platform::PumpDialogMessages();
    machine->Render(block.data(), static_cast<int>(block.size()), kRenderHasInput);
    read();
    for (std::size_t i = 0; i < block.size(); ++i) {
      block[i] = static_cast<float>(20000.0 * std::sin(0.05 * static_cast<double>(i + block.size() * tick)));
    }
  }
  platform::ClickButton(dialog, 2);  // About
  platform::ClickButton(dialog, 1);  // Close
  machine->ApplyTick();
  platform::PumpDialogMessages();
  seen.push_back(std::to_string(platform::OpenDialogs().size()) + " dialogs left open");
  return seen;
}

TEST(EmulatedAnalyzer, ShowsWhatTheNativeOneShowsAndAnswersItsMenuAndAbout) {
  VARNOK_NEED_DLL(kAnalyzerDll);
  platform::SetMessageSink(&RecordBox);
  const std::vector<std::string> native = PlayThroughWindow(kNativeAnalyzer);
  boxes.clear();
  pe32::EmulatedProcess().System().shared_name_prefix = "varnok-test-emulated-about-";
  const std::vector<std::string> emulated = PlayThroughWindow(kAnalyzerDll);
  pe32::EmulatedProcess().System().shared_name_prefix.clear();
  platform::SetMessageSink(nullptr);
  EXPECT_EQ(emulated, native);
  ASSERT_GT(emulated.size(), 20u);
  EXPECT_EQ(emulated[25], "2.47 dB");  // the loud constant, at the refresh after it
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("About Analyzer\nVarnok's Analyzer\n", 0), 0u) << boxes[0];
  EXPECT_NE(boxes[0].find("This song uses 1 machine by Varnok\n"), std::string::npos) << boxes[0];
}

// A host whose C runtime was switched to a locale with a decimal comma.
TEST(EmulatedAnalyzer, ShowsAPointWhateverTheRuntimesLocale) {
  VARNOK_NEED_DLL(kAnalyzerDll);
  platform::SetMessageSink(&RecordBox);
  const std::vector<std::string> native = PlayThroughWindow(kNativeAnalyzer);
  pe32::EmulatedProcess().System().decimal_point = ",";
  const std::vector<std::string> emulated = PlayThroughWindow(kAnalyzerDll);
  pe32::EmulatedProcess().System().decimal_point = ".";
  platform::SetMessageSink(nullptr);
  EXPECT_EQ(emulated, native);
}

std::vector<float> RenderDemo(const std::string& plugin_folder) {
  RenderSettings settings;
  settings.plugin_folder = plugin_folder;
  SongRenderer renderer(LoadSong(std::string(VARNOK_SOURCE_DIR) + "/examples/demo.song"), settings);
  std::vector<float> samples(static_cast<std::size_t>(renderer.TotalSamples()) + 1);
  std::size_t done = 0;
  while (done < samples.size()) {
    const std::size_t pulled = renderer.Pull(samples.data() + done, samples.size() - done);
    if (pulled == 0) break;
    done += pulled;
  }
  samples.resize(done);
  return samples;
}

// Every keyboard note of the Test Generator, 256 samples each: the demo plays
// few of the notes whose rotation step the x87 precision can reach.
std::vector<float> EveryNote(const std::string& path) {
  const Plugin plugin = Plugin::Load(path);
  StandInHostServices services;
  HostInfo info = MakeHostInfo(44100, 125, 4);
  MachineInstance machine(plugin, info, services);
  machine->Initialize(nullptr);
  machine->SetTrackCount(1);
  std::vector<float> samples;
  std::vector<float> block(256);
  for (int note = 0; note < 128; ++note) {
    machine->OnMidiNote(0, note, 127);
    if (!machine->Render(block.data(), static_cast<int>(block.size()), 0)) std::fill(block.begin(), block.end(), 0.0f);
    samples.insert(samples.end(), block.begin(), block.end());
    machine->OnMidiNote(0, note, 0);
    machine->ApplyTick();
  }
  return samples;
}

std::size_t Differing(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < a.size(); ++i) differing += std::memcmp(&a[i], &b[i], sizeof(float)) != 0;
  return differing;
}

// The precision a host leaves in the x87 control word, 53 bits (an MSVC-built
// host's) or 64, must not reach a sample.
TEST(EmulatedMachines, PlayAsNativeUnderEitherX87Precision) {
  const std::string pulse = std::string(VARNOK_EMULATED_PLUGIN_DIR) + "/Varnok's Pulse.dll";
  VARNOK_NEED_DLL(pulse);
  const std::vector<float> native_demo = RenderDemo(VARNOK_PLUGIN_DIR);
  const std::vector<float> native_notes =
      EveryNote(std::string(VARNOK_PLUGIN_DIR) + "/Varnok's Pulse" + VARNOK_PLUGIN_SUFFIX);
  pe32::GuestCpu& cpu = pe32::EmulatedProcess().Cpu();
  for (const std::uint16_t control : {std::uint16_t{0x027F}, std::uint16_t{0x037F}}) {
    char word[16];
    std::snprintf(word, sizeof word, "%#x", control);
    SCOPED_TRACE(std::string("x87 control word ") + word);
    cpu.SetFloatControl(control, pe32::kHostMxcsr);
    EXPECT_EQ(Differing(RenderDemo(VARNOK_EMULATED_PLUGIN_DIR), native_demo), 0u) << "demo song";
    EXPECT_EQ(Differing(EveryNote(pulse), native_notes), 0u) << "every note";
  }
  cpu.SetFloatControl(pe32::kHostX87Control, pe32::kHostMxcsr);
}

TEST(EmulatedLoader, RefusesADllImportingWhatItLacks) {
  VARNOK_NEED_DLL(kMissingImport);
  try {
    Plugin::Load(kMissingImport);
    FAIL() << "loaded";
  } catch (const HostError& error) {
    EXPECT_EQ(std::string(error.what()),
              kMissingImport + ": imports Beep from KERNEL32.dll, which the emulator does not provide");
  }
}

constexpr const char* kWrongPopProbe = "--wrong-pop-probe";

// Initializes a machine of the DLL and says what came of it.
int WrongPopProbe() {
  try {
    const Plugin plugin = Plugin::Load(kWrongPop);
    StandInHostServices services;
    HostInfo info = MakeHostInfo(44100, 125, 4);
    MachineInstance machine(plugin, info, services);
    machine->Initialize(nullptr);
    std::fputs("returned", stdout);
  } catch (const HostError& error) {
    std::fputs(error.what(), stdout);
  }
  return 0;
}

// In a process of its own: after the fault the emulated process stays stopped.
TEST(EmulatedLoader, RefusesASlotThatPopsTheWrongNumberOfBytes) {
  VARNOK_NEED_DLL(kWrongPop);
  const platform::IsolatedRun run =
      platform::RunIsolated({platform::ThisProgram(), {kWrongPopProbe}}, 60);
  EXPECT_EQ(run.ending, platform::IsolatedRun::Ending::kExited) << run.reason;
  EXPECT_EQ(run.report, "wrong_pop.dll: Initialize: returned having popped 8 bytes of arguments, 4 expected");
}

}  // namespace
}  // namespace varnok::host

int main(int argc, char** argv) {
  return varnok::testing::TestsOrProbe(argc, argv, varnok::host::kWrongPopProbe,
                                       &varnok::host::WrongPopProbe);
}
