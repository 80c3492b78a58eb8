// The rate every Test Generator of this library plays at, from the latest Initialize.
#pragma once

#include <cstdint>

namespace varnok::testgen {

extern std::int32_t sample_rate;  // samples per second

}  // namespace varnok::testgen
