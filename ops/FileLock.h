#pragma once
// An exclusive lock on an open file, held while the object lives, so that
// separate processes (stations of one run, or runs started apart) take turns
// at a file they share: the production log and the serial-number counter.
// flock on Linux, LockFileEx on Windows; both wait until the lock is free and
// both are let go by the system when the process ends, however it ends.

namespace zvk {

class FileLock {
  public:
    // Waits for the lock on the open file descriptor. Locked() tells whether
    // it was taken (false only on an error of the system, errno saying which).
    explicit FileLock(int fd);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    [[nodiscard]] bool Locked() const { return locked_; }

  private:
    int fd_;
    bool locked_ = false;
};

}  // namespace zvk
