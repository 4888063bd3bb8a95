// A modal dialog of the skin: built from its layout on first use and kept, owned by the window
// that opens it, with the roles' look. Each dialog class holds one as its last member, so that
// the window, and every handler bound to it, goes before the rest of the dialog's state.
#pragma once

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <functional>
#include <initializer_list>

namespace melko::ui {

class SkinDialog {
 public:
  SkinDialog(QWidget* owner, QString layout_file);
  ~SkinDialog();
  SkinDialog(const SkinDialog&) = delete;
  SkinDialog& operator=(const SkinDialog&) = delete;

  // The dialog; loaded at the first call, when bind runs once with it. Null when the skin cannot
  // be read.
  QDialog* Load(const std::function<void(QDialog&)>& bind);
  QDialog* window() const { return window_; }
  QWidget* owner() const { return owner_; }

  // Shows the loaded dialog with no result yet, sized to its content: centred over the owner, or
  // with its top-left corner at a point; moved as little as needed to lie inside the screen's
  // available area.
  void ShowCentred();
  void ShowAt(const QPoint& top_left, const QRect& area);
  // Runs the modal loop of the shown dialog; true when it was confirmed.
  bool Exec();
  bool confirmed() const { return window_ && window_->result() == QDialog::Accepted; }

  template <class Widget>
  Widget* Find(const char* name) const {
    return window_ ? window_->findChild<Widget*>(QLatin1String(name)) : nullptr;
  }
  // Runs fn when the named button is clicked; a button the skin lacks is skipped.
  void OnClick(const char* button, std::function<void()> fn) const;

 private:
  void Show(const QPoint& top_left);

  QWidget* owner_;
  QString layout_file_;
  QPointer<QDialog> window_;
};

// Hands each event of the given types that reaches watched to fn before watched sees it; fn
// returns true to consume it. The watcher goes with watched.
void WatchEvents(QObject* watched, std::initializer_list<QEvent::Type> types,
                 std::function<bool(QEvent*)> fn);

}  // namespace melko::ui
