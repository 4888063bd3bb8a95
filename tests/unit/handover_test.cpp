// The hand-over's lines: what melko reads from any local client and melkoctl from the socket.
// Every malformed line gets a refusal with its reason; free text survives the trip whatever it
// holds.
#include <gtest/gtest.h>

#include "common/handover.h"

namespace melko {
namespace {

TEST(HandoverTest, RequestsSurviveTheTripAndBadOnesAreRefusedWithAReason) {
  HandoverRequest request{HandoverSend::kFull, 3000, true, "/home/a b/%20\n\x7f/Ünï"};
  std::string line = FormatHandoverRequest(request);
  line.pop_back();  // the newline
  std::string why;
  const auto parsed = ParseHandoverRequest(line, &why);
  ASSERT_TRUE(parsed) << why;
  EXPECT_EQ(std::tuple(parsed->data_folder, parsed->send, parsed->wait_ms, parsed->progress),
            std::tuple(request.data_folder, HandoverSend::kFull, 3000, true));

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
}

TEST(HandoverTest, AnswersSurviveTheTripAndOddOnesAreNotTaken) {
  const HandoverAnswer sent{HandoverAnswerKind::kSent, "Bluetooth LE", "My \"Profile\" 100%"};
  std::string line = FormatHandoverAnswer(sent);
  EXPECT_EQ(line, "sent Bluetooth%20LE My%20\"Profile\"%20100%25\n");
  line.pop_back();
  const auto parsed = ParseHandoverAnswer(line);
  EXPECT_TRUE(parsed && parsed->first + "|" + parsed->second == "Bluetooth LE|My \"Profile\" 100%");
  EXPECT_EQ(FormatHandoverAnswer({HandoverAnswerKind::kFailed, "", ""}), "failed %00\n");
  EXPECT_EQ(ParseHandoverAnswer("failed %00")->first, "");
  for (const char* odd : {"", "sent cable", "sent a b c", "accepted now", "report", "done",
                          "no-link x", "failed %4"}) {
    EXPECT_FALSE(ParseHandoverAnswer(odd)) << odd;
  }
}

}  // namespace
}  // namespace melko
