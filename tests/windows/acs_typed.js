// Authentications at an ACS that asks the cardholder, in both dialogs: the
// password card and the card whose issuer refuses whatever is typed. The
// stand-in browser types the password (its VEMOMPI_STANDIN_FILL). ENROLL_URL
// and WAIT_URL are set before this script.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(20000);
mpi.SetForcedProxyEnv(1);
var cards = [["password", "4000000000000010"], ["refused", "4000000000000036"]];
var dialogs = [["skinned", 0], ["plain", 1]];
for (var c = 0; c < cards.length; c++) {
  for (var d = 0; d < dialogs.length; d++) {
    mpi.SetNormalDialog(dialogs[d][1]);
    var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", cards[c][1], "2029", "07", "15000", "00", "tea", ENROLL_URL);
    WScript.Echo(cards[c][0] + " " + dialogs[d][0] + ": rc=" + rc + " Code2=[" + mpi.Code2 + "] Eci=[" + mpi.Eci +
                 "] json=[" + mpi.json + "]");
  }
}
