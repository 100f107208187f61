#ifndef BRACKWIN_SHARED_DROP_FILES_H_
#define BRACKWIN_SHARED_DROP_FILES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quennet::brackwin {

/// Size of the dropped-file block for a path of `path_length` bytes: the next
/// multiple of 32 above the 20-byte header, the path and its two terminators
/// (strictly above path_length + 23).
std::size_t DropFilesBlockSize(std::size_t path_length);

/// Builds the dropped-file block (a little-endian DROPFILES header followed
/// by a one-file ANSI list) for `path`:
///   offset 0 pFiles = 20, 4 pt.x = 10, 8 pt.y = 10, 12 fNC = 0, 16 fWide = 0,
///   20 the path bytes, then zero bytes to the end of the block; the first
///   zero ends the path and the second ends the list.
std::vector<unsigned char> BuildDropFilesBlock(const std::string& path);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_DROP_FILES_H_
