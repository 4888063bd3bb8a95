#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"

namespace melko::vmouse {
namespace {

using test::Frame;
using test::MacroChunks;
using test::TestMouse;

// Mode 2, repeat 4: press 0x04 with 1500 ms (sent as 100 ms plus 7 x 200 ms), release 0x05.
Frame ExampleMacro(std::uint8_t button = 3) {
  Frame r = test::FromHex("09 83 00 02 00 00 00 04");
  r.resize(131);
  r[2] = button;
  r[28] = 3;
  const std::uint8_t entries[] = {0x0B, 0x04, 0x07, 0x03, 0x81, 0x05};
  std::copy(std::begin(entries), std::end(entries), r.begin() + 29);
  test::SetChecksum(r, 129);
  return r;
}
const Macro kExample{2, 0, 4, {{0x0B, 0x04}, {0x07, 0x03}, {0x81, 0x05}}};

std::optional<Macro> Stored(const TestMouse& mouse, int button) {
  return mouse.firmware.settings().macros[std::size_t(button - 1)];
}

TEST(MacroTest, WholeOverBluetoothLeOrInChunksOverTheLibraries) {
  TestMouse ble;
  ASSERT_TRUE(ble.Send(Link::kBle, ExampleMacro()).valid);
  EXPECT_EQ(Stored(ble, 3), kExample);
  EXPECT_EQ(kExample.entries[0].delay_ms(), 110);  // 10 units with bit 0 forced on
  EXPECT_EQ(kExample.entries[1].delay_ms(), 1400);

  for (Link link : {Link::kWired, Link::kWireless}) {
    TestMouse mouse;
    const auto chunks = MacroChunks(ExampleMacro(), link == Link::kWireless);
    EXPECT_TRUE(mouse.Send(link, chunks[0]).valid);
    EXPECT_TRUE(mouse.Send(link, chunks[1]).valid);
    EXPECT_FALSE(Stored(mouse, 3)) << "stored before the last chunk";
    EXPECT_TRUE(mouse.Send(link, chunks[2]).valid);
    EXPECT_EQ(Stored(mouse, 3), kExample);
  }
  // The wrong shape for the link.
  TestMouse mouse;
  EXPECT_FALSE(mouse.Send(Link::kWired, ExampleMacro()).valid);
  EXPECT_FALSE(mouse.Send(Link::kBle, MacroChunks(ExampleMacro(), false)[0]).valid);
}

TEST(MacroTest, EachLinkAssemblesOnItsOwnAndChunkZeroRestarts) {
  TestMouse mouse;
  const auto wired = MacroChunks(ExampleMacro(5), false);
  const auto radio = MacroChunks(ExampleMacro(7), true);
  for (auto [link, chunk] : {std::pair{Link::kWired, &wired[0]},
                             {Link::kWireless, &radio[0]},
                             {Link::kWireless, &radio[0]},
                             {Link::kWireless, &radio[1]},
                             {Link::kWired, &wired[1]},
                             {Link::kWireless, &radio[2]},
                             {Link::kWired, &wired[2]}}) {
    EXPECT_TRUE(mouse.Send(link, *chunk).valid);
  }
  EXPECT_EQ(Stored(mouse, 5), kExample);
  EXPECT_EQ(Stored(mouse, 7), kExample);
}

TEST(MacroTest, ChunksOutOfOrderAreRejectedAndDropTheReport) {
  const auto c = MacroChunks(ExampleMacro(), false);
  for (const auto& sequence : std::vector<std::vector<Frame>>{
           {c[1]}, {c[2]}, {c[0], c[2]}, {c[0], c[1], c[1]}, {c[0], c[2], c[1]}}) {
    TestMouse mouse;
    WriteRecord last;
    for (const Frame& chunk : sequence) last = mouse.Send(Link::kWired, chunk);
    EXPECT_FALSE(last.valid);
    EXPECT_NE(last.reason.find("out of order"), std::string::npos) << last.reason;
    EXPECT_FALSE(Stored(mouse, 3));
  }
}

TEST(MacroTest, LastChunkMarkerDependsOnTheLinkAndItsPaddingIsZero) {
  const auto cable = MacroChunks(ExampleMacro(), false);
  const auto radio = MacroChunks(ExampleMacro(), true);
  for (auto [link, sent, last] : {std::tuple{Link::kWired, &cable, &radio[2]},
                                  std::tuple{Link::kWireless, &radio, &cable[2]}}) {
    TestMouse mouse;
    mouse.Send(link, (*sent)[0]);
    mouse.Send(link, (*sent)[1]);
    const WriteRecord r = mouse.Send(link, *last);
    EXPECT_FALSE(r.valid);
    EXPECT_NE(r.reason.find("marker"), std::string::npos) << r.reason;
    EXPECT_FALSE(Stored(mouse, 3));
  }
  TestMouse mouse;
  Frame first = radio[0];
  first[1] = 0x0C;  // only the last chunk carries 0x0C
  EXPECT_FALSE(mouse.Send(Link::kWireless, first).valid);

  Frame padded = radio[2];  // the report ends 8 bytes into the last chunk
  padded[40] = 1;
  mouse.Send(Link::kWireless, radio[0]);
  mouse.Send(Link::kWireless, radio[1]);
  EXPECT_FALSE(mouse.Send(Link::kWireless, padded).valid);
}

TEST(MacroTest, ReassembledReportIsCheckedLikeAWholeOne) {
  auto with = [](auto change) {
    Frame r = ExampleMacro();
    change(r);
    test::SetChecksum(r, 129);
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
    TestMouse mouse;
    const auto chunks = MacroChunks(report, true);
    mouse.Send(Link::kWireless, chunks[0]);
    mouse.Send(Link::kWireless, chunks[1]);
    const WriteRecord r = mouse.Send(Link::kWireless, chunks[2]);
    EXPECT_FALSE(r.valid);
    EXPECT_NE(r.reason.find(reason_part), std::string::npos) << r.reason;
    EXPECT_EQ(mouse.firmware.settings().macros, FactorySettings().macros);
  }
}

}  // namespace
}  // namespace melko::vmouse
