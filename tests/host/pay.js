// Script mode: one authentication with the attempts card; the sandbox's
// addresses come in as the script's arguments (globals set before).
var mpi = new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1");
mpi.SetWaitUrl(WAIT_URL);
mpi.SetForcedProxyEnv(1);
var rc = mpi.GetPAReq2("SHOP01", "Corner Shop", "4000000000000028", "2029", "07", "15000", "00", "tea", ENROLL_URL);
print("rc=" + rc, "Code2=" + mpi.Code2, "Eci=" + mpi.Eci);
exit(rc === 0 ? 0 : 1);
