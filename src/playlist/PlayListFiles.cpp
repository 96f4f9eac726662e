// PLACEHOLDER: replaced by the subsystem implementation.
#include "ui/CKORVALEDlg.h"

namespace korvale {

void CKORVALEDlg::SavePlayList() {}
int CKORVALEDlg::WritePlayListFile(const std::string&, int) { return 1; }
int CKORVALEDlg::ReadZtlFile(const std::string&) { return -6; }
int CKORVALEDlg::ReadM3uFile(const std::string&) { return -6; }

} // namespace korvale
