// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::CueFromDeck(int) {}
int CKORVALEDlg::LoadCueClip(const std::string&) { return -1; }
void CKORVALEDlg::CloseCuePlayer() {}
void CKORVALEDlg::EnableCueControls() {}
void CKORVALEDlg::RefreshCuePosition() {}
void CKORVALEDlg::ToggleCuePlay() {}
void CKORVALEDlg::MarkCueIn() {}
void CKORVALEDlg::GoToCuePoint() {}
void CKORVALEDlg::SetCueOnDecks() {}
void CKORVALEDlg::CueSliderMoved() {}

} // namespace korvale
