// GetPAReq2's argument checks: each call breaks one argument and must end
// with 11005 and the reason in Msg1 before any request (ENROLL_URL is set
// before this script). Prints the result, Code1 and Msg1 of each.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
function text(n, c) { var s = ""; while (s.length < n) s += c; return s; }
var good = ["SHOP01", "Corner Shop", "4000000000000044", "2029", "07", "15000", "00", "tea", ENROLL_URL];
var cases = [
  ["empty id", 0, ""], ["null name", 1, "(null)"], ["name of 65", 1, text(65, "n")], ["empty card", 2, ""],
  ["year of 5", 3, "20290"], ["month of 3", 4, "007"], ["null amount", 5, "(null)"], ["installment of 5", 6, "00000"],
  ["url of 1024", 8, text(1024, "u")], ["null url", 8, "(null)"]
];
for (var i = 0; i < cases.length; i++) {
  var a = good.slice(0);
  a[cases[i][1]] = cases[i][2];
  mpi.Code1 = "stale";
  var rc = mpi.GetPAReq2(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
  WScript.Echo(cases[i][0] + ": rc=" + rc + " Code1=[" + mpi.Code1 + "] Msg1=[" + mpi.Msg1 + "]");
}
