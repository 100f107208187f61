// The ANSI code page: its lead bytes, and its text in UTF-16.

#include <windows.h>

#include <string>

#include "platform/code_page.h"

namespace quennet::brackwin {

LeadByteTable ReadAnsiLeadBytes(unsigned int* code_page) {
  const UINT ansi_code_page = GetACP();
  if (code_page != nullptr) *code_page = ansi_code_page;
  LeadByteTable table;
  CPINFO info;
  if (GetCPInfo(ansi_code_page, &info)) {
    // Pairs of first and last byte, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      table.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    }
  }
  return table;
}

std::wstring WidenAnsi(const std::string& text) {
  const int size = MultiByteToWideChar(
      CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                      &wide[0], size);
  return wide;
}

}  // namespace quennet::brackwin
