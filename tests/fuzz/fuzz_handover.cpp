// The hand-over's readers on arbitrary bytes (melko reads requests from any local client, melkoctl
// answers from the socket): what parses formats back to a line that parses to the same.
#include <cstdlib>
#include <string_view>

#include "common/handover.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string why;
  if (const auto request = melko::ParseHandoverRequest(line, &why)) {
    std::string again = melko::FormatHandoverRequest(*request);
    again.pop_back();
    const auto reparsed = melko::ParseHandoverRequest(again, &why);
    if (!reparsed || reparsed->data_folder != request->data_folder ||
        reparsed->wait_ms != request->wait_ms || reparsed->send != request->send)
      std::abort();
  } else if (why.empty()) {  // a refusal always says why
    std::abort();
  }
  if (const auto answer = melko::ParseHandoverAnswer(line)) {
    std::string again = melko::FormatHandoverAnswer(*answer);
    again.pop_back();
    const auto reparsed = melko::ParseHandoverAnswer(again);
    if (!reparsed || reparsed->kind != answer->kind || reparsed->first != answer->first ||
        reparsed->second != answer->second)
      std::abort();
  }
  return 0;
}
