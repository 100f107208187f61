#ifndef BRACKWIN_APP_ASSEMBLER_COMMAND_H_
#define BRACKWIN_APP_ASSEMBLER_COMMAND_H_

#include <functional>
#include <string>

#include "platform/platform.h"

namespace quennet::brackwin {

/// Where the assembler's archive lies, relative to its folder.
inline constexpr char kAssemblerArchive[] = "/KickAss.jar";

/// Whether `source` can be quoted for `syntax`. Windows file names hold no
/// double quote and no byte below 0x20, and either would break the quoting;
/// every byte string can be quoted for a POSIX shell.
bool IsQuotableSource(CommandSyntax syntax, const std::string& source);

/// The first reference in `source` that cmd.exe would replace, even inside
/// quotes: a pair of percent signs around a name (up to a ':', for the
/// %OS:~0,3% and %OS:_NT=% forms) that `is_set` says is set in the
/// environment, or that cmd.exe sets itself (%CD%, %DATE%, ...). Returns the
/// reference with its percent signs ("%OS%"), or "" when there is none: a
/// '%' that forms no such pair ("50%.asm", "%nodef%.asm") is kept.
std::string FindExpandedReference(
    const std::string& source,
    const std::function<bool(const std::string&)>& is_set);

/// Builds the assembler command:
///   <java> -Xms256m -Xmx512m -jar <assembler_path>/KickAss.jar <source>
///   -showmem -afo
/// with the archive path and the source path each quoted as one word of
/// `syntax`, so that spaces and interpreter metacharacters in them reach the
/// assembler unchanged. `java` is "java", left to the interpreter's search,
/// or the full path of the program, quoted too. A Windows command that then
/// begins with a quote gets one more pair around it all: cmd /c removes the
/// first and the last quote of such a command. With `vice_symbols` (a debug
/// run), " -vicesymbols" follows "-afo": the assembler then writes VICE's
/// symbol file, <name>.vs, next to the program. `source` must be quotable
/// (IsQuotableSource).
std::string BuildAssemblerCommand(CommandSyntax syntax, const std::string& java,
                                  const std::string& assembler_path,
                                  const std::string& source,
                                  bool vice_symbols = false);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_ASSEMBLER_COMMAND_H_
