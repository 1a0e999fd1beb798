// The browser's script errors for what a control does not have or take.
var c = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
function tryIt(label, f) {
  try { print(label, "ok", f()); } catch (e) { print(label, e.message, e.number); }
}
tryIt("method", function () { return c.NoSuchMethod(1); });
tryIt("property", function () { return c.NoSuchProperty; });
tryIt("count", function () { return c.SetTimeOut(); });
tryIt("count2", function () { return c.SetTimeOut(1, 2); });
tryIt("type", function () { return c.SetTimeOut("soon"); });
tryIt("progid", function () { return new ActiveXObject("No.Such.Control.1"); });
tryIt("clsid", function () { return new ActiveXObject("{00000000-0000-0000-0000-000000000001}"); });
tryIt("call", function () { return ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1"); });
tryIt("number", function () { return c.SetTimeOut("5000"); });
tryIt("text", function () { c.Code1 = 1234; return c.code1 + "/" + typeof c.Code1; });
tryIt("unicode", function () { return c.SetExtraParams("caf\u00e9=\u2603"); });
tryIt("has", function () { return ("GetPAReq2" in c) + "/" + ("Nope" in c); });
exit(7);
