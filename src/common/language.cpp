#include "common/language.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

#include "common/file_io.h"
#include "common/text.h"

namespace melko {
namespace {

constexpr std::uint64_t kLargestLanguageFile = 16 * 1024 * 1024;

// Replaces the five predefined entities and numeric references; anything else stays as written.
std::string DecodeEntities(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out.push_back(raw[i]);
      continue;
    }
    const std::size_t end = raw.find(';', i);
    if (end == std::string_view::npos || end - i > 10) {
      out.push_back('&');
      continue;
    }
    const std::string_view name = raw.substr(i + 1, end - i - 1);
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    bool decoded = false;
    for (const auto& [entity, character] : kNamed) {
      if (name == entity) out.push_back(character), decoded = true;
    }
    if (!decoded && name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      unsigned long cp = 0;
      bool digits = name.size() > (hex ? 2u : 1u);
      for (char c : name.substr(hex ? 2 : 1)) {
        const int d = (c >= '0' && c <= '9')          ? c - '0'
                      : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                      : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                      : -1;
        if (d < 0 || cp > 0x10FFFF) digits = false;
        if (!digits) break;
        cp = cp * (hex ? 16 : 10) + unsigned(d);
      }
      if (digits && cp > 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        AppendUtf8(out, char32_t(cp));
        decoded = true;
      }
    }
    if (decoded) {
      i = end;
    } else {
      out.push_back('&');
    }
  }
  return out;
}

// The value of attribute name inside a start tag's text, if present.
bool FindAttribute(std::string_view tag, std::string_view name, std::string& value) {
  std::size_t at = 0;
  while ((at = tag.find(name, at)) != std::string_view::npos) {
    const bool starts_word = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' ||
                                        tag[at - 1] == '\n' || tag[at - 1] == '\r');
    std::size_t p = at + name.size();
    while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t')) ++p;
    if (starts_word && p < tag.size() && tag[p] == '=') {
      ++p;
      while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t')) ++p;
      if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
        const std::size_t close = tag.find(tag[p], p + 1);
        if (close == std::string_view::npos) return false;
        value = DecodeEntities(tag.substr(p + 1, close - p - 1));
        return true;
      }
    }
    at += name.size();
  }
  return false;
}

std::mutex language_mutex;
// Every installed language stays alive for the process, so references handed out stay valid.
std::deque<LanguageTexts> installed_languages;
std::atomic<const LanguageTexts*> current_language{nullptr};

}  // namespace

LanguageTexts LanguageTexts::Parse(std::string_view xml) {
  LanguageTexts result;
  std::size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string_view::npos) {
    if (xml.substr(pos, 4) == "<!--") {
      const std::size_t end = xml.find("-->", pos + 4);
      if (end == std::string_view::npos) break;
      pos = end + 3;
      continue;
    }
    const std::size_t tag_end = xml.find('>', pos);
    if (tag_end == std::string_view::npos) break;
    const std::string_view tag = xml.substr(pos + 1, tag_end - pos - 1);
    pos = tag_end + 1;
    // Only <text ...> elements are entries; <textual>, </text>, <?xml ...?> and others are not.
    if (tag.substr(0, 4) != "text" || tag.size() == 4 ||
        (tag[4] != ' ' && tag[4] != '\t' && tag[4] != '\n' && tag[4] != '\r' && tag[4] != '/')) {
      continue;
    }
    std::string key;
    if (!FindAttribute(tag, "key", key) || key.empty()) continue;
    if (tag.back() == '/') {
      result.texts_[key] = "";
      continue;
    }
    const std::size_t close = xml.find("</text>", pos);
    if (close == std::string_view::npos) break;
    const std::string_view body = xml.substr(pos, close - pos);
    pos = close + 7;
    if (body.find('<') != std::string_view::npos) continue;  // nested markup: not an entry of ours
    result.texts_[key] = DecodeEntities(body);
  }
  return result;
}

LanguageTexts LanguageTexts::Load(const std::filesystem::path& file, bool* ok) {
  const FileBytes contents = ReadFilePrefix(file, kLargestLanguageFile);
  if (ok) *ok = contents.opened;
  if (!contents.opened) return {};
  return Parse(std::string_view(reinterpret_cast<const char*>(contents.bytes.data()),
                                contents.bytes.size()));
}

std::string LanguageTexts::Text(std::string_view key) const {
  const auto found = texts_.find(std::string(key));
  return found == texts_.end() ? std::string(key) : found->second;
}

bool LanguageTexts::Has(std::string_view key) const {
  return texts_.count(std::string(key)) > 0;
}

std::vector<std::string> LanguageTexts::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(texts_.size());
  for (const auto& entry : texts_) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

void LanguageTexts::Overlay(LanguageTexts translation) {
  for (auto& [key, text] : translation.texts_) texts_[key] = std::move(text);
}

void InstallLanguage(LanguageTexts texts) {
  std::lock_guard lock(language_mutex);
  installed_languages.push_back(std::move(texts));
  current_language.store(&installed_languages.back());
}

const LanguageTexts& CurrentLanguage() {
  static const LanguageTexts empty;
  const LanguageTexts* current = current_language.load();
  return current ? *current : empty;
}

std::string FillArguments(std::string_view text, const std::vector<std::string>& arguments) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool placeholder = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' &&
                             text[i + 1] <= '9' &&
                             std::size_t(text[i + 1] - '1') < arguments.size();
    if (!placeholder) {
      out.push_back(text[i]);
      continue;
    }
    out += arguments[std::size_t(text[i + 1] - '1')];
    ++i;
  }
  return out;
}

std::string text(std::string_view key, const std::vector<std::string>& arguments) {
  return FillArguments(CurrentLanguage().Text(key), arguments);
}

}  // namespace melko
