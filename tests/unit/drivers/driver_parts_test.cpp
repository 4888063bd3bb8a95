// The driver library's pieces that need no device or socket: cutting and reading the protocol's
// lines, the hidraw facts, tracking a device's nodes, and the watcher at a descriptor's end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "fd_watcher.h"
#include "hidraw_format.h"
#include "node_tracker.h"
#include "vmouse_lines.h"

namespace melko::hiddriver {
namespace {

using Lines = std::vector<std::string>;

Lines Split(LineSplitter& splitter, const Lines& chunks) {
  Lines lines;
  for (const auto& chunk : chunks) {
    splitter.Feed(chunk, [&](std::string_view line) { lines.emplace_back(line); });
  }
  return lines;
}

TEST(LineSplitter, JoinsChunksAndDropsLinesLongerThanTheLimitHoweverTheyArrive) {
  LineSplitter splitter;
  EXPECT_EQ(Split(splitter, {"ev", "ent 1010 0001\nok", "\n\nres", "ult 1\npartial"}),
            (Lines{"event 1010 0001", "ok", "", "result 1"}));
  EXPECT_EQ(Split(splitter, {"\n"}), Lines{"partial"});

  const std::string longest(LineSplitter::kMaxLine, 'a');
  EXPECT_EQ(Split(splitter, {longest + "\n"}), Lines{longest});
  EXPECT_EQ(Split(splitter, {longest + "b\nok\n"}), Lines{"ok"});
  // In pieces, the limit crossed in the middle of a chunk and at a chunk's end.
  EXPECT_EQ(Split(splitter, {std::string(3000, 'c'), std::string(3000, 'c'), "c\nok\n"}),
            Lines{"ok"});
  EXPECT_EQ(Split(splitter, {longest, "d", "\n", "ok\n"}), Lines{"ok"});
}

TEST(MouseLines, AnythingNotExactlyInTheProtocolIsInvalid) {
  const auto invalid = [](std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
      EXPECT_EQ(ParseMouseLine(line).kind, MouseLine::kInvalid) << '"' << line << '"';
    }
  };
  invalid({"", "ok ", "OK", "okay", "error", "hello", "open", "open 2", "open 1 ", "open  1"});
  invalid({"result 10", "result -1", "connect", "connect 1\r", "event", "event 4010"});
  invalid({"event 4010 560", "event 4010 56020", "event 401 05602", "event 40x0 5602"});
  invalid({"event 4010 5602 ", "event 4010  602", "event  4010 5602", "event +010 5602"});
  invalid({"events 4010 5602"});
  EXPECT_EQ(ParseMouseLine(std::string_view("open 1\0", 7)).kind, MouseLine::kInvalid);
}

TEST(HidrawFormat, HidIdsStatusReportsAndTheInterface) {
  const auto usb = ParseHidId("0003:00001D57:00003006");
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->bus, 3u);
  EXPECT_EQ(usb->ids, (DeviceIds{0x1D57, 0x3006}));
  const auto bluetooth = ParseHidId("0005:0000045e:00000040");
  ASSERT_TRUE(bluetooth);
  EXPECT_EQ(bluetooth->bus, 5u);
  EXPECT_EQ(bluetooth->ids, (DeviceIds{0x045E, 0x0040}));
  for (const char* text : {"", "0003", "0003:00001D57", "0003:00001D57:", ":00001D57:00003006",
                           "0003:00011D57:00003006", "0003:00001D57:000030060", "0003:1D57:3006:1",
                           "0003:00001D57:0000300G", "0003: 1D57:3006"}) {
    EXPECT_FALSE(ParseHidId(text)) << text;
  }

  // Event and value little-endian; padding after the five bytes is allowed.
  const std::uint8_t report[] = {kStatusReportId, 0x10, 0x40, 0x02, 0x56, 0xEE};
  const auto status = ParseStatusReport(report);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->event, 0x4010);
  EXPECT_EQ(status->value, 0x5602);
  EXPECT_FALSE(ParseStatusReport(std::span(report).first(4)));
  const std::uint8_t other_id[] = {0x01, 0x10, 0x40, 0x02, 0x56};
  EXPECT_FALSE(ParseStatusReport(other_id));
  EXPECT_FALSE(ParseStatusReport({}));

  EXPECT_EQ(ChooseInterface({{"/dev/hidraw0", 0x0001},
                             {"/dev/hidraw1", 0x000C},
                             {"/dev/hidraw2", 0xFF01},
                             {"/dev/hidraw3", 0xFF00}}),
            "/dev/hidraw2");
  EXPECT_EQ(ChooseInterface({{"/dev/hidraw4", 0xFEFF}, {"/dev/hidraw5", 0x0001}}), "/dev/hidraw4");
  EXPECT_FALSE(ChooseInterface({}));
}

TEST(NodeTracker, OneArrivalAndOneRemovalPerDevice) {
  NodeTracker tracker;
  EXPECT_EQ(tracker.Added("/dev/hidraw0", false), std::nullopt);  // another device
  EXPECT_EQ(tracker.Added("", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw0"), std::nullopt);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), std::nullopt);
  EXPECT_EQ(tracker.Added("/dev/hidraw2", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw9"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw1"), std::nullopt);
  EXPECT_TRUE(tracker.present());
  EXPECT_EQ(tracker.Removed("/dev/hidraw2"), false);
  EXPECT_FALSE(tracker.present());

  // Nodes there at start are the device's, and recognised when they go.
  tracker.Seed("/dev/hidraw6");
  EXPECT_EQ(tracker.Added("/dev/hidraw7", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw6"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw7"), false);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);  // and it arrives again
}

// A hidraw node that goes or a socket that closes reports a hang-up: the handler must see it
// once and the thread end, not spin.
TEST(FdWatcher, HandsOverTheEndOnceAndStops) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::atomic<int> calls = 0;
  FdWatcher watcher;
  ASSERT_TRUE(watcher.Start(fds[0], [&] {
    ++calls;
    char c;
    return read(fds[0], &c, 1) == 1;
  }));
  ASSERT_EQ(write(fds[1], "a", 1), 1);
  close(fds[1]);
  for (int i = 0; i < 200 && calls < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(calls.load(), 2);
  watcher.Stop();
  close(fds[0]);
}

}  // namespace
}  // namespace melko::hiddriver
