#include "paths/path_parts.h"

namespace quennet::brackwin {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The length of the character that starts at `i`: two bytes for a lead byte
// with a byte after it, else one. Never reaches past the end.
std::size_t CharLength(const std::string& text, std::size_t i,
                       const LeadByteTable& lead_bytes) {
  const bool lead = lead_bytes.IsLead(static_cast<unsigned char>(text[i]));
  return lead && i + 1 < text.size() ? 2 : 1;
}

// Where the parts of `path` begin: the directory at `start` (after the
// drive), the file name at `name_start`, the extension at `name_end`.
struct PartBounds {
  std::size_t start, name_start, name_end;
};

PartBounds FindParts(const std::string& path, const LeadByteTable& lead_bytes) {
  // The drive test looks at the first two bytes as they stand.
  const std::size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  std::size_t name_start = start;  // Just after the last separator.
  std::size_t last_dot = std::string::npos;
  for (std::size_t i = start; i < path.size();) {
    const std::size_t length = CharLength(path, i, lead_bytes);
    if (length == 1) {
      if (IsSeparator(path[i])) {
        name_start = i + 1;
      } else if (path[i] == '.') {
        last_dot = i;
      }
    }
    i += length;
  }
  // A dot inside the directory part never starts an extension.
  const std::size_t name_end =
      last_dot != std::string::npos && last_dot >= name_start ? last_dot
                                                              : path.size();
  return {start, name_start, name_end};
}

// SplitPath within `limits`.
bool SplitWithin(const std::string& path, const LeadByteTable& lead_bytes,
                 const PathLimits& limits, std::string* drive, std::string* dir,
                 std::string* fname, std::string* ext) {
  const PartBounds b = FindParts(path, lead_bytes);
  if (b.name_start - b.start > limits.folder ||
      b.name_end - b.name_start + limits.program_suffix > limits.name ||
      path.size() - b.name_end > limits.name) {
    drive->clear();
    dir->clear();
    fname->clear();
    ext->clear();
    return false;
  }
  drive->assign(path, 0, b.start);
  dir->assign(path, b.start, b.name_start - b.start);
  fname->assign(path, b.name_start, b.name_end - b.name_start);
  ext->assign(path, b.name_end, std::string::npos);
  return true;
}

}  // namespace

bool SplitPath(const std::string& path, const LeadByteTable& lead_bytes,
               std::string* drive, std::string* dir, std::string* fname,
               std::string* ext) {
  return SplitWithin(path, lead_bytes, PathLimits(), drive, dir, fname, ext);
}

std::string CheckPathParts(const std::string& source,
                           const LeadByteTable& lead_bytes,
                           const PathLimits& limits) {
  const PartBounds b = FindParts(source, lead_bytes);
  const struct {
    const char* what;
    std::size_t length, limit;
  } parts[] = {
      {"the folder part", b.name_start - b.start, limits.folder},
      {limits.program_suffix > 0 ? "the program's file name" : "the file name",
       b.name_end - b.name_start + limits.program_suffix, limits.name},
      {"the extension", source.size() - b.name_end, limits.name},
  };
  for (const auto& part : parts) {
    if (part.length > part.limit) {
      return std::string(part.what) + " is " + std::to_string(part.length) +
             " bytes, at most " + std::to_string(part.limit);
    }
  }
  return "";
}

void MakePath(std::string* path, const std::string& drive,
              const std::string& dir, const std::string& fname,
              const std::string& ext, const LeadByteTable& lead_bytes) {
  path->clear();
  if (!drive.empty()) {
    *path += drive[0];
    *path += ':';
  }
  if (!dir.empty()) {
    *path += dir;
    // Find where the last character starts: the last byte may be the trail
    // byte of a double-byte character, which is no separator.
    std::size_t last = 0;
    for (std::size_t i = 0; i < dir.size();
         i += CharLength(dir, i, lead_bytes)) {
      last = i;
    }
    if (last != dir.size() - 1 || !IsSeparator(dir[last])) *path += '\\';
  }
  *path += fname;
  if (!ext.empty()) {
    if (ext[0] != '.') *path += '.';
    *path += ext;
  }
}

std::string GetDirectory(const std::string& path,
                         const LeadByteTable& lead_bytes) {
  std::string drive, dir, fname, ext, directory;
  SplitPath(path, lead_bytes, &drive, &dir, &fname, &ext);
  MakePath(&directory, drive, dir, "", "", lead_bytes);
  return directory;
}

bool DeriveLaunchPaths(const std::string& source,
                       const LeadByteTable& lead_bytes,
                       const PathLimits& limits, LaunchPaths* paths) {
  std::string drive, dir, fname, ext;
  const bool split =
      SplitWithin(source, lead_bytes, limits, &drive, &dir, &fname, &ext);
  MakePath(&paths->program, drive, dir, fname, ".prg", lead_bytes);
  MakePath(&paths->working_directory, drive, dir, "", "", lead_bytes);
  return split;
}

}  // namespace quennet::brackwin
