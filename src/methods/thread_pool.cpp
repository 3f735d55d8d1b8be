#include "methods/thread_pool.h"

namespace {

void Serve(ThreadPool &pool, int part) {
    long seen = 0;
    for (;;) {
        const std::function<void(int)> *work;
        {
            std::unique_lock<std::mutex> lock(pool.mutex);
            pool.wake.wait(lock, [&] { return pool.stopping || pool.generation != seen; });
            if (pool.stopping) return;
            seen = pool.generation;
            work = pool.work;
        }
        (*work)(part);
        std::lock_guard<std::mutex> lock(pool.mutex);
        if (--pool.busy == 0) pool.finished.notify_one();
    }
}

}  // namespace

ThreadPool::~ThreadPool() { StopThreadPool(*this); }

void StartThreadPool(ThreadPool &pool, int threads) {
    for (int part = 1; part < threads; ++part) pool.workers.emplace_back(Serve, std::ref(pool), part);
}

void StopThreadPool(ThreadPool &pool) {
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        pool.stopping = true;
    }
    pool.wake.notify_all();
    for (std::thread &worker : pool.workers) worker.join();
    pool.workers.clear();
    pool.stopping = false;
}

void RunInParallel(ThreadPool &pool, const std::function<void(int)> &work) {
    if (pool.workers.empty()) {
        work(0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        pool.work = &work;
        pool.busy = (int)pool.workers.size();
        ++pool.generation;
    }
    pool.wake.notify_all();
    work(0);
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.finished.wait(lock, [&] { return pool.busy == 0; });
}
