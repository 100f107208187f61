#ifndef BRACKWIN_APP_ASSEMBLER_COMMAND_H_
#define BRACKWIN_APP_ASSEMBLER_COMMAND_H_

#include <string>

#include "platform/platform.h"

namespace quennet::brackwin {

/// Where the assembler's archive lies, relative to its folder.
inline constexpr char kAssemblerArchive[] = "/KickAss.jar";

/// Whether `source` can be quoted for `syntax`. Windows file names hold no
/// double quote and no byte below 0x20, and either would break the quoting;
/// every byte string can be quoted for a POSIX shell.
bool IsQuotableSource(CommandSyntax syntax, const std::string& source);

/// Builds the assembler command:
///   java -Xms256m -Xmx512m -jar <assembler_path>/KickAss.jar <source>
///   -showmem -afo
/// with the archive path and the source path each quoted as one word of
/// `syntax`, so that spaces and interpreter metacharacters in them reach the
/// assembler unchanged. `source` must be quotable (IsQuotableSource).
std::string BuildAssemblerCommand(CommandSyntax syntax,
                                  const std::string& assembler_path,
                                  const std::string& source);

/// Quotes `word` for /bin/sh: single quotes, each embedded quote as '\''.
std::string QuotePosixWord(const std::string& word);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_ASSEMBLER_COMMAND_H_
