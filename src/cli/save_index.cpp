// The index is JSON: {"format": 1, "songs": {"<address>": {"file": ..., "whole": ..., "validator": ...}}}.
#include "cli/save_index.h"

#include <nlohmann/json.hpp>

namespace {

constexpr int kIndexFormat = 1;

}  // namespace

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

bool IsRecordedPath(std::string_view path) {
  constexpr int kDeepestPath = 8;
  for (int depth = 0; depth < kDeepestPath; ++depth) {
    const std::size_t slash = path.find('/');
    if (!IsPlainFileName(path.substr(0, slash))) return false;
    if (slash == std::string_view::npos) return true;
    path.remove_prefix(slash + 1);
  }
  return false;
}

bool SaveIndex::Parse(std::string_view text) {
  entries_.clear();
  const nlohmann::json index = nlohmann::json::parse(text, nullptr, false);
  if (index.is_discarded() || !index.is_object()) return false;
  // Every value is looked at before it is read: a hand-edited index may hold any type anywhere.
  const auto format = index.find("format");
  if (format == index.end() || !format->is_number_integer() || format->get<long long>() != kIndexFormat) return false;
  const auto songs = index.find("songs");
  if (songs == index.end() || !songs->is_object()) return false;
  for (const auto& [url, song] : songs->items()) {
    if (!song.is_object()) continue;
    const auto file = song.find("file");
    const auto whole = song.find("whole");
    const auto validator = song.find("validator");
    const auto tag = song.find("tag");
    if (file == song.end() || !file->is_string() || whole == song.end() || !whole->is_boolean()) continue;
    IndexEntry entry{file->get<std::string>(), whole->get<bool>(),
                     validator != song.end() && validator->is_string() ? validator->get<std::string>() : "",
                     tag != song.end() && tag->is_string() ? tag->get<std::string>() : ""};
    if (IsRecordedPath(entry.file)) entries_[url] = std::move(entry);
  }
  return true;
}

std::string SaveIndex::Text() const {
  nlohmann::json songs = nlohmann::json::object();
  for (const auto& [url, entry] : entries_) {
    nlohmann::json song = {{"file", entry.file}, {"whole", entry.whole}};
    if (!entry.validator.empty()) song["validator"] = entry.validator;
    if (!entry.tag.empty()) song["tag"] = entry.tag;
    songs[url] = std::move(song);
  }
  const nlohmann::json index = {{"format", kIndexFormat}, {"songs", std::move(songs)}};
  // A text that is no UTF-8 is written with U+FFFD rather than ending the run.
  return index.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

const IndexEntry* SaveIndex::Find(const std::string& url) const {
  const auto found = entries_.find(url);
  return found == entries_.end() ? nullptr : &found->second;
}
