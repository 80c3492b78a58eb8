#include "host/live/jack_client.h"

#include <jack/midiport.h>

#include "host/live/jack_library.h"

namespace varnok::host::live {
namespace {

// The library's own chatter ("cannot connect to server socket ...") would bury
// the one line that says what to do.
void Quiet(const char*) {}

const char* PortType(JackClient::PortKind kind) {
  switch (kind) {
    case JackClient::PortKind::kAudioOut:
    case JackClient::PortKind::kAudioIn:
      return JACK_DEFAULT_AUDIO_TYPE;
    default:
      return JACK_DEFAULT_MIDI_TYPE;
  }
}

unsigned long PortFlags(JackClient::PortKind kind) {
  switch (kind) {
    case JackClient::PortKind::kAudioOut:
    case JackClient::PortKind::kMidiOut:
      return JackPortIsOutput;
    default:
      return JackPortIsInput;
  }
}

}  // namespace

NoJackServer::NoJackServer()
    : HostError("no JACK server is running: start one with 'jackd -d alsa', or run under PipeWire's JACK (pw-jack)") {}

JackClient::JackClient(const std::string& name) {
  std::string missing;
  if (!OpenJackLibrary(missing)) throw HostError("cannot play live: JACK's library is not installed (" + missing + ")");
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  jack_status_t status{};
  client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
  if (client_ == nullptr) throw NoJackServer();
  jack_set_xrun_callback(client_, OnXrun, this);
  jack_on_shutdown(client_, OnShutdown, this);
}

JackClient::~JackClient() {
  Deactivate();
  jack_client_close(client_);
}

void JackClient::Deactivate() {
  if (active_ && !ServerGone()) jack_deactivate(client_);
  active_ = false;
}

jack_port_t* JackClient::AddPort(const std::string& name, PortKind kind) {
  jack_port_t* port = jack_port_register(client_, name.c_str(), PortType(kind), PortFlags(kind), 0);
  if (port == nullptr) throw HostError("the JACK server refused the port '" + name + "'");
  return port;
}

int JackClient::SampleRate() const { return static_cast<int>(jack_get_sample_rate(client_)); }

void JackClient::Activate(JackProcessCallback process, void* data) {
  if (jack_set_process_callback(client_, process, data) != 0 || jack_activate(client_) != 0) {
    throw HostError("the JACK server would not start the client");
  }
  active_ = true;
}

void JackClient::Connect(jack_port_t* from, const std::string& to) {
  if (jack_connect(client_, jack_port_name(from), to.c_str()) != 0) {
    throw HostError(std::string("cannot connect ") + jack_port_name(from) + " to " + to);
  }
}

void JackClient::Connect(const std::string& from, jack_port_t* to) {
  if (jack_connect(client_, from.c_str(), jack_port_name(to)) != 0) {
    throw HostError("cannot connect " + from + " to " + jack_port_name(to));
  }
}

bool JackClient::ConnectToPlayback(jack_port_t* const* outputs, int count) {
  const char** playback =
      jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
  if (playback == nullptr) return false;
  bool any = false;
  for (int i = 0; playback[i] != nullptr && count > 0; ++i) {
    jack_port_t* from = outputs[i < count ? i : count - 1];
    any = jack_connect(client_, jack_port_name(from), playback[i]) == 0 || any;
  }
  jack_free(playback);
  return any;
}

int JackClient::OnXrun(void* data) {
  static_cast<JackClient*>(data)->xruns_.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

void JackClient::OnShutdown(void* data) {
  static_cast<JackClient*>(data)->server_gone_.store(true, std::memory_order_release);
}

}  // namespace varnok::host::live
