// The meter window's dialog template and menu, as constant data. analyzer.rc
// holds the same resources for the Windows build; a test keeps the two alike.
#pragma once

#include "platform/dialog_resource.h"

namespace varnok::analyzer {

inline constexpr int kMeterDialogId = 101;
inline constexpr int kMeterMenuId = 103;

// Controls the code addresses.
inline constexpr int kCloseButton = 1;
inline constexpr int kAboutButton = 2;
inline constexpr int kCurrentLevelText = 1000;
inline constexpr int kCurrentAmplitudeText = 1001;
inline constexpr int kAverageLevelText = 1002;
inline constexpr int kAverageAmplitudeText = 1003;
inline constexpr int kCurrentOffsetText = 1004;
inline constexpr int kAverageOffsetText = 1005;

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

// Labels, for anyone showing the values the way the window does.
inline constexpr const char* kLevelLabel = "Rms Power";
inline constexpr const char* kAmplitudeLabel = "Amplitude";
inline constexpr const char* kOffsetLabel = "Dc Offset";
inline constexpr const char* kCurrentColumnLabel = "Current";
inline constexpr const char* kAverageColumnLabel = "Average";

extern const platform::DialogResource kMeterDialog;
extern const platform::MenuResource kMeterMenu;

}  // namespace varnok::analyzer
