// Reads an audio file on a thread of its own, summarising it as it goes, and
// hands its samples to the meter on the machines' scale: reading and metering
// run side by side, on two cores where there are two.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/analyze/audio_summary.h"
#include "host/analyze/core_split.h"
#include "host/audio/mono_audio_reader.h"

namespace varnok::host {

class AudioFeed final {
 public:
  // [meter thread] Starts reading `reader` into `summary`, for pulls of `tick`
  // samples at a time; `reader` and `summary` must outlive the feed. Where it
  // starts a reading thread, the meter's thread keeps to its core and the
  // reader to the others until the feed ends.
  AudioFeed(MonoAudioReader& reader, AudioSummary& summary, std::size_t tick);
  // [meter thread] Stops the reading where it stands.
  ~AudioFeed();
  AudioFeed(const AudioFeed&) = delete;
  AudioFeed& operator=(const AudioFeed&) = delete;

  // [meter thread] The next `frames` samples (full level 32768), fewer only at
  // the end of the file, where the caller may overwrite them until the next
  // pull; `count` gets how many. Throws what reading the file threw.
  float* Pull(std::size_t frames, std::size_t& count);

 private:
  static constexpr std::size_t kSlots = 16;
  // Slots one read may fill where they lie side by side: a quarter of the
  // ring, so that the file takes a quarter of the system calls.
  static constexpr std::size_t kSlotsPerRead = 4;
  static constexpr std::size_t kNotWaiting = ~std::size_t{0};

  struct Slot {
    float* samples = nullptr;  // in ring_
    std::size_t count = 0;  // fewer than the slot holds: the file ends here
  };

  // Fills slots from the next one on until the file ends (true), or, unless
  // `may_wait`, until the ring is full (false).
  bool ReadSlots(bool may_wait);
  // Reads into up to `wanted` free slots from `first` on, side by side, and
  // hands them over one by one. True when the file ended in them.
  bool FillSlots(std::size_t first, std::size_t wanted);
  // The oldest filled slot, once there is one.
  Slot& Oldest();
  void Release();
  // Sleeps until `ready` holds; the other side wakes it with Wake.
  template <class Ready>
  void WaitUntil(Ready ready);
  void Wake();

  MonoAudioReader& reader_;
  AudioSummary& summary_;
  std::size_t slot_frames_;  // whole ticks, where a tick is short enough
  // Left unwritten until read into: a short file touches little of it.
  std::unique_ptr<float[]> ring_;
  std::vector<Slot> slots_;
  std::vector<float> gathered_;  // a tick that spans slots
  // Slots filled and emptied so far: the ring itself takes no lock. A side that
  // must wait sleeps, and says for which count: the reader, when the ring is
  // full, until half of it is free.
  std::atomic<std::size_t> filled_{0};
  std::atomic<std::size_t> emptied_{0};
  std::atomic<std::size_t> reader_waits_for_{kNotWaiting};
  std::atomic<std::size_t> meter_waits_for_{kNotWaiting};
  std::atomic<bool> stopping_{false};
  std::exception_ptr failure_;  // published with the slot that ends the file
  std::size_t taken_ = 0;  // [meter thread] samples taken from the oldest slot
  std::mutex sleep_;
  std::condition_variable woken_;
  CoreSplit cores_;
  std::thread reading_;
};

}  // namespace varnok::host
