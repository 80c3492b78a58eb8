// A JACK server of the test's own: the dummy backend, which needs no sound
// card, under a name no other test shares, stopped however the test ends.
#pragma once

#include <string>

#include <sys/types.h>

namespace varnok::host::testing {

class JackServer final {
 public:
  // Starts jackd and waits until it takes clients; sets JACK_DEFAULT_SERVER for
  // this process and its children. Throws std::runtime_error when it will not start.
  JackServer(int sample_rate, int period_frames);
  // Stops the server, if it still runs.
  ~JackServer() { Stop(); }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  // Stops the server now, as a user would; it tells its clients it goes.
  void Stop();
  const std::string& Name() const { return name_; }

 private:
  // A server killed outright keeps its place among the few the system
  // registers (by name) until a server of its name starts again.
  void Kill();

  std::string name_;
  pid_t pid_ = -1;
};

}  // namespace varnok::host::testing
