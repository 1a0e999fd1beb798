#include "host/DialogShots.h"

#include <glib/gstdio.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <cstdio>
#include <set>

namespace host {

namespace {

// The time the host window is given to paint before its picture.
constexpr guint kHostPaintMs = 300;
// How often the process's windows are looked at during a call.
constexpr guint kPollMs = 20;
// A page's picture: the first frame the dialog paints, with the page's
// view drawn, at least this long after the page loaded (or the
// cardholder's script ran), so that the page's own rendering has reached
// the window; a frame is asked for meanwhile in case nothing else paints.
constexpr gint64 kSettleUs = 60 * 1000;
constexpr guint kNudgeMs = 50;
// Past this the picture is taken from whatever the window shows.
constexpr gint64 kLatestUs = 1000 * 1000;
const char kHooked[] = "vemompi-host-shots";
const char kWorld[] = "vemompi-cardholder";
const char kLogHandler[] = "vemompiHost";

std::set<const void*>& Alive() {
    static std::set<const void*> alive;
    return alive;
}

bool PlainName(const std::string& n) {
    if (n.empty() || n.size() > 100 || n[0] == '.') return false;
    for (char c : n)
        if (!g_ascii_isalnum(c) && c != '-' && c != '_' && c != '.') return false;
    return true;
}

// What the X server shows of the window: what a person sees.
GdkPixbuf* Grab(GtkWidget* toplevel) {
    GdkWindow* gw = gtk_widget_get_window(toplevel);
    if (gw == nullptr || !gtk_widget_get_mapped(toplevel)) return nullptr;
    return gdk_pixbuf_get_from_window(gw, 0, 0, gdk_window_get_width(gw), gdk_window_get_height(gw));
}

// The cardholder's script with vemompiHost.log; the prefix keeps to the
// first line, so that the script's lines are its own in error messages.
std::string CardholderScript(const std::string& source) {
    return std::string("(function () { const vemompiHost = Object.freeze({ log: (text) => "
                       "window.webkit.messageHandlers.") +
           kLogHandler + ".postMessage(String(text)) }); (function () { " + source + "\n})(); })();\n";
}

}  // namespace

struct WindowShots::Shot {
    WindowShots* owner;
    GWeakRef window;
    std::string path;
};

struct WindowShots::Dialog {
    WindowShots* owner = nullptr;
    GWeakRef toplevel;
    GWeakRef clock;
    gulong paintHandler = 0;
    GdkPixbuf* last = nullptr;  // the latest frame the window painted
    bool due = false;           // a page's picture is due
    bool drawn = false;         // the page's view was drawn since
    gint64 since = 0;
    guint nudge = 0;
    bool ended = false;
    std::vector<GWeakRef*> views;
};

WindowShots::WindowShots(GtkWidget* hostWindow, std::string dir, bool watchDialogs, std::string cardholder,
                         std::string cardholderUri)
    : host_(hostWindow),
      dir_(dir.empty() ? "." : std::move(dir)),
      watch_(watchDialogs),
      cardholder_(std::move(cardholder)),
      cardholderUri_(std::move(cardholderUri)) {
    Alive().insert(this);
    if (Watching()) {
        // Every browser's page loads, from the first: a dialog's first page
        // may have come and gone before a look at the windows finds it.
        g_type_class_unref(g_type_class_ref(WEBKIT_TYPE_WEB_VIEW));
        loadSignal_ = g_signal_lookup("load-changed", WEBKIT_TYPE_WEB_VIEW);
        loadHook_ = g_signal_add_emission_hook(loadSignal_, 0, &WindowShots::OnAnyLoadChanged, this, nullptr);
    }
}

WindowShots::~WindowShots() {
    Alive().erase(this);
    if (loadHook_ != 0) g_signal_remove_emission_hook(loadSignal_, loadHook_);
    if (poll_ != 0) g_source_remove(poll_);
    for (auto& d : dialogs_) Release(d.get());
    for (GWeakRef* ref : contents_) {
        if (GObject* content = static_cast<GObject*>(g_weak_ref_get(ref))) {
            g_signal_handlers_disconnect_by_data(content, this);
            webkit_user_content_manager_unregister_script_message_handler_in_world(
                WEBKIT_USER_CONTENT_MANAGER(content), kLogHandler, kWorld);
            g_object_set_data(content, kHooked, nullptr);
            g_object_unref(content);
        }
        g_weak_ref_clear(ref);
        delete ref;
    }
}

void WindowShots::Release(Dialog* d) {
    if (d->nudge != 0) g_source_remove(d->nudge);
    d->nudge = 0;
    if (GObject* clock = static_cast<GObject*>(g_weak_ref_get(&d->clock))) {
        if (d->paintHandler != 0) g_signal_handler_disconnect(clock, d->paintHandler);
        g_object_unref(clock);
    }
    d->paintHandler = 0;
    if (GObject* top = static_cast<GObject*>(g_weak_ref_get(&d->toplevel))) {
        g_signal_handlers_disconnect_by_data(top, d);
        g_object_set_data(top, kHooked, nullptr);
        g_object_unref(top);
    }
    for (GWeakRef* ref : d->views) {
        if (GObject* view = static_cast<GObject*>(g_weak_ref_get(ref))) {
            g_signal_handlers_disconnect_by_data(view, d);
            g_object_set_data(view, kHooked, nullptr);
            g_object_unref(view);
        }
        g_weak_ref_clear(ref);
        delete ref;
    }
    d->views.clear();
    g_weak_ref_clear(&d->toplevel);
    g_weak_ref_clear(&d->clock);
    if (d->last != nullptr) g_object_unref(d->last);
    d->last = nullptr;
}

bool WindowShots::PrepareFolder(const std::string& dir, std::string* error) {
    std::string d = dir.empty() ? "." : dir;
    if (g_mkdir_with_parents(d.c_str(), 0755) != 0) {
        *error = "cannot make the folder " + d + ": " + g_strerror(errno);
        return false;
    }
    std::string probe = d + "/.vemompi-host-XXXXXX";
    int fd = g_mkstemp(&probe[0]);
    if (fd < 0) {
        *error = "cannot write in the folder " + d + ": " + g_strerror(errno);
        return false;
    }
    close(fd);
    g_unlink(probe.c_str());
    return true;
}

bool WindowShots::ShootHost(const std::string& name) {
    if (!PlainName(name)) return false;
    std::string file = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 ? name : name + ".png";
    auto* shot = new Shot{this, {}, dir_ + "/" + file};
    g_weak_ref_init(&shot->window, host_);
    ++pending_;
    g_timeout_add(kHostPaintMs, &WindowShots::TakeHost, shot);
    return true;
}

void WindowShots::SavePicture(GdkPixbuf* pixbuf, const std::string& path) {
    if (pixbuf == nullptr) return;
    if (gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr)) {
        std::printf("screenshot %s\n", path.c_str());
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "vemompi-host: cannot save %s\n", path.c_str());
    }
}

gboolean WindowShots::TakeHost(gpointer data) {
    auto* shot = static_cast<Shot*>(data);
    if (auto* w = static_cast<GtkWidget*>(g_weak_ref_get(&shot->window))) {
        if (GdkPixbuf* pixbuf = Grab(w)) {
            shot->owner->SavePicture(pixbuf, shot->path);
            g_object_unref(pixbuf);
        }
        g_object_unref(w);
    }
    g_weak_ref_clear(&shot->window);
    --shot->owner->pending_;
    delete shot;
    return G_SOURCE_REMOVE;
}

void WindowShots::BeginCall() {
    if (!Watching() || calls_++ > 0) return;
    poll_ = g_timeout_add(kPollMs, &WindowShots::Poll, this);
}

void WindowShots::EndCall() {
    if (!Watching() || --calls_ > 0) return;
    if (poll_ != 0) g_source_remove(poll_);
    poll_ = 0;
}

void WindowShots::WantPicture(Dialog* d) {
    if (!watch_ || d->ended) return;
    d->due = true;
    d->drawn = false;
    d->since = g_get_monotonic_time();
    if (d->nudge == 0) d->nudge = g_timeout_add(kNudgeMs, &WindowShots::Nudge, d);
}

void WindowShots::PageLoaded(Dialog* d, GtkWidget* view) {
    // The blank document a browser starts with is no page of the dialog's.
    const char* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view));
    if (uri == nullptr || g_str_has_prefix(uri, "about:")) return;
    if (cardholder_.empty()) {
        WantPicture(d);
        return;
    }
    // The page's picture follows what the cardholder did at once (a typed
    // password shows as the page shows it).
    std::string script = CardholderScript(cardholder_);
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view), script.c_str(), static_cast<gssize>(script.size()),
                                        kWorld, cardholderUri_.c_str(), nullptr, &WindowShots::OnCardholderDone, this);
    if (watch_) d->due = false;
}

void WindowShots::OnCardholderDone(GObject* object, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    JSCValue* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, &error);
    if (v != nullptr) g_object_unref(v);
    if (error != nullptr) {
        std::fprintf(stderr, "vemompi-host: cardholder: %s\n", error->message);
        g_error_free(error);
    }
    if (Alive().count(data) == 0) return;
    auto* self = static_cast<WindowShots*>(data);
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(object));
    auto* d = top != nullptr ? static_cast<Dialog*>(g_object_get_data(G_OBJECT(top), kHooked)) : nullptr;
    if (d != nullptr && d->owner == self) self->WantPicture(d);
}

void WindowShots::OnCardholderLog(GObject*, gpointer result, gpointer) {
    JSCValue* v = webkit_javascript_result_get_js_value(static_cast<WebKitJavascriptResult*>(result));
    char* text = v != nullptr ? jsc_value_to_string(v) : nullptr;
    std::printf("%s\n", text != nullptr ? text : "");
    std::fflush(stdout);
    g_free(text);
}

gboolean WindowShots::Nudge(gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    auto* top = static_cast<GtkWidget*>(g_weak_ref_get(&d->toplevel));
    if (top == nullptr || !d->due) {
        if (top != nullptr) g_object_unref(top);
        d->nudge = 0;
        return G_SOURCE_REMOVE;
    }
    if (g_get_monotonic_time() - d->since >= kLatestUs) {
        // Nothing painted the page: what the window shows.
        d->due = false;
        if (GdkPixbuf* now = Grab(top)) {
            char name[32];
            std::snprintf(name, sizeof name, "/dialog-%02d.png", ++d->owner->dialogShots_);
            d->owner->SavePicture(now, d->owner->dir_ + name);
            g_object_unref(now);
        }
        g_object_unref(top);
        d->nudge = 0;
        return G_SOURCE_REMOVE;
    }
    gtk_widget_queue_draw(top);
    g_object_unref(top);
    return G_SOURCE_CONTINUE;
}

void WindowShots::OnAfterPaint(GdkFrameClock*, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    auto* top = static_cast<GtkWidget*>(g_weak_ref_get(&d->toplevel));
    if (top == nullptr) return;
    if (GdkPixbuf* now = Grab(top)) {
        if (d->last != nullptr) g_object_unref(d->last);
        d->last = now;
    }
    g_object_unref(top);
    if (d->due && d->drawn && d->last != nullptr && g_get_monotonic_time() - d->since >= kSettleUs) {
        d->due = false;
        char name[32];
        std::snprintf(name, sizeof name, "/dialog-%02d.png", ++d->owner->dialogShots_);
        d->owner->SavePicture(d->last, d->owner->dir_ + name);
    }
}

gboolean WindowShots::OnViewDrawn(GtkWidget*, cairo_t*, gpointer data) {
    static_cast<Dialog*>(data)->drawn = true;
    return FALSE;
}

void WindowShots::OnHidden(GtkWidget*, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    if (d->ended) return;
    d->ended = true;
    WindowShots* self = d->owner;
    if (!self->watch_ || d->last == nullptr) return;
    // A page that went with the dialog before a frame showed it settled
    // is what the end shows.
    d->due = false;
    char name[32];
    // The dialog as it was last painted: its end.
    std::snprintf(name, sizeof name, "/dialog-%02d.png", ++self->dialogShots_);
    self->SavePicture(d->last, self->dir_ + name);
}

void WindowShots::OnLoadChanged(GtkWidget* view, int event, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    WindowShots* self = d->owner;
    if (event == WEBKIT_LOAD_COMMITTED && d->due) {
        // The next document replaces this one: the window still shows it.
        d->due = false;
        auto* top = static_cast<GtkWidget*>(g_weak_ref_get(&d->toplevel));
        if (top != nullptr) {
            GdkPixbuf* now = Grab(top);
            char name[32];
            std::snprintf(name, sizeof name, "/dialog-%02d.png", ++self->dialogShots_);
            self->SavePicture(now != nullptr ? now : d->last, self->dir_ + name);
            if (now != nullptr) g_object_unref(now);
            g_object_unref(top);
        }
    }
    if (event == WEBKIT_LOAD_FINISHED && self->calls_ > 0) self->PageLoaded(d, view);
}

WindowShots::Dialog* WindowShots::DialogOf(GtkWidget* w) {
    auto* d = static_cast<Dialog*>(g_object_get_data(G_OBJECT(w), kHooked));
    if (d == nullptr) {
        dialogs_.push_back(std::make_unique<Dialog>());
        d = dialogs_.back().get();
        d->owner = this;
        g_weak_ref_init(&d->toplevel, w);
        g_weak_ref_init(&d->clock, nullptr);
        g_object_set_data(G_OBJECT(w), kHooked, d);
        g_signal_connect(w, "hide", G_CALLBACK(&WindowShots::OnHidden), d);
        g_signal_connect(w, "destroy", G_CALLBACK(&WindowShots::OnHidden), d);
    }
    if (watch_ && d->paintHandler == 0 && gtk_widget_get_realized(w)) {
        if (GdkFrameClock* clock = gdk_window_get_frame_clock(gtk_widget_get_window(w))) {
            g_weak_ref_set(&d->clock, clock);
            d->paintHandler = g_signal_connect(clock, "after-paint", G_CALLBACK(&WindowShots::OnAfterPaint), d);
        }
        gtk_widget_queue_draw(w);
    }
    return d;
}

gboolean WindowShots::OnAnyLoadChanged(GSignalInvocationHint*, guint n, const GValue* values, gpointer data) {
    auto* self = static_cast<WindowShots*>(data);
    if (n < 2 || self->calls_ == 0) return TRUE;
    auto* view = static_cast<GtkWidget*>(g_value_get_object(&values[0]));
    if (view == nullptr || !WEBKIT_IS_WEB_VIEW(view) || g_object_get_data(G_OBJECT(view), kHooked) != nullptr)
        return TRUE;
    GtkWidget* top = gtk_widget_get_toplevel(view);
    if (top == nullptr || top == self->host_ || !GTK_IS_WINDOW(top) ||
        gtk_window_get_window_type(GTK_WINDOW(top)) != GTK_WINDOW_TOPLEVEL)
        return TRUE;
    Dialog* d = self->DialogOf(top);
    if (d->ended) return TRUE;
    // Seen from now on through its own handler, this event included.
    self->Hook(d, view, false);
    OnLoadChanged(view, g_value_get_enum(&values[1]), d);
    return TRUE;
}

void WindowShots::Hook(Dialog* d, GtkWidget* widget, bool catchUp) {
    if (WEBKIT_IS_WEB_VIEW(widget)) {
        if (g_object_get_data(G_OBJECT(widget), kHooked) != nullptr) return;
        g_object_set_data(G_OBJECT(widget), kHooked, d);
        auto* ref = new GWeakRef;
        g_weak_ref_init(ref, widget);
        d->views.push_back(ref);
        g_signal_connect(widget, "load-changed", G_CALLBACK(&WindowShots::OnLoadChanged), d);
        g_signal_connect_after(widget, "draw", G_CALLBACK(&WindowShots::OnViewDrawn), d);
        WebKitWebView* view = WEBKIT_WEB_VIEW(widget);
        if (!cardholder_.empty()) {
            WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
            if (content != nullptr && g_object_get_data(G_OBJECT(content), kHooked) == nullptr) {
                g_object_set_data(G_OBJECT(content), kHooked, this);
                webkit_user_content_manager_register_script_message_handler_in_world(content, kLogHandler, kWorld);
                g_signal_connect(content, (std::string("script-message-received::") + kLogHandler).c_str(),
                                 G_CALLBACK(&WindowShots::OnCardholderLog), this);
                auto* cref = new GWeakRef;
                g_weak_ref_init(cref, content);
                contents_.push_back(cref);
            }
        }
        // A page that finished before the view was seen.
        if (catchUp && !webkit_web_view_is_loading(view) && webkit_web_view_get_uri(view) != nullptr)
            PageLoaded(d, widget);
        return;
    }
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* c = children; c != nullptr; c = c->next) Hook(d, GTK_WIDGET(c->data), catchUp);
        g_list_free(children);
    }
}

gboolean WindowShots::Poll(gpointer data) {
    auto* self = static_cast<WindowShots*>(data);
    GList* tops = gtk_window_list_toplevels();
    for (GList* t = tops; t != nullptr; t = t->next) {
        auto* w = GTK_WIDGET(t->data);
        if (w == self->host_ || !gtk_widget_get_visible(w) || !gtk_widget_get_realized(w) ||
            gtk_window_get_window_type(GTK_WINDOW(w)) != GTK_WINDOW_TOPLEVEL)
            continue;
        Dialog* d = self->DialogOf(w);
        if (!d->ended) self->Hook(d, w, true);
    }
    g_list_free(tops);
    return G_SOURCE_CONTINUE;
}

}  // namespace host
