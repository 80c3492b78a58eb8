#include "chip/chip_module.h"

namespace varnok::chip {

std::int32_t sample_rate = 0;

}  // namespace varnok::chip
