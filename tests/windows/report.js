// Reports to the sandbox's report server (REPORT_URL, set before this
// script): one in plain text whose socket attempt the server answers with
// 404, so that WinINet posts it again; one sealed; one with an argument too
// long, which posts nothing. Prints each result.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
function text(n, c) { var s = ""; while (s.length < n) s += c; return s; }
WScript.Echo("plain=" + mpi.SendHTTPPost(REPORT_URL, 0, "code=A&x=1", "shop SHOP01", "caf\u00e9"));
WScript.Echo("sealed=" + mpi.SendHTTPPost(REPORT_URL, 1, "code=N", "", "line\r\nbreak"));
WScript.Echo("too long=" + mpi.SendHTTPPost(REPORT_URL, 0, text(4096, "p"), "", ""));
WScript.Echo("data1=[" + mpi.GetClientHTTPData1() + "]");
