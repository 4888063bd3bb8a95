#include "cli/json_writer.h"

#include <cstdio>

#include "common/json_text.h"

namespace melko::cli {

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!has_items_.empty()) {
    if (has_items_.back()) out_ << ',';
    has_items_.back() = true;
  }
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ << bracket;
  has_items_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  out_ << bracket;
  if (!has_items_.empty()) has_items_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  out_ << JsonQuoted(key) << ':';
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  BeforeValue();
  out_ << JsonQuoted(value);
  return *this;
}

JsonWriter& JsonWriter::Number(long long value) {
  BeforeValue();
  out_ << value;
  return *this;
}

JsonWriter& JsonWriter::Decimal(double value) {
  BeforeValue();
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  out_ << text;
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ << (value ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ << "null";
  return *this;
}

}  // namespace melko::cli
