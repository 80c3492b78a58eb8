#include <gtest/gtest.h>

#include "host/core/description_check.h"

namespace varnok::host {
namespace {

const ParamDescriptor kNote = {kNoteParam, "Note", "Note", 1, 156, 0, 4, 0};
const ParamDescriptor kVolume = {kByteParam, "Volume", "Volume", 0, 128, 255, 2, 64};
const AttributeDescriptor kChannels = {"Channels", 0, 64, 8};

class DescriptionCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    note = kNote;
    volume = kVolume;
    channels = kChannels;
    params[0] = &note;
    params[1] = &volume;
    attributes[0] = &channels;
    description = {kMachineKind, kInterfaceVersion, 0, 1, 16, 0, 2, params, 1, attributes,
                   "Full",       "Short",           kAuthor, nullptr};
  }
  ParamDescriptor note = kNote;
  ParamDescriptor volume = kVolume;
  AttributeDescriptor channels = kChannels;
  const ParamDescriptor* params[2] = {};
  const AttributeDescriptor* attributes[1] = {};
  MachineDescription description{};
};

TEST_F(DescriptionCheck, SoundDescriptionPasses) { EXPECT_EQ(CheckDescription(description), ""); }

TEST_F(DescriptionCheck, NamesTheFieldThatIsWrong) {
  volume.kind = 1;
  EXPECT_EQ(CheckDescription(description),
            "params[1] (\"Volume\") kind 1 is neither 0 (note) nor 2 (byte)");
  volume = kVolume;
  volume.default_value = 200;
  EXPECT_EQ(CheckDescription(description),
            "params[1] (\"Volume\") default_value 200 is outside 0..128");
  volume = kVolume;
  note.max_value = 157;
  EXPECT_EQ(CheckDescription(description),
            "params[0] (\"Note\") note range 1..157 is outside 1..156");
}

TEST_F(DescriptionCheck, NullsAndCountsAreCaught) {
  description.short_name = nullptr;
  EXPECT_EQ(CheckDescription(description), "short_name is null");
  SetUp();
  params[1] = nullptr;
  EXPECT_EQ(CheckDescription(description), "params[1] is null");
  SetUp();
  volume.name = nullptr;
  EXPECT_EQ(CheckDescription(description), "params[1].name is null");
  SetUp();
  description.attributes = nullptr;
  EXPECT_EQ(CheckDescription(description), "attributes is null but attribute_count is 1");
  SetUp();
  description.min_tracks = 5;
  description.max_tracks = 2;
  EXPECT_EQ(CheckDescription(description),
            "track limits min_tracks 5, max_tracks 2 are not 0 <= min <= max <= 256");
  SetUp();
  channels.default_value = 65;
  EXPECT_EQ(CheckDescription(description),
            "attributes[0] (\"Channels\") default_value 65 is outside 0..64");
}

}  // namespace
}  // namespace varnok::host
