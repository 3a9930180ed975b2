// One plan of injected failures shared by every fake: "fail the Nth call of
// this member, or of any member of this category, with this code". The
// fakes ask it on each call; a fake whose port reports failures by result
// (a false, a null) answers that way, the others throw zge::Error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zge::fakes {

// The categories the fakes report their calls under.
namespace fault {
inline constexpr std::string_view kEarth = "earth";        // every automation member
inline constexpr std::string_view kRegistry = "registry";  // keys and values
inline constexpr std::string_view kFiles = "files";
inline constexpr std::string_view kDesktop = "desktop";  // other programs' windows
inline constexpr std::string_view kWindow = "window";    // the panel's own window
inline constexpr std::string_view kTimer = "timer";
inline constexpr std::string_view kProcess = "process";
inline constexpr std::string_view kOle = "ole";
inline constexpr std::string_view kDialogs = "dialogs";
}  // namespace fault

class FaultPlan {
 public:
  struct Delivered {
    std::string category;
    std::string member;
    std::int32_t code = 0;
  };

  // The nth matching call from now (1: the next one) fails with `code`.
  // `target` names a category, or a member as the fakes log it without its
  // arguments ("SetParent", "Camera.Range", "WriteFile").
  void Arm(std::string target, int nth, std::int32_t code);
  // Every matching call from now fails (a server that has died).
  void ArmAlways(std::string target, std::int32_t code);
  void Clear() { rules_.clear(); }
  [[nodiscard]] bool Armed() const { return !rules_.empty(); }

  // Counts one call; the code it must fail with, if any. `member` may carry
  // its arguments in parentheses.
  std::optional<std::int32_t> Check(std::string_view category, std::string_view member);
  // As Check, throwing zge::Error for a failure.
  void ThrowIfDue(std::string_view category, std::string_view member);

  // Every failure handed out, in order.
  std::vector<Delivered> delivered;
  // Calls counted per category since the plan was made, for choosing an N.
  [[nodiscard]] long Calls() const { return calls_; }

 private:
  struct Rule {
    std::string target;
    int remaining = 0;
    std::int32_t code = 0;
    bool always = false;
  };
  std::vector<Rule> rules_;
  long calls_ = 0;
};

}  // namespace zge::fakes
