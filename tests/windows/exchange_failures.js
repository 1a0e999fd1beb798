// Enrollment exchanges that fail before the ACS, in both dialogs: a reply
// whose body tags are missing (11003), an MPI that answers with an error
// page (11002 through WinINet, 11004 over the socket) and one that answers
// too late for the time-out (11001). ENROLL_URL and WAIT_URL are set before
// this script. Prints the result of each.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
var cards = [["broken-body", "4000000000000085", 20000], ["mpi-error", "4000000000000051", 20000],
             ["late", "4000000000000069", 3000]];
var runs = [["socket", 1, 0], ["wininet", 2, 1]];
for (var c = 0; c < cards.length; c++) {
  mpi.SetTimeOut(cards[c][2]);
  for (var i = 0; i < runs.length; i++) {
    mpi.SetForcedProxyEnv(runs[i][1]);
    mpi.SetNormalDialog(runs[i][2]);
    var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", cards[c][1], "2029", "07", "15000", "00", "tea", ENROLL_URL);
    WScript.Echo(cards[c][0] + " " + runs[i][0] + ": rc=" + rc + " Code1=[" + mpi.Code1 + "] PaReq=[" + mpi.PaReq +
                 "] AcsUrl=[" + mpi.AcsUrl + "]");
  }
}
