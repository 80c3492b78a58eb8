// The meter window's dialog template and menu, as constant data generated at
// build time from analyzer.rc, which windres builds into the Windows DLL.
#pragma once

#include "analyzer/analyzer_face.h"
#include "platform/dialog_resource.h"

namespace varnok::analyzer {

// Controls the code addresses.
inline constexpr int kCloseButton = 1;
inline constexpr int kAboutButton = 2;

// Menu entries, in the order of the setting values they choose.
inline constexpr int kOneTickItem = 40001;
inline constexpr int kTwoTicksItem = 40002;
inline constexpr int kFourTicksItem = 40003;
inline constexpr int kLowAveragingItem = 40004;
inline constexpr int kMediumAveragingItem = 40005;
inline constexpr int kHighAveragingItem = 40006;
inline constexpr int kFirstRefreshRateItem = kOneTickItem;
inline constexpr int kLastRefreshRateItem = kFourTicksItem;
inline constexpr int kFirstAveragingItem = kLowAveragingItem;
inline constexpr int kLastAveragingItem = kHighAveragingItem;

extern const platform::DialogResource kMeterDialog;
extern const platform::MenuResource kMeterMenu;

}  // namespace varnok::analyzer
