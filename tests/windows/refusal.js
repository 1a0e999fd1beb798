// An enrollment that the MPI server refuses (the sandbox's not-enrolled
// card: code 31), once over the socket in the skinned dialog and once
// through WinINet in the plain one. ENROLL_URL and WAIT_URL are set before
// this script. Prints the result and the enrollment fields of each.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(20000);
var runs = [["socket", 1, 0], ["wininet", 2, 1]];
for (var i = 0; i < runs.length; i++) {
  mpi.SetForcedProxyEnv(runs[i][1]);
  mpi.SetNormalDialog(runs[i][2]);
  var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", "4000000000000044", "2029", "07", "15000", "00", "tea", ENROLL_URL);
  WScript.Echo(runs[i][0] + ": rc=" + rc + " Code1=[" + mpi.Code1 + "] Msg1=[" + mpi.Msg1 + "] PaReq=[" + mpi.PaReq +
               "] AcsUrl=[" + mpi.AcsUrl + "] TermUrl=[" + mpi.TermUrl + "] Code2=[" + mpi.Code2 + "]");
}
