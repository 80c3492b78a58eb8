// The table the validator probes by must say what the interface headers say.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>

#include "framework/slot_tags.h"

namespace varnok {
namespace {

std::string SideName(CallSide side) {
  switch (side) {
    case CallSide::kAudio: return "audio";
    case CallSide::kUi: return "ui";
    case CallSide::kAny: return "any";
  }
  return "?";
}

// "[side] state" when `comment`, a line after its "// ", is a tag such as
// "[audio] after Initialize."; else empty.
std::string TagIn(const std::string& comment) {
  for (const char* side : {"[audio] ", "[ui] ", "[any] "}) {
    if (comment.rfind(side, 0) == 0 && comment.size() > 1 && comment.back() == '.') {
      return comment.substr(0, comment.size() - 1);
    }
  }
  return {};
}

// What a header says of one operation: the tag line that opens the comment
// above it, its place among its class's operations and its parameter count.
struct Written {
  std::string tag;  // "[side] state", or empty
  int slot = 0;
  int arguments = 0;
};

int Parameters(const std::string& declaration) {
  const std::size_t open = declaration.find('(');
  const std::string list = declaration.substr(open + 1, declaration.find(')') - open - 1);
  if (list.find_first_not_of(' ') == std::string::npos) return 0;
  return 1 + static_cast<int>(std::count(list.begin(), list.end(), ','));
}

std::map<std::string, Written> TagsInHeader(const std::string& relative_path) {
  std::ifstream in(std::string(VARNOK_SOURCE_DIR) + "/" + relative_path);
  EXPECT_TRUE(in) << relative_path;
  std::map<std::string, Written> tags;
  std::string line;
  std::string pending;  // the tag of the comment block above, if it opened with one
  bool in_comment = false;
  int slot = 0;
  while (std::getline(in, line)) {
    const std::size_t text = line.find_first_not_of(' ');
    if (text != std::string::npos && line.compare(text, 3, "// ") == 0) {
      if (!in_comment) pending = TagIn(line.substr(text + 3));
      in_comment = true;
      continue;
    }
    in_comment = false;
    if (line.rfind("class ", 0) == 0) slot = 0;
    const std::size_t call = line.find("MACHINE_CALL ");
    if (line.find("virtual ") != std::string::npos && call != std::string::npos) {
      std::string declaration = line;
      while (declaration.find(')') == std::string::npos && std::getline(in, line)) declaration += line;
      const std::size_t name = call + std::string("MACHINE_CALL ").size();
      tags[declaration.substr(name, declaration.find('(', name) - name)] = {pending, ++slot,
                                                                            Parameters(declaration)};
    }
    pending.clear();
  }
  return tags;
}

void ExpectMirrored(const std::map<std::string, Written>& written, const SlotTag* table,
                    std::size_t count, const char* header) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto found = written.find(table[i].operation);
    ASSERT_NE(found, written.end()) << table[i].operation << " is not in " << header;
    EXPECT_EQ(found->second.tag, "[" + SideName(table[i].side) + "] " + table[i].state)
        << table[i].operation << " in " << header;
    EXPECT_EQ(found->second.slot, table[i].slot) << table[i].operation << " in " << header;
    EXPECT_EQ(found->second.arguments, table[i].arguments) << table[i].operation << " in " << header;
  }
}

TEST(SlotTags, EveryMachineSlotIsTaggedAsTheTableSays) {
  const auto written = TagsInHeader("framework/machine_base.h");
  EXPECT_EQ(written.size(), std::size(kMachineSlotTags));
  ExpectMirrored(written, kMachineSlotTags, std::size(kMachineSlotTags), "machine_base.h");
}

TEST(SlotTags, EveryHostCallAMachineMakesIsTaggedAsTheTableSays) {
  auto written = TagsInHeader("framework/host_objects.h");
  // The reserved slots are the host's business: no machine calls them.
  EXPECT_EQ(written.at("OscillatorTable").slot, kHostServicesSlots);
  for (auto it = written.begin(); it != written.end();) {
    it = it->first.rfind("Reserved", 0) == 0 ? written.erase(it) : std::next(it);
  }
  EXPECT_EQ(written.size(), std::size(kHostCallTags));
  ExpectMirrored(written, kHostCallTags, std::size(kHostCallTags), "host_objects.h");
}

}  // namespace
}  // namespace varnok
