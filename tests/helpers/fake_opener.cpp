// Registered as the "open" command of .prg files: records its current
// directory, its command line and its arguments, and exits with
// BRACKWIN_TEST_OPENER_STATUS (0 when unset), as a program that fails at
// once does.
#include <cstdlib>

#include "record.h"

int main(int argc, char** argv) {
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(directory), directory);
  std::vector<std::string> fields = {directory};
  for (const std::string& field : CommandLineFields(argc, argv)) {
    fields.push_back(field);
  }
  WriteRecord("BRACKWIN_TEST_OPEN_RECORD", fields);
  const char* status = std::getenv("BRACKWIN_TEST_OPENER_STATUS");
  return status != nullptr ? std::atoi(status) : 0;
}
