#pragma once

#include <QLockFile>
#include <memory>

namespace dravesse {

// One running instance per program folder. The lock lives in the user's runtime folder; a lock
// left behind by a killed process is taken over at once.
class InstanceLock {
  public:
    explicit InstanceLock(const QString& programFolder);

    // True only when another live instance holds the lock. When the lock cannot be created for
    // any other reason, the program starts normally.
    bool anotherInstanceRuns() const { return anotherInstance_; }

  private:
    std::unique_ptr<QLockFile> lock_;
    bool anotherInstance_ = false;
};

}  // namespace dravesse
