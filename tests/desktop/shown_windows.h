// melko's windows on the desktop tests' private X server, read with one xdotool call.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/x_server.h"

namespace melko::testing {

inline constexpr char kMainWindowSize[] = "800x572";

struct ShownWindow {
  int x = 0, y = 0;
  std::string size;  // "WxH"
  std::string id;
};

inline std::vector<ShownWindow> VisibleWindows() {
  const std::string shell = RunProgram({kXdotoolProgram, "search", "--onlyvisible", "--class",
                                        "melko", "getwindowgeometry", "--shell", "%@"},
                                       {}, 5000)
                                .out;
  std::vector<ShownWindow> windows;
  std::istringstream lines(shell);
  std::string width;
  for (std::string line; std::getline(lines, line);) {
    const std::string value = line.substr(line.find('=') + 1);
    if (line.starts_with("WINDOW=")) windows.push_back({0, 0, "", value});
    if (windows.empty()) continue;
    if (line.starts_with("X=")) windows.back().x = std::stoi(value);
    if (line.starts_with("Y=")) windows.back().y = std::stoi(value);
    if (line.starts_with("WIDTH=")) width = value;
    if (line.starts_with("HEIGHT=")) windows.back().size = width + "x" + value;
  }
  return windows;
}

}  // namespace melko::testing
