// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

int CKORVALEDlg::ChooseDeck() { return kDeckChoiceBothEmpty; }
void CKORVALEDlg::LoadClipOnDeck(const std::string&, int, double) {}
void CKORVALEDlg::PlayDeck(int) {}
void CKORVALEDlg::StopDeck(int) {}
void CKORVALEDlg::CloseDeck(int) {}
void CKORVALEDlg::ResetTimeDisplays(int) {}
void CKORVALEDlg::RefreshDeckDisplays() {}
void CKORVALEDlg::ShowDeckClipName(int) {}
void CKORVALEDlg::ApplyDeckFaders() {}

} // namespace korvale
