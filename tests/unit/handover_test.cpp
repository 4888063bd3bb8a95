// The hand-over's lines, read by melko from any local client. That any line that parses survives
// the trip is the fuzz target's, which leaves out the progress flag.
#include <gtest/gtest.h>

#include "common/handover.h"

namespace melko {
namespace {

TEST(HandoverTest, LinesSurviveTheTripAndBadOnesAreRefusedWithAReason) {
  std::string line = FormatHandoverRequest({HandoverSend::kFull, 3000, true, "/home/a b/%20\n"});
  line.pop_back();  // the newline
  std::string why;
  const auto parsed = ParseHandoverRequest(line, &why);
  EXPECT_TRUE(parsed && parsed->progress && parsed->data_folder == "/home/a b/%20\n") << why;
  const std::pair<std::string, std::string> bad[] = {
      {"melkoctl/2 send full wait=0 progress=0 folder=/x", "unsupported version"},
      {"melkoctl/1 send all wait=0 progress=0 folder=/x", "unknown kind of send"},
      {"melkoctl/1 send full wait=-1 progress=0 folder=/x", "bad wait"},
      {"melkoctl/1 send full wait=0 progress=2 folder=/x", "bad progress"},
      {"melkoctl/1 send full wait=0 progress=0 folder=relative", "bad folder"},
      {"melkoctl/1 send full wait=0 progress=0 folder=/a%00b", "bad folder"},
      {std::string("melkoctl/1 send full wait=0 progress=0 folder=/a") + '\0' + "b", "bad folder"},
      {"melkoctl/1 send full wait=0 folder=/x", "malformed request"},
      {"melkoctl/1 send full wait=0 progress=0 folder=/x extra", "malformed request"},
      {"melkoctl/1 " + std::string(kLongestHandoverLine, 'x'), "the request is too long"},
  };
  for (const auto& [text, reason] : bad) {
    why.clear();
    EXPECT_FALSE(ParseHandoverRequest(text, &why)) << text;
    EXPECT_EQ(why, reason) << text;
  }

  EXPECT_EQ(
      FormatHandoverAnswer({HandoverAnswerKind::kSent, "Bluetooth LE", "My \"Profile\" 100%"}),
      "sent Bluetooth%20LE My%20\"Profile\"%20100%25\n");
  for (const char* odd : {"", "sent cable", "sent a b c", "accepted now", "report", "done",
                          "no-link x", "failed %4"}) {
    EXPECT_FALSE(ParseHandoverAnswer(odd)) << odd;
  }
}

}  // namespace
}  // namespace melko
