// Pictures of windows for demonstrations and tests, and the cardholder's
// script: the host window on the driver's request; and, while a call into
// a control runs, the control's own dialogs (the process's other top-level
// windows): a picture of each page a browser inside them has loaded, read
// from the X server once the dialog has painted that page (what a person
// sees), and one as the dialog ends, whatever its result. The cardholder's
// script runs in every top-level page those browsers load, in a script
// world of its own, with vemompiHost.log(text).
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

namespace host {

class WindowShots {
public:
    // dir: where pictures go ("." when empty). watchDialogs: pictures of
    // the dialogs. cardholder: the cardholder's script (empty: none) and the
    // address it is known by in error messages.
    WindowShots(GtkWidget* hostWindow, std::string dir, bool watchDialogs, std::string cardholder = std::string(),
                std::string cardholderUri = std::string());
    ~WindowShots();
    WindowShots(const WindowShots&) = delete;
    WindowShots& operator=(const WindowShots&) = delete;

    // Creates the folder when missing and checks that a file can be made
    // in it; false with the reason.
    static bool PrepareFolder(const std::string& dir, std::string* error);

    // The host window as dir/name.png, once it has had time to paint.
    // False for a name that is not a plain file name.
    bool ShootHost(const std::string& name);

    // A call into a control starts and ends: the dialogs are watched
    // meanwhile (when pictures or a cardholder were asked for).
    void BeginCall();
    void EndCall();

    // Pictures asked for and not yet taken.
    int Pending() const { return pending_; }

private:
    struct Shot;
    struct Dialog;
    static gboolean Poll(gpointer self);
    static gboolean OnAnyLoadChanged(GSignalInvocationHint*, guint n, const GValue* values, gpointer self);
    Dialog* DialogOf(GtkWidget* toplevel);
    static gboolean TakeHost(gpointer shot);
    static void OnLoadChanged(GtkWidget* view, int event, gpointer dialog);
    static gboolean OnViewDrawn(GtkWidget* view, cairo_t* cr, gpointer dialog);
    static void OnAfterPaint(GdkFrameClock* clock, gpointer dialog);
    static void OnHidden(GtkWidget* toplevel, gpointer dialog);
    static gboolean Nudge(gpointer dialog);
    static void OnCardholderDone(GObject* view, GAsyncResult* result, gpointer self);
    static void OnCardholderLog(GObject* content, gpointer result, gpointer self);
    bool Watching() const { return watch_ || !cardholder_.empty(); }
    // catchUp: a page that finished before the view was seen counts.
    void Hook(Dialog* dialog, GtkWidget* widget, bool catchUp);
    void PageLoaded(Dialog* dialog, GtkWidget* view);
    void WantPicture(Dialog* dialog);
    void SavePicture(GdkPixbuf* pixbuf, const std::string& what);
    void Release(Dialog* dialog);

    GtkWidget* host_;
    std::string dir_;
    bool watch_;
    std::string cardholder_;
    std::string cardholderUri_;
    int calls_ = 0;
    guint poll_ = 0;
    gulong loadHook_ = 0;
    guint loadSignal_ = 0;
    int pending_ = 0;
    int dialogShots_ = 0;
    std::vector<std::unique_ptr<Dialog>> dialogs_;
    std::vector<GWeakRef*> contents_;  // content managers with the cardholder's log handler
};

}  // namespace host
