// What the main window's logic needs of the desktop: its own window, the DPI popup, the modal
// message box and the tray. The Qt layer implements them; tests use fakes.
#pragma once

#include <string>
#include <string_view>

namespace melko {

class ShellWindow {
 public:
  virtual ~ShellWindow() = default;
  virtual bool IsVisible() = 0;
  virtual bool IsMinimised() = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Restore() = 0;  // out of the minimised state
  virtual void Minimise() = 0;
  virtual void BringToFront() = 0;
  // Ends the program: the window is destroyed and the event loop quits.
  virtual void Quit() = 0;
};

// The small on-screen display of the DPI the mouse switched to.
class DpiPopup {
 public:
  virtual ~DpiPopup() = default;
  // Opens the popup with the text, or gives an open one the new text at once.
  virtual void ShowText(const std::string& text) = 0;
  virtual void Close() = 0;
};

// The modal message box: a title and a text, each a language key. Returns true for OK.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual bool Ask(std::string_view title_key, std::string_view text_key) = 0;
};

}  // namespace melko
