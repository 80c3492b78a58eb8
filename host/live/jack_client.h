// One client of the JACK audio server: opened on a running server only, its
// ports, its activation, and what the server reports while it runs.
#pragma once

#include <atomic>
#include <string>

#include <jack/jack.h>

#include "host/core/host_error.h"

namespace varnok::host::live {

// No server runs, or it refused the client.
class NoJackServer final : public HostError {
 public:
  NoJackServer();
};

class JackClient final {
 public:
  // [ui] Opens `name` on the running server (never starts one). Throws NoJackServer.
  explicit JackClient(const std::string& name);
  // Deactivates and closes; the process callback has returned for good after.
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  enum class PortKind { kAudioOut, kAudioIn, kMidiIn, kMidiOut };
  // [ui] Before Activate. Owned by the client. Throws HostError.
  jack_port_t* AddPort(const std::string& name, PortKind kind);

  int SampleRate() const;
  jack_client_t* Handle() const { return client_; }

  // [ui] `process` runs on the server's audio thread from now until the client
  // is deactivated. Throws HostError.
  void Activate(JackProcessCallback process, void* data);
  // [ui] The process callback has returned for good after this.
  void Deactivate();
  // [ui] After Activate. Throws HostError naming both ports.
  void Connect(jack_port_t* from, const std::string& to);
  void Connect(const std::string& from, jack_port_t* to);
  // [ui] Connects `outputs` to the system's playback ports in turn, the last
  // output going to the rest; false when the server has none.
  bool ConnectToPlayback(jack_port_t* const* outputs, int count);

  // [any thread] Under- and overruns the server reported since Activate.
  unsigned Xruns() const { return xruns_.load(std::memory_order_relaxed); }
  // [any thread] The server shut down or dropped this client.
  bool ServerGone() const { return server_gone_.load(std::memory_order_acquire); }

 private:
  static int OnXrun(void* data);
  static void OnShutdown(void* data);

  jack_client_t* client_ = nullptr;
  bool active_ = false;
  // Set on the server's threads, read on ours. The count is relaxed: it
  // publishes nothing else; the flag is release and acquire.
  std::atomic<unsigned> xruns_{0};
  std::atomic<bool> server_gone_{false};
  static_assert(std::atomic<unsigned>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
                "the server's threads must not lock");
};

}  // namespace varnok::host::live
