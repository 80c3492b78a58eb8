// The table the validator probes by must say what the interface headers say.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
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

// Operation name -> "[side] state" from the tag line that opens the comment
// above each pure or overridable operation.
std::map<std::string, std::string> TagsInHeader(const std::string& relative_path) {
  std::ifstream in(std::string(VARNOK_SOURCE_DIR) + "/" + relative_path);
  EXPECT_TRUE(in) << relative_path;
  const std::regex tag(R"(^\s*// (\[(audio|ui|any)\] .*)\.$)");
  const std::regex comment(R"(^\s*//)");
  const std::regex operation(R"(virtual .*MACHINE_CALL (\w+)\()");
  std::map<std::string, std::string> tags;
  std::string line;
  std::string pending;  // the tag of the comment block above, if it opened with one
  bool in_comment = false;
  while (std::getline(in, line)) {
    std::smatch match;
    if (std::regex_search(line, comment)) {
      if (!in_comment) pending = std::regex_match(line, match, tag) ? match[1].str() : "";
      in_comment = true;
      continue;
    }
    in_comment = false;
    if (std::regex_search(line, match, operation)) tags[match[1].str()] = pending;
    pending.clear();
  }
  return tags;
}

void ExpectMirrored(const std::map<std::string, std::string>& written, const SlotTag* table,
                    std::size_t count, const char* header) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto found = written.find(table[i].operation);
    ASSERT_NE(found, written.end()) << table[i].operation << " is not in " << header;
    EXPECT_EQ(found->second, "[" + SideName(table[i].side) + "] " + table[i].state)
        << table[i].operation << " in " << header;
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
  for (auto it = written.begin(); it != written.end();) {
    it = it->first.rfind("Reserved", 0) == 0 ? written.erase(it) : std::next(it);
  }
  EXPECT_EQ(written.size(), std::size(kHostCallTags));
  ExpectMirrored(written, kHostCallTags, std::size(kHostCallTags), "host_objects.h");
}

}  // namespace
}  // namespace varnok
