// Worker threads kept across frames, so that a parallel step costs a wake-up
// rather than a thread's start.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct ThreadPool {
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake, finished;
    const std::function<void(int)> *work = nullptr;
    long generation = 0;  // one a call of RunInParallel
    int busy = 0;         // workers still on this generation's parts
    bool stopping = false;
    ~ThreadPool();
};

// A pool for `threads` parts at once: the caller's thread and threads - 1 workers.
void StartThreadPool(ThreadPool &pool, int threads);
void StopThreadPool(ThreadPool &pool);
// Runs work(part) for part 0 .. threads - 1, part 0 on the calling thread,
// and returns when every part is done.
void RunInParallel(ThreadPool &pool, const std::function<void(int)> &work);
