// The base layer: system language, ANSI code pages, string helpers,
// threads and debugger output.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/win/win.h"

namespace {

// Sets the locale variables for one test and restores them afterwards.
class Locale {
public:
    Locale(const char* lcAll, const char* lcMessages, const char* lang) {
        Save("LC_ALL", lcAll);
        Save("LC_MESSAGES", lcMessages);
        Save("LANG", lang);
    }
    ~Locale() {
        for (auto& [name, value, had] : saved_) {
            if (had) setenv(name.c_str(), value.c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    void Save(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    struct Entry {
        std::string name, value;
        bool had;
    };
    std::vector<Entry> saved_;
};

std::u16string ToWide(UINT cp, const std::string& s, DWORD flags = 0) {
    int n = MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::u16string w(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), w.data(), n), n);
    }
    return w;
}

std::string ToNarrow(UINT cp, const std::u16string& w, BOOL* usedDefault = nullptr) {
    int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, usedDefault);
    std::string s(static_cast<size_t>(n), '\0');
    if (n > 0) WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, usedDefault);
    return s;
}

}  // namespace

TEST(Language, FollowsTheFirstLocaleVariableThatIsSet) {
    {
        Locale l(nullptr, nullptr, "ko_KR.UTF-8");
        EXPECT_EQ(GetSystemDefaultLangID(), 1042);
        EXPECT_EQ(GetACP(), 949u);
    }
    {
        Locale l("en_US.UTF-8", nullptr, "ko_KR.UTF-8");
        EXPECT_EQ(GetSystemDefaultLangID(), 1033);
        EXPECT_EQ(GetACP(), 1252u);
    }
    {
        Locale l("", "ko_KR", "C");
        EXPECT_EQ(GetSystemDefaultLangID(), 1042) << "an empty variable counts as unset";
    }
    {
        Locale l(nullptr, nullptr, nullptr);
        EXPECT_EQ(GetSystemDefaultLangID(), 1033);
    }
}

TEST(CodePages, KoreanRoundTrip) {
    const std::string gulim = "\xB1\xBC\xB8\xB2";  // "Gulim" in code page 949
    std::u16string wide = ToWide(949, gulim);
    EXPECT_EQ(wide, u"\uAD74\uB9BC");
    EXPECT_EQ(ToNarrow(949, wide), gulim);
    EXPECT_EQ(ToNarrow(949, u"Error : \uC5D0\uB7EC"), "Error : \xBF\xA1\xB7\xAF");
}

TEST(CodePages, UnmappableCharactersBecomeQuestionMarks) {
    BOOL used = FALSE;
    EXPECT_EQ(ToNarrow(1252, u"caf\u00E9", &used), "caf\xE9");
    EXPECT_FALSE(used);
    EXPECT_EQ(ToNarrow(1252, u"\uD55C\uAE00.", &used), "??.");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToNarrow(1252, u"a\U0001F600b"), "a??b") << "one ? per UTF-16 unit";
    const char16_t loneSurrogate[] = {0x00E9, 0xD800, u'x'};
    EXPECT_EQ(ToNarrow(949, std::u16string(loneSurrogate, 3)), "??x");
    // The Euro sign and the five undefined bytes of 1252 round-trip.
    EXPECT_EQ(ToWide(1252, "\x80\x81\x8D\x8F\x90\x9D"), u"\u20AC\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(ToNarrow(1252, u"\u20AC\u0081\u008D\u008F\u0090\u009D"), "\x80\x81\x8D\x8F\x90\x9D");
}

TEST(CodePages, InvalidBytesAndBufferRules) {
    EXPECT_EQ(ToWide(949, "a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(ToWide(949, "a\xB1"), u"a\uFFFD") << "a lead byte without its trail byte";
    EXPECT_EQ(MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    // -1 counts the NUL; a size of 0 asks; a short buffer fails.
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
    char16_t w[3];
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, w, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    char n[4] = "###";
    EXPECT_EQ(WideCharToMultiByte(949, 0, u"\uAD74\uB9BC", 2, n, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_STREQ(n, "###");
    EXPECT_EQ(WideCharToMultiByte(77, 0, u"a", 1, n, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Strings, CopyIsBoundedAndTerminated) {
    char buf[6];
    std::memset(buf, '#', sizeof(buf));
    lstrcpynA(buf, "abcdefgh", 4);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], '#');
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"ab"), 2);
}

namespace {
std::atomic<int> g_ran{0};
std::atomic<DWORD> g_seenId{0};
DWORD Worker(LPVOID param) {
    g_seenId = GetCurrentThreadId();
    g_ran += *static_cast<int*>(param);
    return 0;
}
}  // namespace

TEST(Threads, DetachedWorkerRuns) {
    static int three = 3;
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, Worker, &three, 0, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(id, 0u);
    for (int i = 0; i < 500 && g_ran.load() == 0; ++i) Sleep(10);
    EXPECT_EQ(g_ran.load(), 3);
    EXPECT_EQ(g_seenId.load(), id);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(DebugOutput, OnlyWhenAsked) {
    unsetenv("VEMOMPI_DEBUG");
    testing::internal::CaptureStderr();
    OutputDebugStringA("[Test] quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    setenv("VEMOMPI_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    OutputDebugStringA("[Test] loud");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Test] loud\n");
    unsetenv("VEMOMPI_DEBUG");
}

TEST(Secrets, CoreDumpsCanBeTurnedOff) {
    // In a child, so that this process keeps its own settings.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit before = {RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_CORE, &before);
        if (!VemoDisableCoreDumps()) _exit(1);
        struct rlimit after;
        getrlimit(RLIMIT_CORE, &after);
        if (after.rlim_cur != 0 || after.rlim_max != 0) _exit(2);
        if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) _exit(3);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: refused, 2: a core limit left, 3: still dumpable";
}
