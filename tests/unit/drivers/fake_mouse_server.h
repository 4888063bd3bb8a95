// A stand-in for melko-vmouse's library socket: accepts the driver library's connection, records
// the lines it receives and answers them through a script. One client at a time; a new
// connection replaces the old one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace melko::testing {

class FakeMouseServer {
 public:
  // The lines to send back for one received line (none: no answer).
  using Script = std::function<std::vector<std::string>(const std::string& line)>;

  // A mouse whose device is there (`present`) or not, answering every request at once.
  static Script Answering(bool present);
  // Answers the hello, then nothing.
  static Script SilentAfterHello();

  explicit FakeMouseServer(Script script = Answering(true));
  FakeMouseServer(const FakeMouseServer&) = delete;
  FakeMouseServer& operator=(const FakeMouseServer&) = delete;
  ~FakeMouseServer();

  const std::string& path() const { return path_; }
  // Waits until at least `count` lines have arrived in all.
  bool WaitForLines(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(3));
  std::vector<std::string> lines();
  int connections();
  // Raw bytes to the current client (include the '\n').
  void Send(const std::string& bytes);
  // Closes the current client's connection.
  void DropClient();

 private:
  void Run();
  void CloseClient();  // with mutex_ held
  void OnBytes(const char* data, std::size_t size);

  Script script_;
  std::string dir_;
  std::string path_;
  int listen_fd_ = -1;
  int wake_fd_ = -1;
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable changed_;
  int client_fd_ = -1;
  int connections_ = 0;
  std::string pending_;
  std::vector<std::string> lines_;
};

}  // namespace melko::testing
