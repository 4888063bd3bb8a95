// What the driver libraries read: the first byte % 3 picks a hidraw status report, a HID_ID from
// udev, or the virtual mouse's socket stream, which arrives in pieces of 1 + first byte / 3 bytes.
#include <cstdlib>

#include "hidraw_format.h"
#include "vmouse_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 3 == 0) melko::hiddriver::ParseStatusReport({data + 1, size - 1});
  if (data[0] % 3 == 1) melko::hiddriver::ParseHidId(rest);
  if (data[0] % 3 != 2) return 0;
  melko::hiddriver::LineSplitter splitter;
  const std::size_t piece = 1 + data[0] / 3u;
  for (std::size_t at = 0; at < rest.size(); at += piece) {
    splitter.Feed(rest.substr(at, piece), [](std::string_view line) {
      if (line.size() > melko::hiddriver::LineSplitter::kMaxLine) std::abort();
      melko::hiddriver::ParseMouseLine(line);
    });
  }
  return 0;
}
