// Gives every page of an Ogg stream one fixed serial number: the encoder picks
// a random one, and two renders of one song must give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace varnok::host {

class OggSerialFixer final {
 public:
  // Receives whole pages; false when it could not take them.
  using Sink = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;
  explicit OggSerialFixer(Sink sink) : sink_(std::move(sink)) {}

  // Takes the stream's next bytes, in pieces of any size, and passes on each
  // page once it is complete. False when the sink failed.
  bool Feed(const std::uint8_t* bytes, std::size_t count);
  // Passes on what is left that is not a whole page.
  bool Flush();

 private:
  Sink sink_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace varnok::host
