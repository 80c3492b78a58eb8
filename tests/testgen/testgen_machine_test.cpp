#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/message_box.h"
#include "testgen/note_frequencies.h"
#include "testgen_fixture.h"

namespace varnok::testgen {
namespace {

double StepFor(int note_index) {
  return 2.0 * std::sin(kNoteFrequencies[note_index] * 3.14159265358979323846 / 44100.0);
}

TEST_F(TestGenTest, AvailableLevelDoublesEverySixDecibels) {
  EXPECT_NEAR(machine.available_level, 101.59, 0.005);
  SetAttribute(kTrackAvailableDb, -30);
  EXPECT_NEAR(machine.available_level, 1023.97, 0.005);
  SetAttribute(kTrackAvailableDb, -120);
  EXPECT_NEAR(machine.available_level, 0.03125, 0.000005);
}

TEST_F(TestGenTest, PatternNotesPlayOnTheTracksOwnSlot) {
  Note(0, kA4, 128);
  Tick();
  EXPECT_EQ(machine.channels_in_use, 1);
  EXPECT_TRUE(Slot(0).active);
  EXPECT_EQ(Slot(0).amplitude, 32767.0);
  EXPECT_DOUBLE_EQ(Slot(0).rotation_step, StepFor(69));

  const std::vector<float> first = Render();
  Note(0, kC4, 64);  // releases slot 0, then restarts it
  Tick();
  EXPECT_EQ(machine.channels_in_use, 1);
  EXPECT_EQ(Slot(0).amplitude, 16383.5);
  EXPECT_EQ(Slot(0).osc_sin, 0.0);
  EXPECT_DOUBLE_EQ(Slot(0).rotation_step, StepFor(60));
  EXPECT_NE(Render(), first);
}

// A host may run machines at different rates in one process: a later machine's
// Initialize must not retune an earlier one's notes.
TEST_F(TestGenTest, NotesKeepThisMachinesRateWhateverAnotherInitialized) {
  HostInfo other_info = host::MakeHostInfo(22050, 125, 4);
  host::MachineInstance other{CreateMachineOf<TestGenMachine>(), other_info, services};
  other->Initialize(nullptr);
  Note(0, kA4, 128);
  Tick();
  EXPECT_DOUBLE_EQ(Slot(0).rotation_step, StepFor(69));
}

TEST_F(TestGenTest, VelocityByteChoosesTheLevel) {
  Note(0, kA4);  // no velocity: the applied default
  Tick();
  EXPECT_EQ(Slot(0).amplitude, 32767.0);
  SetAttribute(kDefaultVelocity, 32);
  Note(0, kA4);
  Tick();
  EXPECT_EQ(Slot(0).amplitude, 32767.0 / 4);
  Note(0, kA4, 0);  // silent, and ended by the next tick
  Tick();
  EXPECT_TRUE(Slot(0).active);
  Tick();
  EXPECT_FALSE(Slot(0).active);
  EXPECT_TRUE(Render().empty());
}

TEST_F(TestGenTest, NotesAboveG9PlayG9) {
  Note(0, kG9, 128);
  Tick();
  const double g9_step = Slot(0).rotation_step;
  EXPECT_DOUBLE_EQ(g9_step, StepFor(127));
  Note(0, kB9, 128);
  Tick();
  EXPECT_EQ(Slot(0).rotation_step, g9_step);
}

TEST_F(TestGenTest, ReleasedNoteSoundsUntilTheNextTick) {
  Note(0, kA4, 128);
  Tick();
  Note(0, kNoteOff);
  Tick();
  EXPECT_EQ(Slot(0).amplitude, 0.0);
  EXPECT_FALSE(Render().empty());
  Tick();
  EXPECT_TRUE(Render().empty());
}

TEST_F(TestGenTest, HaltReleasesEverySlotButTheyFinishTheTick) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(0, 60, 100);
  machine.Halt();
  EXPECT_EQ(Slot(0).amplitude, 0.0);
  EXPECT_EQ(Slot(1).amplitude, 0.0);
  EXPECT_FALSE(Render().empty());
  Tick();
  EXPECT_TRUE(Render().empty());
}

TEST_F(TestGenTest, KeyboardNoteTakesANeverUsedSlotBesideTheTrack) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(3, 60, 100);
  EXPECT_EQ(machine.channels_in_use, 2);
  EXPECT_EQ(SlotOf(Slot(0).current_channel), 1);
  EXPECT_EQ(Slot(1).midi_note, 60);
  EXPECT_EQ(Slot(1).amplitude, 25855.2109375);
  EXPECT_DOUBLE_EQ(Slot(1).rotation_step, StepFor(60));
  EXPECT_EQ(Slot(0).amplitude, 32767.0);  // keyboard notes release nothing
}

TEST_F(TestGenTest, KeyboardNoteOffReleasesTheFirstMatchOnly) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(0, 60, 100);
  machine.OnMidiNote(0, 60, 100);
  EXPECT_EQ(Slot(2).midi_note, 60);
  machine.OnMidiNote(0, 60, 0);
  EXPECT_EQ(Slot(1).amplitude, 0.0);
  EXPECT_EQ(Slot(2).amplitude, 25855.2109375);
  machine.OnMidiNote(0, 61, 0);  // no match: nothing happens
  EXPECT_EQ(Slot(2).amplitude, 25855.2109375);
}

TEST_F(TestGenTest, KeyboardNoteZeroIsARealNote) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(0, 0, 0);  // slot 0 carries no keyboard note
  EXPECT_EQ(Slot(0).amplitude, 32767.0);
  machine.OnMidiNote(0, 0, 127);
  EXPECT_EQ(Slot(1).amplitude, 32767.0);
  EXPECT_DOUBLE_EQ(Slot(1).rotation_step, StepFor(0));
  machine.OnMidiNote(0, 0, 0);
  EXPECT_EQ(Slot(0).amplitude, 32767.0);
  EXPECT_EQ(Slot(1).amplitude, 0.0);
}

TEST_F(TestGenTest, PatternNoteOnAKeyboardSlotKeepsItsKeyboardNumber) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(0, 60, 100);  // slot 1 becomes track 0's latest
  Note(0, kC4, 128);               // releases slot 1, then takes it as quiet
  Tick();
  EXPECT_EQ(SlotOf(Slot(0).current_channel), 1);
  EXPECT_EQ(Slot(1).amplitude, 32767.0);
  machine.OnMidiNote(0, 60, 0);
  EXPECT_EQ(Slot(1).amplitude, 0.0);
}

TEST_F(TestGenTest, NoteOffByteReleasesTheTracksOwnSlot) {
  Note(0, kA4, 128);
  Tick();
  machine.OnMidiNote(0, 60, 100);
  Note(0, kNoteOff);
  Tick();
  EXPECT_EQ(Slot(0).amplitude, 0.0);
  EXPECT_EQ(Slot(1).amplitude, 25855.2109375);
}

TEST_F(TestGenTest, FewerDynamicChannelsDropSlotsAtOnce) {
  machine.OnMidiNote(0, 60, 100);
  machine.OnMidiNote(0, 61, 100);
  machine.OnMidiNote(0, 62, 100);
  ASSERT_EQ(machine.channels_in_use, 3);
  Note(0, kNoteOff);
  Tick();
  Tick();  // slot 0 ended; slots 1 and 2 still sound
  ASSERT_FALSE(Render().empty());
  SetAttribute(kDynamicChannels, 1);
  EXPECT_EQ(machine.channels_in_use, 1);
  EXPECT_TRUE(Render().empty());
  SetAttribute(kDynamicChannels, 6);  // only widens the allocation bound
  EXPECT_EQ(machine.channels_in_use, 1);
  EXPECT_TRUE(Render().empty());
}

TEST_F(TestGenTest, ControlsAndNoteOffAmplitudeChangeNoSample) {
  Note(0, kA4, 128);
  Tick();
  SineChannel reference = Slot(0);
  machine.track_blocks[0][kFirstControlByte] = 64;
  machine.track_blocks[0][kFirstControlByte + 1] = 128;
  machine.track_blocks[0][kFirstControlByte + 2] = 7;
  Tick();
  SetAttribute(kNoteOffAmplitude, 100);
  EXPECT_EQ(Slot(0).control_values[0], 0.5);
  EXPECT_EQ(Slot(0).control_values[2], 7.0);
  std::vector<float> expected(256);
  reference.RenderInto(expected.data(), 256);
  EXPECT_EQ(Render(256), expected);
}

class TestGenBeforeAttributesTest : public TestGenTest {
 protected:
  void SetUp() override {
    machine.Initialize(nullptr);
    machine.SetTrackCount(1);
    ClearBlocks();
  }
};

TEST_F(TestGenBeforeAttributesTest, TicksAndNotesUseTheAttributeDefaults) {
  EXPECT_NEAR(machine.available_level, 101.59, 0.005);
  Note(0, kA4);
  Tick();
  EXPECT_EQ(Slot(0).amplitude, 32767.0);
  machine.OnMidiNote(0, 60, 100);  // a shared slot exists: six dynamic channels
  EXPECT_EQ(machine.channels_in_use, 2);

  machine.ApplyAttributes();  // the first apply still applies every attribute
  for (int i = 0; i < kAttributeCount; ++i) {
    EXPECT_EQ(machine.applied_attributes[i], machine.attribute_block[i]);
  }
}

std::string shown_title, shown_text;
int CaptureBox(const char* title, const char* text) {
  shown_title = title;
  shown_text = text;
  return platform::kMessageBoxOk;
}

TEST_F(TestGenTest, CommandZeroShowsAboutAndNoOtherCommandDoesAnything) {
  platform::SetMessageSink(&CaptureBox);
  shown_title.clear();
  machine.RunCommand(1);
  EXPECT_TRUE(shown_title.empty());
  machine.RunCommand(0);
  platform::SetMessageSink(nullptr);
  EXPECT_EQ(shown_title, "About Test Generator");
  EXPECT_EQ(shown_text.rfind("Varnok's Test Generator\n", 0), 0u);
  EXPECT_NE(shown_text.find("This song uses "), std::string::npos);
}

}  // namespace
}  // namespace varnok::testgen
