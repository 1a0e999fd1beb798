// Internal to platform/browser: the WebBrowser control's class, shared by
// its two files: webbrowser.cpp (the control: dispatch, loads, events) and
// webpolicy.cpp (which addresses it shows: web pages alone).
#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "platform/afx/gtk/afxgtk.h"
#include "platform/browser/webkit/mshtml.h"
#include "platform/browser/webkit/webdocument.h"

namespace afxbrowser {

class WebBrowserControl final : public AfxPlatformControl, public NoMembers<IDispatch> {
public:
    explicit WebBrowserControl(COleControlSite* site);
    ~WebBrowserControl() override;

    IDispatch* GetDispatch() override { return this; }
    GtkWidget* GetWidget() override { return GTK_WIDGET(view_); }

    // IUnknown: the control lives as long as its site.
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT*) override;

private:
    enum class Phase { Idle, Own, Helper };

    HRESULT Navigate2(DISPPARAMS* params);
    void FireBeforeNavigate2(const std::string& url, const VARIANT* flags, const VARIANT* target, const VARIANT* postData,
                             const VARIANT* headers, BOOL* cancel);
    void FireDocumentComplete(IDispatch* which, const std::string& url);
    void FireTitleChange(const std::string& title);
    void UpdateHostInfo();

    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer);
    static void OnTitle(GObject*, GParamSpec*, gpointer);
    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
    static gboolean OnKey(GtkWidget*, GdkEventKey*, gpointer);
    static void OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer);
    static gboolean StartPendingLoad(gpointer);
    static gboolean OnDrawn(GtkWidget*, cairo_t*, gpointer);
    void StartLoad();
    void ShowRefused(const std::string& uri);
    static void OnResourceStarted(WebKitWebView*, WebKitWebResource*, WebKitURIRequest*, gpointer);
    static void OnResourceFailed(WebKitWebResource*, GError*, gpointer);
    static gboolean CheckStalled(gpointer);
    static gboolean OnResponsePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer);
    static void OnDocumentRead(GObject*, GAsyncResult*, gpointer);

    COleControlSite* site_;
    IDocHostUIHandler* handler_ = nullptr;
    WebKitWebView* view_ = nullptr;
    WebKitUserContentManager* content_ = nullptr;
    WebKitUserStyleSheet* noScroll_ = nullptr;
    bool noScrollApplied_ = false;
    GCancellable* cancel_ = nullptr;
    FrameObject frame_;
    HtmlDocument* document_ = nullptr;

    // The load Navigate2 asked for. It starts at once, or, when Navigate2
    // was called from inside a navigation decision (a BeforeNavigate2
    // handler), once that decision has been taken; the first load of a view
    // that has not been drawn yet, once it has (see OnDrawn).
    struct PendingLoad {
        bool post = false;
        std::string url, body, headers;
    } pending_;
    bool deciding_ = false;
    guint pendingSource_ = 0;
    bool drawn_ = false;           // the view has shown a picture
    bool waitingForDraw_ = false;  // the pending load waits for it

    Phase phase_ = Phase::Idle;
    bool ownDecisionPending_ = false;   // the next decision is Navigate2's own load
    bool committed_ = false;            // the main frame has a new document
    bool errorPagePending_ = false;     // the next document is the browser's own error page
    bool errorPageShown_ = false;       // the top document is the browser's own error page
    std::string refusedUri_;            // a redirect of the top document that was refused
    unsigned generation_ = 0;           // main-frame loads started
    std::string lastTitle_;
};

// A web page's address: http or https (of any case).
bool IsWebAddress(const char* uri);
// Writes one line to the debugger output about a refused address (its
// scheme alone: a data: or javascript: address may carry anything).
void NoteRefused(const char* what, const std::string& uri);
// Drops the pending checks of a control that goes.
void ForgetStallChecks(WebBrowserControl* control);

}  // namespace afxbrowser
