// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::FillMixStyles() {}
void CKORVALEDlg::ApplyMixStyle() {}
void CKORVALEDlg::ReadFadeSliders() {}
void CKORVALEDlg::ReadSpeedSliders() {}

} // namespace korvale
