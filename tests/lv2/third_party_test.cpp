// The plug-ins judged by hosts written elsewhere: LV2's validator and lilv's
// lv2info read every bundle, lv2apply and ecasound pass audio through the
// Analyzer, and jalv plays the instruments under a JACK server of the test's
// own, with notes from jack_midiseq.
#include <gtest/gtest.h>

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cctype>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "float_wav.h"
#include "host/live/jack_client.h"
#include "instrument_cases.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "same_samples.h"
#include "signals.h"
#include "tests/host/live/jack_server.h"

namespace varnok::lv2::testing {
namespace {

const char* const kBundles[] = {"varnok-analyzer", "varnok-chip", "varnok-pulse"};

// A sanitizer's runtime must be loaded first of all; a host written elsewhere
// cannot load a library built with one. Those builds leave running the
// plug-ins to the tests' own host, which carries the runtime.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#define SKIP_WHEN_SANITIZED() \
  if (kSanitized) GTEST_SKIP() << "a host built without the sanitizer cannot load a sanitized plug-in"

const char* const kUris[] = {kAnalyzerUri, kChipUri, kPulseUri};

// Lines that say "error" or "warning" in any case, but the validator's own
// closing count of none.
std::vector<std::string> Complaints(const std::string& output) {
  std::vector<std::string> complaints;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool complains = lower.find("error") != std::string::npos || lower.find("warning") != std::string::npos;
    if (complains && line.rfind("Found 0 errors", 0) != 0) complaints.push_back(line);
  }
  return complaints;
}

TEST(Judges, Lv2ValidateAndLv2InfoFindNoErrorAndNoWarning) {
  for (int i = 0; i < 3; ++i) {
    const std::string folder = std::string(VARNOK_LV2_DIR) + "/" + kBundles[i] + ".lv2";
    const Finished validated = RunToEnd("lv2_validate '" + folder + "/manifest.ttl' '" + folder + "/" + kBundles[i] + ".ttl'");
    EXPECT_EQ(validated.exit_code, 0) << validated.output;
    EXPECT_NE(validated.output.find("Found 0 errors"), std::string::npos) << validated.output;
    EXPECT_EQ(Complaints(validated.output), std::vector<std::string>{}) << kBundles[i];
    const Finished info = RunToEnd(std::string("lv2info ") + kUris[i]);
    EXPECT_EQ(info.exit_code, 0) << info.output;
    EXPECT_NE(info.output.find(kUris[i]), std::string::npos) << info.output;
    EXPECT_EQ(Complaints(info.output), std::vector<std::string>{}) << kUris[i];
  }
}

struct FileHost {
  const char* name;
  const char* before_input;   // the command, up to the input file
  const char* before_output;  // between the input and the output file
  const char* after_output;
  const char* signal;
};

// ecasound's own file handling keeps samples within full level and flushes
// denormals, so it gets an ordinary signal; lv2apply gets every edge a float has.
const FileHost kFileHosts[] = {
    {"lv2apply", "lv2apply -i ", " -o ", " urn:varnok:lv2:analyzer", "edges"},
    {"ecasound", "ecasound -q -f:f32_le,1,44100 -i ", " -o ", " -elv2:urn:varnok:lv2:analyzer", "noise"},
};

class FileHosts : public ::testing::TestWithParam<FileHost> {};

TEST_P(FileHosts, PassAudioThroughTheAnalyzerBitForBit) {
  SKIP_WHEN_SANITIZED();
  const FileHost& host = GetParam();
  const std::string in = ::testing::TempDir() + "lv2_" + host.name + "_in.wav";
  const std::string out = ::testing::TempDir() + "lv2_" + host.name + "_out.wav";
  const std::vector<float> signal = Signal(host.signal, 3 * 44100 + 17);
  WriteFloatWav(in, signal, 44100);
  std::remove(out.c_str());
  const std::string command =
      host.before_input + ("'" + in + "'") + host.before_output + ("'" + out + "'") + host.after_output;
  const Finished run = RunToEnd(command);
  ASSERT_EQ(run.exit_code, 0) << command << "\n" << run.output;
  EXPECT_TRUE(SameSamples(ReadFloatWav(out), signal));
  std::remove(in.c_str());
  std::remove(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(Hosts, FileHosts, ::testing::ValuesIn(kFileHosts),
                         [](const auto& info) { return std::string(info.param.name); });

// A JACK client of the test's own that keeps what it hears from its start.
class JackRecorder final {
 public:
  explicit JackRecorder(std::size_t frames)
      : input_(client_.AddPort("in", host::live::JackClient::PortKind::kAudioIn)), samples_(frames, 0.0f) {
    client_.Activate(&JackRecorder::Process, this);
  }
  bool Full() const { return filled_.load(std::memory_order_acquire) >= samples_.size(); }
  const std::vector<float>& Samples() const { return samples_; }
  jack_client_t* Handle() const { return client_.Handle(); }
  jack_port_t* Input() const { return input_; }

 private:
  // Port buffers pass between clients through the server's own hand-over in
  // shared memory, which ThreadSanitizer cannot see.
  __attribute__((no_sanitize("thread"))) static int Process(jack_nframes_t frames, void* data) {
    auto& self = *static_cast<JackRecorder*>(data);
    const auto* in = static_cast<const float*>(jack_port_get_buffer(self.input_, frames));
    const std::size_t filled = self.filled_.load(std::memory_order_relaxed);
    const std::size_t count = std::min<std::size_t>(frames, self.samples_.size() - filled);
    for (std::size_t i = 0; i < count; ++i) self.samples_[filled + i] = in[i];
    self.filled_.store(filled + count, std::memory_order_release);
    return 0;
  }

  host::live::JackClient client_{"recorder"};
  jack_port_t* input_;
  std::vector<float> samples_;
  std::atomic<std::size_t> filled_{0};
};

bool WaitForPort(jack_client_t* client, const std::string& name) {
  for (int tries = 0; tries < 300; ++tries) {
    if (jack_port_by_name(client, name.c_str()) != nullptr) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

struct JalvCase {
  const char* name;
  const char* uri;
  int loop;    // jack_midiseq's loop, in samples
  int key;     // one note a loop, from its start
  int length;  // samples the key is held
  bool ticks_heard;  // a released note ends at the next tick, so the tick's phase shows
};

// jack_midiseq plays its keys at velocity 64.
constexpr int kMidiseqVelocity = 64;

class Jalv : public ::testing::TestWithParam<JalvCase> {};

// The recording, from its first sound, equals our render of the same notes,
// two loops long. The plug-in's ticks started when jalv did; where the
// Test Generator's released note falls silent shows where they lie.
TEST_P(Jalv, PlaysJackMidiseqsNotesAsOurRendererDoes) {
  SKIP_WHEN_SANITIZED();
  const JalvCase& c = GetParam();
  host::testing::JackServer server(44100, 256);
  const std::string client = std::string("jalv_") + c.name;
  Background jalv({"jalv", "-n", client, c.uri});
  JackRecorder recorder(4 * 44100);
  ASSERT_TRUE(WaitForPort(recorder.Handle(), client + ":out")) << "jalv made no output port";
  ASSERT_EQ(jack_connect(recorder.Handle(), (client + ":out").c_str(), jack_port_name(recorder.Input())), 0);
  Background midiseq({"jack_midiseq", "seq", std::to_string(c.loop), "0", std::to_string(c.key), std::to_string(c.length)});
  ASSERT_TRUE(WaitForPort(recorder.Handle(), "seq:out")) << "jack_midiseq made no port";
  ASSERT_EQ(jack_connect(recorder.Handle(), "seq:out", (client + ":events").c_str()), 0);
  for (int waited = 0; !recorder.Full() && waited < 600; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(recorder.Full());
  const std::vector<float>& heard = recorder.Samples();

  const std::size_t first = static_cast<std::size_t>(
      std::find_if(heard.begin(), heard.end(), [](float s) { return s != 0.0f; }) - heard.begin());
  const std::size_t span = 2 * static_cast<std::size_t>(c.loop);
  ASSERT_LE(first + span, heard.size()) << "no whole two loops heard";
  std::uint32_t phase = 0;  // of the first note in its tick
  if (c.ticks_heard) {
    std::size_t silent = first + static_cast<std::size_t>(c.length);
    while (silent < heard.size() && heard[silent] != 0.0f) ++silent;
    phase = static_cast<std::uint32_t>((first + kTick - silent % kTick) % kTick);
  }
  std::vector<TimedEvent> notes;
  for (std::uint32_t loop = 0; loop < 2; ++loop) {
    const std::uint32_t start = phase + loop * static_cast<std::uint32_t>(c.loop);
    notes.push_back(NoteOn(start, c.key, kMidiseqVelocity));
    notes.push_back(NoteOff(start + static_cast<std::uint32_t>(c.length), c.key));
  }
  LilvRenderer rig(c.uri);
  const std::vector<float> ours = rig.Play(phase + static_cast<std::uint32_t>(span), notes, {256});
  EXPECT_TRUE(SameSamples(std::vector<float>(heard.begin() + first, heard.begin() + first + span),
                          std::vector<float>(ours.begin() + phase, ours.end())));
}

INSTANTIATE_TEST_SUITE_P(Instruments, Jalv,
                         ::testing::Values(JalvCase{"pulse", kPulseUri, 30000, 69, 10000, true},
                                           JalvCase{"chip", kChipUri, 24000, 57, 7000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnok::lv2::testing
