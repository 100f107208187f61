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

}  // namespace

bool SplitPath(const std::string& path, const LeadByteTable& lead_bytes,
               std::string* drive, std::string* dir, std::string* fname,
               std::string* ext) {
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

  if (name_start - start > kMaxPartLength ||
      name_end - name_start > kMaxPartLength ||
      path.size() - name_end > kMaxPartLength) {
    drive->clear();
    dir->clear();
    fname->clear();
    ext->clear();
    return false;
  }
  drive->assign(path, 0, start);
  dir->assign(path, start, name_start - start);
  fname->assign(path, name_start, name_end - name_start);
  ext->assign(path, name_end, std::string::npos);
  return true;
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
                       const LeadByteTable& lead_bytes, LaunchPaths* paths) {
  std::string drive, dir, fname, ext;
  const bool split = SplitPath(source, lead_bytes, &drive, &dir, &fname, &ext);
  MakePath(&paths->program, drive, dir, fname, ".prg", lead_bytes);
  MakePath(&paths->working_directory, drive, dir, "", "", lead_bytes);
  return split;
}

}  // namespace quennet::brackwin
