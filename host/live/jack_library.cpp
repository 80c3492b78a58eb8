// The JACK functions the host calls, forwarded to libjack opened by the first
// command that plays live. The library is opened before any client exists, so
// the calls of the audio thread find it open and never wait.
#include "host/live/jack_library.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include "host/core/system_library.h"

namespace {

#define VARNOK_JACK_FUNCTIONS(X)                                                                              \
  X(jack_client_open) X(jack_client_close) X(jack_activate) X(jack_deactivate) X(jack_connect) X(jack_free) \
  X(jack_get_ports) X(jack_get_sample_rate) X(jack_midi_event_get) X(jack_midi_get_event_count)              \
  X(jack_on_shutdown) X(jack_port_get_buffer) X(jack_port_name) X(jack_port_register)                       \
  X(jack_set_error_function) X(jack_set_info_function) X(jack_set_process_callback) X(jack_set_xrun_callback)

struct JackFunctions {
  VARNOK_FUNCTION_POINTERS(VARNOK_JACK_FUNCTIONS)
  VARNOK_BIND_FUNCTIONS(VARNOK_JACK_FUNCTIONS)
};

varnok::host::SystemLibrary<JackFunctions> jack_library("libjack.so.0");

const JackFunctions& Jack() { return jack_library.Call(); }

}  // namespace

namespace varnok::host::live {

bool OpenJackLibrary(std::string& missing) {
  if (jack_library.Open()) return true;
  missing = jack_library.Missing();
  return false;
}

}  // namespace varnok::host::live

extern "C" {

jack_client_t* jack_client_open(const char* name, jack_options_t options, jack_status_t* status, ...) {
  return Jack().jack_client_open(name, options, status);
}
int jack_client_close(jack_client_t* client) { return Jack().jack_client_close(client); }
int jack_activate(jack_client_t* client) { return Jack().jack_activate(client); }
int jack_deactivate(jack_client_t* client) { return Jack().jack_deactivate(client); }
int jack_connect(jack_client_t* client, const char* from, const char* to) {
  return Jack().jack_connect(client, from, to);
}
void jack_free(void* pointer) { Jack().jack_free(pointer); }
const char** jack_get_ports(jack_client_t* client, const char* name_pattern, const char* type_pattern,
                            unsigned long flags) {
  return Jack().jack_get_ports(client, name_pattern, type_pattern, flags);
}
jack_nframes_t jack_get_sample_rate(jack_client_t* client) { return Jack().jack_get_sample_rate(client); }
int jack_midi_event_get(jack_midi_event_t* event, void* buffer, uint32_t index) {
  return Jack().jack_midi_event_get(event, buffer, index);
}
uint32_t jack_midi_get_event_count(void* buffer) { return Jack().jack_midi_get_event_count(buffer); }
void jack_on_shutdown(jack_client_t* client, JackShutdownCallback callback, void* data) {
  Jack().jack_on_shutdown(client, callback, data);
}
void* jack_port_get_buffer(jack_port_t* port, jack_nframes_t frames) {
  return Jack().jack_port_get_buffer(port, frames);
}
const char* jack_port_name(const jack_port_t* port) { return Jack().jack_port_name(port); }
jack_port_t* jack_port_register(jack_client_t* client, const char* name, const char* type, unsigned long flags,
                                unsigned long buffer_size) {
  return Jack().jack_port_register(client, name, type, flags, buffer_size);
}
void jack_set_error_function(void (*function)(const char*)) { Jack().jack_set_error_function(function); }
void jack_set_info_function(void (*function)(const char*)) { Jack().jack_set_info_function(function); }
int jack_set_process_callback(jack_client_t* client, JackProcessCallback callback, void* data) {
  return Jack().jack_set_process_callback(client, callback, data);
}
int jack_set_xrun_callback(jack_client_t* client, JackXRunCallback callback, void* data) {
  return Jack().jack_set_xrun_callback(client, callback, data);
}

}  // extern "C"
