// The byte form of a profile record: 32,992 bytes, little-endian, the layout of the profile store
// and of profile files.
#pragma once

#include <cstdint>
#include <span>

#include "profiles/profile_record.h"

namespace melko {

void EncodeProfile(const ProfileRecord& record, std::span<std::uint8_t, kProfileRecordSize> out);
void DecodeProfile(std::span<const std::uint8_t, kProfileRecordSize> bytes, ProfileRecord& record);

}  // namespace melko
