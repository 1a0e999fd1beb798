// The browser's web process started ahead of the dialogs: enabling the
// control container starts it, every browser control's view runs in it
// (no dialog starts a process of its own), when it dies the next one is
// started before a dialog needs it, and the container's end lets it go. A
// view's first load, which waits for the view's first picture, also starts
// in a browser that is never shown. Real WebKitGTK under Xvfb, a loopback
// server started here.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/WebServer.h"
#include "ui/CustomOccManager.h"
#include "ui/WebBrowser2.h"

namespace {

// The browser's web processes: processes named WebKitWebProcess started by
// this one (its children, or its grandchildren under the sandbox's
// bubblewrap).
std::set<long> WebProcesses() {
    std::error_code ec;
    long self = std::stol(std::filesystem::read_symlink("/proc/self", ec).string());
    std::map<long, long> parent;
    std::set<long> web;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        std::getline(in, stat);
        size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        long ppid = 0;
        rest >> state >> ppid;
        long pid = std::stol(name);
        parent[pid] = ppid;
        // The kernel keeps 15 characters of the command name.
        if (state != "Z" && stat.compare(open + 1, close - open - 1, "WebKitWebProces") == 0) web.insert(pid);
    }
    std::set<long> out;
    for (long pid : web) {
        long up = parent[pid];
        for (int hops = 0; hops < 4 && up > 1 && up != self; ++hops) up = parent.count(up) ? parent[up] : 0;
        if (up == self) out.insert(pid);
    }
    return out;
}

// A dialog whose browser loads one page; it ends once the page completed
// and records the web processes seen while the page was shown.
class PageDialog : public CDialog {
public:
    explicit PageDialog(std::string url) : CDialog(IDD_VEMOMPIAUTHNORMALDIALOG), url_(std::move(url)) {}

    CWebBrowser2 m_ExplorerAuth;
    bool hideBrowser = false;
    bool completed = false;
    std::set<long> processes;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_EXPLORER_AUTH, m_ExplorerAuth);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (hideBrowser) m_ExplorerAuth.ShowWindow(SW_HIDE);
        VARIANT url, empty;
        VariantInit(&url);
        VariantInit(&empty);
        url.vt = VT_BSTR;
        url.bstrVal = AnsiToBstr(url_.c_str());
        m_ExplorerAuth.Navigate2(&url, &empty, &empty, &empty, &empty);
        VariantClear(&url);
        SetTimer(4, 20000);  // a page that never completes ends the dialog
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == 4) EndDialog(-1);
        CDialog::OnTimer(id);
    }
    void OnDocumentCompleteExplorerAuth(IDispatch*, VARIANT*) {
        completed = true;
        processes = WebProcesses();
        EndDialog(0);
    }
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override {
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {
            ON_EVENT(PageDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
        };
        static const AFX_EVENTSINKMAP map = {entries, 1};
        return &map;
    }

private:
    std::string url_;
};

class BrowserPrestart : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        AfxEnableControlContainer(new CCustomOccManager);
    }
    // Waits (bounded) for exactly one running web process and returns it.
    static long TheProcess(const std::set<long>& not_this = {}) {
        std::set<long> now;
        afxtest::PumpUntil([&]() {
            now = WebProcesses();
            return now.size() == 1 && not_this.count(*now.begin()) == 0;
        }, 20000);
        return now.size() == 1 ? *now.begin() : 0;
    }
    sandbox::WebServer server{[](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.contentType = "text/html; charset=utf-8";
        r.body = "<html><body><p>please wait</p></body></html>";
        return r;
    }};
};

}  // namespace

TEST_F(BrowserPrestart, EveryDialogRunsInTheProcessStartedBeforeIt) {
    long process = TheProcess();
    ASSERT_NE(process, 0) << "enabling the container starts the web process";
    for (int i = 0; i < 3; ++i) {
        PageDialog dlg(server.Url("/VemoMPI/Wait.html"));
        ASSERT_EQ(dlg.DoModal(), 0) << "dialog " << i;
        EXPECT_TRUE(dlg.completed);
        EXPECT_EQ(dlg.processes, std::set<long>{process}) << "dialog " << i << " started a process of its own";
    }
    EXPECT_EQ(WebProcesses(), std::set<long>{process}) << "the process outlives the dialogs";
}

TEST_F(BrowserPrestart, AProcessThatDiedIsReplacedBeforeTheNextDialog) {
    long process = TheProcess();
    ASSERT_NE(process, 0);
    ASSERT_EQ(kill(static_cast<pid_t>(process), SIGKILL), 0);
    long next = TheProcess({process});
    ASSERT_NE(next, 0) << "no new process was started after the old one died";

    PageDialog dlg(server.Url("/VemoMPI/Wait.html"));
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(dlg.processes, std::set<long>{next});
}

TEST_F(BrowserPrestart, AHiddenBrowserStillLoadsItsFirstPage) {
    PageDialog dlg(server.Url("/VemoMPI/Wait.html"));
    dlg.hideBrowser = true;
    EXPECT_EQ(dlg.DoModal(), 0) << "the page never completed";
    EXPECT_TRUE(dlg.completed);
}

TEST_F(BrowserPrestart, TheContainersEndLetsTheProcessGoAndTheNextStartMakesAnother) {
    long process = TheProcess();
    ASSERT_NE(process, 0);
    AfxTermControlContainer();
    EXPECT_TRUE(afxtest::PumpUntil([]() { return WebProcesses().empty(); }, 20000)) << "the process stayed";
    AfxEnableControlContainer(new CCustomOccManager);
    long next = TheProcess({process});
    ASSERT_NE(next, 0);
    PageDialog dlg(server.Url("/VemoMPI/Wait.html"));
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(dlg.processes, std::set<long>{next});
}
