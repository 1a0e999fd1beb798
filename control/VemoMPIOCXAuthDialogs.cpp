// The two authentication dialogs as GetPAReq2 runs them.
#include "auth/VemoMPIAuthNormalDialog.h"
#include "control/VemoMPIOCXAuth.h"

LONG RunAuthNormalDialog(CVemoMPIOCXCtrl* pCtrl) { return RunAuthDialog<CVemoMPIAuthNormalDialog>(pCtrl); }

LONG RunAuthZKSkinDialog(CVemoMPIOCXCtrl* pCtrl) {
    // WIRING: the skinned dialog goes here, as
    //   return RunAuthDialog<CVemoMPIAuthZKSkinDialog>(pCtrl);
    // with VEMOMPI_ZKSKIN_DIALOG_WIRED set to 1. Until it is built the plain
    // dialog stands in for it.
    return RunAuthDialog<CVemoMPIAuthNormalDialog>(pCtrl);
}
