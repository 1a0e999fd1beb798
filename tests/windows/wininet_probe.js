// The harness itself: cscript runs a script that prints, and a Wine process
// reaches a server on 127.0.0.1 through WinINet (MSXML2.XMLHTTP) and WinHTTP.
// REPORT_URL is set before this script.
var names = ["MSXML2.XMLHTTP", "WinHttp.WinHttpRequest.5.1"];
for (var i = 0; i < names.length; i++) {
  var r = new ActiveXObject(names[i]);
  r.open("POST", REPORT_URL, false);
  r.setRequestHeader("Content-Type", "application/x-www-form-urlencoded");
  r.send("data1=" + (i + 1) + "&data2=probe&data3=&ParamEnd=End");
  WScript.Echo(names[i] + " status=" + r.status);
}
