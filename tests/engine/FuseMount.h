#pragma once

#include <string>
#include <vector>

namespace tolvane::test {

// The tests' FUSE pass-through (bench_delayfs, without delay) mounted over a backing folder
// for one test, so that the engine meets a FUSE file system with the behaviour the options
// ask for ("--fold-case", "--no-replace", "--time-step-ns=N", "--cached",
// "--store-limit=BYTES", "--wrap-around"). Unmounted when destroyed.
class FuseMount {
  public:
    FuseMount(const std::string& backing, const std::string& mountPoint,
              const std::vector<std::string>& options);
    FuseMount(const FuseMount&) = delete;
    FuseMount& operator=(const FuseMount&) = delete;
    ~FuseMount();

    // Empty when mounted; otherwise why not, for the test's skip message.
    const std::string& WhyNot() const { return m_whyNot; }
    // True when the daemon still answers (it has not crashed).
    bool Answers() const;

  private:
    std::string m_mountPoint;
    std::string m_whyNot;
};

}  // namespace tolvane::test
