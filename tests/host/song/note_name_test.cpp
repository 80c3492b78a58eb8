#include "host/song/note_name.h"

#include <gtest/gtest.h>

namespace varnok::host {
namespace {

TEST(NoteName, ReadsOctaveIntoTheHighNibbleAndSemitoneIntoTheLow) {
  struct Case {
    const char* name;
    int byte;
  };
  for (const Case c : {Case{"C-0", 0x01}, Case{"C-4", 0x41}, Case{"C#4", 0x42}, Case{"A-4", 0x4A},
                       Case{"B-4", 0x4C}, Case{"B-9", 0x9C}}) {
    std::uint8_t byte = 0;
    ASSERT_TRUE(ParseNoteName(c.name, byte)) << c.name;
    EXPECT_EQ(byte, c.byte) << c.name;
  }
}

TEST(NoteName, RefusesWhatIsNoNote) {
  for (const char* text : {"H-4", "E#4", "B#4", "c-4", "C4", "C-", "C-10", "C-A", "off", "", "..."}) {
    std::uint8_t byte = 0;
    EXPECT_FALSE(ParseNoteName(text, byte)) << text;
  }
}

TEST(NoteName, KeyboardNumbersPutMiddleCAt60) {
  EXPECT_EQ(KeyboardNote(0x01), 12);   // C-0
  EXPECT_EQ(KeyboardNote(0x41), 60);   // C-4
  EXPECT_EQ(KeyboardNote(0x4A), 69);
  EXPECT_EQ(KeyboardNote(0x98), 127);  // G-9
}

}  // namespace
}  // namespace varnok::host
