#include "macros/session_macro_library.h"

#include <memory>

namespace melko {

SessionMacroLibrary::SessionMacroLibrary(ProfileSession& session) : session_(session) {
  Sync({});  // the store as the session holds it now; the first change brings in the disk's
}

Outcome SessionMacroLibrary::Change(const std::function<void(MacroStore&, ProfileStore*)>& change) {
  return Sync([&](ProfileStore& profiles, MacroStore& macros) { change(macros, &profiles); });
}

// Without a change, only the copy is taken. The copy follows the session, which a failed save
// leaves as it was.
Outcome SessionMacroLibrary::Sync(const StoreChange& change) {
  const Outcome saved = change ? session_.Sync(change).outcome : Outcome::Success();
  session_.WithStores([this](const ProfileStore&, const MacroStore& macros) {
    copy_.macros.clear();
    for (const auto& macro : macros.macros) {
      copy_.macros.push_back(std::make_unique<MacroRecord>(*macro));
    }
  });
  return saved;
}

}  // namespace melko
