// The macro editor's hook port over the running program: Hook.so's table with its messages brought
// to the user-interface thread.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "macros/macro_editor_ports.h"
#include "platform/hook_library.h"
#include "qt/posted_calls.h"

namespace melko::ui {

// The hook table's calls, each skipped when the library lacks it. Installing gives the library a
// target whose messages 1034, posted from its capture thread, reach `deliver` on this object's
// thread in the order they came; other messages are dropped. A hook still installed is removed
// when this object goes, so nothing is posted to it afterwards.
class QtHookControl final : public QObject, public HookControl {
 public:
  using Deliver = std::function<void(std::uint32_t wparam, std::intptr_t lparam)>;
  QtHookControl(const HookTable& table, Deliver deliver);
  ~QtHookControl() override;

  void InstallMouseHook() override;
  void RemoveMouseHook() override { table_.RemoveMouseHook(); }
  void EnableMouseHook(bool on) override { table_.EnableMouseHook(on); }
  void InstallHook() override;
  void RemoveHook() override;
  void EnableHook(bool on) override { table_.EnableHook(on); }
  void MouseWheelEnable(bool on) override { table_.MouseWheelEnable(on); }

 private:
  static void Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam);

  HookTable table_;
  Deliver deliver_;
  MessageTarget target_;
  bool installed_ = false;
  PostedCalls calls_;  // the capture thread's messages, on their way to this object's thread
};

}  // namespace melko::ui
