// The dialogs' web pages run sandboxed: while the browser shows a page, its
// web processes (children of this process, under bubblewrap) have no new
// privileges and a seccomp filter. Where the sandbox cannot start on this
// machine the test says why and is skipped.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "platform/browser/webkit/websandbox.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/WebServer.h"
#include "ui/CustomOccManager.h"
#include "ui/WebBrowser2.h"

namespace {

struct Proc {
    int pid = 0, ppid = 0;
    std::string name;
    int noNewPrivs = -1, seccomp = -1;
};

std::map<int, Proc> Processes() {
    std::map<int, Proc> all;
    DIR* d = opendir("/proc");
    if (d == nullptr) return all;
    while (dirent* e = readdir(d)) {
        int pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/status");
        Proc p;
        p.pid = pid;
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string key;
            fields >> key;
            if (key == "Name:") fields >> p.name;
            if (key == "PPid:") fields >> p.ppid;
            if (key == "NoNewPrivs:") fields >> p.noNewPrivs;
            if (key == "Seccomp:") fields >> p.seccomp;
        }
        if (!p.name.empty()) all[pid] = p;
    }
    closedir(d);
    return all;
}

// The web processes started by this process (at any depth).
std::vector<Proc> OurWebProcesses() {
    std::map<int, Proc> all = Processes();
    std::vector<Proc> out;
    for (const auto& [pid, p] : all) {
        if (p.name.rfind("WebKitWebProces", 0) != 0) continue;
        for (int up = p.ppid, hops = 0; up > 1 && hops < 16; ++hops) {
            if (up == getpid()) {
                out.push_back(p);
                break;
            }
            auto it = all.find(up);
            if (it == all.end()) break;
            up = it->second.ppid;
        }
    }
    return out;
}

class PageDialog : public CDialog {
public:
    PageDialog() : CDialog(IDD_VEMOMPIAUTHNORMALDIALOG) {}
    CWebBrowser2 m_ExplorerAuth;
    std::string url;
    bool complete = false;
    std::vector<Proc> seen;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_EXPLORER_AUTH, m_ExplorerAuth);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MoveWindow(100, 80, 424, 464);
        VARIANT vUrl, empty;
        VariantInit(&vUrl);
        VariantInit(&empty);
        vUrl.vt = VT_BSTR;
        vUrl.bstrVal = AnsiToBstr(url.c_str());
        m_ExplorerAuth.Navigate2(&vUrl, &empty, &empty, &empty, &empty);
        VariantClear(&vUrl);
        SetTimer(4, 15000);
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == 4) EndDialog(-1);
        CDialog::OnTimer(id);
    }
    void OnDocumentCompleteExplorerAuth(IDispatch*, VARIANT*) {
        // The page is shown: its process runs now.
        complete = true;
        seen = OurWebProcesses();
        EndDialog(0);
    }
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override {
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {
            ON_EVENT(PageDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
        };
        static const AFX_EVENTSINKMAP map = {entries, 1};
        return &map;
    }
};

}  // namespace

TEST(BrowserSandbox, WebProcessesRunWithoutNewPrivilegesUnderSeccomp) {
    if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
    const char* why = nullptr;
    if (!AfxBrowserSandboxCanStart(&why)) GTEST_SKIP() << "the sandbox cannot start on this machine: " << why;
    AfxEnableControlContainer(new CCustomOccManager);
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.body = "<html><body>a page in the sandbox</body></html>";
        return r;
    });
    PageDialog dlg;
    dlg.url = server.Url("/page");
    ASSERT_EQ(dlg.DoModal(), 0);
    ASSERT_TRUE(dlg.complete);
    ASSERT_FALSE(dlg.seen.empty()) << "no web process of this process was found";
    for (const Proc& p : dlg.seen) {
        EXPECT_EQ(p.noNewPrivs, 1) << "web process " << p.pid;
        EXPECT_EQ(p.seccomp, 2) << "web process " << p.pid << " (2: a seccomp filter)";
    }
}
