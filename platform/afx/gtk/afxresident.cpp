// The toolkit libraries that a module of the framework uses stay loaded for
// the life of the process once they are: GTK, WebKitGTK and the GLib below
// them register types and start threads that cannot be taken back, so
// unloading a module must never unload them with it.
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "platform/afx/afxmod.h"

namespace {

void KeepLoaded(void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return;
    // RTLD_NODELETE on a library already loaded: it is never unloaded.
    void* lib = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    if (lib != nullptr) dlclose(lib);
}

}  // namespace

void AfxKeepToolkitLoaded() {
    KeepLoaded(reinterpret_cast<void*>(&gtk_init_check));
    KeepLoaded(reinterpret_cast<void*>(&webkit_web_view_new));
}
