#include "cli/song_tags.h"

#include <taglib/id3v2frame.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tiostream.h>
#include <taglib/urllinkframe.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Bytes moved at once when a tag that grows or shrinks shifts the song behind it.
constexpr std::size_t kMoveBytes = 256 * 1024;

// TagLib's view of a file the command line opened: it never opens one by name itself.
class HandleStream : public TagLib::IOStream {
 public:
  explicit HandleStream(RandomAccessFile& file) : file_(file) {}

  TagLib::FileName name() const override { return ""; }
  TagLib::ByteVector readBlock(unsigned long length) override {
    TagLib::ByteVector data(static_cast<unsigned int>(length), 0);
    std::size_t got = 0;
    while (got < length) {
      const std::size_t count = file_.ReadAt(at_ + got, data.data() + got, length - got);
      if (count == 0) break;
      got += count;
    }
    data.resize(static_cast<unsigned int>(got));
    at_ += got;
    return data;
  }
  void writeBlock(const TagLib::ByteVector& data) override {
    failed_ = failed_ || !file_.WriteAt(at_, data.data(), data.size());
    at_ += data.size();
  }
  void insert(const TagLib::ByteVector& data, unsigned long start, unsigned long replace) override {
    if (data.size() > replace) Move(start + replace, start + data.size());
    if (data.size() < replace) Move(start + replace, start + data.size());
    at_ = start;
    writeBlock(data);
  }
  void removeBlock(unsigned long start, unsigned long length) override {
    Move(start + length, start);
    at_ = start;
  }
  bool readOnly() const override { return false; }
  bool isOpen() const override { return file_.IsOpen(); }
  void seek(long offset, Position from) override {
    const long base = from == Beginning ? 0 : from == Current ? static_cast<long>(at_) : length();
    at_ = static_cast<std::uint64_t>(std::max(0L, base + offset));
  }
  long tell() const override { return static_cast<long>(at_); }
  long length() override { return static_cast<long>(file_.Size()); }
  void truncate(long length) override { failed_ = failed_ || !file_.Truncate(static_cast<std::uint64_t>(length)); }
  bool failed() const { return failed_; }

 private:
  // Moves the bytes from `from` to the end so they start at `to`, and cuts the file after them.
  void Move(std::uint64_t from, std::uint64_t to) {
    if (from == to) return;
    const std::uint64_t size = file_.Size();
    const std::uint64_t tail = from < size ? size - from : 0;
    std::vector<char> piece(kMoveBytes);
    for (std::uint64_t done = 0; done < tail && !failed_;) {
      const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kMoveBytes, tail - done));
      // Growing, the tail moves from its end, so no byte is written over before it is read.
      const std::uint64_t offset = to > from ? tail - done - count : done;
      failed_ = file_.ReadAt(from + offset, piece.data(), count) != count ||
                !file_.WriteAt(to + offset, piece.data(), count);
      done += count;
    }
    if (to < from) failed_ = failed_ || !file_.Truncate(to + tail);
  }

  RandomAccessFile& file_;
  std::uint64_t at_ = 0;
  bool failed_ = false;
};

TagLib::String Text(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }

void SetText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value) {
  tag.removeFrames(id);
  auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
  frame->setText(Text(value));
  tag.addFrame(frame);  // the tag owns it
}

std::string FrameText(const TagLib::ID3v2::Tag& tag, const char* id) {
  const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[id];
  return frames.isEmpty() ? std::string() : frames.front()->toString().to8Bit(true);
}

}  // namespace

TagOutcome TagSong(RandomAccessFile& file, const SongTagValues& values) {
  HandleStream stream(file);
  TagLib::MPEG::File song(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  // TagLib takes any file as MPEG; an MP3 is one where it finds a frame.
  if (!song.isValid() || song.firstFrameOffset() < 0) return TagOutcome::kNotMp3;
  TagLib::ID3v2::Tag& tag = *song.ID3v2Tag(true);
  SetText(tag, "TIT2", values.title);
  SetText(tag, "TPE1", values.artist);
  SetText(tag, "TRCK", std::to_string(values.track) + "/" + std::to_string(values.total));
  tag.removeFrames("WOAF");
  // A frame of its own kind is made from its bytes: the header, then the address set on it.
  TagLib::ByteVector header("WOAF");
  header.append(TagLib::ID3v2::SynchData::fromUInt(1));
  header.append(TagLib::ByteVector(2, 0));
  header.append('-');
  auto* address = new TagLib::ID3v2::UrlLinkFrame(header);
  address->setUrl(Text(values.address));
  tag.addFrame(address);
  const bool saved = song.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                               TagLib::File::DoNotDuplicate);
  return saved && !stream.failed() ? TagOutcome::kTagged : TagOutcome::kFailed;
}

bool ReadSongTags(RandomAccessFile& file, SongTagValues& values) {
  HandleStream stream(file);
  TagLib::MPEG::File song(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!song.isValid() || !song.hasID3v2Tag()) return false;
  const TagLib::ID3v2::Tag& tag = *song.ID3v2Tag();
  values.title = FrameText(tag, "TIT2");
  values.artist = FrameText(tag, "TPE1");
  values.address = FrameText(tag, "WOAF");
  const std::string track = FrameText(tag, "TRCK");
  const std::size_t slash = track.find('/');
  values.track = static_cast<std::size_t>(std::atoi(track.c_str()));
  values.total = slash == std::string::npos ? 0 : static_cast<std::size_t>(std::atoi(track.c_str() + slash + 1));
  return true;
}
