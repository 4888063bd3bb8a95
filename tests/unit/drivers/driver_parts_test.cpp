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

using namespace std::chrono_literals;

// --- cutting the stream into lines

std::vector<std::string> Split(LineSplitter& splitter, const std::vector<std::string>& chunks) {
  std::vector<std::string> lines;
  for (const auto& chunk : chunks) {
    splitter.Feed(chunk, [&](std::string_view line) { lines.emplace_back(line); });
  }
  return lines;
}

TEST(LineSplitter, JoinsLinesAcrossChunksAndKeepsEmptyOnes) {
  LineSplitter splitter;
  EXPECT_EQ(Split(splitter, {"ev", "ent 1010 0001\nok", "\n\nres", "ult 1\npartial"}),
            (std::vector<std::string>{"event 1010 0001", "ok", "", "result 1"}));
  EXPECT_EQ(Split(splitter, {"\n"}), (std::vector<std::string>{"partial"}));
}

TEST(LineSplitter, DropsLinesLongerThanTheLimitHoweverTheyArrive) {
  LineSplitter splitter;
  const std::string longest(LineSplitter::kMaxLine, 'a');
  EXPECT_EQ(Split(splitter, {longest + "\n"}), (std::vector<std::string>{longest}));
  EXPECT_EQ(Split(splitter, {longest + "b\nok\n"}), (std::vector<std::string>{"ok"}));
  // In pieces, the limit crossed in the middle of a chunk and at a chunk's end.
  EXPECT_EQ(Split(splitter, {std::string(3000, 'c'), std::string(3000, 'c'), "c\nok\n"}),
            (std::vector<std::string>{"ok"}));
  EXPECT_EQ(Split(splitter, {longest, "d", "\n", "ok\n"}), (std::vector<std::string>{"ok"}));
}

// --- the mouse's lines

TEST(MouseLines, AnythingNotExactlyInTheProtocolIsInvalid) {
  for (const char* line : {"",
                           "ok ",
                           "OK",
                           "okay",
                           "error",
                           "open",
                           "open 2",
                           "open 1 ",
                           "open  1",
                           "result 10",
                           "result -1",
                           "connect",
                           "connect 1\r",
                           "event",
                           "event 4010",
                           "event 4010 560",
                           "event 4010 56020",
                           "event 401 05602",
                           "event 40x0 5602",
                           "event 4010 5602 ",
                           "event 4010  602",
                           "event  4010 5602",
                           "event +010 5602",
                           "events 4010 5602",
                           "hello"}) {
    EXPECT_EQ(ParseMouseLine(line).kind, MouseLine::kInvalid) << '"' << line << '"';
  }
  EXPECT_EQ(ParseMouseLine(std::string_view("open 1\0", 7)).kind, MouseLine::kInvalid);
}

// --- hidraw facts

TEST(HidId, ReadsBusVendorAndProduct) {
  const auto usb = ParseHidId("0003:00001D57:00003006");
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->bus, 3u);
  EXPECT_EQ(usb->ids, (DeviceIds{0x1D57, 0x3006}));
  const auto bluetooth = ParseHidId("0005:0000045e:00000040");
  ASSERT_TRUE(bluetooth);
  EXPECT_EQ(bluetooth->bus, 5u);
  EXPECT_EQ(bluetooth->ids, (DeviceIds{0x045E, 0x0040}));
}

TEST(HidId, RefusesMalformedText) {
  for (const char* text : {"", "0003", "0003:00001D57", "0003:00001D57:", ":00001D57:00003006",
                           "0003:00011D57:00003006", "0003:00001D57:000030060", "0003:1D57:3006:1",
                           "0003:00001D57:0000300G", "0003: 1D57:3006"}) {
    EXPECT_FALSE(ParseHidId(text)) << text;
  }
}

TEST(StatusReport, ReadsEventAndValueLittleEndian) {
  const std::uint8_t report[] = {kStatusReportId, 0x10, 0x40, 0x02, 0x56};
  const auto status = ParseStatusReport(report);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->event, 0x4010);
  EXPECT_EQ(status->value, 0x5602);
  // Padding after the five bytes is allowed.
  const std::uint8_t padded[] = {kStatusReportId, 0x10, 0x50, 0x00, 0x0C, 0xEE, 0xEE};
  EXPECT_EQ(ParseStatusReport(padded)->value, 0x0C00);
}

TEST(StatusReport, IgnoresShortReportsAndOtherIds) {
  const std::uint8_t short_report[] = {kStatusReportId, 0x10, 0x40, 0x02};
  EXPECT_FALSE(ParseStatusReport(short_report));
  const std::uint8_t other_id[] = {0x01, 0x10, 0x40, 0x02, 0x56};
  EXPECT_FALSE(ParseStatusReport(other_id));
  EXPECT_FALSE(ParseStatusReport({}));
}

TEST(ChooseInterface, PrefersTheVendorDefinedInterface) {
  EXPECT_EQ(ChooseInterface({{"/dev/hidraw0", 0x0001},
                             {"/dev/hidraw1", 0x000C},
                             {"/dev/hidraw2", 0xFF01},
                             {"/dev/hidraw3", 0xFF00}}),
            "/dev/hidraw2");
  EXPECT_EQ(ChooseInterface({{"/dev/hidraw4", 0xFEFF}, {"/dev/hidraw5", 0x0001}}), "/dev/hidraw4");
  EXPECT_FALSE(ChooseInterface({}));
}

// --- the device's nodes

TEST(NodeTracker, OneArrivalAndOneRemovalForADeviceWithSeveralNodes) {
  NodeTracker tracker;
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);
  EXPECT_EQ(tracker.Added("/dev/hidraw2", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw1"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw2"), false);
  EXPECT_FALSE(tracker.present());
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);
}

TEST(NodeTracker, OtherDevicesAndRepeatsChangeNothing) {
  NodeTracker tracker;
  EXPECT_EQ(tracker.Added("/dev/hidraw0", false), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw0"), std::nullopt);
  EXPECT_EQ(tracker.Added("", true), std::nullopt);
  EXPECT_EQ(tracker.Added("/dev/hidraw3", true), true);
  EXPECT_EQ(tracker.Added("/dev/hidraw3", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw9"), std::nullopt);
  EXPECT_TRUE(tracker.present());
}

TEST(NodeTracker, NodesPresentAtStartAreRecognisedOnRemoval) {
  NodeTracker tracker;
  tracker.Seed("/dev/hidraw6");
  EXPECT_EQ(tracker.Added("/dev/hidraw7", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw6"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw7"), false);
}

// --- the watcher thread

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
  for (int i = 0; i < 200 && calls < 2; ++i) std::this_thread::sleep_for(5ms);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(calls.load(), 2);
  watcher.Stop();
  close(fds[0]);
}

}  // namespace
}  // namespace melko::hiddriver
