// Without a windowing library there are no windows to find: -e goes on to
// the shell route.

#include "shared/window_route.h"

namespace quennet::brackwin {
namespace {

class NoWindowRoute : public WindowRoute {
 public:
  HandOff Drop(const std::string&, const Deadline&, TitlePredicate) override {
    return Absent();
  }
  Raising Raise(long, const Deadline&, TitlePredicate) override {
    return Raising::kNoWindow;
  }
  FoundWindow Find(long, const Deadline&, TitlePredicate) override {
    FoundWindow none;
    none.result = FoundWindow::kNoDisplay;
    return none;
  }
  std::string Describe() override { return "the desktop"; }

 private:
  static HandOff Absent() {
    HandOff result;
    result.route = Route::kWindow;
    result.reason = Reason::kNoDisplay;
    return result;
  }
};

}  // namespace

WindowRoute& GetWindowRoute() {
  static NoWindowRoute route;
  return route;
}

}  // namespace quennet::brackwin
