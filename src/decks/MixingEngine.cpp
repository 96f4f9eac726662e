// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::OnTimer(int) { RefreshDeckDisplays(); }
void CKORVALEDlg::Mix() {}
int CKORVALEDlg::ChooseMixDirection() { return 0; }
void CKORVALEDlg::FadeStep(int) {}
void CKORVALEDlg::EndOfMix() {}
int CKORVALEDlg::SyncWaitBox() { return 0; }
void CKORVALEDlg::ApplyFadersToDecks() {}

} // namespace korvale
