// The Controls port over the widgets of a loaded layout, found by their object names. Calls from
// other threads (the apply thread shows and hides its ring) are carried out on the widgets' thread.
// A quiet selection blocks the widget's signals, so the page's handler does not run; a selection
// with notification lets them through, as a user's choice would.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "device/ui_ports.h"
#include "qt/posted_calls.h"

class QWidget;

namespace melko::ui {

class QtControls final : public Controls {
 public:
  // Indexes every named widget under the roots now; layouts added later are added with Add.
  explicit QtControls(QWidget* root);
  void Add(QWidget* root);
  // Builds a part of the layout that stands as a placeholder until it is first shown
  // (late_layouts.h) and returns it, or null; the builder adds its widgets with Add.
  void SetLateBuilder(std::function<QWidget*(QWidget* placeholder)> build) {
    build_late_ = std::move(build);
  }

  QWidget* Find(std::string_view name) const;
  // Every named widget, by name.
  const QHash<QString, QPointer<QWidget>>& widgets() const { return widgets_; }
  template <class Widget>
  Widget* Find(std::string_view name) const {
    return qobject_cast<Widget*>(Find(name));
  }

  bool Exists(std::string_view name) override { return Find(name) != nullptr; }
  void SetVisible(std::string_view name, bool visible) override;
  bool IsVisible(std::string_view name) override;
  void SetText(std::string_view name, std::string_view literal) override;
  void SetTextKey(std::string_view name, std::string_view language_key) override;
  void SetValue(std::string_view name, int value) override;
  void SetChecked(std::string_view name, bool checked) override;
  void SelectOption(std::string_view name, bool notify) override;
  void SelectItem(std::string_view name, int index, bool notify) override;
  void SetItems(std::string_view name, const std::vector<std::string>& texts) override;
  void SetItemText(std::string_view name, int index, std::string_view text) override;
  void SetColour(std::string_view name, std::uint32_t argb) override;
  void SetEnabled(std::string_view name, bool enabled) override;

 private:
  // Runs fn with the widget on the widgets' thread: now when called there, else queued.
  void OnWidget(std::string_view name, std::function<void(QWidget*)> fn);

  QHash<QString, QPointer<QWidget>> widgets_;  // filled before any other thread calls in
  std::function<QWidget*(QWidget*)> build_late_;
  PostedCalls context_;
};

}  // namespace melko::ui
