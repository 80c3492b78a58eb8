// What a host may know of the Analyzer without its code: its name, its
// commands, and the window's controls and labels as a user reads them.
#pragma once

namespace varnok::analyzer {

inline constexpr const char* kAnalyzerName = "Varnok's Analyzer";
inline constexpr const char* kAnalyzerShortName = "Analyzer";

// Entries of the description's command list.
enum Command : int {
  kOpenCommand,
  kAboutCommand,
};

// The window's value texts.
inline constexpr int kCurrentLevelText = 1000;
inline constexpr int kCurrentAmplitudeText = 1001;
inline constexpr int kAverageLevelText = 1002;
inline constexpr int kAverageAmplitudeText = 1003;
inline constexpr int kCurrentOffsetText = 1004;
inline constexpr int kAverageOffsetText = 1005;

// Labels, for anyone showing the values the way the window does.
inline constexpr const char* kLevelLabel = "Rms Power";
inline constexpr const char* kAmplitudeLabel = "Amplitude";
inline constexpr const char* kOffsetLabel = "Dc Offset";
inline constexpr const char* kCurrentColumnLabel = "Current";
inline constexpr const char* kAverageColumnLabel = "Average";

}  // namespace varnok::analyzer
