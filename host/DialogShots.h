// Pictures of windows for demonstrations and tests: the host window on the
// driver's request, and, while a call into a control runs, the control's
// own dialogs (the process's other top-level windows) each time a browser
// inside them has finished loading a page and had time to paint it.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace host {

class WindowShots {
public:
    // dir: where pictures go (created when missing; "." when empty).
    WindowShots(GtkWidget* hostWindow, std::string dir, bool watchDialogs);
    ~WindowShots();
    WindowShots(const WindowShots&) = delete;
    WindowShots& operator=(const WindowShots&) = delete;

    // The host window as dir/name.png, once it has had time to paint.
    // False for a name that is not a plain file name.
    bool ShootHost(const std::string& name);

    // A call into a control starts and ends: the dialogs are watched
    // meanwhile (when watching was asked for).
    void BeginCall();
    void EndCall();

    // Pictures asked for and not yet taken.
    int Pending() const { return pending_; }

private:
    struct Shot;
    static gboolean Poll(gpointer self);
    static void OnLoadChanged(GtkWidget* view, int event, gpointer self);
    static gboolean Take(gpointer shot);
    void Hook(GtkWidget* toplevel, GtkWidget* widget);
    void Schedule(GtkWidget* toplevel, std::string path);

    GtkWidget* host_;
    std::string dir_;
    bool watch_;
    int calls_ = 0;
    guint poll_ = 0;
    int pending_ = 0;
    int dialogShots_ = 0;
};

}  // namespace host
