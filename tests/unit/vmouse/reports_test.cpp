// What the firmware model decodes from good reports, its power values, acknowledgements, buttons
// and sleep are read back by the integration, page and BlueZ tests.
#include <gtest/gtest.h>

#include "profiles/profile_store.h"
#include "protocol/macro_chunks.h"
#include "protocol/settings_reports.h"
#include "support/report_bytes.h"
#include "vmouse/firmware.h"

namespace melko::vmouse {
namespace {

using Frame = std::vector<std::uint8_t>;
using ::melko::test::Hex;
using ::melko::test::SetChecksum;

TEST(SettingsReportsTest, MalformedFramesAreRejectedWithReasonAndChangeNothing) {
  // The default profile's report of each kind, changed.
  const auto profile = MakeDefaultProfile(u"P");
  const Frame dpi = BuildDpiReport(*profile), light = BuildLightReport(*profile),
              rate = BuildRateReport(*profile), buttons = BuildButtonsReport(*profile);
  auto edit = [](Frame f, auto change) {
    change(f);
    return f;
  };
  const std::tuple<Frame, const char*> cases[] = {
      {edit(dpi, [](auto& f) { f[51] ^= 1; }), "checksum"},
      {edit(light, [](auto& f) { f[1] = 0x10; }), "length byte"},
      {edit(rate, [](auto& f) { f.push_back(0); }), "frame of 10"},
      {edit(rate, [](auto& f) { f[0] = 0x07; }), "unknown report ID"},
      {edit(buttons, [](auto& f) { f[2] = 2; }), "byte 2"},
      {edit(rate, [](auto& f) { f[4] = 0xFF; }), "complement"},
      {Hex("06 09 01 03 FC 00 00 00 00"), "rate code"},
      {Hex("0C 0A 01 FE 01 FF 00 00 00 00"), "expected 0c0a01fe01fe00000000"},
      {edit(dpi, [](auto& f) { f[53] = 1; }), "byte 53"},
      {edit(dpi, [](auto& f) { f[8] = 7, SetChecksum(f, 50); }), "not a sensor code"},
      {edit(dpi, [](auto& f) { f[16] = 1, SetChecksum(f, 50); }), "outside 10,100"},
      {edit(dpi, [](auto& f) { f[24] = 9, SetChecksum(f, 50); }), "current stage"},
      {edit(buttons, [](auto& f) { f[3] = 0x12, SetChecksum(f, 57); }), "macro entry"},
      {Frame{}, "too short"},
      {Hex("04 38"), "too short"},
      // The brightness goes only with modes 1 and 9; mode 3 must carry 8 there.
      {edit(Hex("05 0F 01 30 25 B3 10 20 30 06 02 00 00 00 00"),
            [](auto& f) { SetChecksum(f, 11); }),
       "expected 8"},
  };
  for (Link link : {Link::kWired, Link::kWireless, Link::kBle}) {
    Firmware mouse;
    for (const auto& [frame, reason_part] : cases) {
      // Bluetooth LE refuses any rate report before looking at it.
      const bool rate_over_ble = link == Link::kBle && !frame.empty() && frame[0] == 0x06;
      const WriteRecord r = mouse.Receive(link, frame);
      EXPECT_FALSE(r.valid) << reason_part;
      EXPECT_NE(r.reason.find(rate_over_ble ? "Bluetooth LE" : reason_part), std::string::npos)
          << reason_part << ": " << r.reason;
    }
    EXPECT_EQ(mouse.settings(), FactorySettings());
  }
}

// The three chunks a macro report travels in over the cable or the receiver, as the program makes
// them.
std::array<Frame, 3> MacroChunks(const Frame& report, bool over_receiver) {
  std::array<Frame, 3> chunks;
  for (int k = 0; k < 3; ++k) {
    const MacroChunk chunk =
        BuildMacroChunk(report, k, over_receiver ? LinkMode::kWireless : LinkMode::kWired);
    chunks[std::size_t(k)].assign(chunk.begin(), chunk.end());
  }
  return chunks;
}

// Button 3, mode 2, repeat 4: press 0x04, 1500 ms (100 ms and 7 x 200 ms), release 0x05.
Frame ExampleMacro() {
  Frame r = Hex("09 83 03 02 00 00 00 04");
  r.resize(131);
  r[28] = 3;
  const std::uint8_t entries[] = {0x0B, 0x04, 0x07, 0x03, 0x81, 0x05};
  std::copy(std::begin(entries), std::end(entries), r.begin() + 29);
  SetChecksum(r, 129);
  return r;
}

TEST(MacroTest, ChunksOutOfOrderOrWithTheWrongMarkerAreRejectedAndDropTheReport) {
  const auto c = MacroChunks(ExampleMacro(), false);
  const auto r = MacroChunks(ExampleMacro(), true);
  // In order, the report is stored with its last chunk: the program's chunks carry the right
  // header, marker and padding, and every byte of the report in its place.
  for (const auto& [link, chunks] : {std::pair(Link::kWired, c), {Link::kWireless, r}}) {
    Firmware taken;
    for (const Frame& chunk : chunks) EXPECT_TRUE(taken.Receive(link, chunk).valid);
    EXPECT_TRUE(taken.settings().macros[2]);
  }
  Frame marked_first = r[0];
  marked_first[1] = 0x0C;  // only the last chunk carries 0x0C
  Frame padded = r[2];     // the report ends 8 bytes into the last chunk
  padded[40] = 1;
  const std::tuple<Link, std::vector<Frame>, const char*> sequences[] = {
      {Link::kWired, {c[1]}, "out of order"},
      {Link::kWired, {c[0], c[2]}, "out of order"},
      {Link::kWired, {c[0], c[1], c[1]}, "out of order"},
      {Link::kWired, {c[0], c[2], c[1]}, "out of order"},
      {Link::kWired, {c[0], c[1], r[2]}, "marker"},
      {Link::kWireless, {r[0], r[1], c[2]}, "marker"},
      {Link::kWireless, {marked_first}, ""},
      {Link::kWireless, {r[0], r[1], padded}, ""},
  };
  for (const auto& [link, sequence, reason_part] : sequences) {
    Firmware mouse;
    WriteRecord last;
    for (const Frame& chunk : sequence) last = mouse.Receive(link, chunk);
    EXPECT_FALSE(last.valid) << reason_part;
    EXPECT_NE(last.reason.find(reason_part), std::string::npos) << last.reason;
    EXPECT_FALSE(mouse.settings().macros[2]);
  }
}

TEST(MacroTest, ReassembledReportIsCheckedLikeAWholeOne) {
  auto with = [](auto change) {
    Frame r = ExampleMacro();
    change(r);
    SetChecksum(r, 129);
    return r;
  };
  Frame bad_sum = ExampleMacro();
  bad_sum[130] ^= 1;
  const std::pair<Frame, const char*> cases[] = {
      {bad_sum, "checksum"},
      {with([](Frame& r) { r[2] = 19; }), "button 19"},
      {with([](Frame& r) { r[7] = 0; }), "repeat"},
      {with([](Frame& r) { r[28] = 51; }), "51 entries"},
      {with([](Frame& r) { r[28] = 2; }), "after the last entry"},
      {with([](Frame& r) { r[29] = 0x0A; }), "bit 0"},
      {with([](Frame& r) { std::swap(r[29], r[31]), std::swap(r[30], r[32]); }), "without a step"},
  };
  for (const auto& [report, reason_part] : cases) {
    Firmware mouse;
    WriteRecord last;
    for (const Frame& chunk : MacroChunks(report, true))
      last = mouse.Receive(Link::kWireless, chunk);
    EXPECT_FALSE(last.valid);
    EXPECT_NE(last.reason.find(reason_part), std::string::npos) << last.reason;
    EXPECT_EQ(mouse.settings().macros, FactorySettings().macros);
  }
}

}  // namespace
}  // namespace melko::vmouse
