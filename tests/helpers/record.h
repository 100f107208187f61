#ifndef BRACKWIN_TESTS_HELPERS_RECORD_H_
#define BRACKWIN_TESTS_HELPERS_RECORD_H_

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Stand-in programs write what they received to the file that an
// environment variable names (or to `path`): each field ended by a NUL byte.
// The record is written beside the file and then renamed, so a reader never
// sees half.
inline void WriteRecord(const char* variable,
                        const std::vector<std::string>& fields,
                        const char* path = nullptr) {
  if (path == nullptr) path = std::getenv(variable);
  if (path == nullptr) return;
  const std::string part = std::string(path) + ".part";
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return;
  for (const std::string& field : fields) {
    std::fwrite(field.c_str(), 1, field.size() + 1, file);
  }
  std::fclose(file);
  MoveFileExA(part.c_str(), path, MOVEFILE_REPLACE_EXISTING);
}

// The fields every stand-in records: its raw command line, then argv[1..].
inline std::vector<std::string> CommandLineFields(int argc, char** argv) {
  std::vector<std::string> fields = {GetCommandLineA()};
  for (int i = 1; i < argc; ++i) fields.push_back(argv[i]);
  return fields;
}

// No wildcard expansion of the arguments: they must arrive as typed.
extern "C" {
int _dowildcard = 0;
}

#endif  // BRACKWIN_TESTS_HELPERS_RECORD_H_
