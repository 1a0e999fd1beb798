// The skinned authentication dialog run modally as an authentication runs
// it, against the sandbox on loopback, with a hook called every 100 ms on
// the dialog's loop: the fixture of the skinned dialog's tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "auth/VemoMPIAuthZKSkinDialog.h"
#include "platform/afx/afxtest.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/MpiSandbox.h"
#include "transport/HTTPTransport.h"
#include "ui/CustomOccManager.h"

namespace skintest {

using Clock = std::chrono::steady_clock;

// A page of the sandbox with the given title (UTF-8).
inline sandbox::HttpResponse TitledPage(const std::string& title) {
    sandbox::HttpResponse r;
    r.contentType = "text/html; charset=utf-8";
    r.body = "<html><head><meta charset=\"utf-8\"><title>" + sandbox::HtmlEscape(title) +
             "</title></head><body style=\"font-family:sans-serif\"><p>" + sandbox::HtmlEscape(title) + "</p></body></html>";
    return r;
}

class SkinDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        std::snprintf(dir, sizeof(dir), "/tmp/vemompi-skin-XXXXXX");
        ASSERT_NE(mkdtemp(dir), nullptr);
        setenv("VEMOMPI_REGISTRY", (std::string(dir) + "/registry.reg").c_str(), 1);
        ctrl = new CVemoMPIOCXCtrl();
        ctrl->m_nForcedProxyEnv = 1;  // the socket transport unless a test says otherwise
        mpi.SetAcsAutoSubmit(true);
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        unsetenv("VEMOMPI_REGISTRY");
        std::string cmd = std::string("rm -rf ") + dir;
        if (dir[0] != '\0') {
            EXPECT_EQ(std::system(cmd.c_str()), 0);
        }
    }

    // Prepares the control as an authentication does before its dialog
    // runs, then runs the skinned dialog modally. `during` is called every
    // 100 ms on the dialog's loop with the dialog's window.
    int Run(const std::function<void(HWND)>& during = nullptr) {
        ctrl->m_iAuthState = STATE_VEREQ;
        for (CString* p : {&ctrl->m_Code1, &ctrl->m_Msg1, &ctrl->m_PaReq, &ctrl->m_AcsUrl, &ctrl->m_Md, &ctrl->m_Md64,
                           &ctrl->m_Code2, &ctrl->m_Msg2, &ctrl->m_Cavv, &ctrl->m_Eci, &ctrl->m_CavvAlg, &ctrl->m_TermUrl,
                           &ctrl->m_realPan, &ctrl->m_json})
            p->Empty();
        ctrl->m_strClientHTTPUrl.Empty();
        std::strcpy(ctrl->m_szMallID, "SHOP01");
        std::strcpy(ctrl->m_szMallName, "Corner Shop");
        std::strcpy(ctrl->m_szCardNum, "4111222233334444");
        std::strcpy(ctrl->m_szExpiryYear, "2029");
        std::strcpy(ctrl->m_szExpiryMonth, "07");
        std::strcpy(ctrl->m_szTotalPrice, "15000");
        std::strcpy(ctrl->m_szInstallment, "00");
        std::strcpy(ctrl->m_szDesc, "coffee");
        std::strcpy(ctrl->m_LocalURL, "http://shop.example");
        if (ctrl->m_szServerUrl[0] == '\0') std::strcpy(ctrl->m_szServerUrl, mpi.EnrollUrl().c_str());
        if (ctrl->m_szWaitUrl[0] == '\0') std::strcpy(ctrl->m_szWaitUrl, mpi.WaitUrl().c_str());
        ctrl->m_nTimeOut = ctrl->m_nPrimaryTimeOut;

        auto dlg = std::make_unique<CVemoMPIAuthZKSkinDialog>();
        dlg->SetControl(ctrl);
        current = dlg.get();
        auto started = Clock::now();
        // The ticks of this run stop with it: one may still be queued when
        // the dialog ends, and must not touch the run's locals then.
        auto alive = std::make_shared<bool>(true);
        auto tick = std::make_shared<std::function<void()>>();
        CVemoMPIAuthZKSkinDialog* d = dlg.get();
        *tick = [&, d, alive, tick]() {
            if (!*alive) return;
            HWND hwnd = d->GetSafeHwnd();
            if (hwnd != nullptr && afxtest::ActiveModal() == hwnd) {
                if (during) during(hwnd);
                // A run never outlives a minute: a close request ends it.
                if (Clock::now() - started > std::chrono::seconds(60)) afxtest::SendCloseRequest(hwnd);
            }
            std::weak_ptr<std::function<void()>> next = tick;
            afxtest::Post([next, alive]() {
                if (auto t = next.lock(); t && *alive) (*t)();
            }, 100);
        };
        afxtest::Post([tick]() { (*tick)(); }, 100);
        int result = static_cast<int>(dlg->DoModal());
        *alive = false;
        *tick = nullptr;
        elapsed = Clock::now() - started;
        exchange = dlg->m_Flow.m_pExchange;
        waitFrameAtEnd = dlg->m_nWaitFrame;
        current = nullptr;
        dlg.reset();
        ctrl->m_iAuthState = STATE_COMPLETE;
        return result;
    }

    // The text of an item of the running dialog (ANSI code page).
    static std::string ItemText(HWND hwnd, int id) {
        CWnd* item = CWnd::FromHandle(hwnd)->GetDlgItem(id);
        if (item == nullptr) return "<none>";
        CString s;
        item->GetWindowText(s);
        return std::string(s.GetString());
    }

    // Clicks the close button "X" as its parent hears it.
    static void ClickClose(HWND hwnd) { SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_CLOSE, 0), 0); }

    char dir[64] = {0};
    sandbox::MpiSandbox mpi;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    CVemoMPIAuthZKSkinDialog* current = nullptr;
    Clock::duration elapsed{};
    std::shared_ptr<CHTTPExchange> exchange;
    int waitFrameAtEnd = -1;
};

}  // namespace skintest
