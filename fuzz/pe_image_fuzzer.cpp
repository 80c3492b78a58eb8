// A DLL file of any shape: the loader refuses it with a GuestError or places
// it, and every table read from it (relocations, imports, exports, TLS, the
// dialog and menu resources) is read within the image or refused the same
// way; nothing else may happen. No guest code runs here.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/pe32/address_map.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/guest_memory.h"
#include "host/pe32/pe_image.h"
#include "host/pe32/resource_templates.h"

namespace {

using namespace varnok::host::pe32;

template <class Read>
void Refusable(Read read) {
  try {
    read();
  } catch (const GuestError&) {
    // A table refused in one line is the right answer to a bad one.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static GuestMemory memory;  // one reservation for the whole run
  const std::vector<std::uint8_t> file(data, data + size);
  PeHeaders headers;
  try {
    headers = ReadHeaders(file);
  } catch (const GuestError&) {
    return 0;
  }
  const GuestAddress base = kImageArea.start;
  memory.Commit(base, headers.image_size);
  const PlacedImage image(memory, base, headers.image_size);
  PlaceImage(file, headers, image);
  Refusable([&] { Relocate(headers, image); });
  Refusable([&] { ReadImports(headers, image); });
  Refusable([&] { FindExport(headers, image, "GetInfo"); });
  Refusable([&] { ReadTls(headers, image); });
  Refusable([&] { ReadDialogTemplate(headers, image, 101); });
  memory.Decommit(base, headers.image_size);
  return 0;
}
