// The attempts card in both dialogs, whose ACS posts on by itself to the
// result page the test has set. ENROLL_URL and WAIT_URL are set before this
// script. Prints the result and the captured status of each.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(20000);
mpi.SetForcedProxyEnv(1);
var dialogs = [["skinned", 0], ["plain", 1]];
for (var d = 0; d < dialogs.length; d++) {
  mpi.SetNormalDialog(dialogs[d][1]);
  var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", "4000000000000028", "2029", "07", "15000", "00", "tea", ENROLL_URL);
  WScript.Echo(dialogs[d][0] + ": rc=" + rc + " Code2=[" + mpi.Code2 + "] Eci=[" + mpi.Eci + "]");
}
