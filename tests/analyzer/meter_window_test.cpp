#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include "analyzer/dialog_template.h"
#include "tests/analyzer/analyzer_fixture.h"

namespace varnok::analyzer {
namespace {

using platform::ControlText;
using platform::WindowHandle;
using testing::AnalyzerTest;
using testing::Constant;
using testing::MeterHost;

struct Column {
  std::string level, amplitude, offset;
};
Column Current(WindowHandle dialog) {
  return {ControlText(dialog, kCurrentLevelText), ControlText(dialog, kCurrentAmplitudeText),
          ControlText(dialog, kCurrentOffsetText)};
}
Column Average(WindowHandle dialog) {
  return {ControlText(dialog, kAverageLevelText), ControlText(dialog, kAverageAmplitudeText),
          ControlText(dialog, kAverageOffsetText)};
}

using MeterWindow = AnalyzerTest;

TEST_F(MeterWindow, ShowsLevelAmplitudeAndOffsetOfATick) {
  MeterHost host(44100);
  const WindowHandle dialog = host.Open();
  ASSERT_NE(dialog, nullptr);

  host.Render(Constant(32768.0f, 44100));
  host.Refresh();
  EXPECT_EQ(Current(dialog).level, "2.48 dB");
  EXPECT_EQ(Current(dialog).amplitude, "50.0 %");
  EXPECT_EQ(Current(dialog).offset, "32768.0");

  std::vector<float> sine(44100);
  for (std::size_t i = 0; i < sine.size(); ++i) {
    sine[i] = static_cast<float>(32768.0 * std::sin(2.0 * 3.141592653589793 * 4410.0 * i / 44100.0));
  }
  host.Render(sine);
  host.Refresh();
  EXPECT_EQ(Current(dialog).level, "-0.99 dB");

  std::vector<float> span = Constant(0.0f, 44100);
  span[10] = -32768.0f;
  span[20] = 32767.0f;
  host.Render(Constant(0.0f, 10), 0);  // a block without input silences the power at once
  host.Render(span);
  host.Refresh();
  EXPECT_EQ(Current(dialog).amplitude, "100.0 %");

  host.Render(Constant(-100.0f, 44100), 2);  // no input: measured nothing, power 0
  host.Render(Constant(-100.0f, 44100));
  host.Refresh();
  EXPECT_EQ(Current(dialog).offset, "100.0");

  host.Render(Constant(0.0f, 5), 0);
  host.Refresh();
  EXPECT_EQ(Current(dialog).level, "-inf dB");
  EXPECT_EQ(Current(dialog).amplitude, "0.0 %");
  EXPECT_EQ(Current(dialog).offset, "0.0");
}

TEST_F(MeterWindow, TickWithoutSamplesShowsNoOffset) {
  MeterHost host(0);
  const WindowHandle dialog = host.Open();
  host.Render(Constant(-100.0f, 64));
  host.Refresh();
  EXPECT_EQ(Current(dialog).offset, "0.0");
  EXPECT_EQ(Average(dialog).offset, "0.0");
}

// Refresh n (from 1) measures a tick of offset n; the "Current" column follows
// it only when due, the "Average" column every eighth refresh.
TEST_F(MeterWindow, RefreshRateDecidesWhichColumnsAreRewritten) {
  const int items[] = {kOneTickItem, kTwoTicksItem, kFourTicksItem};
  for (int rate = 0; rate < 3; ++rate) {
    MeterHost host(10);
    const WindowHandle dialog = host.Open();
    platform::PickMenuItem(dialog, items[rate]);
    EXPECT_EQ(host.machine->Window().RefreshRate(), rate);
    std::string shown_current = ControlText(dialog, kCurrentOffsetText);
    std::string shown_average = ControlText(dialog, kAverageOffsetText);
    for (int n = 1; n <= 17; ++n) {
      host.Render(Constant(-static_cast<float>(n), 10));
      host.Refresh();
      const bool current_due = (n - 1) % (1 << rate) == 0;
      const bool average_due = (n - 1) % 8 == 0;
      if (current_due) shown_current = std::to_string(n) + ".0";
      EXPECT_EQ(ControlText(dialog, kCurrentOffsetText), shown_current) << "rate " << rate << " n " << n;
      EXPECT_EQ(ControlText(dialog, kAverageOffsetText) != shown_average, average_due)
          << "rate " << rate << " n " << n;
      shown_average = ControlText(dialog, kAverageOffsetText);
    }
  }
}

TEST_F(MeterWindow, AveragesFollowTheChosenSmoothing) {
  const int items[] = {kLowAveragingItem, kMediumAveragingItem, kHighAveragingItem};
  const double coefficients[] = {0.85, 0.92, 0.97};
  for (int averaging = 0; averaging < 3; ++averaging) {
    MeterHost host(10);
    const WindowHandle dialog = host.Open();
    platform::PickMenuItem(dialog, items[averaging]);
    double expected = 0.0;
    for (int n = 1; n <= 9; ++n) {
      host.Render(Constant(-1000.0f, 10));
      host.Refresh();
      expected = coefficients[averaging] * expected + (1.0 - coefficients[averaging]) * 1000.0;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", expected);
    EXPECT_EQ(Average(dialog).offset, text) << averaging;
  }
}

TEST_F(MeterWindow, MenuChecksFollowTheSettingsIntoAReopenedDialog) {
  MeterHost host;
  WindowHandle dialog = host.Open();
  EXPECT_TRUE(platform::MenuItemChecked(dialog, kOneTickItem));
  EXPECT_TRUE(platform::MenuItemChecked(dialog, kMediumAveragingItem));

  platform::PickMenuItem(dialog, kHighAveragingItem);
  platform::PickMenuItem(dialog, kTwoTicksItem);
  EXPECT_EQ(host.machine->Window().Averaging(), 2);
  for (int item = kOneTickItem; item <= kHighAveragingItem; ++item) {
    EXPECT_EQ(platform::MenuItemChecked(dialog, item), item == kTwoTicksItem || item == kHighAveragingItem)
        << item;
  }

  platform::PressCloseBox(dialog);
  host.Refresh();
  dialog = host.Reopen();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(platform::MenuItemChecked(dialog, kTwoTicksItem));
  EXPECT_TRUE(platform::MenuItemChecked(dialog, kHighAveragingItem));
  EXPECT_FALSE(platform::MenuItemChecked(dialog, kMediumAveragingItem));
}

TEST_F(MeterWindow, ClosedDialogIsForgottenAndOpenMakesAFreshOne) {
  for (bool by_button : {false, true}) {
    MeterHost host(10);
    WindowHandle dialog = host.Open();
    EXPECT_EQ(platform::DialogCaption(dialog), "Varnok's Analyzer");
    EXPECT_TRUE(platform::DialogVisible(dialog));
    EXPECT_EQ(host.Reopen(), nullptr) << "Open... on an open dialog shows that one";
    host.Render(Constant(-3.0f, 10));
    host.Refresh();

    if (by_button) {
      platform::ClickButton(dialog, kCloseButton);
    } else {
      platform::PressCloseBox(dialog);
    }
    EXPECT_TRUE(platform::OpenDialogs().empty());
    EXPECT_FALSE(host.machine->Window().IsOpen());

    // Open... before the tick that would forget the closed dialog.
    const WindowHandle fresh = host.Reopen();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, dialog);
    EXPECT_EQ(ControlText(fresh, kCurrentLevelText), "xx dB");
    EXPECT_EQ(ControlText(fresh, kCurrentAmplitudeText), "0%");
    EXPECT_EQ(ControlText(fresh, kCurrentOffsetText), "0");
    host.Render(Constant(-7.0f, 10));
    host.Refresh();
    EXPECT_EQ(ControlText(fresh, kCurrentOffsetText), "7.0");
    EXPECT_EQ(ControlText(fresh, kAverageOffsetText), "0") << "refresh count runs on";

    platform::PressCloseBox(fresh);
    host.Refresh();
    host.Refresh();
    EXPECT_FALSE(host.machine->Window().IsOpen());
    EXPECT_NE(host.Reopen(), nullptr);
  }
}

TEST_F(MeterWindow, DestroyedMachineTakesItsDialogAndMessagesWithIt) {
  MeterHost host;
  host.Open();
  host.machine->ApplyTick();  // a refresh queued for a machine about to go
  host.machine.reset();
  EXPECT_TRUE(platform::OpenDialogs().empty());
  platform::PumpDialogMessages();  // must not reach the destroyed machine
}

TEST_F(MeterWindow, AboutButtonAndCommandsAnswerAsTheDialogExpects) {
  MeterHost host;
  const WindowHandle dialog = host.Open();
  platform::ClickButton(dialog, kAboutButton);
  host.machine->RunCommand(kAboutCommand);
  host.machine->RunCommand(2);
  host.machine->RunCommand(-1);
  EXPECT_EQ(testing::ShownBoxes::Titles(), (std::vector<std::string>{"About Analyzer", "About Analyzer"}));
  EXPECT_EQ(platform::OpenDialogs().size(), 1u);

  EXPECT_EQ(AnalyzerDialogProc(dialog, platform::kCommandMessage, 1234, 0), 1);
  EXPECT_EQ(AnalyzerDialogProc(dialog, platform::kCommandMessage, 0xABCD0000u | kOneTickItem, 0), 0);
  EXPECT_EQ(AnalyzerDialogProc(dialog, kRefreshMessage, 0, 0), 1);
  EXPECT_EQ(AnalyzerDialogProc(dialog, 0x000F, 0, 0), 0);
}

TEST_F(MeterWindow, TwoAnalyzersEachReachTheirOwnMachine) {
  MeterHost loud(100);
  MeterHost quiet(100);
  const WindowHandle loud_dialog = loud.Open();
  const WindowHandle quiet_dialog = quiet.Open();

  platform::PickMenuItem(loud_dialog, kHighAveragingItem);
  EXPECT_EQ(loud.machine->Window().Averaging(), 2);
  EXPECT_EQ(quiet.machine->Window().Averaging(), 1);
  EXPECT_FALSE(platform::MenuItemChecked(quiet_dialog, kHighAveragingItem));

  loud.Render(Constant(32768.0f, 44100));
  quiet.Render(Constant(-50.0f, 100));
  loud.Refresh();
  quiet.Refresh();
  EXPECT_EQ(Current(loud_dialog).level, "2.48 dB");
  EXPECT_EQ(Current(quiet_dialog).offset, "50.0");

  quiet.machine.reset();
  loud.Render(Constant(-1.0f, 100));
  loud.Refresh();
  EXPECT_EQ(Current(loud_dialog).offset, "1.0");
  platform::ClickButton(loud_dialog, kCloseButton);
  EXPECT_TRUE(platform::OpenDialogs().empty());
}

// The host's audio thread ticks and renders while its interface thread pumps.
TEST_F(MeterWindow, AudioThreadAndWindowThreadShareNothingUnguarded) {
  MeterHost host(256);
  const WindowHandle dialog = host.Open();
  std::atomic<bool> finished{false};
  std::thread audio([&] {
    std::vector<float> block(64, 32768.0f);
    for (int tick = 0; tick < 3000; ++tick) {
      host.machine->ApplyTick();
      for (int b = 0; b < 4; ++b) host.machine->Render(block.data(), 64, 1);
    }
    finished.store(true);
  });
  while (!finished.load()) platform::PumpDialogMessages();
  audio.join();
  platform::PumpDialogMessages();  // refreshes the audio thread posted last
  host.Render(Constant(32768.0f, 64));
  host.Refresh();
  EXPECT_EQ(Current(dialog).level, "2.48 dB");
  EXPECT_EQ(Current(dialog).amplitude, "50.0 %");
}

// The table is generated from the resource script; this pins it to the
// window's layout, and the labels the host prints to the dialog's own.
TEST(MeterDialogTable, HoldsTheMeterLayout) {
  EXPECT_EQ(kMeterDialog.id, 101);
  EXPECT_EQ(kMeterMenu.id, 103);
  EXPECT_EQ(kMeterDialog.style, 0x90C80080u);
  ASSERT_EQ(kMeterDialog.control_count, 14u);
  const int ids[] = {1, -1, 1000, -1, -1, 1001, -1, 1002, 1003, -1, 2, -1, 1004, 1005};
  for (std::size_t i = 0; i < kMeterDialog.control_count; ++i) {
    EXPECT_EQ(kMeterDialog.controls[i].id, ids[i]) << i;
  }
  EXPECT_STREQ(kMeterDialog.controls[1].text, kLevelLabel);
  EXPECT_STREQ(kMeterDialog.controls[4].text, kAmplitudeLabel);
  EXPECT_STREQ(kMeterDialog.controls[11].text, kOffsetLabel);
  EXPECT_STREQ(kMeterDialog.controls[6].text, kCurrentColumnLabel);
  EXPECT_STREQ(kMeterDialog.controls[9].text, kAverageColumnLabel);
  EXPECT_EQ(kMeterMenu.popups[0].items[2].id, 40003);
  EXPECT_EQ(kMeterMenu.popups[1].items[0].id, 40004);
  EXPECT_STREQ(kMeterMenu.popups[1].items[2].text, "High");
}

}  // namespace
}  // namespace varnok::analyzer
