// The presentation side of the skinned authentication dialog: its frame and
// widgets, the waiting indicator, the title line and the merchant picture.
#include "auth/VemoMPIAuthZKSkinDialog.h"

#include <cstring>

namespace {

// "Torvu클릭 인증을 취소합니다." (the authentication will be cancelled), code page 949.
const char kCancelToolTip[] =
    "\x54\x6F\x72\x76\x75\xC5\xAC\xB8\xAF \xC0\xCE\xC1\xF5\xC0\xBB \xC3\xEB\xBC\xD2\xC7\xD5\xB4\xCF\xB4\xD9.";

}  // namespace

void ReleaseSkinPicture() {}

void CVemoMPIAuthZKSkinDialog::SetUpFrame() {
    ModifyStyle(0, WS_SYSMENU);
    (void)kCancelToolTip;
}

void CVemoMPIAuthZKSkinDialog::LoadWaitBitmaps() {}

void CVemoMPIAuthZKSkinDialog::LoadSkinPicture() {}

void CVemoMPIAuthZKSkinDialog::InvalidateWaitFrame() {}

void CVemoMPIAuthZKSkinDialog::ShowTitle(const char* pszTitle) {
    m_stcTitle.SetWindowText("");
    m_stcTitle.SetWindowText(pszTitle);
}
