// The host as the container of the controls that page script creates: the
// class is found through the registry (ProgID or class identifier) and
// loaded by the COM loader; the control must declare itself safe for
// untrusted callers and untrusted data before script may touch it; it gets
// a client site whose moniker names the page it sits in. Script reaches the
// control by name through IDispatch, with the types of its type
// information. Controls are known to script by handle only; every control
// belongs to the page (origin) that created it and goes when the page goes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/ScriptValue.h"
#include "platform/com/com.h"

namespace host {

// How a member of a control's dispatch interface is reached from script.
struct MemberInfo {
    std::string name;  // as the type information spells it
    bool method = false;
    std::vector<VARTYPE> params;  // of a method
};

// What a call gave: a value, or a failure with the text a browser shows.
struct Outcome {
    HRESULT hr = S_OK;
    std::string message;
    ScriptValue value;
    static Outcome Failure(HRESULT hr, std::string text = std::string());
};

// Controls one container holds at a time (all pages together); one more
// is a creation error.
constexpr size_t kMaxControls = 32;

class Container {
public:
    Container() = default;
    ~Container();
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Creates a control from "VEMOMPIOCX.VemoMPIOCXCtrl.1" (a ProgID) or
    // "clsid:{...}" / "{...}" (a class identifier) for the page at
    // pageUrl; origin is the owner the handle is bound to. On failure the
    // outcome's message is the browser's creation error.
    Outcome Create(const std::string& name, const std::string& pageUrl, const std::string& origin, int* handle);

    // The members of the control, or nullptr for a handle that is not the
    // origin's.
    const std::vector<MemberInfo>* Members(int handle, const std::string& origin) const;

    Outcome Get(int handle, const std::string& origin, const std::string& name);
    Outcome Put(int handle, const std::string& origin, const std::string& name, const ScriptValue& value);
    Outcome Call(int handle, const std::string& origin, const std::string& name, const std::vector<ScriptValue>& args);

    // Releases every control and lets the loader unload what is no longer
    // used. During a call the release waits until the call has returned.
    // Returns how many controls were released (0 when deferred).
    size_t ReleaseAll();
    size_t Count() const { return controls_.size(); }
    bool Busy() const { return busy_ > 0; }
    // Whether any module that served a control is still loaded.
    bool AnyModuleLoaded() const;

    // When on, a control that cannot be created is explained on stderr:
    // the registry file read, the ProgID or class not found in it, the
    // module missing or not loading (with the loader's reason), a class
    // factory's or the object-safety check's refusal.
    void SetDiagnostics(bool on) { diagnostics_ = on; }

private:
    struct Control {
        IDispatch* dispatch = nullptr;
        std::string origin;
        std::vector<MemberInfo> members;
    };
    Control* Find(int handle, const std::string& origin);
    Outcome Invoke(Control& c, DISPID id, WORD flags, std::vector<VARIANT>& args, bool put);
    void Explain(const std::string& name, const std::string& why) const;

    std::map<int, Control> controls_;
    std::vector<std::string> modules_;
    int next_ = 1;
    int busy_ = 0;
    bool releasePending_ = false;
    bool diagnostics_ = false;
};

}  // namespace host
