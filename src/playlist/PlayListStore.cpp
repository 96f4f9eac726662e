// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::GatherClips() {}
int CKORVALEDlg::PickClipFile() { return 0; }
void CKORVALEDlg::SearchFolder(const std::string&, const std::string&) {}
void CKORVALEDlg::LoadSelectedClip() {}
void CKORVALEDlg::RemoveSelectedClip() {}
void CKORVALEDlg::ClearPlayList() {}

} // namespace korvale
