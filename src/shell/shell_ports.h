// What the main window's logic needs of the desktop: its own window, the DPI popup, the modal
// message box, the tray and the session's autostart entry. The Qt layer implements them; tests use
// fakes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"

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

// The modal message box: a title and a text, each a language key. The text's "%1", "%2", ... are
// replaced by the arguments (a profile's name, a folder, the reason a file could not be written).
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A question with OK and Cancel; true for OK.
  virtual bool Ask(std::string_view title_key, std::string_view text_key,
                   const std::vector<std::string>& arguments = {}) = 0;
  // A notice, with OK alone.
  virtual void Tell(std::string_view title_key, std::string_view text_key,
                    const std::vector<std::string>& arguments = {}) = 0;
};

// Whether the program starts with the desktop session (hidden in the tray), as the session will
// find it at the next log-in.
class Autostart {
 public:
  virtual ~Autostart() = default;
  virtual bool Enabled() = 0;
  // Makes the session start the program, or no longer; the error names the file and why.
  virtual Outcome SetEnabled(bool enabled) = 0;
  // The entry's file, for messages.
  virtual std::string Location() = 0;
};

// The desktop's notifications (the bubble a notification service shows). Sending never waits
// for the service, and a desktop without one simply shows nothing.
class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  virtual void Notify(const std::string& title, const std::string& body) = 0;
};

}  // namespace melko
