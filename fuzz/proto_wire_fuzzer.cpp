// Any bytes: the wire reader either fails with ProtoError or returns fields
// that the writers turn back into bytes it reads the same way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/proto_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<ProtoField> fields;
  try {
    fields = ProtoWire::parse(bytes);
  } catch (const ProtoError& error) {
    if (std::string_view(error.what()).empty()) std::abort();
    return 0;
  }
  std::string written;
  for (const ProtoField& field : fields) {
    if (const auto* v = std::get_if<ProtoValue::Varint>(&field.value.value)) {
      written += ProtoWire::varintField(field.number, v->value);
    } else {
      written +=
          ProtoWire::bytesField(field.number, std::get<ProtoValue::Bytes>(field.value.value).value);
    }
  }
  // Canonical encodings are never longer than what was read.
  if (written.size() > size || ProtoWire::parse(written) != fields) std::abort();
  return 0;
}
