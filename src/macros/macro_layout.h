// The byte layout of macro steps, shared by the macro record and the copy a button holds.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <type_traits>

#include "macros/macro_action.h"

namespace melko {

template <class Visitor, class Actions>
requires std::same_as<std::remove_const_t<Actions>, std::array<MacroAction, kMaxMacroSteps>>
void VisitMacroActions(Visitor& visit, std::size_t base, Actions& actions) {
  for (std::size_t i = 0; i < actions.size(); ++i) {
    visit(base + 4 * i + 0, actions[i].code);
    visit(base + 4 * i + 1, actions[i].type);
    visit(base + 4 * i + 2, actions[i].delay);
  }
}

}  // namespace melko
