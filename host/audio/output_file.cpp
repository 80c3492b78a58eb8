#include "host/audio/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "platform/last_resort.h"
#include "platform/terminal.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

// Links followed before giving up on a loop.
constexpr int kMaxLinks = 40;
// Every signal that ends a process by default and may come from outside.
#ifdef _WIN32
constexpr int kHeldSignals[] = {SIGINT, SIGTERM};
#else
constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
#endif

// The signal that arrived while a temporary file was open, or 0. A handler
// may touch nothing but a lock-free atomic.
std::atomic<int> pending_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

using Handler = void (*)(int);
Handler previous_handlers[std::size(kHeldSignals)];

// The command ends at its next block, and a plug-in call that never returns
// cannot keep it: an emulated one is stopped, a native one outlasted.
extern "C" void HoldSignal(int signal) {
  pending_signal.store(signal, std::memory_order_relaxed);
  StopEmulatedCalls();
  platform::EndWithin(signal);
}

void HoldSignals() {
  for (std::size_t i = 0; i < std::size(kHeldSignals); ++i) {
    previous_handlers[i] = std::signal(kHeldSignals[i], HoldSignal);
    // A signal the process was told to ignore (a background job's SIGINT) stays ignored.
    if (previous_handlers[i] == SIG_IGN) std::signal(kHeldSignals[i], SIG_IGN);
  }
}

void ReleaseSignals() {
  for (std::size_t i = 0; i < std::size(kHeldSignals); ++i) std::signal(kHeldSignals[i], previous_handlers[i]);
}

std::string Reason() { return std::strerror(errno); }

// Follows `path` through symbolic links to the file they lead to, existing or not.
fs::path FollowLinks(const std::string& name) {
  fs::path path(name);
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path next = fs::read_symlink(path, error);
    if (error) throw HostError(name + ": cannot follow the link: " + error.message());
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  throw HostError(name + ": links lead round in a loop");
}

// A name beside `target` that no other writer is likely to pick.
fs::path TemporaryPathFor(const fs::path& target) {
  std::random_device random;
  for (;;) {
    const unsigned long long tag = (static_cast<unsigned long long>(random()) << 32) ^ random();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", tag);
    const fs::path candidate = target.parent_path() / ("." + target.filename().string() + "." + hex + ".partial");
    std::error_code error;
    if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
  }
}

}  // namespace

OutputFile::OutputFile(std::string name) : shown_(std::move(name)) {
  // Any name for standard output is "-": what is printed must not join the audio.
  std::error_code error;
  if (shown_ == "-" || (!fs::is_regular_file(shown_, error) && platform::IsStandardOutput(shown_.c_str()))) {
    kind_ = Kind::kStandardOutput;
    shown_ = "standard output";
    if (platform::StandardOutputIsTerminal()) {
      throw HostError("standard output is a terminal, not for audio; redirect it to a file or a program");
    }
    return;
  }
  const fs::file_status status = fs::status(shown_, error);  // through any links
  if (fs::is_directory(status)) throw HostError(shown_ + ": is a folder, not an audio file");
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // Opened by the name given: links to devices may lead where no path does.
    kind_ = Kind::kStream;
    target_ = shown_;
    return;
  }
  target_ = FollowLinks(shown_);
  if (!fs::exists(status)) return;
  // Root may write anything, so the permission bits speak for the user.
  constexpr fs::perms kWritable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((status.permissions() & kWritable) == fs::perms::none) {
    throw HostError(shown_ + ": is read-only; not replacing it");
  }
  // Opening to append changes nothing, and tells whether we may write it.
  std::FILE* probe = std::fopen(target_.string().c_str(), "ab");
  if (probe == nullptr) throw HostError(shown_ + ": cannot write: " + Reason());
  std::fclose(probe);
  replaces_ = true;
}

OutputFile::~OutputFile() {
  const bool held = holding_signals_;
  Discard();
  // A command that failed because it was asked to stop (an emulated call
  // stopped by the signal) ends as the signal would, as the shell expects.
  if (const int signal = pending_signal.load(std::memory_order_relaxed); held && signal != 0) std::raise(signal);
}

void OutputFile::RefuseToOverwrite(const std::string& input, const char* what) const {
  if (kind_ == Kind::kStandardOutput) return;
  std::error_code error;
  if (fs::equivalent(target_, input, error)) {
    throw HostError(shown_ + ": would write over the " + what + " " + input + "; choose another output");
  }
}

std::FILE* OutputFile::Open() {
  if (kind_ == Kind::kStandardOutput) {
    platform::SetStandardOutputBinary();
    return file_ = stdout;
  }
  if (kind_ == Kind::kStream) {
    file_ = std::fopen(target_.string().c_str(), "wb");
    if (file_ == nullptr) throw HostError(shown_ + ": cannot write: " + Reason());
    return file_;
  }
  temporary_ = TemporaryPathFor(target_);
  platform::SetFileToRemove(temporary_.string().c_str());
  pending_signal.store(0, std::memory_order_relaxed);
  HoldSignals();
  holding_signals_ = true;
  file_ = std::fopen(temporary_.string().c_str(), "wb");
  if (file_ == nullptr) {
    const std::string reason = Reason();
    const fs::path folder = fs::absolute(target_).parent_path();
    Discard();
    throw HostError(shown_ + ": cannot create a file in " + folder.string() + ": " + reason);
  }
  return file_;
}

void OutputFile::StopIfInterrupted() {
  const int signal = pending_signal.load(std::memory_order_relaxed);
  if (signal == 0) return;
  Discard();
  std::raise(signal);
  // Still here: an earlier handler took the signal and returned.
  throw HostError(shown_ + ": interrupted; the earlier output is kept");
}

void OutputFile::Commit() {
  if (kind_ == Kind::kStandardOutput) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw HostError(shown_ + ": cannot write: " + Reason());
    file_ = nullptr;
    return;
  }
  const bool written = std::ferror(file_) == 0;
  const bool closed = std::fclose(std::exchange(file_, nullptr)) == 0;
  if (!written || !closed) {
    const std::string reason = Reason();
    Discard();
    throw HostError(shown_ + ": cannot write: " + reason);
  }
  if (kind_ == Kind::kStream) return;
  StopIfInterrupted();
  std::error_code error;
  if (replaces_) fs::permissions(temporary_, fs::status(target_, error).permissions(), error);
  fs::rename(temporary_, target_, error);
  if (error) {
    Discard();
    throw HostError(shown_ + ": cannot move the finished file into place: " + error.message());
  }
  temporary_.clear();
  Discard();
  // A signal that came while the file moved ends the process now, its work done.
  if (const int signal = pending_signal.load(std::memory_order_relaxed)) std::raise(signal);
}

void OutputFile::Discard() noexcept {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) {
    platform::SetFileToRemove(nullptr);
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    temporary_.clear();
  }
  if (holding_signals_) {
    ReleaseSignals();
    holding_signals_ = false;
  }
}

}  // namespace varnok::host
