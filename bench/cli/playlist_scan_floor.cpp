// The mark for listing a playlist: reads a fetched playlist document from a file and scans it the
// way the command line does (UTF-8 text), keeping nothing but counts. Prints the rows, the bytes
// of their names and addresses (the text a listing must hold), the document's size and the scan's
// own time, so the caller can add one plain fetch of the same bytes.
//
//   playlist_scan_floor FILE
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "acquisition/profile_scan.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: playlist_scan_floor FILE\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "playlist_scan_floor: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string doc(std::istreambuf_iterator<char>(file), {});
  std::size_t rows = 0;
  std::size_t textBytes = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool complete = ScanPlaylist(
      doc,
      [&](PlaylistSong&& song) {
        ++rows;
        textBytes += song.name.size() + song.url.size();
      },
      SongText::kUtf8);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("scan: %zu rows, %zu text bytes, %zu document bytes, %.4f s%s\n", rows, textBytes, doc.size(), seconds,
              complete ? "" : " (songs left out)");
  return 0;
}
