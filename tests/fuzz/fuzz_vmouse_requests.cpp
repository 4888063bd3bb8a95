// What the virtual mouse reads from its sockets, with every device present: each line goes to the
// library request reader and, when it is no request, to the control command reader. Feature
// reports go over the link that the first byte % 3 picks.
#include "vmouse/program/library_requests.h"
#include "vmouse/program/line_splitter.h"
#include "vmouse/program/virtual_mouse.h"

namespace {

struct NullOutputs final : melko::vmouse::MouseOutputs {
  void SendEvent(melko::vmouse::Link, std::uint16_t, std::uint16_t) override {}
  void Notify(std::uint16_t, std::uint16_t) override {}
  void DeviceChanged(melko::vmouse::Link, bool) override {}
  void Written(const melko::vmouse::WriteRecord&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace melko::vmouse;
  if (size == 0) return 0;
  NullOutputs outputs;
  const MouseSetup setup{
      .cable = true, .receiver = true, .awake = true, .ble = true, .ble_available = true};
  VirtualMouse mouse(
      outputs, [] { return std::int64_t(0); }, setup);
  const Link link = Link(data[0] % 3);
  LineSplitter lines(1024);
  for (const InputLine& line : lines.Feed({reinterpret_cast<const char*>(data) + 1, size - 1})) {
    const ParsedRequest parsed = ParseLibraryRequest(line.text);
    if (!parsed.request) {
      mouse.Execute(line.text);
    } else if (parsed.request->kind == RequestKind::kFeature) {
      mouse.Write(link, parsed.request->bytes);
    }
  }
  return 0;
}
