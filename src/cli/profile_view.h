// Every setting of a profile in human terms, as text or JSON.
#pragma once

#include <ostream>

#include "macros/macro_store.h"
#include "profiles/profile_record.h"

namespace melko::cli {

void PrintProfile(std::ostream& out, const ProfileRecord& record, bool selected);
void PrintProfileJson(std::ostream& out, const ProfileRecord& record, bool selected);

// Polling rate setting 0..3 in Hz, or 0 for a value the page cannot show.
int PollingRateHz(int prate);

}  // namespace melko::cli
