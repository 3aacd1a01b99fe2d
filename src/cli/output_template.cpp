#include "cli/output_template.h"

#include <vector>

namespace {

// The parts of a layout between its "/"s.
std::vector<std::string> Parts(const std::string& layout) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t slash; (slash = layout.find('/', at)) != std::string::npos; at = slash + 1) {
    parts.push_back(layout.substr(at, slash - at));
  }
  parts.push_back(layout.substr(at));
  return parts;
}

// A value as a part of a name: the naming rules, and never a name of its own that means a folder.
std::string Value(const std::string& text, const NameBounds& bounds) {
  std::string value = SafeFileNameUtf8(text, 0, bounds);
  if (value == "." || value == "..") value.assign(value.size(), '_');
  return value;
}

std::string Padded(std::size_t index, std::size_t count) {
  std::string text = std::to_string(index);
  const std::size_t width = std::to_string(count).size();
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

}  // namespace

std::string ExpandTemplate(const std::string& layout, const TemplateValues& values, const NameBounds& bounds) {
  const std::string fields[][2] = {{"{artist}", Value(values.artist, bounds)},
                                   {"{title}", Value(values.title, bounds)},
                                   {"{index}", Padded(values.index, values.count)}};
  std::string path;
  for (const std::string& part : Parts(layout)) {
    std::string name;
    for (std::size_t at = 0; at < part.size();) {
      bool field = false;
      for (const auto& pair : fields) {
        if (part.compare(at, pair[0].size(), pair[0]) == 0) {
          name += pair[1];
          at += pair[0].size();
          field = true;
          break;
        }
      }
      if (!field) name += part[at++];
    }
    // The template's own text passes the same rules; a part that names no folder makes no file.
    if (name.find_first_not_of(' ') == std::string::npos || name == "." || name == "..") return std::string();
    name = SafeFileNameUtf8(name, 0, bounds);
    if (name.empty() || name == "." || name == "..") return std::string();
    path += path.empty() ? name : "/" + name;
  }
  return path;
}
