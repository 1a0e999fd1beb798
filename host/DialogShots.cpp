#include "host/DialogShots.h"

#include <webkit2/webkit2.h>

#include <cstdio>

namespace host {

namespace {

// The time a page is given to paint after its load finished.
constexpr guint kPaintMs = 300;
constexpr guint kPollMs = 50;
const char kHooked[] = "vemompi-host-shots";

bool PlainName(const std::string& n) {
    if (n.empty() || n.size() > 100 || n[0] == '.') return false;
    for (char c : n)
        if (!g_ascii_isalnum(c) && c != '-' && c != '_' && c != '.') return false;
    return true;
}

}  // namespace

struct WindowShots::Shot {
    WindowShots* owner;
    GWeakRef window;
    std::string path;
};

WindowShots::WindowShots(GtkWidget* hostWindow, std::string dir, bool watchDialogs)
    : host_(hostWindow), dir_(dir.empty() ? "." : std::move(dir)), watch_(watchDialogs) {
    g_mkdir_with_parents(dir_.c_str(), 0755);
}

WindowShots::~WindowShots() {
    if (poll_ != 0) g_source_remove(poll_);
}

bool WindowShots::ShootHost(const std::string& name) {
    if (!PlainName(name)) return false;
    std::string file = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 ? name : name + ".png";
    Schedule(host_, dir_ + "/" + file);
    return true;
}

void WindowShots::BeginCall() {
    if (!watch_ || calls_++ > 0) return;
    poll_ = g_timeout_add(kPollMs, &WindowShots::Poll, this);
}

void WindowShots::EndCall() {
    if (!watch_ || --calls_ > 0) return;
    if (poll_ != 0) g_source_remove(poll_);
    poll_ = 0;
}

void WindowShots::Schedule(GtkWidget* toplevel, std::string path) {
    auto* shot = new Shot{this, {}, std::move(path)};
    g_weak_ref_init(&shot->window, toplevel);
    ++pending_;
    g_timeout_add(kPaintMs, &WindowShots::Take, shot);
}

gboolean WindowShots::Take(gpointer data) {
    auto* shot = static_cast<Shot*>(data);
    auto* w = static_cast<GtkWidget*>(g_weak_ref_get(&shot->window));
    if (w != nullptr) {
        GdkWindow* gw = gtk_widget_get_window(w);
        GdkPixbuf* pixbuf = gw != nullptr && gtk_widget_get_mapped(w)
                                ? gdk_pixbuf_get_from_window(gw, 0, 0, gdk_window_get_width(gw),
                                                             gdk_window_get_height(gw))
                                : nullptr;
        if (pixbuf != nullptr) {
            if (gdk_pixbuf_save(pixbuf, shot->path.c_str(), "png", nullptr, nullptr)) {
                std::printf("screenshot %s\n", shot->path.c_str());
                std::fflush(stdout);
            }
            g_object_unref(pixbuf);
        }
        g_object_unref(w);
    }
    g_weak_ref_clear(&shot->window);
    --shot->owner->pending_;
    delete shot;
    return G_SOURCE_REMOVE;
}

void WindowShots::Hook(GtkWidget* toplevel, GtkWidget* widget) {
    if (WEBKIT_IS_WEB_VIEW(widget)) {
        if (g_object_get_data(G_OBJECT(widget), kHooked) != nullptr) return;
        g_object_set_data(G_OBJECT(widget), kHooked, toplevel);
        g_signal_connect(widget, "load-changed", G_CALLBACK(&WindowShots::OnLoadChanged), this);
        // A page that finished before the view was seen.
        WebKitWebView* view = WEBKIT_WEB_VIEW(widget);
        if (!webkit_web_view_is_loading(view) && webkit_web_view_get_uri(view) != nullptr) {
            char name[32];
            std::snprintf(name, sizeof name, "/dialog-%02d.png", ++dialogShots_);
            Schedule(toplevel, dir_ + name);
        }
        return;
    }
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* c = children; c != nullptr; c = c->next) Hook(toplevel, GTK_WIDGET(c->data));
        g_list_free(children);
    }
}

gboolean WindowShots::Poll(gpointer data) {
    auto* self = static_cast<WindowShots*>(data);
    GList* tops = gtk_window_list_toplevels();
    for (GList* t = tops; t != nullptr; t = t->next) {
        auto* w = GTK_WIDGET(t->data);
        if (w != self->host_ && gtk_widget_get_visible(w)) self->Hook(w, w);
    }
    g_list_free(tops);
    return G_SOURCE_CONTINUE;
}

void WindowShots::OnLoadChanged(GtkWidget* view, int event, gpointer data) {
    auto* self = static_cast<WindowShots*>(data);
    if (event != WEBKIT_LOAD_FINISHED || self->calls_ == 0) return;
    GtkWidget* toplevel = gtk_widget_get_toplevel(view);
    if (toplevel == nullptr || !gtk_widget_is_toplevel(toplevel) || toplevel == self->host_) return;
    char name[32];
    std::snprintf(name, sizeof name, "/dialog-%02d.png", ++self->dialogShots_);
    self->Schedule(toplevel, self->dir_ + name);
}

}  // namespace host
