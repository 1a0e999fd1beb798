// What a cardholder sees of the skinned authentication dialog, checked on
// the pixels of its window under Xvfb while it runs against the sandbox:
// the centred background, the waiting indicator, the close button's images,
// the title line and the merchant's picture. With VEMOMPI_SCREENSHOT_DIR
// set, the runs also leave screenshots there.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/skin_dialog_run.h"
#include "platform/afx/afxgdi.h"
#include "platform/com/olectl.h"
#include "tests/support/skin_pixels.h"

using namespace skintest;

namespace {

// Where the dialog's parts lie (pixels of the 444 x 506 frame).
const RECT kBrowser = {14, 72, 430, 480};
const RECT kButton = {410, 8, 430, 28};
const RECT kTitle = {82, 44, 382, 60};
const RECT kIndicator = {395, 40, 429, 55};

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Pixels that differ from the background shifted by (dx, dy), outside
// the given parts.
int BackgroundMismatches(const Image& shot, const Image& bg, int dx, int dy, std::initializer_list<RECT> parts) {
    int bad = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            bool skip = false;
            for (const RECT& r : parts) skip = skip || Inside(r, x, y);
            if (!skip && Mismatches(shot, bg, x, y, 1, 1, dx, dy, 3) != 0) ++bad;
        }
    return bad;
}

// The frame of the indicator that the region shows: 0 for bitmap 261, 1 to
// 13 for the running frames, -1 for none of them.
int IndicatorFrame(const Image& shot) {
    static const WORD ids[] = {IDB_WAIT_REST, IDB_WAIT_01, IDB_WAIT_02, IDB_WAIT_03, IDB_WAIT_04, IDB_WAIT_05,
                               IDB_WAIT_06,   IDB_WAIT_07, IDB_WAIT_08, IDB_WAIT_09, IDB_WAIT_10, IDB_WAIT_11,
                               IDB_WAIT_12,   IDB_WAIT_13};
    for (int i = 0; i < 14; ++i) {
        Image frame = ResourceBitmap(ids[i]);
        if (Mismatches(shot, frame, kIndicator.left, kIndicator.top, frame.width, frame.height, kIndicator.left,
                       kIndicator.top, 8) == 0)
            return i;
    }
    return -1;
}

// Rows of the title line that hold text (pixels well away from the band's
// background).
int InkRows(const Image& shot, const Image& bg) {
    int rows = 0;
    for (int y = kTitle.top; y < kTitle.bottom; ++y) {
        bool ink = false;
        for (int x = kTitle.left; x < kTitle.right && !ink; ++x) ink = !Near(shot.At(x, y), bg.At(x, y), 60);
        rows += ink ? 1 : 0;
    }
    return rows;
}

std::string ShotDir() {
    const char* d = std::getenv("VEMOMPI_SCREENSHOT_DIR");
    return d != nullptr ? d : "";
}

class SkinView : public SkinDialog {
protected:
    void SetUp() override {
        SkinDialog::SetUp();
        if (IsSkipped()) return;
        // The frame is drawn through the GDI layer; without it there is
        // nothing on the window to look at.
        HANDLE probe = LoadImage(AfxGetResourceHandle(), MAKEINTRESOURCE(IDB_SKIN_BACKGROUND), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION);
        if (probe == nullptr) GTEST_SKIP() << "the drawing layer cannot load bitmaps";
        DeleteObject(reinterpret_cast<HGDIOBJ>(probe));
    }
    std::string Png() const { return std::string(dir) + "/shot.png"; }
    // Runs until the ACS page has been shown for a moment, calls look(hwnd)
    // once, then closes the dialog.
    int RunAtAcs(const std::function<void(HWND)>& look) {
        mpi.SetAcsAutoSubmit(false);
        auto at = Clock::time_point{};
        bool done = false;
        return Run([&](HWND hwnd) {
            if (done || std::string(ctrl->m_strClientHTTPUrl).find("/acs/") == std::string::npos) return;
            if (at == Clock::time_point{}) at = Clock::now();
            if (Clock::now() - at < std::chrono::milliseconds(1500)) return;
            done = true;
            look(hwnd);
            afxtest::SendCloseRequest(hwnd);
        });
    }
};

}  // namespace

TEST_F(SkinView, BackgroundFillsTheDialogExactly) {
    Image bg = ResourceBitmap(IDB_SKIN_BACKGROUND);
    ASSERT_EQ(bg.width, 444);
    ASSERT_EQ(bg.height, 506);
    afxtest::WindowState state;
    Image shot;
    EXPECT_EQ(RunAtAcs([&](HWND hwnd) {
        afxtest::GetWindowState(hwnd, &state);
        shot = Capture(hwnd, Png());
    }), 2);
    EXPECT_FALSE(state.decorated);
    EXPECT_EQ(state.width, 444);
    EXPECT_EQ(state.height, 506);
    ASSERT_EQ(shot.width, 444);
    ASSERT_EQ(shot.height, 506);
    EXPECT_EQ(BackgroundMismatches(shot, bg, 0, 0, {kBrowser, kButton, kTitle, kIndicator}), 0);
}

TEST_F(SkinView, SmallerWindowCropsTheBackgroundEqually) {
    Image bg = ResourceBitmap(IDB_SKIN_BACKGROUND);
    ctrl->SetWindowSize(434, 486);
    Image shot;
    EXPECT_EQ(RunAtAcs([&](HWND hwnd) {
        // The browser covers the client area; without it the frame shows.
        CWnd::FromHandle(hwnd)->GetDlgItem(IDC_EXPLORER_AUTH)->ShowWindow(SW_HIDE);
        afxtest::Pump(500);
        shot = Capture(hwnd, Png());
    }), 2);
    ASSERT_EQ(shot.width, 434);
    ASSERT_EQ(shot.height, 486);
    // Cut by 5 pixels left and right and 10 at the top and bottom: the
    // window's (x, y) shows (x + 5, y + 10).
    EXPECT_EQ(BackgroundMismatches(shot, bg, -5, -10, {kButton, kTitle, kIndicator}), 0);
}

TEST_F(SkinView, IndicatorRunsWhileAPageLoadsAndRestsAfter) {
    mpi.Server().Route("/slow/", [](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r = TitledPage("Please wait");
        r.delayMs = 3000;
        return r;
    });
    std::strcpy(ctrl->m_szWaitUrl, mpi.Server().Url("/slow/Wait.html").c_str());
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    std::set<int> whileLoading;
    int bad = 0, atRest = -2, loadingShots = 0;
    auto doneAt = Clock::time_point{};
    int result = Run([&](HWND hwnd) {
        bool loaded = std::string(ctrl->m_strClientHTTPUrl).find("/slow/") != std::string::npos;
        Image shot = Capture(hwnd, Png());
        if (shot.Empty()) return;
        if (!loaded) {
            int f = IndicatorFrame(shot);
            ++loadingShots;
            if (f >= 1) whileLoading.insert(f);
            else ++bad;
            return;
        }
        if (doneAt == Clock::time_point{}) doneAt = Clock::now();
        if (Clock::now() - doneAt < std::chrono::milliseconds(700)) return;
        atRest = IndicatorFrame(shot);
        if (!ShotDir().empty()) afxtest::Snapshot(hwnd, (ShotDir() + "/skin-wait.png").c_str());
        afxtest::SendCloseRequest(hwnd);
    });
    EXPECT_EQ(result, 2);
    EXPECT_GT(loadingShots, 5);
    EXPECT_LE(bad, 2) << "shots while loading that show no running frame (the first paint may come late)";
    EXPECT_GE(whileLoading.size(), 4u) << "the frames change while the page loads";
    EXPECT_EQ(atRest, 0) << "bitmap 261 once the page has completed";
}

TEST_F(SkinView, CloseButtonShowsHoverPressedAndNormalImages) {
    Image normal = ResourceBitmap(IDB_CLOSE_NORMAL), hover = ResourceBitmap(IDB_CLOSE_HOVER),
          pressed = ResourceBitmap(IDB_CLOSE_PRESSED);
    mpi.SetAcsAutoSubmit(false);
    int stage = 0;
    int seen[4] = {-1, -1, -1, -1};
    auto at = Clock::time_point{};
    auto which = [&](const Image& shot) {
        const Image* imgs[] = {&normal, &hover, &pressed};
        for (int i = 0; i < 3; ++i)
            if (Mismatches(shot, *imgs[i], kButton.left, kButton.top, 20, 19, kButton.left, kButton.top, 3) == 0) return i;
        return -1;
    };
    int result = Run([&](HWND hwnd) {
        if (std::string(ctrl->m_strClientHTTPUrl).find("/acs/") == std::string::npos) return;
        if (at == Clock::time_point{}) at = Clock::now();
        if (Clock::now() - at < std::chrono::milliseconds(600)) return;
        at = Clock::now();
        afxtest::WindowState w;
        afxtest::GetWindowState(hwnd, &w);
        int bx = w.x + 420, by = w.y + 18;
        switch (stage++) {
            case 0:
                seen[0] = which(Capture(hwnd, Png()));  // normal
                afxtest::MovePointer(bx - 4, by);
                afxtest::MovePointer(bx, by);
                afxtest::MovePointer(bx + 1, by + 3);
                break;
            case 1:
                seen[1] = which(Capture(hwnd, Png()));  // hover
                afxtest::PointerButton(1, true);
                break;
            case 2:
                seen[2] = which(Capture(hwnd, Png()));  // pressed
                afxtest::MovePointer(w.x + 200, w.y + 300);
                afxtest::PointerButton(1, false);  // released away from it: no click
                afxtest::MovePointer(w.x + 440, w.y + 200);
                break;
            case 3:
                seen[3] = which(Capture(hwnd, Png()));  // normal again
                afxtest::MovePointer(bx - 4, by);
                afxtest::MovePointer(bx, by);
                break;
            case 4:
                afxtest::PointerButton(1, true);
                afxtest::PointerButton(1, false);  // a click: the run is cancelled
                break;
            default:
                break;
        }
    });
    EXPECT_EQ(result, 12006) << "the click of the close button at the ACS page";
    EXPECT_EQ(seen[0], 0) << "215 at rest";
    EXPECT_EQ(seen[1], 1) << "214 on hover";
    EXPECT_EQ(seen[2], 2) << "213 pressed";
    EXPECT_EQ(seen[3], 0) << "215 after leaving";
}

TEST_F(SkinView, TitleLineInTheTitleFontKeptForNorvatine) {
    mpi.Server().Route("/acs/ko", [](const sandbox::HttpRequest&) {
        return TitledPage("\xEC\xB9\xB4\xEB\x93\x9C \xEC\x9D\xB8\xEC\xA6\x9D \xEB\x8B\xA8\xEA\xB3\x84");  // "카드 인증 단계"
    });
    mpi.SetAcsUrlInReply(mpi.Server().Url("/acs/ko"));
    setenv("LANG", "ko_KR.UTF-8", 1);
    Image bg = ResourceBitmap(IDB_SKIN_BACKGROUND);
    int rows[2] = {0, 0};
    int norvatineChanged = -1;
    for (int size : {12, 16}) {
        ctrl->m_nTitleFontSize = size;
        EXPECT_EQ(RunAtAcs([&](HWND hwnd) {
            Image before = Capture(hwnd, Png());
            rows[size == 12 ? 0 : 1] = InkRows(before, bg);
            if (size != 12) {
                if (!ShotDir().empty()) afxtest::Snapshot(hwnd, (ShotDir() + "/skin-title-large.png").c_str());
                return;
            }
            if (!ShotDir().empty()) afxtest::Snapshot(hwnd, (ShotDir() + "/skin-acs-korean.png").c_str());
            BSTR b = SysAllocString(u"Norvatine");
            current->OnTitleChangeExplorerAuth(b);
            SysFreeString(b);
            afxtest::Pump(300);
            norvatineChanged = Mismatches(Capture(hwnd, Png()), before, kTitle.left, kTitle.top, 300, 16, 0, 0, 0);
        }), 2);
    }
    EXPECT_GT(rows[0], 4) << "the title is drawn in the line";
    EXPECT_GT(rows[1], rows[0]) << "in the title font: a larger font takes more rows";
    EXPECT_EQ(norvatineChanged, 0) << "Norvatine leaves the line as it was";
}

TEST_F(SkinView, MerchantPictureFromFileAndAddress) {
    const Rgb kColour{220, 20, 140};
    ASSERT_TRUE(WriteSolidBmp(std::string(dir) + "/a.bmp", 40, 24, kColour));
    std::ifstream in(std::string(dir) + "/a.bmp", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string bmp = bytes.str();
    mpi.Server().Route("/img/", [bmp](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.contentType = "image/bmp";
        r.body = bmp;
        return r;
    });
    {
        std::u16string wide;
        for (char ch : std::string(dir) + "/a.bmp") wide.push_back(static_cast<char16_t>(ch));
        IPicture* probe = nullptr;
        HRESULT hr = OleLoadPicturePath(const_cast<LPOLESTR>(wide.c_str()), nullptr, 0, 0, IID_IPicture,
                                        reinterpret_cast<LPVOID*>(&probe));
        if (probe != nullptr) probe->Release();
        if (hr == E_NOTIMPL) GTEST_SKIP() << "the picture layer loads no pictures yet";
    }
    char cwd[1024];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    Image solid;
    solid.width = 40;
    solid.height = 24;
    solid.px.assign(40 * 24, kColour);
    struct Case {
        std::string path;
        bool shown;
    } cases[] = {
        {std::string(dir) + "/a.bmp", true},
        {mpi.Server().Url("/img/logo.bmp"), true},
        {"./a.bmp", true},
        {"a.bmp", false},  // 5 characters: not loaded
        {"", false},
    };
    for (const auto& k : cases) {
        ctrl->SetImageSkin(20, 40, k.path.c_str());
        int bad = -1;
        EXPECT_EQ(RunAtAcs([&](HWND hwnd) {
            Image shot = Capture(hwnd, Png());
            bad = Mismatches(shot, solid, 20, 40, 40, 24, 20, 40, 3);
            if (k.path.find("/img/") != std::string::npos && !ShotDir().empty())
                afxtest::Snapshot(hwnd, (ShotDir() + "/skin-picture.png").c_str());
        }), 2);
        if (k.shown) EXPECT_EQ(bad, 0) << k.path;
        else EXPECT_EQ(bad, 40 * 24) << k.path << ": no picture";
    }
    ASSERT_EQ(chdir(cwd), 0);
}
