#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "profiles/profile_codec.h"
#include "profiles/profile_record.h"
#include "profiles/profile_store.h"

namespace melko {
namespace {

// A little-endian value of `width` bytes at `offset` of a byte image.
void Put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int64_t value, int width = 4) {
  for (int i = 0; i < width; ++i)
    bytes.at(offset + std::size_t(i)) = std::uint8_t(value >> (8 * i));
}

// Starting from a record whose button area is dirty: the name is kept, the button area rewritten
// whole, and every gap left zero.
TEST(ProfileRecord, DefaultsMatchTheLayoutByteForByte) {
  auto record = std::make_unique<ProfileRecord>(ZeroProfileRecord());
  SetProfileName(*record, u"Profile1");
  for (auto& button : record->buttons) {
    button.reserved_arg = 9;
    button.gap_70.fill(0x55);
    button.macro_reserved = 7;
  }
  SetDefaults(*record);
  std::vector<std::uint8_t> actual(kProfileRecordSize);
  EncodeProfile(*record, std::span<std::uint8_t, kProfileRecordSize>(actual.data(), actual.size()));
  // The defaults record as the layout table lays it out, built independently of the code under
  // test: zero bytes, then each default at its offset.
  std::vector<std::uint8_t> b(32992, 0);
  for (std::size_t i = 0; i < 8; ++i) Put(b, 2 * i, u"Profile1"[i], 2);
  const int defaults[][2] = {{2200, 420}, {2204, 3}, {2212, 6}, {2340, 8}, {2344, 6},
                             {2348, 10},  {2352, 1}, {2356, 1}, {2360, 3}, {2368, 1},
                             {2376, 1},   {2384, 3}, {2392, 4}};
  for (auto [at, value] : defaults) Put(b, std::size_t(at), value);
  const int stages[8] = {16, 32, 48, 64, 96, 144, 220, 0};
  // Stage colours and the reserved colours after them, as red, green, blue: 00 00 FF 00 is blue.
  const std::uint32_t stage_rgb[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF,
                                      0xFFFF00, 0xFF00FF, 0xFFFFFF, 0xFFFFFF};
  const std::uint32_t reserved_rgb[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF,
                                         0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFF8000};
  const auto put_rgb = [&b](std::size_t at, std::uint32_t rgb) {
    for (int c = 0; c < 3; ++c) b[at + std::size_t(c)] = std::uint8_t(rgb >> (16 - 8 * c));
  };
  for (std::size_t i = 0; i < 8; ++i) {
    Put(b, 2244 + 4 * i, stages[i]);
    Put(b, 2276 + 4 * i, stages[i]);
    Put(b, 2308 + 4 * i, i < 7 ? 1 : 0);
    put_rgb(2400 + 4 * i, stage_rgb[i]);
    put_rgb(2432 + 4 * i, reserved_rgb[i]);
  }
  b[2388] = 1;
  put_rgb(2396, 0x0000FF);  // the light colour
  const int functions[18] = {1, 2, 3, 6, 121, 6, 4, 5, 121, 0, 0, 0, 0, 0, 0, 0, 12, 11};
  for (std::size_t slot = 0; slot < 18; ++slot) {
    const std::size_t base = 2464 + 1272 * slot;
    b[base + 0] = std::uint8_t(slot);
    b[base + 1] = std::uint8_t(functions[slot]);
    Put(b, base + 8, 562, 2);
    Put(b, base + 1072, -1);
    Put(b, base + 1076, -1);
  }
  ASSERT_EQ(actual.size(), b.size());
  const auto differs = std::ranges::mismatch(actual, b).in1;
  EXPECT_EQ(differs, actual.end()) << "first difference at offset " << differs - actual.begin();
}

// Its values are the defaults' byte-for-byte test's, which SetDefaults reaches through it.
TEST(ProfileRecord, ResetDpiDefaultsTouchesOnlyTheDpiGroup) {
  auto record = MakeDefaultProfile(u"P");
  record->dpi_step = 5, record->prate = 0, record->angle_snap = 1;
  ResetDpiDefaults(*record);
  EXPECT_EQ(std::tuple(record->dpi_step, record->prate, record->angle_snap), std::tuple(1, 0, 1));
}

TEST(ProfileRecord, DpiFiguresAndStageValues) {
  // A damaged value above 220 counts as 220.
  const int dpi_of[][2] = {{200, 10000}, {201, 10100}, {220, 12000}, {16, 800},
                           {0, 0},       {250, 12000}, {-4, 0}};
  for (auto [value, dpi] : dpi_of) EXPECT_EQ(StageValueToDpi(value), dpi) << value;
  const int value_of[][2] = {{10050, 200}, {30, 1}, {50, 1}, {99, 1}, {99999, 220}};
  for (auto [dpi, value] : value_of) EXPECT_EQ(DpiToStageValue(dpi), value) << dpi;
  for (int value = 1; value <= 220; ++value)
    EXPECT_EQ(DpiToStageValue(StageValueToDpi(value)), value) << value;
}

// Red in the lowest byte is the defaults' byte-for-byte test's; the page's tests show colours and
// take them from the colour dialog.
TEST(ProfileRecord, ColoursAsHexText) {
  EXPECT_EQ(ColourToHex(MakeColour(0x12, 0xAB, 0x05)), "#12AB05");
  Colour parsed = 0;
  EXPECT_TRUE(ParseHexColour("#ff8000", parsed) && parsed == MakeColour(255, 128, 0));
  EXPECT_TRUE(ParseHexColour("00FF00", parsed) && parsed == MakeColour(0, 255, 0));
  for (const char* bad : {"", "#", "#12345", "#1234567", "#12345G", "red"})
    EXPECT_FALSE(ParseHexColour(bad, parsed)) << bad;
}

}  // namespace
}  // namespace melko
