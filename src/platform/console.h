#ifndef BRACKWIN_PLATFORM_CONSOLE_H_
#define BRACKWIN_PLATFORM_CONSOLE_H_

namespace quennet::brackwin {

/// Writes `text`, in the ANSI code page, to standard output so that it
/// shows the same characters as the file names it holds. Where standard
/// output is a Windows console, the text goes to it in UTF-16 (after what
/// the C runtime holds in its buffer), as a console whose output code page
/// is the OEM one would show other characters for the bytes; the console's
/// code page is left as it is. Anywhere else, a file or a pipe, the bytes
/// are written unchanged.
void WriteStandardOutput(const char* text);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_CONSOLE_H_
