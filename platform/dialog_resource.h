// Dialog and menu resources as constant data: what a resource script describes,
// in a form the code and the headless stand-in can read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::platform {

// Window and control style bits, as the system defines them.
inline constexpr std::uint32_t kStylePopup = 0x80000000u;
inline constexpr std::uint32_t kStyleChild = 0x40000000u;
inline constexpr std::uint32_t kStyleVisible = 0x10000000u;
inline constexpr std::uint32_t kStyleCaption = 0x00C00000u;
inline constexpr std::uint32_t kStyleSystemMenu = 0x00080000u;
inline constexpr std::uint32_t kStyleGroup = 0x00020000u;
inline constexpr std::uint32_t kStyleTabStop = 0x00010000u;
inline constexpr std::uint32_t kStyleModalFrame = 0x00000080u;  // dialog style
inline constexpr std::uint32_t kButtonPush = 0x00000000u;
inline constexpr std::uint32_t kButtonDefaultPush = 0x00000001u;
inline constexpr std::uint32_t kButtonGroupBox = 0x00000007u;
inline constexpr std::uint32_t kButtonLeft = 0x00000100u;
inline constexpr std::uint32_t kStaticLeft = 0x00000000u;
inline constexpr std::uint32_t kStaticRight = 0x00000002u;

// A control no code addresses.
inline constexpr int kUnaddressedControl = -1;

enum class ControlClass { kButton, kStatic };

struct ControlResource {
  int id;
  ControlClass kind;
  const char* text;
  std::uint32_t style;  // beyond the child and visible bits every control has
  int x, y, width, height;  // dialog units
};

struct MenuItemResource {
  int id;
  const char* text;
};

struct MenuPopupResource {
  const char* text;
  const MenuItemResource* items;
  std::size_t item_count;
};

// One top-level pop-up holding further pop-ups of items.
struct MenuResource {
  int id;
  const char* text;
  const MenuPopupResource* popups;
  std::size_t popup_count;
};

struct DialogResource {
  int id;
  std::uint32_t style;
  int x, y, width, height;  // dialog units
  const char* font;
  int font_points;
  const char* caption;
  const MenuResource* menu;
  const ControlResource* controls;
  std::size_t control_count;
};

}  // namespace varnok::platform
