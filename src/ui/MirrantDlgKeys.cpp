#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "ui/MirrantDlg.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/MainWindowStrings.h"

namespace tv {

namespace {

// The first size of the window: a laptop screen of 1366x768 less its panels and the title bar
// still shows all of it.
constexpr QSize kDefaultSize(800, 640);
// What a desktop takes from the screen's work area around the window: its frame and title.
constexpr QSize kFrame(16, 48);

}  // namespace

// Delete in the task list deletes the selected tasks, but only after the user said yes: a key
// is hit by mistake more easily than a menu item is chosen.
void CMirrantDlg::BuildKeys() {
    auto* deleteKey = new QAction(m_pTasks);
    deleteKey->setShortcut(Qt::Key_Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    connect(deleteKey, &QAction::triggered, this,
            [this] { m_editor.DeleteTasks(DeleteConfirm::Ask); });
    m_pTasks->addAction(deleteKey);
}

// Every button says what it does, the ones named only "..." included.
void CMirrantDlg::BindButtonTips() {
    const std::pair<const char*, int> tips[] = {
        {"browseSource", IDS_MW_TIP_BROWSE},
        {"browseTarget", IDS_MW_TIP_BROWSE},
        {"ftpSource", IDS_FTPDLG_TIP_BUTTON},
        {"ftpTarget", IDS_FTPDLG_TIP_BUTTON},
        {"swapButton", IDS_MW_TIP_SWAP},
        {"addTarget", IDS_MW_TIP_ADD_TARGET},
        {"deleteTarget", IDS_MW_TIP_DELETE_TARGETS},
    };
    for (const auto& [name, tip] : tips) {
        BindTip(findChild<QPushButton*>(name), tip);
    }
}

// Tab follows the window as it is read: the list, the edit area line by line, its options
// column, then the buttons row by row.
void CMirrantDlg::SetTabOrder() {
    const auto button = [this](const char* name) {
        return static_cast<QWidget*>(findChild<QPushButton*>(name));
    };
    std::vector<QWidget*> order = {m_pTasks,
                                   m_pName,
                                   m_pSource,
                                   button("browseSource"),
                                   button("ftpSource"),
                                   button("swapButton"),
                                   m_pTarget,
                                   button("browseTarget"),
                                   button("ftpTarget"),
                                   button("addTarget"),
                                   button("deleteTarget"),
                                   m_pTargets,
                                   m_pArchive};
    order.insert(order.end(), m_kind.begin(), m_kind.end());
    order.insert(order.end(), m_mode.begin(), m_mode.end());
    order.insert(order.end(), m_usage.begin(), m_usage.end());
    order.insert(order.end(), {m_pSubfolders, m_pPreview, m_pLock, button("advancedButton")});
    for (QPushButton* bottom :
         findChild<QWidget*>("buttonBox")->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        order.push_back(bottom);
    }
    for (size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

QSize CMirrantDlg::DefaultSize() const {
    QSize size = kDefaultSize;
    if (const QScreen* shown = screen()) {
        size = size.boundedTo(shown->availableGeometry().size() - kFrame);
    }
    return size.expandedTo(minimumSizeHint());
}

}  // namespace tv
