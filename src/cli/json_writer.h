// A small streaming JSON writer for the command line's --json output.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace melko::cli {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view value);
  JsonWriter& Number(long long value);
  JsonWriter& Decimal(double value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  template <class T>
  JsonWriter& Field(std::string_view key, const T& value) {
    Key(key);
    if constexpr (std::is_same_v<T, bool>) {
      return Bool(value);
    } else if constexpr (std::is_integral_v<T>) {
      return Number(static_cast<long long>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
      return Decimal(value);
    } else {
      return String(value);
    }
  }

  // Ends the document with a newline.
  void Finish() { out_ << '\n'; }

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  void BeforeValue();

  std::ostream& out_;
  std::vector<bool> has_items_;  // per open container: whether a value was written already
  bool after_key_ = false;
};

}  // namespace melko::cli
