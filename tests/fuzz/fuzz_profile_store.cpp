// The profile store reader on arbitrary file contents: it must take every whole record, select
// inside the list, and write a whole image back unchanged.
#include <cstdlib>

#include "profiles/profile_store.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
  melko::ProfileStore store;
  const std::string damage = melko::DecodeProfileStoreImage({data, size}, store);
  if (!store.profiles.empty() && store.selected_index >= store.profiles.size()) std::abort();
  if (damage.empty()) {
    const std::vector<std::uint8_t> again = melko::EncodeProfileStore(store);
    // Only the selection may differ: an index outside the list was reset.
    if (again.size() != size || !std::equal(again.begin() + 4, again.end(), data + 4)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size);
  // The reserved header is large and opaque: also read the input as a selection index followed
  // by records, behind a zero header, so that the records themselves get explored.
  if (size >= 4) {
    std::vector<std::uint8_t> image(melko::kProfileStoreHeaderSize - 4 + size);
    std::copy(data, data + 4, image.begin());
    std::copy(data + 4, data + size, image.begin() + melko::kProfileStoreHeaderSize);
    Check(image.data(), image.size());
    // And padded to whole records, so that short inputs still reach the record reader.
    const std::size_t records = image.size() - melko::kProfileStoreHeaderSize;
    image.resize(image.size() + (melko::kProfileRecordSize - records % melko::kProfileRecordSize));
    Check(image.data(), image.size());
  }
  return 0;
}
