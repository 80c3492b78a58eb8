#include "host/analyze/audio_feed.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace varnok::host {
namespace {

// Claims the pages of `bytes` from `start` in one system call: written one by
// one, each page would stop the reader for a fault of its own, which costs
// dearly on a virtual machine. Does nothing where the system cannot.
void ClaimPages(void* start, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
  constexpr std::uintptr_t kPage = 4096;
  const auto first = (reinterpret_cast<std::uintptr_t>(start) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kPage - 1);
  if (first < end) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
  (void)start;
  (void)bytes;
#endif
}

// Slots of about this many samples keep the ring (1 MB) in a core's
// second-level cache, and the reader wakes once per eight of them.
constexpr std::size_t kSlotTarget = 16384;

}  // namespace

AudioFeed::AudioFeed(MonoAudioReader& reader, AudioSummary& summary, std::size_t tick)
    : reader_(reader),
      summary_(summary),
      slot_frames_(tick <= kSlotTarget ? kSlotTarget / std::max<std::size_t>(tick, 1) * tick : kSlotTarget),
      ring_(new float[kSlots * slot_frames_]),
      slots_(kSlots),
      gathered_(tick > kSlotTarget ? tick : 0) {
  for (std::size_t i = 0; i < kSlots; ++i) slots_[i].samples = ring_.get() + i * slot_frames_;
  // A file the ring holds whole is read at once: a thread would cost more.
  if (reader.declared_frames() < kSlots * slot_frames_ && ReadSlots(false)) return;
  cores_.KeepCallerHere();
  reading_ = std::thread([this] {
    cores_.KeepCallerAway();
    ClaimPages(ring_.get(), kSlots * slot_frames_ * sizeof(float));
    ReadSlots(true);
  });
}

AudioFeed::~AudioFeed() {
  stopping_.store(true);
  Wake();
  if (reading_.joinable()) reading_.join();
}

// Both sides store their count, then look at the other's word, in one total
// order: a side that went to sleep is always seen.
bool AudioFeed::ReadSlots(bool may_wait) {
  for (std::size_t slot = filled_.load();;) {
    std::size_t free_slots = kSlots - (slot - emptied_.load());
    if (free_slots == 0) {
      if (!may_wait) return false;
      const std::size_t resume = slot - kSlots / 2 + 1;
      reader_waits_for_.store(resume);
      WaitUntil([&] { return emptied_.load() >= resume || stopping_.load(); });
      reader_waits_for_.store(kNotWaiting);
      free_slots = kSlots - (slot - emptied_.load());
    }
    if (stopping_.load()) return true;
    // The first read fills one slot alone, so that the meter starts at once.
    const std::size_t wanted =
        std::min({free_slots, kSlots - slot % kSlots, slot == 0 ? std::size_t{1} : kSlotsPerRead});
    if (FillSlots(slot, wanted)) return true;
    slot += wanted;
  }
}

bool AudioFeed::FillSlots(std::size_t first, std::size_t wanted) {
  std::size_t read = 0;
  try {
    read = reader_.Read(slots_[first % kSlots].samples, wanted * slot_frames_);
  } catch (...) {
    failure_ = std::current_exception();  // the file ends where it failed
  }
  for (std::size_t slot = first; slot < first + wanted; ++slot) {
    Slot& into = slots_[slot % kSlots];
    into.count = std::min(slot_frames_, read - std::min(read, (slot - first) * slot_frames_));
    summary_.Add(into.samples, into.count, into.samples);
    filled_.store(slot + 1);
    const bool last = into.count < slot_frames_;
    if (last || meter_waits_for_.load() == slot + 1) Wake();
    if (last) return true;
  }
  return false;
}

AudioFeed::Slot& AudioFeed::Oldest() {
  const std::size_t slot = emptied_.load(std::memory_order_relaxed);
  if (filled_.load() == slot) {
    // The meter is the slower side: it waits for one slot, at the start.
    meter_waits_for_.store(slot + 1);
    WaitUntil([&] { return filled_.load() > slot; });
    meter_waits_for_.store(kNotWaiting);
  }
  Slot& oldest = slots_[slot % kSlots];
  if (oldest.count < slot_frames_ && failure_) std::rethrow_exception(failure_);
  return oldest;
}

void AudioFeed::Release() {
  taken_ = 0;
  const std::size_t emptied = emptied_.load(std::memory_order_relaxed) + 1;
  emptied_.store(emptied);
  if (reader_waits_for_.load() == emptied) Wake();
}

float* AudioFeed::Pull(std::size_t frames, std::size_t& count) {
  // The slot whose last samples the previous pull lent is free only now.
  if (taken_ == slot_frames_) Release();
  Slot* slot = &Oldest();
  if (slot->count - taken_ >= frames || slot->count < slot_frames_) {
    // A whole tick within one slot, or the last of the file: lent where it lies.
    float* samples = slot->samples + taken_;
    count = std::min(frames, slot->count - taken_);
    taken_ += count;
    return samples;
  }
  // A tick longer than a slot, gathered from several.
  if (gathered_.size() < frames) gathered_.resize(frames);
  count = 0;
  while (count < frames) {
    const std::size_t n = std::min(frames - count, slot->count - taken_);
    std::copy_n(slot->samples + taken_, n, gathered_.data() + count);
    count += n;
    taken_ += n;
    if (slot->count < slot_frames_) break;
    if (taken_ == slot_frames_) Release();
    if (count < frames) slot = &Oldest();
  }
  return gathered_.data();
}

template <class Ready>
void AudioFeed::WaitUntil(Ready ready) {
  if (ready()) return;
  std::unique_lock<std::mutex> lock(sleep_);
  woken_.wait(lock, ready);
}

void AudioFeed::Wake() {
  // Taking the lock orders this wake after a sleeper's last look at the ring.
  { const std::lock_guard<std::mutex> lock(sleep_); }
  woken_.notify_all();
}

}  // namespace varnok::host
