// A step run on the user-interface loop at a fixed period while a test's
// call (GetPAReq2 and its modal loop) runs on the same thread: the first
// time after firstMs, then every periodMs, until the RepeatOnUi is gone.
#pragma once

#include <functional>
#include <memory>

#include "platform/afx/afxtest.h"

namespace testsupport {

class RepeatOnUi {
public:
    RepeatOnUi(std::function<void()> step, unsigned firstMs, unsigned periodMs)
        : alive_(std::make_shared<bool>(true)), tick_(std::make_shared<std::function<void()>>()) {
        std::weak_ptr<std::function<void()>> self = tick_;
        auto alive = alive_;
        *tick_ = [step = std::move(step), self, alive, periodMs]() {
            if (!*alive) return;
            step();
            Schedule(self, alive, periodMs);
        };
        Schedule(self, alive_, firstMs);
    }
    ~RepeatOnUi() { Stop(); }
    void Stop() { *alive_ = false; }
    RepeatOnUi(const RepeatOnUi&) = delete;
    RepeatOnUi& operator=(const RepeatOnUi&) = delete;

private:
    static void Schedule(std::weak_ptr<std::function<void()>> tick, std::shared_ptr<bool> alive, unsigned ms) {
        afxtest::Post([tick, alive]() {
            if (auto t = tick.lock(); t && *alive) (*t)();
        }, ms);
    }

    std::shared_ptr<bool> alive_;
    std::shared_ptr<std::function<void()>> tick_;
};

}  // namespace testsupport
