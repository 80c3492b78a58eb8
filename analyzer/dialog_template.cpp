#include "analyzer/dialog_template.h"

namespace varnok::analyzer {
namespace {

using platform::ControlClass;
using platform::kUnaddressedControl;
constexpr auto kButton = ControlClass::kButton;
constexpr auto kStatic = ControlClass::kStatic;
constexpr std::uint32_t kLabel = platform::kStaticLeft | platform::kStyleGroup;
constexpr std::uint32_t kValue = platform::kStaticRight | platform::kStyleGroup;

const platform::ControlResource kControls[] = {
    {kCloseButton, kButton, "Close", platform::kButtonDefaultPush | platform::kStyleTabStop,
     103, 63, 50, 14},
    {kUnaddressedControl, kStatic, kLevelLabel, kLabel, 11, 24, 37, 8},
    {kCurrentLevelText, kStatic, "xx dB", kValue, 60, 24, 38, 8},
    {kUnaddressedControl, kButton, "Amplitude", platform::kButtonGroupBox | platform::kButtonLeft,
     5, 5, 148, 52},
    {kUnaddressedControl, kStatic, kAmplitudeLabel, kLabel, 11, 34, 32, 8},
    {kCurrentAmplitudeText, kStatic, "0%", kValue, 60, 34, 38, 8},
    {kUnaddressedControl, kStatic, kCurrentColumnLabel, kValue, 74, 14, 24, 8},
    {kAverageLevelText, kStatic, "xx dB", kValue, 107, 24, 38, 8},
    {kAverageAmplitudeText, kStatic, "0%", kValue, 107, 34, 38, 8},
    {kUnaddressedControl, kStatic, kAverageColumnLabel, kValue, 117, 14, 28, 8},
    {kAboutButton, kButton, "About", platform::kButtonPush | platform::kStyleTabStop,
     48, 63, 50, 14},
    {kUnaddressedControl, kStatic, kOffsetLabel, kLabel, 11, 44, 31, 8},
    {kCurrentOffsetText, kStatic, "0", kValue, 60, 44, 38, 8},
    {kAverageOffsetText, kStatic, "0", kValue, 107, 44, 38, 8},
};

const platform::MenuItemResource kRefreshRateItems[] = {
    {kOneTickItem, "&1 Tick"},
    {kTwoTicksItem, "&2 Ticks"},
    {kFourTicksItem, "&4 Ticks"},
};

const platform::MenuItemResource kAveragingItems[] = {
    {kLowAveragingItem, "Low"},
    {kMediumAveragingItem, "Medium"},
    {kHighAveragingItem, "High"},
};

const platform::MenuPopupResource kOptionsPopups[] = {
    {"&Refresh Rate", kRefreshRateItems, 3},
    {"Averaging", kAveragingItems, 3},
};

}  // namespace

const platform::MenuResource kMeterMenu = {kMeterMenuId, "&Options", kOptionsPopups, 2};

const platform::DialogResource kMeterDialog = {
    kMeterDialogId,
    platform::kStyleModalFrame | platform::kStylePopup | platform::kStyleCaption |
        platform::kStyleSystemMenu | platform::kStyleVisible,
    0, 0, 158, 82,
    "MS Sans Serif", 8,
    "Varnok's Analyzer",
    &kMeterMenu,
    kControls, sizeof kControls / sizeof kControls[0]};

}  // namespace varnok::analyzer
