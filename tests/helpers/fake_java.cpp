// Stand-in for java.exe: records its command line and arguments, then exits
// with the status in BRACKWIN_TEST_JAVA_STATUS (0 when unset).
#include "record.h"

int main(int argc, char** argv) {
  WriteRecord("BRACKWIN_TEST_RECORD", CommandLineFields(argc, argv));
  const char* status = std::getenv("BRACKWIN_TEST_JAVA_STATUS");
  return status != nullptr ? std::atoi(status) : 0;
}
