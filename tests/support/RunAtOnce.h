#pragma once
// Runs `count` copies of a piece of work at the same time, each given its
// number, and says whether every one succeeded. On Linux they are processes,
// as the stations and runs that share a file are; on Windows threads, each
// with its own handles (LockFileEx locks belong to a handle, so threads
// exclude each other there as processes do).

#include <cstddef>
#include <functional>
#include <vector>

#ifdef _WIN32
#include <thread>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zvk::test {

inline bool RunAtOnce(int count, const std::function<bool(int)>& work) {
    bool all = true;
#ifdef _WIN32
    std::vector<char> done(static_cast<std::size_t>(count), 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] { done[static_cast<std::size_t>(i)] = work(i); });
    }
    for (auto& thread : threads) thread.join();
    for (const char ok : done) all = all && ok;
#else
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(work(i) ? 0 : 1);
        if (pid < 0) {
            all = false;
        } else {
            children.push_back(pid);
        }
    }
    for (const pid_t pid : children) {
        int status = 0;
        all = all && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
              WEXITSTATUS(status) == 0;
    }
#endif
    return all;
}

}  // namespace zvk::test
