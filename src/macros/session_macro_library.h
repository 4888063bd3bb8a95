// The macro store as the running program shares it: the profile session's.
#pragma once

#include "macros/macro_editor_ports.h"
#include "profiles/profile_session.h"

namespace melko {

// Every change is a sync of the session, so other programs' changes to the stores survive; macros()
// is this program's copy of the store as the last sync left it.
class SessionMacroLibrary final : public MacroLibrary {
 public:
  explicit SessionMacroLibrary(ProfileSession& session);

  const MacroStore& macros() const override { return copy_; }
  Outcome Change(const std::function<void(MacroStore&, ProfileStore*)>& change) override;

 private:
  Outcome Sync(const StoreChange& change);

  ProfileSession& session_;
  MacroStore copy_;
};

}  // namespace melko
