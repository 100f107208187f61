#include "platform/desktop.h"

namespace quennet::brackwin {

// Without a windowing library there are no windows to find; every launch
// takes the shell route.
struct Desktop::Connection {};

Desktop::Desktop() = default;
Desktop::~Desktop() = default;

void Desktop::EnumerateWindows(EnumWindowsProc, void*) {}

std::string Desktop::GetWindowTitle(WindowHandle) { return ""; }

bool Desktop::IsWindowEnabled(WindowHandle) { return false; }

void Desktop::RaiseWindow(WindowHandle) {}

DropResult Desktop::DropFile(WindowHandle, const std::string&) {
  return DropResult::kNotSent;
}

std::string Desktop::Describe() const { return "the desktop"; }

bool Desktop::CanHang() const { return false; }

}  // namespace quennet::brackwin
