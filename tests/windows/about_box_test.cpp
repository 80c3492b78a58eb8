// The counted machines' About boxes as the system shows them: a real message
// box that the test reads and closes like a user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <regex>
#include <string>

#include "analyzer/analyzer_description.h"
#include "analyzer/dialog_template.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "platform/dialog_driver.h"
#include "platform/message_box_driver.h"

namespace varnok {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr int kAnswerTimeoutMs = 20000;
constexpr int kTestGenAboutCommand = 0;

std::string PluginPath(const char* name) {
  return std::string(VARNOK_PLUGIN_DIR) + "/" + name + VARNOK_PLUGIN_SUFFIX;
}

// Answers the box titled `title` on another thread while `show` blocks in it.
template <class Show>
std::string AnswerWhile(const char* title, Show show) {
  auto answer = std::async(std::launch::async, [title] {
    std::string text;
    return platform::AnswerMessageBox(title, kAnswerTimeoutMs, text) ? text : std::string("<no box>");
  });
  show();
  return answer.get();
}

// Other tests may hold counted machines at the same moment: any count will
// do, as long as the suffix agrees with it.
void ExpectCountLine(const std::string& text) {
  std::smatch match;
  ASSERT_TRUE(std::regex_search(text, match, std::regex("This song uses (-?\\d+) machine(s?) by Varnok")))
      << text;
  EXPECT_EQ(match[2].length() == 0, match[1] == "1") << text;
}

struct Host {
  explicit Host(const char* name) : plugin(host::Plugin::Load(PluginPath(name))) {}
  host::Plugin plugin;
  host::StandInHostServices services;
  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::MachineInstance machine{plugin, info, services};
};

TEST(AboutBox, AnalyzersAboutButtonShowsASystemBoxThatWaitsForTheUser) {
  Host host("Varnok's Analyzer");
  host.machine->Initialize(nullptr);
  host.machine->RunCommand(analyzer::kOpenCommand);
  ASSERT_EQ(platform::OpenDialogs().size(), 1u);
  const platform::WindowHandle dialog = platform::OpenDialogs().front();

  const std::string text =
      AnswerWhile("About Analyzer", [&] { platform::ClickButton(dialog, analyzer::kAboutButton); });
  EXPECT_THAT(text, StartsWith("Varnok's Analyzer"));
  ExpectCountLine(text);
  // The box was modal to nothing: the meter window is still there.
  EXPECT_EQ(platform::OpenDialogs().size(), 1u);

  EXPECT_THAT(AnswerWhile("About Analyzer", [&] { host.machine->RunCommand(analyzer::kAboutCommand); }),
              StartsWith("Varnok's Analyzer"));
}

TEST(AboutBox, TestGeneratorsCommandShowsItsOwnBox) {
  Host host("Varnok's Pulse");
  host.machine->Initialize(nullptr);
  const std::string text =
      AnswerWhile("About Test Generator", [&] { host.machine->RunCommand(kTestGenAboutCommand); });
  EXPECT_THAT(text, StartsWith("Varnok's Test Generator"));
  EXPECT_THAT(text, HasSubstr("by Varnok"));
  ExpectCountLine(text);
}

}  // namespace
}  // namespace varnok
