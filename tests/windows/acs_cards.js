// Authentications that reach the issuer's ACS: each card of CARDS ([name,
// number] pairs) in the skinned dialog, then in the plain one. ENROLL_URL,
// WAIT_URL and CARDS are set before this script. Prints what each call left
// in the properties (the number the sandbox gives each session at the end
// of Md as "#").
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(20000);
mpi.SetForcedProxyEnv(1);
var dialogs = [["skinned", 0], ["plain", 1]];
for (var c = 0; c < CARDS.length; c++) {
  for (var d = 0; d < dialogs.length; d++) {
    mpi.SetNormalDialog(dialogs[d][1]);
    var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", CARDS[c][1], "2029", "07", "15000", "00", "tea", ENROLL_URL);
    WScript.Echo(CARDS[c][0] + " " + dialogs[d][0] + ": rc=" + rc + " Code2=[" + mpi.Code2 + "] Eci=[" + mpi.Eci +
                 "] Cavv=[" + mpi.Cavv + "] Md=[" + String(mpi.Md).replace(/-[0-9]+$/, "-#") + "] json=[" +
                 mpi.json + "]");
  }
}
