// Stand-in for java.exe: records its command line and arguments, then exits
// with the status in BRACKWIN_TEST_JAVA_STATUS (0 when unset). On success it
// writes the program where the assembler would: the source's name with .prg,
// next to the source (BRACKWIN_TEST_NO_PROGRAM stops that).
#include "record.h"

int main(int argc, char** argv) {
  WriteRecord("BRACKWIN_TEST_RECORD", CommandLineFields(argc, argv));
  const char* status_text = std::getenv("BRACKWIN_TEST_JAVA_STATUS");
  const int status = status_text != nullptr ? std::atoi(status_text) : 0;
  if (status == 0 && argc > 5 &&
      std::getenv("BRACKWIN_TEST_NO_PROGRAM") == nullptr) {
    std::string program = argv[5];
    const std::size_t name = program.find_last_of("\\/:") + 1;
    const std::size_t dot = program.rfind('.');
    if (dot != std::string::npos && dot >= name) program.resize(dot);
    WriteRecord("", {}, (program + ".prg").c_str());
  }
  return status;
}
