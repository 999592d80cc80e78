#include "ui/MirrantDlg.h"
#include "ui/ScheduleDlg.h"

namespace tv {

void CMirrantDlg::ShowSchedule() {
    auto job = m_presenter->BeginSchedule();
    if (!job) {
        return;
    }
    CScheduleDlg dialog(*job, this);
    const int ending = dialog.exec();
    if (ending == QDialog::Accepted) {
        job->m_form = dialog.Form();
        m_presenter->SaveSchedule(*job);
    } else if (ending == CScheduleDlg::kRemove) {
        m_presenter->RemoveSchedule(*job);
    }
}

}  // namespace tv
