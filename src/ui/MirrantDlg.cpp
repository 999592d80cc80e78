#include "ui/MirrantDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "ui/AboutDlg.h"
#include "ui/AppIcon.h"
#include "ui/QtRunViews.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/MainWindowStrings.h"

namespace tv {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void CTaskListView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (!selectedItems().isEmpty() && m_onEnter) {
            m_onEnter();
        } else {
            focusNextChild();
        }
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CTaskListView::startDrag(Qt::DropActions /*actions*/) {
    if (m_onDrag) {
        m_onDrag();
    }
}

void CTaskListView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    if (m_onResize) {
        m_onResize();
    }
}

CMirrantDlg::CMirrantDlg(CMirrantApp& app, IUiDialogs& dialogs, CLanguageCatalog& languages,
                         QWidget* parent)
    : QMainWindow(parent),
      m_app(app),
      m_dialogs(dialogs),
      m_languages(languages),
      m_presenter(std::make_unique<CMainPresenter>(app, dialogs)),
      m_editor(m_presenter->Editor()) {
    m_runViews = std::make_unique<CQtRunViews>(m_presenter->Runs(), app.Profile());
    m_presenter->Runs().AttachRunViews(*m_runViews);
    m_web = std::make_unique<CWebCommands>(
        app.Profile(), dialogs,
        [views = m_runViews.get()](std::function<void()> fn) { views->Post(std::move(fn)); },
        ProgramVersion());
    m_skins =
        std::make_unique<CSkins>(app.FileSystem(), app.Profile(), dialogs, app.ProgramFolder());
    setObjectName("mainWindow");
    setWindowIcon(AppIcon());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_pTasks = new CTaskListView(central);
    m_pTasks->setObjectName("taskList");
    layout->addWidget(m_pTasks, 3);
    layout->addWidget(BuildEditArea());
    layout->addWidget(BuildButtons());
    setCentralWidget(central);
    statusBar()->setObjectName("statusLine");
    BuildMenus();
    BuildToolBar();
    BuildContextMenu();
    BuildTray();
    ConnectTaskList();
    ConnectEditArea();
    BuildKeys();
    BindButtonTips();
    SetTabOrder();

    m_presenter->SetListener(this);
    ApplyTexts();
    RowsReset();
    EditChanged();
    resize(DefaultSize());
    setMinimumSize(minimumSizeHint());
    // Without a stored skin, a style sheet given on the command line (-stylesheet) stays.
    if (const std::string sheet = m_skins->StoredSheet(); !sheet.empty()) {
        WearSheet(sheet);
    }
}

CMirrantDlg::~CMirrantDlg() {
    m_presenter->SetListener(nullptr);
    StoreWindowSize();
    // Workers must not wait for this thread any more, and their ends still have to be taken.
    m_runViews->Detach();
    m_presenter->Runs().CancelAll();
    while (m_presenter->Runs().Outstanding() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
}

QWidget* CMirrantDlg::BuildEditArea() {
    auto* area = new QWidget(this);
    auto* layout = new QGridLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* nameLabel = new QLabel(area);
    Bind(nameLabel, IDS_MW_LABEL_NAME);
    m_pName = new QLineEdit(area);
    m_pName->setObjectName("nameEdit");
    m_pTaskId = new QLabel(area);
    m_pTaskId->setObjectName("taskIdLabel");
    layout->addWidget(nameLabel, 0, 0);
    layout->addWidget(m_pName, 0, 1);
    layout->addWidget(m_pTaskId, 0, 2);
    layout->addWidget(BuildLocations(), 1, 0, 1, 3);
    m_pTargets = new QListWidget(area);
    m_pTargets->setObjectName("targetsList");
    m_pTargets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* targetsBox = new QGroupBox(area);
    Bind(targetsBox, IDS_MW_TARGETS_LIST);
    (new QVBoxLayout(targetsBox))->addWidget(m_pTargets);
    layout->addWidget(targetsBox, 2, 0, 1, 2);
    layout->addWidget(BuildOptions(), 2, 2);
    m_editWidgets.insert(m_editWidgets.end(), {m_pName, m_pTargets});
    return area;
}

QWidget* CMirrantDlg::BuildLocations() {
    auto* box = new QWidget(this);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* sourceLabel = new QLabel(box);
    auto* targetLabel = new QLabel(box);
    Bind(sourceLabel, IDS_MW_LABEL_SOURCE);
    Bind(targetLabel, IDS_MW_LABEL_TARGET);
    m_pSource = new QLineEdit(box);
    m_pSource->setObjectName("sourceEdit");
    m_pTarget = new QLineEdit(box);
    m_pTarget->setObjectName("targetEdit");
    layout->addWidget(sourceLabel, 0, 0);
    layout->addWidget(m_pSource, 0, 1);
    layout->addWidget(Button(IDS_MW_BROWSE, "browseSource", [this] { m_editor.BrowseSource(); }), 0,
                      2);
    layout->addWidget(Button(IDS_MW_FTP, "ftpSource", [this] { EditFtp(Side::Source); }), 0, 3);
    layout->addWidget(Button(IDS_MW_SWAP, "swapButton", [this] { m_editor.Swap(); }), 1, 1,
                      Qt::AlignHCenter);
    layout->addWidget(targetLabel, 2, 0);
    layout->addWidget(m_pTarget, 2, 1);
    layout->addWidget(Button(IDS_MW_BROWSE, "browseTarget", [this] { m_editor.BrowseTarget(); }), 2,
                      2);
    layout->addWidget(Button(IDS_MW_FTP, "ftpTarget", [this] { EditFtp(Side::Target); }), 2, 3);
    layout->addWidget(Button(IDS_MW_ADD, "addTarget", [this] { m_editor.AddTarget(); }), 2, 4);
    layout->addWidget(Button(IDS_MW_DEL, "deleteTarget", [this] { m_editor.DeleteTargets(); }), 2,
                      5);
    for (int column : {2, 3, 4, 5}) {
        m_editWidgets.push_back(layout->itemAtPosition(2, column)->widget());
    }
    m_editWidgets.insert(
        m_editWidgets.end(),
        {m_pSource, m_pTarget, layout->itemAtPosition(0, 2)->widget(),
         layout->itemAtPosition(0, 3)->widget(), layout->itemAtPosition(1, 1)->widget()});
    return box;
}

QWidget* CMirrantDlg::BuildOptions() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pArchive = new QCheckBox(box);
    m_pArchive->setObjectName("archiveCheck");
    Bind(m_pArchive, IDS_MW_ARCHIVE_TARGET);
    layout->addWidget(m_pArchive);
    const int kindIds[] = {IDS_MW_KIND_SYNC, IDS_MW_KIND_BACKUP, IDS_MW_KIND_REALTIME};
    auto* kinds = new QButtonGroup(box);
    for (size_t i = 0; i < m_kind.size(); ++i) {
        m_kind[i] = new QRadioButton(box);
        m_kind[i]->setObjectName(QString("kind%1").arg(i));
        Bind(m_kind[i], kindIds[i]);
        kinds->addButton(m_kind[i]);
        layout->addWidget(m_kind[i]);
    }
    layout->addSpacing(6);
    auto* modes = new QButtonGroup(box);
    auto* usages = new QButtonGroup(box);
    for (size_t i = 0; i < 2; ++i) {
        m_mode[i] = new QRadioButton(box);
        m_mode[i]->setObjectName(QString("mode%1").arg(i));
        Bind(m_mode[i], i == 0 ? IDS_MW_MODE_SYNC : IDS_MW_MODE_UPDATE);
        modes->addButton(m_mode[i]);
        m_usage[i] = new QRadioButton(box);
        m_usage[i]->setObjectName(QString("usage%1").arg(i));
        Bind(m_usage[i], i == 0 ? IDS_MW_USE_SIMULTANEOUSLY : IDS_MW_USE_CONSECUTIVELY);
        usages->addButton(m_usage[i]);
    }
    for (QWidget* radio : {m_mode[0], m_mode[1], m_usage[0], m_usage[1]}) {
        layout->addWidget(radio);
    }
    layout->addSpacing(6);
    m_pSubfolders = new QCheckBox(box);
    m_pSubfolders->setObjectName("subfoldersCheck");
    m_pPreview = new QCheckBox(box);
    m_pPreview->setObjectName("previewCheck");
    m_pLock = new QCheckBox(box);
    m_pLock->setObjectName("lockCheck");
    Bind(m_pSubfolders, IDS_MW_INCLUDE_SUBFOLDERS);
    Bind(m_pPreview, IDS_MW_PREVIEW);
    Bind(m_pLock, IDS_MW_LOCK_SETTINGS);
    QPushButton* advanced = Button(IDS_MW_ADVANCED, "advancedButton", [this] { ShowAdvanced(); });
    BindTip(advanced, IDS_ADV_CAPTION);
    for (QWidget* widget : {static_cast<QWidget*>(m_pSubfolders), static_cast<QWidget*>(m_pPreview),
                            static_cast<QWidget*>(m_pLock), static_cast<QWidget*>(advanced)}) {
        layout->addWidget(widget);
    }
    layout->addStretch();
    m_editWidgets.insert(m_editWidgets.end(),
                         {m_pArchive, m_kind[0], m_kind[1], m_kind[2], m_mode[0], m_mode[1],
                          m_usage[0], m_usage[1], m_pSubfolders, m_pPreview, m_pLock, advanced});
    return box;
}

void CMirrantDlg::ConnectEditArea() {
    connect(m_pName, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_editor.SetNameText(text.toStdString()); });
    connect(m_pSource, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_editor.SetSourceText(text.toStdString()); });
    connect(m_pTarget, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_editor.SetTargetText(text.toStdString()); });
    for (QLineEdit* edit : {m_pName, m_pSource, m_pTarget}) {
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(m_kind[i], &QRadioButton::clicked, this, [this, i] { m_editor.SetKind(i); });
    }
    for (int i = 0; i < 2; ++i) {
        connect(m_mode[i], &QRadioButton::clicked, this, [this, i] { m_editor.SetMode(i); });
        connect(m_usage[i], &QRadioButton::clicked, this,
                [this, i] { m_editor.SetTargetsUsage(i); });
    }
    connect(m_pArchive, &QCheckBox::clicked, this,
            [this](bool on) { m_editor.SetArchiveTarget(on); });
    connect(m_pSubfolders, &QCheckBox::clicked, this,
            [this](bool on) { m_editor.SetIncludeSubfolders(on); });
    connect(m_pPreview, &QCheckBox::clicked, this, [this](bool on) { m_editor.SetPreview(on); });
    connect(m_pLock, &QCheckBox::clicked, this, [this](bool on) {
        m_pLock->setChecked(m_editor.SetLocked(on));
        EnableEditArea();
    });
    connect(m_pTargets, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_bFilling) {
            m_editor.ShowTargetRow(row);
        }
    });
    connect(m_pTargets, &QListWidget::itemSelectionChanged, this, [this] {
        std::vector<int> rows;
        for (QListWidgetItem* item : m_pTargets->selectedItems()) {
            rows.push_back(m_pTargets->row(item));
        }
        m_editor.SetTargetSelection(std::move(rows));
    });
}

void CMirrantDlg::ConnectTaskList() {
    m_pTasks->setColumnCount(2);
    m_pTasks->setRootIsDecorated(false);
    m_pTasks->setUniformRowHeights(true);
    m_pTasks->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTasks->setDragEnabled(true);
    m_pTasks->setDragDropMode(QAbstractItemView::DragOnly);
    m_pTasks->header()->setStretchLastSection(false);
    m_pTasks->m_onEnter = [this] { m_presenter->Synch(); };
    m_pTasks->m_onDrag = [this] { StartTaskDrag(); };
    m_pTasks->m_onResize = [this] { SetColumnWidths(); };
    // The selection and the current row change in either order; each tells the presenter.
    const auto selectionChanged = [this] {
        if (m_bFilling) {
            return;
        }
        std::vector<int> rows;
        for (QTreeWidgetItem* item : m_pTasks->selectedItems()) {
            rows.push_back(m_pTasks->indexOfTopLevelItem(item));
        }
        QTreeWidgetItem* current = m_pTasks->currentItem();
        const int row =
            current && current->isSelected() ? m_pTasks->indexOfTopLevelItem(current) : -1;
        m_editor.SelectRows(std::move(rows), row);
    };
    connect(m_pTasks, &QTreeWidget::itemSelectionChanged, this, selectionChanged);
    connect(m_pTasks, &QTreeWidget::currentItemChanged, this, selectionChanged);
    connect(m_pTasks, &QTreeWidget::itemDoubleClicked, this, [this] {
        m_presenter->Runs().ClearEndSound();
        m_presenter->Synch();
    });
}

void CMirrantDlg::SetColumnWidths() {
    const int width = m_pTasks->viewport()->width();
    m_pTasks->setColumnWidth(0, width * 3 / 5);
    m_pTasks->setColumnWidth(1, width * 3 / 8);
}

void CMirrantDlg::RowsReset() {
    m_bFilling = true;
    m_pTasks->clear();
    for (int row = 0; row < m_presenter->List().RowCount(); ++row) {
        m_pTasks->addTopLevelItem(new QTreeWidgetItem());
        FillRow(row);
    }
    m_bFilling = false;
    SelectionChanged();
}

void CMirrantDlg::RowChanged(int row) {
    if (row >= 0 && row < m_pTasks->topLevelItemCount()) {
        FillRow(row);
    }
}

void CMirrantDlg::FillRow(int row) {
    QTreeWidgetItem* item = m_pTasks->topLevelItem(row);
    item->setText(0, Q(m_presenter->List().RowName(row)));
    item->setText(1, Q(m_presenter->RowLastRun(row)));
}

void CMirrantDlg::SelectionChanged() {
    m_bFilling = true;
    m_pTasks->clearSelection();
    for (int row : m_editor.Selection()) {
        if (QTreeWidgetItem* item = m_pTasks->topLevelItem(row)) {
            item->setSelected(true);
        }
    }
    if (QTreeWidgetItem* edited = m_pTasks->topLevelItem(m_editor.EditedRow())) {
        m_pTasks->setCurrentItem(edited, 0, QItemSelectionModel::NoUpdate);
        m_pTasks->scrollToItem(edited);
    }
    m_bFilling = false;
}

void CMirrantDlg::EditChanged() {
    FillEditArea();
    FillTargets();
    EnableEditArea();
}

void CMirrantDlg::FillEditArea() {
    const CTaskEditor& editor = m_editor;
    if (m_pName->text().toStdString() != editor.NameText()) {
        m_pName->setText(Q(editor.NameText()));
    }
    if (m_pSource->text().toStdString() != editor.SourceText()) {
        m_pSource->setText(Q(editor.SourceText()));
    }
    m_pTaskId->setText(Q(editor.TaskIdText()));
    m_kind[editor.KindIndex()]->setChecked(true);
    m_mode[editor.ModeIndex()]->setChecked(true);
    m_usage[editor.TargetsUsageIndex()]->setChecked(true);
    m_pArchive->setChecked(editor.ArchiveTarget());
    m_pSubfolders->setChecked(editor.IncludeSubfolders());
    m_pPreview->setChecked(editor.PreviewChecked());
    m_pLock->setChecked(editor.Locked());
    ShowKindRadios();
    ShowSyncState();
}

// The Synch command of a real-time task whose service runs stops it, and says so.
void CMirrantDlg::ShowSyncState() {
    if (!m_pSyncTool || !m_pSyncButton) {
        return;
    }
    const QString tip = Q(m_presenter->SyncTip());
    m_pSyncTool->setToolTip(tip);
    m_pSyncButton->setToolTip(tip);
    m_pSyncTool->setIcon(
        ActionIcon(m_presenter->SyncStops() ? "media-playback-stop" : "media-playback-start"));
}

void CMirrantDlg::ShowKindRadios() {
    const int kind = m_editor.KindIndex();
    for (int i = 0; i < 2; ++i) {
        m_mode[i]->setVisible(kind == 0);
        m_usage[i]->setVisible(kind == 1);
    }
}

void CMirrantDlg::TargetsChanged() {
    FillTargets();
}

void CMirrantDlg::FillTargets() {
    m_bFilling = true;
    const QSignalBlocker blocker(m_pTargets);
    m_pTargets->clear();
    for (const std::string& row : m_editor.TargetRows()) {
        m_pTargets->addItem(Q(row));
    }
    if (QListWidgetItem* shown = m_pTargets->item(m_editor.TargetRowShown())) {
        m_pTargets->setCurrentItem(shown);
    }
    if (m_pTarget->text().toStdString() != m_editor.TargetText()) {
        m_pTarget->setText(Q(m_editor.TargetText()));
    }
    m_bFilling = false;
}

// The presenter's rule, obeyed: a locked task's fields stay readable (their text can still be
// selected and copied), its targets can still be looked through, and its lock box cleared.
void CMirrantDlg::EnableEditArea() {
    const EditAccess access = m_editor.Access();
    for (QWidget* widget : m_editWidgets) {
        widget->setEnabled(access == EditAccess::Open);
    }
    for (QAction* action : m_editActions) {
        action->setEnabled(access == EditAccess::Open);
    }
    const bool shown = access == EditAccess::Open || access == EditAccess::Locked;
    for (QLineEdit* edit : {m_pName, m_pSource, m_pTarget}) {
        edit->setEnabled(shown);
        edit->setReadOnly(access == EditAccess::Locked);
        // A read-only field looks like any other in most styles: it takes the window's colour.
        QPalette look;
        if (access == EditAccess::Locked) {
            look = edit->palette();
            look.setColor(QPalette::Base, look.color(QPalette::Window));
        }
        edit->setPalette(look);
    }
    m_pTargets->setEnabled(shown);
    m_pLock->setEnabled(m_editor.LockBoxEnabled());
}

void CMirrantDlg::CaptionChanged() {
    setWindowTitle(Q(m_presenter->List().Caption()));
}

void CMirrantDlg::FocusName() {
    m_pName->setFocus();
    m_pName->selectAll();
}

// The "Last run" column marks the tasks that run.
void CMirrantDlg::RunsChanged() {
    EnableEditArea();
    for (int row = 0; row < m_pTasks->topLevelItemCount(); ++row) {
        FillRow(row);
    }
}

void CMirrantDlg::StatusChanged() {
    statusBar()->showMessage(Q(m_presenter->StatusText()));
}

// Escape typed into a field is meant for the field, not for leaving the program.
void CMirrantDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !qobject_cast<QLineEdit*>(focusWidget())) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace tv
