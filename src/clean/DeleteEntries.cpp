#include "app/MainDlg.h"

void CMainDlg::DeleteEntries(bool, bool) {}
