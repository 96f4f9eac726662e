// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::ShufflePlayList() {}
void CKORVALEDlg::AdvancePlayList() {}

} // namespace korvale
