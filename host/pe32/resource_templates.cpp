#include "host/pe32/resource_templates.h"

#include <algorithm>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kMenuType = 4;
constexpr std::uint32_t kDialogType = 5;
constexpr std::uint32_t kSetFont = 0x40;       // DS_SETFONT
constexpr std::uint32_t kShellFont = 0x48;     // DS_SHELLFONT
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint16_t kButtonAtom = 0x80;
constexpr std::uint16_t kStaticAtom = 0x82;
constexpr std::uint16_t kMenuPopup = 0x10;
constexpr std::uint16_t kMenuEnd = 0x80;

// A pop-up deeper than this is no menu a dialog shows; it would only run the
// reader's own recursion out of stack.
constexpr int kDeepestMenu = 8;

// Reads a resource, refusing to step outside it.
class Reader {
 public:
  Reader(const PlacedImage& image, PeResource resource)
      : image_(image),
        at_(resource.data - image.Base()),
        end_(resource.data - image.Base() + resource.size) {}

  std::uint16_t U16() {
    Need(2);
    const std::uint16_t value = image_.Read16(at_, "a dialog or menu resource");
    at_ += 2;
    return value;
  }
  std::uint32_t U32() { return U16() | (static_cast<std::uint32_t>(U16()) << 16); }
  // A UTF-16 text as 8-bit characters.
  std::string Text() {
    std::string text;
    for (std::uint16_t c = U16(); c != 0; c = U16()) text.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return text;
  }
  // A name or an ordinal: an ordinal comes back as ordinal, the text empty.
  std::uint16_t NameOrOrdinal(std::string& text) {
    const std::uint16_t first = U16();
    if (first == 0) return 0;
    if (first == kOrdinalMark) return U16();
    at_ -= 2;
    text = Text();
    return 0;
  }
  void AlignToWord() { at_ = std::min((at_ + 3) & ~3u, end_); }
  void Skip(std::uint32_t bytes) {
    Need(bytes);
    at_ += bytes;
  }

 private:
  void Need(std::uint32_t bytes) const {
    if (end_ - at_ < bytes) throw GuestError("a dialog or menu resource ends too early");
  }
  const PlacedImage& image_;
  std::uint32_t at_;  // offsets in the image
  std::uint32_t end_;
};

const char* Keep(DialogTemplate& result, std::string text) {
  result.texts.push_back(std::make_unique<std::string>(std::move(text)));
  return result.texts.back()->c_str();
}

struct MenuNode {
  std::uint16_t flags;
  std::uint16_t id;
  std::string text;
  std::vector<MenuNode> children;
};

std::vector<MenuNode> ReadMenuLevel(Reader& reader, int depth) {
  if (depth > kDeepestMenu) throw GuestError("a menu nests pop-ups more than " + std::to_string(kDeepestMenu) + " deep");
  std::vector<MenuNode> level;
  for (;;) {
    MenuNode node{};
    node.flags = reader.U16();
    if ((node.flags & kMenuPopup) == 0) node.id = reader.U16();
    node.text = reader.Text();
    if (node.flags & kMenuPopup) node.children = ReadMenuLevel(reader, depth + 1);
    const bool last = (node.flags & kMenuEnd) != 0;
    level.push_back(std::move(node));
    if (last) return level;
  }
}

// The model's menus are one pop-up holding pop-ups of items.
void ReadMenu(const PeHeaders& headers, const PlacedImage& image, std::uint32_t id, DialogTemplate& result) {
  const PeResource resource = FindResource(headers, image, kMenuType, id);
  if (resource.data == 0) throw GuestError("has no menu resource " + std::to_string(id));
  Reader reader(image, resource);
  const std::uint16_t version = reader.U16();
  const std::uint16_t offset = reader.U16();
  if (version != 0) throw GuestError("menu " + std::to_string(id) + " is an extended menu, which is not read");
  reader.Skip(offset);
  const std::vector<MenuNode> top = ReadMenuLevel(reader, 0);
  if (top.size() != 1 || (top[0].flags & kMenuPopup) == 0) {
    throw GuestError("menu " + std::to_string(id) + " is not a single pop-up");
  }
  for (const MenuNode& popup : top[0].children) {
    if ((popup.flags & kMenuPopup) == 0) {
      throw GuestError("menu " + std::to_string(id) + " holds an item outside its pop-ups");
    }
    std::vector<platform::MenuItemResource> items;
    for (const MenuNode& item : popup.children) items.push_back({item.id, Keep(result, item.text)});
    result.items.push_back(std::move(items));
    result.popups.push_back({Keep(result, popup.text), nullptr, 0});
  }
  for (std::size_t i = 0; i < result.popups.size(); ++i) {
    result.popups[i].items = result.items[i].data();
    result.popups[i].item_count = result.items[i].size();
  }
  result.menu = {static_cast<int>(id), Keep(result, top[0].text), result.popups.data(), result.popups.size()};
}

}  // namespace

std::unique_ptr<DialogTemplate> ReadDialogTemplate(const PeHeaders& headers, const PlacedImage& image,
                                                   std::uint32_t id) {
  const PeResource resource = FindResource(headers, image, kDialogType, id);
  if (resource.data == 0) throw GuestError("has no dialog resource " + std::to_string(id));
  auto result = std::make_unique<DialogTemplate>();
  Reader reader(image, resource);
  const std::uint32_t head = reader.U32();
  const bool extended = head == 0xFFFF0001u;  // version 1, signature 0xFFFF
  std::uint32_t style = head;
  if (extended) {
    reader.U32();          // help id
    reader.U32();          // extended style
    style = reader.U32();
  } else {
    reader.U32();  // extended style
  }
  const std::uint16_t count = reader.U16();
  platform::DialogResource& dialog = result->dialog;
  dialog.id = static_cast<int>(id);
  dialog.x = static_cast<std::int16_t>(reader.U16());
  dialog.y = static_cast<std::int16_t>(reader.U16());
  dialog.width = static_cast<std::int16_t>(reader.U16());
  dialog.height = static_cast<std::int16_t>(reader.U16());
  std::string menu_name, class_name;
  const std::uint16_t menu = reader.NameOrOrdinal(menu_name);
  reader.NameOrOrdinal(class_name);
  if (!menu_name.empty() || !class_name.empty()) throw GuestError("dialog " + std::to_string(id) + " names its menu or class, which is not read");
  dialog.caption = Keep(*result, reader.Text());
  if ((style & kSetFont) != 0) {
    dialog.font_points = reader.U16();
    if (extended) reader.Skip(4);  // weight, italic, character set
    dialog.font = Keep(*result, reader.Text());
  }
  dialog.style = style & ~static_cast<std::uint32_t>(kShellFont);

  for (std::uint16_t i = 0; i < count; ++i) {
    reader.AlignToWord();
    platform::ControlResource control{};
    std::uint32_t control_style;
    if (extended) {
      reader.U32();  // help id
      reader.U32();  // extended style
      control_style = reader.U32();
    } else {
      control_style = reader.U32();
      reader.U32();
    }
    control.x = static_cast<std::int16_t>(reader.U16());
    control.y = static_cast<std::int16_t>(reader.U16());
    control.width = static_cast<std::int16_t>(reader.U16());
    control.height = static_cast<std::int16_t>(reader.U16());
    control.id = extended ? static_cast<std::int32_t>(reader.U32()) : static_cast<std::int16_t>(reader.U16());
    if (control.id == 0xFFFF) control.id = platform::kUnaddressedControl;
    std::string control_class, text;
    const std::uint16_t atom = reader.NameOrOrdinal(control_class);
    if (atom == kButtonAtom || control_class == "BUTTON" || control_class == "Button") {
      control.kind = platform::ControlClass::kButton;
    } else if (atom == kStaticAtom || control_class == "STATIC" || control_class == "Static") {
      control.kind = platform::ControlClass::kStatic;
    } else {
      throw GuestError("dialog " + std::to_string(id) + " has a control of a class the model lacks");
    }
    reader.NameOrOrdinal(text);
    control.text = Keep(*result, text);
    control.style = control_style & ~(platform::kStyleChild | platform::kStyleVisible);
    reader.Skip(reader.U16());  // creation data
    result->controls.push_back(control);
  }
  dialog.controls = result->controls.data();
  dialog.control_count = result->controls.size();
  if (menu != 0) {
    ReadMenu(headers, image, menu, *result);
    dialog.menu = &result->menu;
  }
  return result;
}

}  // namespace varnok::host::pe32
