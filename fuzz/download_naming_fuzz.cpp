// File names from arbitrary titles: whatever the site sends, the name stays one plain file name
// inside its folder, within the path limit, and never a device.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "downloads/download_naming.h"
#include "fuzz_input.h"

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// What the file system takes as a device, looked at from the outside: the part before the first
// dot, blanks at its end ignored.
bool OpensADevice(std::string_view name) {
  std::string stem = Upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const std::set<std::string> fixed = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (fixed.count(stem) != 0) return true;
  if (stem.size() != 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) {
    return false;
  }
  const unsigned char digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte gives the folder's length, up to and past the whole path limit.
  const std::size_t folderLength = static_cast<std::size_t>(data[0]) + (data[0] > 200 ? 60 : 0);
  const std::string_view title(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string name = SafeFileName(title, folderLength);
  FUZZ_CHECK(!name.empty());
  FUZZ_CHECK(!HasForbiddenNameCharacter(name));
  FUZZ_CHECK(name.find('\x7F') == std::string::npos);
  FUZZ_CHECK(name.back() != '.' && name.back() != ' ');
  FUZZ_CHECK(!OpensADevice(name) && !OpensADevice(name + ".mp3"));
  if (folderLength + kNameSuffixRoom + 1 < kMaxPathLength) {
    FUZZ_CHECK(folderLength + name.size() + kNameSuffixRoom + 1 <= kMaxPathLength);
  } else {
    FUZZ_CHECK(name == "_");
  }

  // The command line's names: UTF-8, the same rules, within the bounds in their own units.
  const NameBounds& bounds = data[0] % 2 == 0 ? kNativeNameBounds : kWideNameBounds;
  const std::string wide = SafeFileNameUtf8(title, folderLength, bounds);
  std::vector<std::uint32_t> points;
  FUZZ_CHECK(!wide.empty() && FuzzCodePoints(wide, points));
  FUZZ_CHECK(!HasForbiddenNameCharacter(wide) && wide.back() != '.' && wide.back() != ' ');
  FUZZ_CHECK(!OpensADevice(wide) && !OpensADevice(wide + ".mp3"));
  if (folderLength + kNameSuffixRoom + 1 < bounds.maxPath) {
    FUZZ_CHECK(folderLength + PathLength(wide, bounds) + kNameSuffixRoom + 1 <= bounds.maxPath);
    FUZZ_CHECK(PathLength(wide, bounds) + kNameSuffixRoom <= bounds.maxName);
  }

  // The proposal never names a folder: no separator, nothing forbidden.
  const std::string proposal = SaveDialogProposal(title);
  FUZZ_CHECK(!HasForbiddenNameCharacter(proposal));
  const std::string withExtension = WithMp3Extension(title);
  FUZZ_CHECK(withExtension.compare(0, title.size(), title) == 0);

  // A folder where the first few names are taken: the name found is free and ends in ".mp3".
  const int taken = data[0] % 5;
  int asked = 0;
  const std::string path = UniqueTargetPath(name, [&](const std::string&) { return asked++ < taken; });
  FUZZ_CHECK(asked == taken + 1);
  FUZZ_CHECK(path.size() >= 4 && Upper(path.substr(path.size() - 4)) == ".MP3");
  return 0;
}
