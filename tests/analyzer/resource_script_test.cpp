// analyzer.rc builds the Windows dialog; the C++ data builds every other one.
// Reading the script back keeps the two from drifting apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/dialog_template.h"

namespace varnok::analyzer {
namespace {

using namespace platform;

const std::map<std::string, std::uint32_t>& StyleNames() {
  static const std::map<std::string, std::uint32_t> names = {
      {"WS_POPUP", kStylePopup},         {"WS_CHILD", kStyleChild},
      {"WS_VISIBLE", kStyleVisible},     {"WS_CAPTION", kStyleCaption},
      {"WS_SYSMENU", kStyleSystemMenu},  {"WS_GROUP", kStyleGroup},
      {"WS_TABSTOP", kStyleTabStop},     {"DS_MODALFRAME", kStyleModalFrame},
      {"BS_PUSHBUTTON", kButtonPush},    {"BS_DEFPUSHBUTTON", kButtonDefaultPush},
      {"BS_GROUPBOX", kButtonGroupBox},  {"BS_LEFT", kButtonLeft},
      {"SS_LEFT", kStaticLeft},          {"SS_RIGHT", kStaticRight}};
  return names;
}

// Splits a statement's arguments at commas outside quotes; trims blanks.
std::vector<std::string> Arguments(const std::string& text) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  for (std::string& part : parts) {
    part.erase(0, part.find_first_not_of(" \t"));
    part.erase(part.find_last_not_of(" \t\r") + 1);
  }
  return parts;
}

std::string Unquoted(const std::string& text) {
  EXPECT_TRUE(text.size() >= 2 && text.front() == '"' && text.back() == '"') << text;
  return text.substr(1, text.size() - 2);
}

std::uint32_t Style(const std::string& text) {
  std::uint32_t style = 0;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (word == "|") continue;
    const auto found = StyleNames().find(word);
    EXPECT_NE(found, StyleNames().end()) << "unknown style " << word;
    if (found != StyleNames().end()) style |= found->second;
  }
  return style;
}

struct Script {
  std::vector<std::string> lines;  // trimmed, comments and blanks dropped
};

Script ReadScript() {
  std::ifstream file(std::string(VARNOK_SOURCE_DIR) + "/analyzer/analyzer.rc");
  EXPECT_TRUE(file.good());
  Script script;
  std::string line;
  while (std::getline(file, line)) {
    line.erase(0, line.find_first_not_of(" \t"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (line.empty() || line.rfind("//", 0) == 0 || line[0] == '#') continue;
    script.lines.push_back(line);
  }
  return script;
}

// The text after `keyword ` on the line that starts with it.
std::string After(const std::string& line, const std::string& keyword) {
  EXPECT_EQ(line.rfind(keyword + " ", 0), 0u) << line;
  return line.substr(keyword.size() + 1);
}

TEST(ResourceScript, DialogMatchesTheTemplateData) {
  const Script script = ReadScript();
  std::size_t at = 0;
  while (at < script.lines.size() && script.lines[at].find("DIALOGEX") == std::string::npos) ++at;
  ASSERT_LT(at + 5, script.lines.size());

  const std::string head = std::to_string(kMeterDialog.id) + " DIALOGEX ";
  ASSERT_EQ(script.lines[at].rfind(head, 0), 0u) << script.lines[at];
  const auto box = Arguments(script.lines[at].substr(head.size()));
  ASSERT_EQ(box.size(), 4u);
  EXPECT_EQ(box, (std::vector<std::string>{std::to_string(kMeterDialog.x), std::to_string(kMeterDialog.y),
                                           std::to_string(kMeterDialog.width),
                                           std::to_string(kMeterDialog.height)}));
  EXPECT_EQ(Style(After(script.lines[at + 1], "STYLE")), kMeterDialog.style);
  EXPECT_EQ(Unquoted(After(script.lines[at + 2], "CAPTION")), kMeterDialog.caption);
  EXPECT_EQ(After(script.lines[at + 3], "MENU"), std::to_string(kMeterDialog.menu->id));
  const auto font = Arguments(After(script.lines[at + 4], "FONT"));
  ASSERT_EQ(font.size(), 2u);
  EXPECT_EQ(font[0], std::to_string(kMeterDialog.font_points));
  EXPECT_EQ(Unquoted(font[1]), kMeterDialog.font);
  ASSERT_EQ(script.lines[at + 5], "BEGIN");

  std::size_t control = 0;
  for (at += 6; at < script.lines.size() && script.lines[at] != "END"; ++at, ++control) {
    ASSERT_LT(control, kMeterDialog.control_count) << script.lines[at];
    const ControlResource& expected = kMeterDialog.controls[control];
    const auto args = Arguments(After(script.lines[at], "CONTROL"));
    ASSERT_EQ(args.size(), 8u) << script.lines[at];
    EXPECT_EQ(Unquoted(args[0]), expected.text);
    EXPECT_EQ(std::stoi(args[1]), expected.id);
    EXPECT_EQ(Unquoted(args[2]), expected.kind == ControlClass::kButton ? "Button" : "Static");
    EXPECT_EQ(Style(args[3]), expected.style) << expected.text;
    EXPECT_EQ(std::stoi(args[4]), expected.x) << expected.text;
    EXPECT_EQ(std::stoi(args[5]), expected.y) << expected.text;
    EXPECT_EQ(std::stoi(args[6]), expected.width) << expected.text;
    EXPECT_EQ(std::stoi(args[7]), expected.height) << expected.text;
  }
  EXPECT_EQ(control, kMeterDialog.control_count);
}

TEST(ResourceScript, MenuMatchesTheMenuData) {
  const Script script = ReadScript();
  std::size_t at = 0;
  const std::string head = std::to_string(kMeterMenu.id) + " MENU";
  while (at < script.lines.size() && script.lines[at] != head) ++at;
  ASSERT_LT(at, script.lines.size()) << "no " << head;

  // Flatten what the script says into the shape of the data.
  std::vector<std::string> read;
  for (++at; at < script.lines.size(); ++at) {
    const std::string& line = script.lines[at];
    if (line.rfind("POPUP ", 0) == 0) read.push_back("popup " + Unquoted(After(line, "POPUP")));
    if (line.rfind("MENUITEM ", 0) == 0) {
      const auto args = Arguments(After(line, "MENUITEM"));
      ASSERT_EQ(args.size(), 2u) << line;
      read.push_back(args[1] + " " + Unquoted(args[0]));
    }
  }
  std::vector<std::string> expected = {std::string("popup ") + kMeterMenu.text};
  for (std::size_t p = 0; p < kMeterMenu.popup_count; ++p) {
    expected.push_back(std::string("popup ") + kMeterMenu.popups[p].text);
    for (std::size_t i = 0; i < kMeterMenu.popups[p].item_count; ++i) {
      const MenuItemResource& item = kMeterMenu.popups[p].items[i];
      expected.push_back(std::to_string(item.id) + " " + item.text);
    }
  }
  EXPECT_EQ(read, expected);
}

TEST(ResourceScript, TemplateDataHoldsTheMeterLayout) {
  EXPECT_EQ(kMeterDialog.id, 101);
  EXPECT_EQ(kMeterMenu.id, 103);
  EXPECT_EQ(kMeterDialog.style, 0x90C80080u);
  EXPECT_EQ(kMeterDialog.control_count, 14u);
  const int ids[] = {1, -1, 1000, -1, -1, 1001, -1, 1002, 1003, -1, 2, -1, 1004, 1005};
  for (std::size_t i = 0; i < kMeterDialog.control_count; ++i) {
    EXPECT_EQ(kMeterDialog.controls[i].id, ids[i]) << i;
  }
  EXPECT_EQ(kMeterMenu.popups[0].items[2].id, 40003);
  EXPECT_EQ(kMeterMenu.popups[1].items[0].id, 40004);
  EXPECT_STREQ(kMeterMenu.popups[1].items[2].text, "High");
}

}  // namespace
}  // namespace varnok::analyzer
