// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

int CKORVALEDlg::CheckAudioDevices() { return 0; }
int CKORVALEDlg::ShowMixerNames() { return 0; }
void CKORVALEDlg::ReadMasterLevel() {}
int CKORVALEDlg::ReadMicLevel() { return 0; }
void CKORVALEDlg::SetMasterVolume(int) {}
void CKORVALEDlg::SetMicVolume(int) {}
void CKORVALEDlg::OnMicButton() {}
void CKORVALEDlg::ApplyLevels() {}

} // namespace korvale
