// A DLL's dialog template and its menu, read from the image's resources into
// the form the dialog model builds dialogs from.
#pragma once

#include <memory>

#include "host/pe32/pe_image.h"
#include "host/pe32/system_state.h"

namespace varnok::host::pe32 {

// Throws GuestError when the dialog or its menu is missing or malformed.
std::unique_ptr<DialogTemplate> ReadDialogTemplate(const PeHeaders& headers, const PlacedImage& image,
                                                   std::uint32_t id);

}  // namespace varnok::host::pe32
