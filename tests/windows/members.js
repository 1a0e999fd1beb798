// Every member of a new control by name, as a page's script reaches it: the
// result properties read, written and read back, each setter's answer at and
// beyond its length limit, and the getters. The About box is left out: it
// waits for a click. Prints one "name=value" line each; the same script
// runs under vemompi-host with the Linux module and under cscript with the
// Windows one, and the two outputs must be the same.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
function say(name, value) { WScript.Echo(name + "=" + value); }
function text(n, c) { var s = ""; while (s.length < n) s += c; return s; }
function codes(s) { var out = []; for (var i = 0; i < s.length; i++) out.push(s.charCodeAt(i)); return out.join(","); }
function attempt(name, f) {
  try { say(name, f()); } catch (e) { say(name, "threw"); }
}

var props = ["Code1", "Msg1", "PaReq", "AcsUrl", "Md", "Md64", "Code2", "Msg2", "Cavv", "Eci", "CavvAlg", "TermUrl",
             "realPan", "json"];
for (var i = 0; i < props.length; i++) {
  var p = props[i];
  say("new " + p, "[" + mpi[p] + "]");
  mpi[p] = "v-" + p;
  say("put " + p, "[" + mpi[p] + "]");
}
// Text crosses as the ANSI code page of an English system: an accented
// letter comes back as it went.
mpi.Msg2 = "caf\u00e9 \u00fc";
say("ansi Msg2", codes(mpi.Msg2));

var s1023 = text(1023, "a"), s1024 = text(1024, "a");
say("SetForcedLocalUrl 1023", mpi.SetForcedLocalUrl(s1023));
say("SetForcedLocalUrl 1024", mpi.SetForcedLocalUrl(s1024));
say("SetPARes2", mpi.SetPARes2("c", "m", "cavv", "md", "05", "2"));
say("after SetPARes2 Code2", "[" + mpi.Code2 + "]");
say("SetTimeOut", mpi.SetTimeOut(5000));
say("SetTimeOut negative", mpi.SetTimeOut(-1));
say("SetImageSkin", mpi.SetImageSkin(-1, 5, "skin.bmp"));
say("SetImageSkin 1024", mpi.SetImageSkin(1, 2, s1024));
say("SetLogLevel", mpi.SetLogLevel(3));
say("SetCurrency empty", mpi.SetCurrency(""));
say("SetCurrency 4", mpi.SetCurrency("USDX"));
say("SetCurrency USD", mpi.SetCurrency("USD"));
say("SetBackUpServer 1023", mpi.SetBackUpServer(1000, s1023));
say("SetBackUpServer 1024", mpi.SetBackUpServer(1000, s1024));
say("SetWaitUrl 1023", mpi.SetWaitUrl(s1023));
say("SetWaitUrl 1024", mpi.SetWaitUrl(s1024));
say("SetEncrypt 0", mpi.SetEncrypt(0));
say("SetEncrypt 1", mpi.SetEncrypt(1));
say("SetBrowserTitle", mpi.SetBrowserTitle(0));
say("SetNormalDialog 1", mpi.SetNormalDialog(1));
say("SetNormalDialog 0", mpi.SetNormalDialog(0));
say("SetBrowserTitleFont 63", mpi.SetBrowserTitleFont(10, text(63, "f")));
say("SetBrowserTitleFont 64", mpi.SetBrowserTitleFont(10, text(64, "f")));
say("SetForcedProxyEnv", mpi.SetForcedProxyEnv(2));
say("SetExtraParams 1023", mpi.SetExtraParams(s1023));
say("SetExtraParams 1024", mpi.SetExtraParams(s1024));
say("SetWindowSize", mpi.SetWindowSize(800, 600));
say("GetClientIPAddress dotted", /^\d+\.\d+\.\d+\.\d+$/.test(mpi.GetClientIPAddress()));
say("GetClientProxySetting", mpi.GetClientProxySetting());
say("GetClientHTTPData1", "[" + mpi.GetClientHTTPData1() + "]");
say("GetClientHTTPData2", "[" + mpi.GetClientHTTPData2() + "]");
say("GetClientHTTPUrl", "[" + mpi.GetClientHTTPUrl() + "]");
attempt("NoSuchMember", function () { return mpi.NoSuchMember(); });
