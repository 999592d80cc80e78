#include "uimodel/Languages.h"

#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WizardStrings.h"

namespace tv {

void AddProgramStrings() {
    AddMainWindowStrings();
    AddRunWindowStrings();
    AddDialogStrings();
    AddFtpDialogStrings();
    AddAdvancedStrings();
    AddWizardStrings();
}

}  // namespace tv
