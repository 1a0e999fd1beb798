// The two authentication dialogs as GetPAReq2 runs them.
#include "auth/VemoMPIAuthNormalDialog.h"
#include "auth/VemoMPIAuthZKSkinDialog.h"
#include "control/VemoMPIOCXAuth.h"

LONG RunAuthNormalDialog(CVemoMPIOCXCtrl* pCtrl) { return RunAuthDialog<CVemoMPIAuthNormalDialog>(pCtrl); }

LONG RunAuthZKSkinDialog(CVemoMPIOCXCtrl* pCtrl) { return RunAuthDialog<CVemoMPIAuthZKSkinDialog>(pCtrl); }
