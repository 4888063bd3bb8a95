// melkoctl keys: every usage of the key table with the name the program shows for it on the
// current keyboard layout.
#include <ostream>
#include <set>

#include "cli/json_writer.h"
#include "cli/session.h"
#include "input/key_names.h"
#include "input/key_table.h"

namespace melko::cli {

void ListKeys(Session& session) {
  const KeyboardLayout& layout = CurrentKeyboardLayout();
  // Rows that share a usage are listed once, at the first of them.
  std::set<std::uint32_t> listed;
  if (session.options().json) {
    JsonWriter json(session.out());
    json.BeginObject().Key("keys").BeginArray();
    for (const KeyRow& row : KeyTable()) {
      if (!listed.insert(row.usage).second) continue;
      json.BeginObject()
          .Field("usage", row.usage)
          .Field("name", UsageToKeyName(layout, row.usage))
          .EndObject();
    }
    json.EndArray().EndObject().Finish();
    return;
  }
  for (const KeyRow& row : KeyTable()) {
    if (!listed.insert(row.usage).second) continue;
    session.out() << row.usage << ' ' << UsageToKeyName(layout, row.usage) << '\n';
  }
}

}  // namespace melko::cli
