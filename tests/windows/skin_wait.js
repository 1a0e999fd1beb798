// One payment in the skinned dialog whose enrollment answer comes later than
// the time-out, so that the dialog waits on the screen for TIMEOUT_MS.
// ENROLL_URL, WAIT_URL and TIMEOUT_MS are set before this script.
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedLocalUrl("https://shop.example/checkout/pay.html");
mpi.SetTimeOut(TIMEOUT_MS);
mpi.SetNormalDialog(0);
var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", "4000000000000069", "2029", "07", "15000", "00", "tea", ENROLL_URL);
WScript.Echo("rc=" + rc);
