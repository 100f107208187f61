#ifndef BRACKWIN_PATHS_PATH_PARTS_H_
#define BRACKWIN_PATHS_PATH_PARTS_H_

#include <cstddef>
#include <string>

#include "paths/lead_bytes.h"

namespace quennet::brackwin {

/// No directory, file name or extension that SplitPath gives is this long.
inline constexpr std::size_t kMaxPartLength = 255;

/// Splits `path` into its drive (the first byte and a colon, such as "C:"),
/// its directory (through the last '\\' or '/'), its file name, and its
/// extension (from the last dot of the file name part, dot included).
/// Double-byte characters of `lead_bytes` are scanned as units, so a trail
/// byte is never taken for a separator or a dot; a lead byte as the last byte
/// counts as a character of its own.
///
/// Returns false, with all four parts empty, when the directory, the file
/// name or the extension would be longer than kMaxPartLength bytes.
bool SplitPath(const std::string& path, const LeadByteTable& lead_bytes,
               std::string* drive, std::string* dir, std::string* fname,
               std::string* ext);

/// Joins the parts into `path`: the first byte of `drive` and a colon; `dir`,
/// with a '\\' added when its last character is not a separator; `fname`;
/// and `ext`, with a dot added when it does not begin with one. Empty parts
/// add nothing.
void MakePath(std::string* path, const std::string& drive,
              const std::string& dir, const std::string& fname,
              const std::string& ext, const LeadByteTable& lead_bytes);

/// The drive and directory of `path`, joined: "C:\\src\\" for
/// "C:\\src\\demo.asm", "" for "demo.asm".
std::string GetDirectory(const std::string& path,
                         const LeadByteTable& lead_bytes);

/// How long, in bytes, the parts of a source path may be for its program
/// to be launched: the folder part, and the file name and the extension.
struct PathLimits {
  std::size_t folder = kMaxPartLength;
  std::size_t name = kMaxPartLength;
  /// Bytes that the program's file name adds to the source's name where
  /// `name` is the program's own limit (".prg" on POSIX); 0 where the limit
  /// is the source's.
  std::size_t program_suffix = 0;
  /// Whether the assembler still writes a program beyond these limits, so
  /// that -c works where launching cannot.
  bool assembles_beyond = true;
};

/// Why the program of `source` cannot be launched within `limits`: "the
/// folder part is 261 bytes, at most 255", "the file name is ..." (or "the
/// program's file name is ...", counted with its suffix), "the extension
/// is ..."; empty when it can.
std::string CheckPathParts(const std::string& source,
                           const LeadByteTable& lead_bytes,
                           const PathLimits& limits);

/// What a launch needs from a source path: the assembled program (the source's
/// drive, directory and name with ".prg") and the working directory for it.
struct LaunchPaths {
  std::string program;
  std::string working_directory;
};

/// Derives the launch paths of `source`. Returns false when a part of the
/// source is longer than `limits` allow (CheckPathParts); the paths are then
/// ".prg" and "", which name the wrong file and must not be used.
bool DeriveLaunchPaths(const std::string& source,
                       const LeadByteTable& lead_bytes,
                       const PathLimits& limits, LaunchPaths* paths);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PATHS_PATH_PARTS_H_
