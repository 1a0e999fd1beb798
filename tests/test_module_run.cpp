// The control as a container meets it: registered into a fresh registry,
// created by its ProgID through the COM loader and reached through IDispatch
// by name only. Whole authentications against the sandbox's test cards, in
// the skinned dialog by default and in the plain one after SetNormalDialog(1),
// and a report to the sandbox's report server. The module keeps its own
// window layer; what it shows is seen through GTK, which the process shares.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com/posix/loader.h"
#include "platform/registry/registry.h"
#include "platform/win/posix/winmod.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/dispatch.h"
#include "tests/support/tempdir.h"

using script::Call;
using script::Get;

namespace {

const char16_t kProgId[] = u"VEMOMPIOCX.VemoMPIOCXCtrl.1";
const char16_t kAttemptsCard[] = u"4000000000000028";

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The modal windows shown while a call ran, by title and size, sampled on
// the loop that the module's dialog runs.
struct ModalWatch {
    struct Seen {
        std::string title;
        int width = 0, height = 0;
    };
    std::vector<Seen> seen;
    guint source = 0;

    static gboolean Tick(gpointer data) {
        auto* self = static_cast<ModalWatch*>(data);
        GList* all = gtk_window_list_toplevels();
        for (GList* l = all; l != nullptr; l = l->next) {
            GtkWindow* w = GTK_WINDOW(l->data);
            if (!gtk_window_get_modal(w) || !gtk_widget_get_visible(GTK_WIDGET(w))) continue;
            const char* title = gtk_window_get_title(w);
            Seen s{title != nullptr ? title : "", gtk_widget_get_allocated_width(GTK_WIDGET(w)),
                   gtk_widget_get_allocated_height(GTK_WIDGET(w))};
            bool known = false;
            for (const auto& k : self->seen) known = known || (k.title == s.title && k.width == s.width);
            if (!known) self->seen.push_back(s);
        }
        g_list_free(all);
        return G_SOURCE_CONTINUE;
    }
    void Start() { source = g_timeout_add(50, &ModalWatch::Tick, this); }
    void Stop() {
        if (source != 0) g_source_remove(source);
        source = 0;
    }
};

class ModuleRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        unsetenv("LC_ALL");
        setenv("LANG", "en_US.UTF-8", 1);
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        setenv("VEMOMPI_SYSTEM_DIR", dir.path().c_str(), 1);
        HMODULE m = LoadLibraryA(VEMOMPI_MODULE);
        ASSERT_NE(m, nullptr);
        auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(m, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
        FreeLibrary(m);
        mpi.UseTestCards(true);

        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&ctrl)),
                  S_OK);
        EXPECT_EQ(Call(ctrl, u"SetWaitUrl", {U16(mpi.WaitUrl())}).Long(), 0);
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        CoFreeUnusedLibraries();
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("VEMOMPI_SYSTEM_DIR");
    }
    LONG Authenticate(ModalWatch* watch) {
        watch->Start();
        script::Result r = Call(ctrl, u"GetPAReq2",
                                {u"SHOP01", u"Corner Shop", kAttemptsCard, u"2029", u"07", u"15000", u"00", u"coffee",
                                 U16(mpi.EnrollUrl())});
        watch->Stop();
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }
    void ExpectAttemptsResult() {
        std::vector<sandbox::EnrollmentRequest> e = mpi.Enrollments();
        ASSERT_FALSE(e.empty());
        std::string md = "md-attempts-" + std::to_string(e.size());
        struct Expected {
            const char16_t* name;
            std::u16string value;
        } results[] = {
            {u"Code1", u"0"},
            {u"Msg1", u"Enrolled"},
            {u"PaReq", u"eJzzSM3JyVcozy/KSQEAGgQEXQ=="},
            {u"AcsUrl", U16(mpi.AcsUrl())},
            {u"Md", U16(md)},
            {u"Code2", u"A"},
            {u"Msg2", u"Attempted"},
            {u"Cavv", u"AAABBJAgdQAAAAAAAAAAAAAAAAA="},
            {u"Eci", u"06"},
            {u"CavvAlg", u"2"},
            {u"TermUrl", U16(mpi.TermUrl())},
            {u"json", u"{\"status\":\"A\",\"eci\":\"06\"}"},
        };
        for (const auto& r : results) EXPECT_EQ(Get(ctrl, r.name).Text(), r.value) << script::IdOf(ctrl, r.name);
        EXPECT_FALSE(Get(ctrl, u"Md64").Text().empty());
        std::u16string pan = Get(ctrl, u"realPan").Text();
        EXPECT_EQ(pan.size(), 16u);
        EXPECT_NE(pan, kAttemptsCard) << "the result page reports the card masked";
        EXPECT_EQ(Call(ctrl, u"GetClientHTTPUrl").Text(), U16(mpi.TermUrl()));
    }

    TempDir dir;
    sandbox::MpiSandbox mpi;
    IDispatch* ctrl = nullptr;
};

}  // namespace

TEST_F(ModuleRun, SkinnedByDefaultThenPlainThenAReport) {
    ModalWatch skinned;
    EXPECT_EQ(Authenticate(&skinned), 0);
    ExpectAttemptsResult();
    ASSERT_FALSE(skinned.seen.empty()) << "a dialog ran";
    for (const auto& s : skinned.seen) EXPECT_EQ(s.title, "") << "the skinned dialog keeps its window text empty";

    EXPECT_EQ(Call(ctrl, u"SetNormalDialog", {1}).Long(), 0);
    ModalWatch plain;
    EXPECT_EQ(Authenticate(&plain), 0);
    ExpectAttemptsResult();
    ASSERT_FALSE(plain.seen.empty());
    // The plain dialog's caption: its own text, then the title of the page it
    // shows (the first sample may already see the page's).
    for (const auto& s : plain.seen) EXPECT_NE(s.title, "") << "a captioned window";
    EXPECT_NE(plain.seen[0].width, skinned.seen[0].width) << "another window than the skinned one";
    EXPECT_EQ(mpi.Enrollments().size(), 2u);

    // A report, one parameter sealed for the operators: accepted by the first
    // attempt, and the result properties stay as the authentication left them.
    std::u16string data1 = Call(ctrl, u"GetClientHTTPData1").Text();
    script::Result r = Call(ctrl, u"SendHTTPPost", {U16(mpi.ReportUrl()), 1, u"code=A", u"", u"shop SHOP01"});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.Long(), 0);
    std::vector<sandbox::Report> reports = mpi.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].data[0], "code=A");
    EXPECT_TRUE(reports[0].sealed[0]);
    EXPECT_EQ(reports[0].data[2], "shop SHOP01");
    EXPECT_EQ(Call(ctrl, u"GetClientHTTPData1").Text(), data1);
    ExpectAttemptsResult();
}

TEST_F(ModuleRun, UnknownNamesAndRefusedArgumentsThroughTheModule) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(u"NoSuchMember");
    EXPECT_EQ(ctrl->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), DISP_E_UNKNOWNNAME);
    // The argument check refuses an empty merchant id before any request.
    script::Result r = Call(ctrl, u"GetPAReq2",
                            {u"", u"Corner Shop", kAttemptsCard, u"2029", u"07", u"15000", u"00", u"coffee",
                             U16(mpi.EnrollUrl())});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.Long(), 11005);
    EXPECT_EQ(Get(ctrl, u"Msg1").Text(), u"Error : Input Parameter invalid");
    EXPECT_TRUE(mpi.Enrollments().empty());
}
