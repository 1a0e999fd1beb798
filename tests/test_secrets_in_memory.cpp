// Card data does not outlive its use in memory: sealing a text, and
// composing the enrollment request, leave no copy of the card number (nor of
// the sealed text) in the stack or the thread-local storage of the thread
// that did it.
//
// Each step runs on a thread whose stack the test provides; the C library
// puts the thread's static thread-local storage at the top of that memory
// too. Once the thread has ended, the whole region is the test's own memory
// to search. Each thread first does the same step with other data, so that
// the dynamic linker's first resolution of a function (which saves the
// vector registers on the stack) happens before the step looked at.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/mman.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "auth/AuthFlow.h"
#include "crypto/MPISeal.h"

namespace {

constexpr size_t kStackSize = 1 << 20;

// Runs `step` on a thread whose stack (and static thread-local storage) is
// a region of this object; after Run the region is what the thread left.
class OwnStackThread {
public:
    OwnStackThread() {
        void* p = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        region_ = p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
    }
    ~OwnStackThread() {
        if (region_ != nullptr) munmap(region_, kStackSize);
    }
    OwnStackThread(const OwnStackThread&) = delete;
    OwnStackThread& operator=(const OwnStackThread&) = delete;

    bool Run(const std::function<void()>& step) {
        if (region_ == nullptr) return false;
        step_ = &step;
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstack(&attr, region_, kStackSize);
        pthread_t t;
        int rc = pthread_create(&t, &attr, &OwnStackThread::Entry, this);
        pthread_attr_destroy(&attr);
        if (rc != 0) return false;
        pthread_join(t, nullptr);
        return true;
    }

    // Whether the region holds the bytes of `needle` in a row.
    bool Holds(const std::string& needle) const {
        return !needle.empty() && memmem(region_, kStackSize, needle.data(), needle.size()) != nullptr;
    }

private:
    static void* Entry(void* self) {
        (*static_cast<OwnStackThread*>(self)->step_)();
        return nullptr;
    }

    unsigned char* region_ = nullptr;
    const std::function<void()>* step_ = nullptr;
};

// The Base64 text inside a sealed parameter (its URL encoding undone).
std::string Base64Of(const std::string& sealed) {
    std::string out;
    for (size_t i = 0; i < sealed.size(); ++i) {
        if (sealed[i] == '%' && i + 2 < sealed.size()) {
            out.push_back(static_cast<char>(std::stoi(sealed.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(sealed[i]);
        }
    }
    return out;
}

const char kCard[] = "4000000000000010";

// The thread sanitizer's runtime keeps records of its own in a thread's
// stack region, with runs of the data the thread touched: what is left there
// is not the program's. The search runs in the other builds.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#define SKIP_UNDER_THREAD_SANITIZER() \
    if (kThreadSanitizer) GTEST_SKIP() << "the thread sanitizer's runtime leaves its own copies in the region"

}  // namespace

TEST(SecretsInMemory, SealingLeavesNoCopyOfTheTextBehind) {
    SKIP_UNDER_THREAD_SANITIZER();
    // The text lives on the heap, never on the thread's stack.
    auto text = std::make_unique<std::string>(std::string("4000000000000010|2031|12"));
    auto other = std::make_unique<std::string>(std::string("5500000000000004|2030|01"));
    auto sealed = std::make_unique<char[]>(MPI_SEALED_MAX_SIZE);
    int n = 0;
    OwnStackThread thread;
    ASSERT_TRUE(thread.Run([&] {
        CMPIUtil util;
        MPISealParam(util, other->data(), other->size(), sealed.get(), MPI_SEALED_MAX_SIZE);
        n = MPISealParam(util, text->data(), text->size(), sealed.get(), MPI_SEALED_MAX_SIZE);
    }));
    ASSERT_GT(n, 0);
    std::string opened, error;
    ASSERT_TRUE(MPIOpenSealedParam(sealed.get(), static_cast<size_t>(n), &opened, &error)) << error;
    EXPECT_EQ(opened, *text) << "the seal still works";
    EXPECT_FALSE(thread.Holds(kCard)) << "the frame or the envelope's working copies kept the card number";
    EXPECT_FALSE(thread.Holds("|2031|12")) << "and the expiry date";
    EXPECT_FALSE(thread.Holds(Base64Of(sealed.get()).substr(0, 24))) << "the encoder's buffer kept the sealed text";

    // Opening, as the sandbox and the operators' tool do, leaves no copy either.
    OwnStackThread opener;
    ASSERT_TRUE(opener.Run([&] {
        std::string t, e;
        MPIOpenSealedParam(sealed.get(), static_cast<size_t>(n), &t, &e);
    }));
    // (Its functions were first resolved by the check above.)
    EXPECT_FALSE(opener.Holds(kCard));
}

TEST(SecretsInMemory, ComposingTheSealedRequestLeavesNoCopyOfTheCardOrTheSealedText) {
    SKIP_UNDER_THREAD_SANITIZER();
    auto* ctrl = new CVemoMPIOCXCtrl();
    std::strcpy(ctrl->m_szMallID, "SHOP01");
    std::strcpy(ctrl->m_szMallName, "Corner Shop");
    std::strcpy(ctrl->m_LocalURL, "http://shop.example");
    std::strcpy(ctrl->m_szCardNum, kCard);
    std::strcpy(ctrl->m_szExpiryYear, "2031");
    std::strcpy(ctrl->m_szExpiryMonth, "12");
    std::strcpy(ctrl->m_szTotalPrice, "10000");
    std::strcpy(ctrl->m_szInstallment, "00");
    std::strcpy(ctrl->m_szDesc, "coffee");
    auto body = std::make_unique<char[]>(4096);
    int rc = -1;
    OwnStackThread thread;
    ASSERT_TRUE(thread.Run([&] {
        CMPIUtil util;
        std::strcpy(ctrl->m_szCardNum, "5500000000000004");
        AuthComposeRequest(ctrl, util, body.get(), 4096);
        std::strcpy(ctrl->m_szCardNum, kCard);
        rc = AuthComposeRequest(ctrl, util, body.get(), 4096);
    }));
    ASSERT_EQ(rc, 0);
    std::string sent(body.get());
    ASSERT_EQ(sent.rfind("data=", 0), 0u);
    std::string list, error;
    ASSERT_TRUE(MPIOpenSealedParam(sent.data() + 5, sent.size() - 5, &list, &error)) << error;
    EXPECT_NE(list.find(std::string("|") + kCard + "|2031|12|"), std::string::npos) << "the request is whole: " << list;

    EXPECT_FALSE(thread.Holds(kCard)) << "the parameter list or the seal kept the card number";
    EXPECT_FALSE(thread.Holds("|2031|12|"));
    EXPECT_FALSE(thread.Holds(sent.substr(5))) << "the thread-local sealed text outlived the request";
    EXPECT_FALSE(thread.Holds(Base64Of(sent.substr(5)).substr(0, 24)));
    ctrl->Release();
}

TEST(SecretsInMemory, TheControlWipesItsCardDataWhenItGoes) {
    // The control in storage of the test's own, so that what its
    // destruction leaves can be looked at.
    alignas(CVemoMPIOCXCtrl) static unsigned char storage[sizeof(CVemoMPIOCXCtrl)];
    auto* ctrl = new (storage) CVemoMPIOCXCtrl();
    std::strcpy(ctrl->m_szCardNum, kCard);
    std::strcpy(ctrl->m_szExpiryYear, "2031");
    std::strcpy(ctrl->m_szExpiryMonth, "12");
    size_t card = static_cast<size_t>(reinterpret_cast<unsigned char*>(ctrl->m_szCardNum) - storage);
    size_t year = static_cast<size_t>(reinterpret_cast<unsigned char*>(ctrl->m_szExpiryYear) - storage);
    size_t month = static_cast<size_t>(reinterpret_cast<unsigned char*>(ctrl->m_szExpiryMonth) - storage);
    ctrl->~CVemoMPIOCXCtrl();
    auto zero = [](const unsigned char* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != 0) return false;
        return true;
    };
    EXPECT_TRUE(zero(storage + card, sizeof(ctrl->m_szCardNum)));
    EXPECT_TRUE(zero(storage + year, sizeof(ctrl->m_szExpiryYear)));
    EXPECT_TRUE(zero(storage + month, sizeof(ctrl->m_szExpiryMonth)));
}
