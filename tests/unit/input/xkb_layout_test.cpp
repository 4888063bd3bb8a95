// The xkbcommon adapter: layouts by name, the session's layout, the system's keyboard defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>

#include "input/key_names.h"
#include "input/typed_text_layout.h"
#include "input/xkb/xkb_layout.h"
#include "support/test_support.h"

namespace melko {
namespace {

// Sets or clears an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(XkbLayout, EveryKeyHasItsOwnCodeAndTheCodeLeadsBack) {
  for (const char* name : {"us", "fr", "de"}) {
    std::string error;
    const std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout({name, "", "", ""}, &error);
    ASSERT_TRUE(layout) << error;
    std::set<std::uint32_t> codes;
    for (const KeyPosition& position : StandardKeyPositions()) {
      SCOPED_TRACE(std::string(name) + " scan code " + std::to_string(position.scan_code));
      const std::uint32_t virtual_key = layout->VirtualKeyOf(position.scan_code);
      EXPECT_NE(virtual_key, 0u);
      EXPECT_TRUE(codes.insert(virtual_key).second);
      EXPECT_EQ(layout->ScanCodeOf(virtual_key), position.scan_code);
    }
    EXPECT_EQ(layout->ScanCodeOf(0xDF), 0u);  // OEM key 8 is on none of these keyboards
    EXPECT_EQ(layout->VirtualKeyOf(0), 0u);
  }
}

TEST(XkbLayout, DeadKeysAreNamedByTheirAccent) {
  testing::UseEnglishTexts();
  const std::unique_ptr<KeyboardLayout> french = LoadXkbLayout({"fr", "", "", ""});
  const std::unique_ptr<KeyboardLayout> german = LoadXkbLayout({"de", "", "", ""});
  ASSERT_TRUE(french && german);
  EXPECT_EQ(UsageToKeyName(*french, 0x2F), "^");
  EXPECT_EQ(UsageToKeyName(*german, 0x35), "^");
  EXPECT_EQ(UsageToKeyName(*german, 0x2E), "\u00B4");
}

TEST(XkbLayout, UnknownLayoutIsRefusedWithItsName) {
  std::string error;
  EXPECT_EQ(LoadXkbLayout({"nowhere", "", "", ""}, &error), nullptr);
  EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  EXPECT_EQ(LoadXkbLayout({"", "", "", ""}, &error), nullptr);
}

TEST(XkbLayout, WithoutDisplayTheSessionLayoutComesFromXkbDefaultLayout) {
  testing::UseEnglishTexts();
  const ScopedEnvironment no_display("DISPLAY", nullptr);
  const ScopedEnvironment french("XKB_DEFAULT_LAYOUT", "fr");
  const ScopedEnvironment no_variant("XKB_DEFAULT_VARIANT", nullptr);
  std::string error;
  const std::unique_ptr<KeyboardLayout> layout = LoadSessionLayout(&error);
  ASSERT_TRUE(layout) << error;
  EXPECT_EQ(UsageToKeyName(*layout, 4), "Q");
}

TEST(XkbLayout, KeyboardDefaultsFileGivesTheNames) {
  const XkbNames names = ParseKeyboardDefaults(
      "# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,us\"\n"
      "  XKBVARIANT='nodeadkeys,'\nXKBOPTIONS=\"\"\r\n#XKBLAYOUT=\"fr\"\nBACKSPACE=\"guess\"\n");
  EXPECT_EQ(names.layout, "de,us");
  EXPECT_EQ(names.variant, "nodeadkeys,");
  EXPECT_EQ(names.model, "pc105");
  EXPECT_EQ(names.options, "");
  // The first layout of a list is the one keys are named by.
  const std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout(names);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->VirtualKeyOf(0x15), std::uint32_t('Z'));
  EXPECT_EQ(ParseKeyboardDefaults("").layout, "");
}

}  // namespace
}  // namespace melko
