// Authentications that reach the issuer's ACS, in both dialogs: the
// attempts card, whose ACS page posts on by itself to the result page, and
// a card whose result page holds no record (12004). ENROLL_URL and WAIT_URL
// are set before this script. Prints what each left in the properties (the
// number the sandbox gives each session at the end of Md as "#").
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(20000);
mpi.SetForcedProxyEnv(1);
var cards = [["attempts", "4000000000000028"], ["no-record", "4000000000000093"]];
var dialogs = [["skinned", 0], ["plain", 1]];
for (var c = 0; c < cards.length; c++) {
  for (var d = 0; d < dialogs.length; d++) {
    mpi.SetNormalDialog(dialogs[d][1]);
    var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", cards[c][1], "2029", "07", "15000", "00", "tea", ENROLL_URL);
    WScript.Echo(cards[c][0] + " " + dialogs[d][0] + ": rc=" + rc + " Code2=[" + mpi.Code2 + "] Eci=[" + mpi.Eci +
                 "] Cavv=[" + mpi.Cavv + "] Md=[" + String(mpi.Md).replace(/-[0-9]+$/, "-#") + "] json=[" + mpi.json + "]");
  }
}
