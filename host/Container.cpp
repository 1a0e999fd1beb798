#include "host/Container.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/com/posix/loader.h"
#include "platform/com/objsafe.h"
#include "platform/com/ole.h"
#include "platform/com/posix/regkeys.h"
#include "platform/win/posix/winfile.h"

namespace host {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The container's site of one control: its moniker is the address of the
// page the control sits in.
class PageSite final : public IOleClientSite {
public:
    explicit PageSite(std::u16string page) : page_(std::move(page)) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++ref_; }
    ULONG Release() override {
        ULONG n = --ref_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT GetMoniker(DWORD, DWORD which, IMoniker** ppmk) override {
        if (ppmk == nullptr) return E_POINTER;
        *ppmk = nullptr;
        if (which != OLEWHICHMK_CONTAINER || page_.empty()) return MK_E_UNAVAILABLE;
        return CreateURLMoniker(nullptr, page_.c_str(), ppmk);
    }
    HRESULT GetContainer(IOleContainer** pp) override {
        if (pp != nullptr) *pp = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

private:
    ~PageSite() = default;
    std::u16string page_;
    std::atomic<ULONG> ref_{1};
};

// The members of the control's dispatch interface, from its type
// information.
std::vector<MemberInfo> ReadMembers(IDispatch* d) {
    std::vector<MemberInfo> out;
    ITypeInfo* info = nullptr;
    if (FAILED(d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || info == nullptr) return out;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr)) && attr != nullptr) {
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(i, &fd)) || fd == nullptr) continue;
            BSTR name = nullptr;
            UINT got = 0;
            if (SUCCEEDED(info->GetNames(fd->memid, &name, 1, &got)) && got == 1 && name != nullptr) {
                std::string n = Utf16ToUtf8(name, SysStringLen(name));
                auto it = std::find_if(out.begin(), out.end(), [&](const MemberInfo& m) { return m.name == n; });
                if (it == out.end()) {
                    MemberInfo m;
                    m.name = n;
                    m.method = fd->invkind == INVOKE_FUNC;
                    if (m.method)
                        for (SHORT p = 0; p < fd->cParams; ++p) m.params.push_back(fd->lprgelemdescParam[p].tdesc.vt);
                    out.push_back(std::move(m));
                }
            }
            SysFreeString(name);
            info->ReleaseFuncDesc(fd);
        }
        info->ReleaseTypeAttr(attr);
    }
    info->Release();
    return out;
}

// The browser's safety check: the control must be safe for untrusted
// callers and untrusted data on the interface script uses.
bool MadeSafe(IDispatch* d) {
    IObjectSafety* safety = nullptr;
    if (FAILED(d->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety))) || safety == nullptr)
        return false;
    const DWORD wanted = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    DWORD supported = 0, enabled = 0;
    bool ok = SUCCEEDED(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled)) &&
              (supported & wanted) == wanted &&
              safety->SetInterfaceSafetyOptions(IID_IDispatch, wanted, wanted) == S_OK;
    safety->Release();
    return ok;
}

// The registry file the registry layer reads (VEMOMPI_REGISTRY, or the
// user's configuration folder's vemompi/registry.reg).
std::string RegistryFileName() {
    const char* named = std::getenv("VEMOMPI_REGISTRY");
    if (named != nullptr && named[0] != '\0') return named;
    std::string dir = win_layer::UserConfigDir();
    return dir.empty() ? std::string("(no registry file: neither VEMOMPI_REGISTRY nor a home folder)")
                       : dir + "/vemompi/registry.reg";
}

// What is wrong with the registry file itself, or empty.
std::string RegistryFileProblem(const std::string& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0)
        return "the registry file " + file +
               " does not exist (set VEMOMPI_REGISTRY to the file the module was registered in, "
               "or register the module with vemompi-regsvr)";
    std::ifstream in(file, std::ios::binary);
    std::string first;
    if (!in || !std::getline(in, first)) return "the registry file " + file + " cannot be read";
    if (first.compare(0, 3, "\xEF\xBB\xBF") == 0) first.erase(0, 3);
    while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.pop_back();
    if (first != "Windows Registry Editor Version 5.00" && first != "REGEDIT4")
        return "the registry file " + file + " is not a registry file (its first line is not "
               "\"Windows Registry Editor Version 5.00\")";
    return std::string();
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

void Container::Explain(const std::string& name, const std::string& why) const {
    if (!diagnostics_) return;
    std::fflush(stdout);
    std::fprintf(stderr, "vemompi-host: cannot create \"%s\": %s\n", name.c_str(), why.c_str());
    std::fflush(stderr);
}

Outcome Outcome::Failure(HRESULT hr, std::string text) {
    Outcome o;
    o.hr = hr;
    o.message = text.empty() ? ErrorText(hr) : std::move(text);
    return o;
}

Container::~Container() {
    busy_ = 0;
    ReleaseAll();
}

Outcome Container::Create(const std::string& name, const std::string& pageUrl, const std::string& origin,
                          int* handle) {
    *handle = 0;
    if (controls_.size() >= kMaxControls) {
        Explain(name, "a page holds at most " + std::to_string(kMaxControls) + " controls");
        return Outcome::Failure(E_OUTOFMEMORY, kCannotCreate);
    }
    const std::string file = RegistryFileName();
    CLSID clsid{};
    std::string lower = Lower(name);
    std::string braced;
    if (lower.rfind("clsid:", 0) == 0) {
        braced = "{" + name.substr(6) + "}";
    } else if (!name.empty() && name[0] == '{') {
        braced = name;
    }
    if (!braced.empty()) {
        if (!GuidFromString(braced.c_str(), &clsid)) {
            Explain(name, "not a class identifier");
            return Outcome::Failure(CO_E_CLASSSTRING, kCannotCreate);
        }
    } else {
        std::u16string w = Utf8ToUtf16(name);
        if (w.empty() || CLSIDFromProgID(w.c_str(), &clsid) != S_OK) {
            std::string problem = RegistryFileProblem(file);
            Explain(name, !problem.empty() ? problem
                                           : "the ProgID is not in the registry file " + file +
                                                 " (register the module with vemompi-regsvr)");
            return Outcome::Failure(CO_E_CLASSSTRING, kCannotCreate);
        }
    }
    char text[39];
    GuidToString(clsid, text);
    std::string module;
    bool haveModule = com_layer::RegGetKeyText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + text + "\\InprocServer32",
                                               nullptr, &module) == ERROR_SUCCESS;

    IDispatch* d = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
    if (FAILED(hr) || d == nullptr) {
        std::string why;
        if (!haveModule || hr == REGDB_E_CLASSNOTREG) {
            std::string problem = RegistryFileProblem(file);
            why = !problem.empty() ? problem
                                   : std::string("the class ") + text + " is not in the registry file " + file +
                                         " (register the module with vemompi-regsvr)";
        } else if (hr == CO_E_DLLNOTFOUND) {
            struct stat st {};
            if (stat(module.c_str(), &st) != 0) {
                why = "the module " + module + " registered for " + text +
                      " is missing (register the module again with vemompi-regsvr)";
            } else {
                // The loader's own reason.
                dlerror();
                void* lib = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
                const char* reason = lib == nullptr ? dlerror() : nullptr;
                if (lib != nullptr) dlclose(lib);
                why = "the module " + module + " does not load: " + (reason != nullptr ? reason : "unknown reason");
            }
        } else if (hr == CO_E_ERRORINDLL) {
            why = "the module " + module + " has no DllGetClassObject";
        } else {
            why = "the class factory of " + std::string(text) + " in " + module + " refused with " + Hex(hr);
        }
        Explain(name, why);
        return Outcome::Failure(hr, kCannotCreate);
    }
    if (haveModule && std::find(modules_.begin(), modules_.end(), module) == modules_.end()) modules_.push_back(module);

    if (!MadeSafe(d)) {
        d->Release();
        CoFreeUnusedLibraries();
        Explain(name, std::string("the object of ") + text + " in " + module +
                          " does not declare itself safe for untrusted callers and data (IObjectSafety)");
        return Outcome::Failure(E_ACCESSDENIED, kCannotCreate);
    }
    IOleObject* ole = nullptr;
    if (SUCCEEDED(d->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole))) && ole != nullptr) {
        auto* site = new PageSite(Utf8ToUtf16(pageUrl));
        ole->SetClientSite(site);
        site->Release();
        ole->Release();
    }
    Control c;
    c.dispatch = d;
    c.origin = origin;
    c.members = ReadMembers(d);
    *handle = next_++;
    controls_.emplace(*handle, std::move(c));
    return Outcome();
}

Container::Control* Container::Find(int handle, const std::string& origin) {
    auto it = controls_.find(handle);
    if (it == controls_.end() || it->second.origin != origin) return nullptr;
    return &it->second;
}

const std::vector<MemberInfo>* Container::Members(int handle, const std::string& origin) const {
    auto it = controls_.find(handle);
    if (it == controls_.end() || it->second.origin != origin) return nullptr;
    return &it->second.members;
}

Outcome Container::Invoke(Control& c, DISPID id, WORD flags, std::vector<VARIANT>& args, bool put) {
    // Arguments travel last first.
    std::reverse(args.begin(), args.end());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.empty() ? nullptr : args.data(), put ? &named : nullptr, static_cast<UINT>(args.size()),
                      put ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    UINT argErr = 0;
    IDispatch* d = c.dispatch;
    d->AddRef();  // the control outlives the call even if the page goes meanwhile
    ++busy_;
    HRESULT hr;
    try {
        hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &result, &excep, &argErr);
    } catch (...) {
        hr = DISP_E_EXCEPTION;
    }
    --busy_;
    for (auto& v : args) VariantClear(&v);
    Outcome o;
    if (FAILED(hr)) {
        std::string text;
        if (hr == DISP_E_EXCEPTION && excep.bstrDescription != nullptr)
            text = Utf16ToUtf8(excep.bstrDescription, SysStringLen(excep.bstrDescription));
        o = Outcome::Failure(hr, text);
    } else {
        HRESULT conv = FromVariant(result, &o.value);
        if (FAILED(conv)) o = Outcome::Failure(conv);
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    VariantClear(&result);
    d->Release();
    if (releasePending_ && busy_ == 0) ReleaseAll();
    return o;
}

namespace {

DISPID IdOf(IDispatch* d, const std::string& name) {
    std::u16string w = Utf8ToUtf16(name);
    LPOLESTR names[1] = {w.data()};
    DISPID id = DISPID_UNKNOWN;
    if (w.empty() || FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

}  // namespace

Outcome Container::Get(int handle, const std::string& origin, const std::string& name) {
    Control* c = Find(handle, origin);
    if (c == nullptr) return Outcome::Failure(E_ACCESSDENIED);
    DISPID id = IdOf(c->dispatch, name);
    if (id == DISPID_UNKNOWN) return Outcome::Failure(DISP_E_UNKNOWNNAME);
    std::vector<VARIANT> none;
    return Invoke(*c, id, DISPATCH_PROPERTYGET, none, false);
}

Outcome Container::Put(int handle, const std::string& origin, const std::string& name, const ScriptValue& value) {
    Control* c = Find(handle, origin);
    if (c == nullptr) return Outcome::Failure(E_ACCESSDENIED);
    DISPID id = IdOf(c->dispatch, name);
    if (id == DISPID_UNKNOWN) return Outcome::Failure(DISP_E_UNKNOWNNAME);
    std::vector<VARIANT> args(1);
    HRESULT hr = ToParameter(value, VT_BSTR, &args[0]);
    if (FAILED(hr)) return Outcome::Failure(hr);
    return Invoke(*c, id, DISPATCH_PROPERTYPUT, args, true);
}

Outcome Container::Call(int handle, const std::string& origin, const std::string& name,
                        const std::vector<ScriptValue>& args) {
    Control* c = Find(handle, origin);
    if (c == nullptr) return Outcome::Failure(E_ACCESSDENIED);
    DISPID id = IdOf(c->dispatch, name);
    if (id == DISPID_UNKNOWN) return Outcome::Failure(DISP_E_UNKNOWNNAME);
    std::string lower = Lower(name);
    const MemberInfo* m = nullptr;
    for (const auto& x : c->members)
        if (Lower(x.name) == lower) m = &x;
    // With the declared parameter types when the count fits; otherwise as
    // script gave them, and the control answers the count.
    bool typed = m != nullptr && m->method && m->params.size() == args.size();
    std::vector<VARIANT> v(args.size());
    for (auto& x : v) VariantInit(&x);
    for (size_t i = 0; i < args.size(); ++i) {
        HRESULT hr = typed ? ToParameter(args[i], m->params[i], &v[i]) : ToVariant(args[i], &v[i]);
        if (FAILED(hr)) {
            for (auto& x : v) VariantClear(&x);
            return Outcome::Failure(hr);
        }
    }
    return Invoke(*c, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, v, false);
}

size_t Container::ReleaseAll() {
    if (busy_ > 0) {
        releasePending_ = true;
        return 0;
    }
    releasePending_ = false;
    size_t n = controls_.size();
    std::map<int, Control> gone;
    gone.swap(controls_);
    for (auto& [h, c] : gone) {
        IOleObject* ole = nullptr;
        if (SUCCEEDED(c.dispatch->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole))) && ole != nullptr) {
            ole->SetClientSite(nullptr);
            ole->Release();
        }
        c.dispatch->Release();
    }
    CoFreeUnusedLibraries();
    return n;
}

bool Container::AnyModuleLoaded() const {
    for (const auto& m : modules_)
        if (CoIsModuleLoaded(m.c_str())) return true;
    return false;
}

}  // namespace host
