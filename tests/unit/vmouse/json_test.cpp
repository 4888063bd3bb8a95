#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/json.h"

namespace melko::vmouse {
namespace {

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

TEST(JsonTest, StringsAreEscaped) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("\n\t\x01\x7f"), "\"\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("d\xc3\xa9j\xc3\xa0"), "\"d\xc3\xa9j\xc3\xa0\"");  // UTF-8 kept
  EXPECT_EQ(JsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(JsonTest, WriteRecordIsOneObject) {
  WriteRecord r{1500, Link::kWireless, {0x06, 0x09, 0xAB}, false, "say \"no\""};
  EXPECT_EQ(
      WriteRecordToJson(r),
      R"({"t_ms":1500,"link":"wireless","hex":"0609ab","valid":false,"reason":"say \"no\""})");
  r = {0, Link::kBle, {}, true, ""};
  EXPECT_EQ(WriteRecordToJson(r), R"({"t_ms":0,"link":"ble","hex":"","valid":true,"reason":""})");
}

TEST(JsonTest, StateShowsDecodedSettingsAndMacros) {
  test::TestMouse mouse;
  test::Frame macro(131, 0);
  macro[0] = 0x09, macro[1] = 0x83, macro[2] = 18, macro[7] = 1, macro[28] = 2;
  macro[29] = 0x0B, macro[30] = 0x04, macro[31] = 0x8B, macro[32] = 0x04;
  test::SetChecksum(macro, 129);
  ASSERT_TRUE(mouse.Send(Link::kBle, macro).valid);
  mouse.firmware.SetPower(40, PowerSource::kCharging);

  const std::string json = FirmwareToJson(mouse.firmware);
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.back(), '}');
  EXPECT_TRUE(Contains(json, R"({"value":220,"dpi":12000,"high_range":true,"enabled":true,)"
                             R"("color":"ffffff"})"));
  EXPECT_TRUE(Contains(json, R"("current_stage":2)"));
  EXPECT_TRUE(Contains(json, R"("color":"0000ff","light_off":1,"sleep_timer":10)"));
  EXPECT_TRUE(Contains(json, R"("rate_code":1,"buttons":["020000","030000",)"));
  EXPECT_TRUE(Contains(json, R"("macros":[{"button":18,"mode":0,"reserved":0,"repeat":1,)"
                             R"("entries":[{"code":4,"action":"press","delay_ms":110},)"
                             R"({"code":4,"action":"release","delay_ms":110}]}])"));
  EXPECT_TRUE(Contains(json, R"("power":{"level":40,"source":"charging"},"asleep":false})"));
}

}  // namespace
}  // namespace melko::vmouse
