#ifndef BRACKWIN_PLATFORM_CODE_PAGE_H_
#define BRACKWIN_PLATFORM_CODE_PAGE_H_

#include <string>

#include "paths/lead_bytes.h"

namespace quennet::brackwin {

/// Reads the lead-byte ranges of the process's ANSI code page from the
/// system; `code_page`, when not null, receives the code page's number.
/// Windows only.
LeadByteTable ReadAnsiLeadBytes(unsigned int* code_page);

/// `text`, read in the ANSI code page, in UTF-16. Windows only.
std::wstring WidenAnsi(const std::string& text);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_CODE_PAGE_H_
