// The profile store reader on arbitrary file contents: it must take every whole record, select
// inside the list, and encode each record back to the bytes it came from.
//
// Stores are large (a 165 KB header before the records), so everything here is allocated once
// and reused: a fresh buffer of that size per input would cost more in page faults than the
// reading itself, and the target would run a few dozen inputs a second instead of thousands.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "profiles/profile_codec.h"
#include "profiles/profile_store.h"

namespace {

void Check(std::span<const std::uint8_t> image) {
  static melko::ProfileStore store;
  const std::string damage = melko::DecodeProfileStoreImage(image, store);
  if (!store.profiles.empty() && store.selected_index >= store.profiles.size()) std::abort();
  if (!damage.empty()) return;
  // Whole: the header comes back as read, and each record encodes to its own bytes.
  if (!std::equal(store.reserved_header.begin(), store.reserved_header.end(), image.begin() + 4))
    std::abort();
  static std::array<std::uint8_t, melko::kProfileRecordSize> encoded;
  std::size_t offset = melko::kProfileStoreHeaderSize;
  for (const auto& record : store.profiles) {
    melko::EncodeProfile(*record, encoded);
    if (!std::equal(encoded.begin(), encoded.end(), image.begin() + std::ptrdiff_t(offset)))
      std::abort();
    offset += melko::kProfileRecordSize;
  }
  if (offset != image.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check({data, size});
  // The reserved header is large and opaque: also read the input as a selection index followed
  // by records behind a zero header, so that the records themselves get explored, and once more
  // padded with zeros to whole records, so that short inputs still reach the record reader.
  if (size >= 4) {
    static std::vector<std::uint8_t> image(melko::kProfileStoreHeaderSize);
    const std::size_t records = size - 4;
    const std::size_t padded = (records + melko::kProfileRecordSize - 1) /
                               melko::kProfileRecordSize * melko::kProfileRecordSize;
    image.resize(melko::kProfileStoreHeaderSize + padded);
    std::copy(data, data + 4, image.begin());
    std::copy(data + 4, data + size, image.begin() + melko::kProfileStoreHeaderSize);
    std::fill(image.begin() + std::ptrdiff_t(melko::kProfileStoreHeaderSize + records), image.end(),
              0);
    Check({image.data(), melko::kProfileStoreHeaderSize + records});
    if (padded != records) Check(image);
  }
  return 0;
}
