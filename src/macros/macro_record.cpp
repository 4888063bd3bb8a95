#include "macros/macro_record.h"

#include <concepts>
#include <cstring>
#include <vector>

#include "common/layout_codec.h"
#include "common/text.h"
#include "macros/macro_layout.h"

namespace melko {
namespace {

template <class Visitor, class Record>
requires std::same_as<std::remove_const_t<Record>, MacroRecord>
void VisitMacro(Visitor& visit, Record& record) {
  visit(0, record.name);
  visit(48, record.repeat);
  visit(52, record.action_count);
  VisitMacroActions(visit, 56, record.actions);
}

constexpr int kLongestSingleEntryDelay = 1280;

}  // namespace

std::unique_ptr<MacroRecord> MakeEmptyMacro(std::u16string_view name) {
  auto record = std::make_unique<MacroRecord>();
  std::memset(static_cast<void*>(record.get()), 0, sizeof(MacroRecord));
  SetMacroName(*record, name);
  return record;
}

std::u16string MacroName(const MacroRecord& record) {
  return ReadFixedText(record.name);
}

void SetMacroName(MacroRecord& record, std::u16string_view name) {
  WriteFixedText(record.name, name);
}

void EncodeMacro(const MacroRecord& record, std::span<std::uint8_t, kMacroRecordSize> out) {
  LayoutEncoder encoder(out.data());
  VisitMacro(encoder, record);
}

void DecodeMacro(std::span<const std::uint8_t, kMacroRecordSize> bytes, MacroRecord& record) {
  LayoutDecoder decoder(bytes.data());
  VisitMacro(decoder, record);
}

int DeviceEntryCount(const MacroRecord& record) {
  int entries = 0;
  for (int i = 0; i < record.StepCount(); ++i) {
    entries += record.actions[std::size_t(i)].delay > kLongestSingleEntryDelay ? 2 : 1;
  }
  return entries;
}

}  // namespace melko
