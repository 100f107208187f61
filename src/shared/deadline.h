#ifndef BRACKWIN_SHARED_DEADLINE_H_
#define BRACKWIN_SHARED_DEADLINE_H_

#include <algorithm>
#include <chrono>

namespace quennet::brackwin {

/// The moment by which a hand-off must be over. Every step of it takes the
/// smaller of its own cap and the time left. The time is the steady clock's,
/// or the `now` a test gives. The steady clock is the same in
/// a forked child, so a child can be given the parent's deadline as it is.
class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  /// `milliseconds` from now.
  explicit Deadline(int milliseconds)
      : at_(Clock::now() + std::chrono::milliseconds(milliseconds)) {}
  explicit Deadline(Clock::time_point at) : at_(at) {}

  /// The time left in milliseconds at `now`, never below 0, never above
  /// `cap_ms`.
  int MillisecondsLeft(int cap_ms = kNoCap,
                       Clock::time_point now = Clock::now()) const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(at_ - now)
            .count();
    if (left <= 0) return 0;
    return left < cap_ms ? static_cast<int>(left) : cap_ms;
  }

  bool Passed(Clock::time_point now = Clock::now()) const { return now >= at_; }

  /// The earlier of this deadline and `cap_ms` after `now`.
  Deadline Capped(int cap_ms, Clock::time_point now = Clock::now()) const {
    return Deadline(std::min(at_, now + std::chrono::milliseconds(cap_ms)));
  }

  Clock::time_point At() const { return at_; }

 private:
  static constexpr int kNoCap = 1 << 30;
  Clock::time_point at_;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_DEADLINE_H_
