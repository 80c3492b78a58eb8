#include "platform/audio_path_probe.h"

namespace varnok::platform {

bool AudioPathProbeAvailable() { return false; }
void ArmAudioPathProbe() {}
AudioPathCounts DisarmAudioPathProbe() { return {}; }

}  // namespace varnok::platform
