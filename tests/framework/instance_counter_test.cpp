#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/about_box.h"
#include "framework/instance_counter.h"
#include "platform/message_box.h"
#include "counter_name.h"

namespace varnok {
namespace {

TEST(InstanceCounter, SecondHolderRaisesTheCountAndLeavingLowersIt) {
  const TestCounterName name;
  auto first = std::make_unique<InstanceCounter>(name.c_str());
  EXPECT_EQ(first->Value(), 1);
  InstanceCounter second(name.c_str());
  EXPECT_EQ(second.Value(), 2);
  first.reset();
  EXPECT_EQ(second.Value(), 1);
}

TEST(InstanceCounter, WithoutSharedMemoryTheObjectCountsOnlyItself) {
  InstanceCounter uncounted("no\\such/place");  // a name no system accepts
  EXPECT_EQ(uncounted.Value(), 1);
}

std::string AboutText(std::int32_t count, const char* full_name = "Varnok's Test Generator") {
  char text[kAboutTextSize];
  FormatAboutText(full_name, count, text);
  return text;
}

TEST(AboutText, LinesAndPlural) {
  const std::string one = AboutText(1);
  EXPECT_EQ(one.rfind("Varnok's Test Generator\n", 0), 0u);
  EXPECT_NE(one.find("\n\nThis song uses 1 machine by Varnok\n\n"), std::string::npos);
  EXPECT_NE(AboutText(2).find("This song uses 2 machines by Varnok\n"), std::string::npos);
  EXPECT_NE(AboutText(0).find("This song uses 0 machines by Varnok\n"), std::string::npos);
}

TEST(AboutText, NeverLongerThan511Characters) {
  const std::string long_name(2000, 'x');
  EXPECT_EQ(AboutText(7, long_name.c_str()), std::string(511, 'x'));
}

std::string shown_title, shown_text;
int CaptureBox(const char* title, const char* text) {
  shown_title = title;
  shown_text = text;
  return 42;
}

TEST(InstanceCounter, ShowAboutShowsTheLiveCountAndReturnsTheBoxResult) {
  const TestCounterName name;
  InstanceCounter first(name.c_str());
  InstanceCounter second(name.c_str());
  platform::SetMessageSink(&CaptureBox);
  const int result = ShowAbout("About Analyzer", "Varnok's Analyzer", second);
  platform::SetMessageSink(nullptr);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(shown_title, "About Analyzer");
  EXPECT_EQ(shown_text, AboutText(2, "Varnok's Analyzer"));
}

}  // namespace
}  // namespace varnok
