#include <functional>
#include <tuple>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "ui/PageBinder.h"
#include "ui/SettingsPages.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/DiscErase.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/Preferences.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, int stretchIndex = -1) {
    auto* row = new QHBoxLayout;
    int i = 0;
    for (QWidget* widget : widgets) {
        row->addWidget(widget, i++ == stretchIndex ? 1 : 0);
    }
    if (stretchIndex < 0) {
        row->addStretch();
    }
    return row;
}

// The window stays alive under a modal busy bar while a worker runs; after the bar closes,
// the worker's last moments are waited out, so that its job never goes away under it.
void WaitBusy(QProgressDialog& busy, const std::function<bool()>& finished) {
    busy.setWindowModality(Qt::WindowModal);
    busy.setMinimumDuration(0);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &busy, [&] {
        if (finished()) {
            busy.accept();
        }
    });
    poll.start(50);
    busy.exec();
    while (!finished()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

}  // namespace

CSettingsPages::CSettingsPages(CAdvancedSheet& pages, CPageBinder& binder, IUiDialogs& dialogs,
                               QWidget* owner, std::function<const CElement&()> task,
                               CAdvancedActions actions)
    : QObject(owner),
      m_pages(pages),
      m_binder(binder),
      m_dialogs(dialogs),
      m_pOwner(owner),
      m_task(std::move(task)),
      m_actions(std::move(actions)) {}

QWidget* CSettingsPages::BuildPage(AdvancedPage page) {
    switch (page) {
        case AdvancedPage::General:
            return BuildGeneral();
        case AdvancedPage::TimeLimit:
            return BuildTimeLimit();
        case AdvancedPage::Exclusion:
            return BuildExclusion();
        case AdvancedPage::Notification:
            return BuildNotify();
        case AdvancedPage::DialUp:
            return BuildDialUp();
        case AdvancedPage::Ftp:
            return BuildFtp();
        case AdvancedPage::External:
            return BuildExternal();
        case AdvancedPage::Cd:
        default:
            return BuildCd();
    }
}

QPushButton* CSettingsPages::Dots(QWidget* parent, const char* name, std::function<void()> fn) {
    auto* button = new QPushButton("...", parent);
    button->setObjectName(name);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + 24);
    connect(button, &QPushButton::clicked, this, [this, fn = std::move(fn)] {
        fn();
        m_binder.Show();
    });
    return button;
}

// The listing runs on a worker; the window stays alive with a busy bar until it ends, and its
// Cancel stops the listing.
void CSettingsPages::CreateSnapshot() {
    std::unique_ptr<CSnapshotJob> job = m_actions.m_startSnapshot();
    if (!job) {
        return;
    }
    QProgressDialog busy(TextOf(IDS_GEN_SNAPSHOT_BUSY), TextOf(IDS_DLG_CANCEL), 0, 0, m_pOwner);
    busy.setObjectName("snapshotProgress");
    busy.setWindowTitle(TextOf(IDS_GEN_MAKE_SNAPSHOT));
    connect(&busy, &QProgressDialog::canceled, &busy, [&] { job->Cancel(); });
    WaitBusy(busy, [&] { return job->Finished(); });
    m_dialogs.Message(
        LoadString(job->Succeeded() ? IDS_GEN_SNAPSHOT_DONE : IDS_GEN_SNAPSHOT_FAILED));
}

// The erase runs on a worker while a busy bar keeps the window alive; it cannot be stopped
// halfway, so the bar has no Cancel.
void CSettingsPages::EraseNow(EraseDepth depth) {
    const CElement& task = m_task();
    std::unique_ptr<CDiscEraseJob> job = CDiscEraseJob::Start(task, depth);
    if (!job) {
        const std::string path =
            task.m_Targets.empty() ? std::string() : task.m_Targets[0].m_strPath;
        m_dialogs.Message(FormatText(LoadString(IDS_DISC_NOT_READY).c_str(), path.c_str()));
        return;
    }
    QProgressDialog busy(TextOf(IDS_ERASING_CD), QString(), 0, 0, m_pOwner);
    busy.setObjectName("eraseProgress");
    busy.setCancelButton(nullptr);
    WaitBusy(busy, [&] { return job->Finished(); });
    m_dialogs.Message(job->Error().empty() ? LoadString(IDS_ERASE_CD_DONE)
                                           : LoadString(IDS_ERASE_CD_ERROR) + ": " + job->Error());
}

QWidget* CSettingsPages::BuildGeneral() {
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(BuildGeneralChecks(page), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildLogGroup(page));
    right->addWidget(BuildPolicyGroup(page));
    right->addStretch();
    layout->addLayout(right, 1);
    return page;
}

QWidget* CSettingsPages::BuildGeneralChecks(QWidget* page) {
    CGeneralPage& g = m_pages.m_general;
    CPageBinder& b = m_binder;
    auto* box = new QWidget(page);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    QCheckBox* del = b.Check(
        box, IDS_GEN_DELETE_FROM_TARGET, [&g] { return g.m_bDeleteFromTarget; },
        [this, &g](bool on) {
            if (const auto notice = g.SetDeleteFromTarget(on)) {
                m_dialogs.Message(*notice);
            }
        },
        "deleteFromTarget");
    QCheckBox* onTarget = b.Check(box, IDS_GEN_ONLY_ON_TARGET, g.m_bOnlyIfOnTarget, "onlyOnTarget");
    QCheckBox* newer = b.Check(box, IDS_GEN_ONLY_NEWER, g.m_bOnlyIfTargetNewer, "onlyNewer");
    QCheckBox* deleteSource =
        b.Check(box, IDS_GEN_DELETE_SOURCE, g.m_bDeleteSourceAfterRun, "deleteSource");
    QCheckBox* snapshot = b.Check(box, IDS_GEN_USE_SNAPSHOT, g.m_bUseSnapshot, "useSnapshot");
    QPushButton* make =
        b.Button(box, IDS_GEN_MAKE_SNAPSHOT, "makeSnapshot", [this] { CreateSnapshot(); });
    make->setVisible(static_cast<bool>(m_actions.m_startSnapshot));
    QComboBox* criterion = b.Choice(box, CompareModeTexts(), g.m_nCompareMode, "criterion");
    QLabel* criterionLabel = b.Label(box, IDS_GEN_CRITERION, criterion);
    for (QWidget* w : {static_cast<QWidget*>(del), static_cast<QWidget*>(onTarget),
                       static_cast<QWidget*>(newer), static_cast<QWidget*>(deleteSource)}) {
        layout->addWidget(w);
        CPageBinder::Tip(w, IDS_GEN_TIP_ONE_WAY);
    }
    CPageBinder::Tip(snapshot, IDS_GEN_TIP_SNAPSHOT);
    layout->addWidget(snapshot);
    layout->addLayout(Row({make}));
    layout->addLayout(Row({criterion, criterionLabel}, 1));
    b.EnableWhen({del, onTarget, newer, deleteSource, snapshot, make, criterion, criterionLabel},
                 [&g] { return g.OneWayEnabled(); });
    layout->addSpacing(8);
    layout->addWidget(b.Check(box, IDS_GEN_NO_EMPTY, g.m_bNoEmptyFolders, "noEmptyFolders"));
    layout->addWidget(b.Check(box, IDS_GEN_CREATE_TARGET, g.m_bCreateTarget, "createTarget"));
    QCheckBox* deleteNew =
        b.Check(box, IDS_GEN_DELETE_NEW, g.m_bDeleteNewBeforeLastSync, "deleteNew");
    CPageBinder::Tip(deleteNew, IDS_GEN_TIP_DELETE_NEW);
    layout->addWidget(deleteNew);
    QCheckBox* zip = b.Check(box, IDS_GEN_ZIP_DATE, g.m_bZipDatePrefix, "zipDate");
    CPageBinder::Tip(zip, IDS_GEN_TIP_ZIP);
    b.EnableWhen({zip}, [&g] { return g.ZipDateEnabled(); });
    layout->addWidget(zip);
    QCheckBox* altCopy = b.Check(box, IDS_GEN_ALT_COPY, g.m_bAltCopy, "altCopy");
    CPageBinder::Tip(altCopy, IDS_GEN_TIP_ALT_COPY);
    QLineEdit* altCopyDir = b.Edit(box, g.m_strAltCopyDir, "altCopyDir");
    QPushButton* altCopyDots = Dots(box, "altCopyBrowse", [this, &g] {
        if (const auto chosen = m_dialogs.ChooseLocation(g.m_strAltCopyDir)) {
            g.m_strAltCopyDir = *chosen;
        }
    });
    b.EnableWhen({altCopyDir, altCopyDots}, [&g] { return g.AltCopyDirEnabled(); });
    layout->addWidget(altCopy);
    layout->addLayout(Row({altCopyDir, altCopyDots}, 0));
    layout->addWidget(b.Check(box, IDS_GEN_SHUTDOWN, g.m_bShutdown, "shutdown"));
    layout->addWidget(b.Check(box, IDS_GEN_SILENT, g.m_bSilent, "silent"));
    layout->addStretch();
    return box;
}

QWidget* CSettingsPages::BuildLogGroup(QWidget* page) {
    CGeneralPage& g = m_pages.m_general;
    CPageBinder& b = m_binder;
    auto* group = new QGroupBox(page);
    auto* layout = new QGridLayout(group);
    layout->addWidget(b.Check(group, IDS_GEN_APPEND_LOG, g.m_bAppendLog, "appendLog"), 0, 0, 1, 3);
    QSpinBox* limit = b.Spin(group, kLogLimitMinKb, kLogLimitMaxKb, g.m_nLogLimitKb, "logLimit");
    layout->addWidget(b.Label(group, IDS_GEN_LOG_LIMIT, limit), 1, 0, 1, 2);
    layout->addWidget(limit, 1, 2);
    layout->addWidget(b.Check(group, IDS_GEN_ASCII_LOG, g.m_bAsciiLog, "asciiLog"), 2, 0, 1, 3);
    layout->addWidget(b.Check(group, IDS_GEN_HTML_LOG, g.m_bHtmlLog, "htmlLog"), 3, 0, 1, 3);
    QLineEdit* html = b.Edit(group, g.m_strHtmlLogFile, "htmlLogFile");
    QPushButton* htmlDots = Dots(group, "htmlLogBrowse", [this, &g] {
        if (const auto chosen = m_dialogs.SaveFile(FileKind::WebPage, {}, g.m_strHtmlLogFile)) {
            g.m_strHtmlLogFile = *chosen;
        }
    });
    layout->addWidget(html, 4, 0, 1, 2);
    layout->addWidget(htmlDots, 4, 2);
    b.EnableWhen({html, htmlDots}, [&g] { return g.HtmlFileEnabled(); });
    layout->addWidget(b.Check(group, IDS_GEN_ALT_LOG, g.m_bAltLogDir, "altLog"), 5, 0, 1, 3);
    QLineEdit* altLog = b.Edit(group, g.m_strAltLogDir, "altLogDir");
    QPushButton* altLogDots = Dots(group, "altLogBrowse", [this, &g] {
        if (const auto chosen = m_dialogs.ChooseLocation(g.m_strAltLogDir)) {
            g.m_strAltLogDir = *chosen;
        }
    });
    layout->addWidget(altLog, 6, 0, 1, 2);
    layout->addWidget(altLogDots, 6, 2);
    b.EnableWhen({altLog, altLogDots}, [&g] { return g.AltLogDirEnabled(); });
    layout->setColumnStretch(1, 1);
    return group;
}

QWidget* CSettingsPages::BuildPolicyGroup(QWidget* page) {
    CGeneralPage& g = m_pages.m_general;
    CPageBinder& b = m_binder;
    auto* group = new QGroupBox(page);
    auto* layout = new QVBoxLayout(group);
    QCheckBox* own = b.Check(group, IDS_GEN_OWN_PREFS, g.m_bOwnPreferences, "ownPreferences");
    CPageBinder::Tip(own, IDS_GEN_TIP_OWN_PREFS);
    layout->addWidget(own);
    const auto& texts = ErrorPolicyTexts();
    const auto radios = b.Radios(
        group, {texts.begin(), texts.end()}, [&g] { return g.m_nPolicy; },
        [&g](int index) { g.m_nPolicy = index; }, "policy");
    for (QRadioButton* radio : radios) {
        layout->addWidget(radio);
    }
    b.EnableWhen({radios.begin(), radios.end()}, [&g] { return g.PolicyEnabled(); });
    QPushButton* pattern = b.Button(group, IDS_GEN_PATTERN, "savePattern", [this] {
        if (m_actions.m_saveAsPattern && m_actions.m_saveAsPattern()) {
            m_pPatternNote->setText(TextOf(IDS_GEN_PATTERN_SAVED));
        }
    });
    CPageBinder::Tip(pattern, IDS_GEN_TIP_PATTERN);
    pattern->setVisible(static_cast<bool>(m_actions.m_saveAsPattern));
    m_pPatternNote = new QLabel(group);
    m_pPatternNote->setWordWrap(true);
    layout->addSpacing(8);
    layout->addLayout(Row({pattern}));
    layout->addWidget(m_pPatternNote);
    return group;
}

QWidget* CSettingsPages::BuildTimeLimit() {
    CTimeLimitPage& t = m_pages.m_timeLimit;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QGridLayout(page);
    QCheckBox* regard = b.Check(page, IDS_TL_REGARD, t.m_bTimeLimit, "timeLimit");
    const auto period = b.Radios(
        page, {IDS_TL_INCLUDING, IDS_TL_EXCLUDING}, [&t] { return t.m_nExcludePeriod; },
        [&t](int index) { t.m_nExcludePeriod = index; }, "period");
    const auto form = b.Radios(
        page, {IDS_TL_NOT_EARLIER, IDS_TL_DURING}, [&t] { return t.m_bDuring ? 1 : 0; },
        [&t](int index) { t.m_bDuring = index == 1; }, "form");
    QSpinBox* age = b.Spin(page, 0, kAgeValueMax, t.m_nAgeValue, "ageValue");
    QComboBox* unit = b.Choice(page, AgeUnitTexts(), t.m_nAgeUnit, "ageUnit");
    QDateTimeEdit* from = b.DateTime(page, t.m_timeFrom, "periodFrom");
    QDateTimeEdit* to = b.DateTime(page, t.m_timeTo, "periodTo");
    QLabel* fromLabel = b.Label(page, IDS_TL_FROM, from);
    QLabel* toLabel = b.Label(page, IDS_TL_TO, to);
    for (QWidget* radio : {period[0], period[1]}) {
        CPageBinder::Tip(radio, IDS_TL_TIP_PERIOD);
    }
    layout->addWidget(regard, 0, 0, 1, 4);
    layout->addLayout(Row({period[0], period[1]}), 1, 1, 1, 3, Qt::AlignLeft);
    layout->addWidget(form[0], 2, 1);
    layout->addLayout(Row({age, unit}), 2, 2, 1, 2, Qt::AlignLeft);
    layout->addWidget(form[1], 3, 1);
    layout->addWidget(fromLabel, 3, 2);
    layout->addWidget(from, 3, 3);
    layout->addWidget(toLabel, 4, 2);
    layout->addWidget(to, 4, 3);
    layout->setColumnMinimumWidth(0, 16);
    b.EnableWhen({period[0], period[1], form[0], form[1]}, [&t] { return t.PeriodEnabled(); });
    b.EnableWhen({age, unit}, [&t] { return t.AgeEnabled(); });
    b.EnableWhen({from, to, fromLabel, toLabel}, [&t] { return t.DuringEnabled(); });
    QCheckBox* delay = b.Check(page, IDS_TL_DELAY, t.m_bStartDelay, "startDelay");
    QSpinBox* seconds = b.Spin(page, 0, kDelayMaxSeconds, t.m_nDelaySeconds, "delaySeconds");
    b.EnableWhen({seconds}, [&t] { return t.DelayEnabled(); });
    layout->setRowMinimumHeight(5, 16);
    layout->addWidget(delay, 6, 0, 1, 3);
    layout->addWidget(seconds, 6, 3, Qt::AlignLeft);
    layout->setColumnStretch(4, 1);
    layout->setRowStretch(7, 1);
    return page;
}

QWidget* CSettingsPages::BuildExclusion() {
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildExclusionItems(page), 1);
    layout->addWidget(BuildExclusionFilters(page));
    return page;
}

QWidget* CSettingsPages::BuildExclusionItems(QWidget* parent) {
    CExclusionPage& x = m_pages.m_exclusion;
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    QCheckBox* items = m_binder.Check(box, IDS_EX_ITEMS, x.m_bExcludeItems, "excludeItems");
    CPageBinder::Tip(items, IDS_EX_TIP_ITEMS);
    layout->addWidget(items);
    layout->addWidget(BuildExclusionList(box), 1);
    return box;
}

QWidget* CSettingsPages::BuildExclusionFilters(QWidget* parent) {
    CExclusionPage& x = m_pages.m_exclusion;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(parent);
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto maskRow = [&](int row, int textId, bool& on, std::string& text, const char* name) {
        QCheckBox* box = b.Check(page, textId, on, name);
        CPageBinder::Tip(box, IDS_EX_TIP_MASKS);
        QLineEdit* edit = b.Edit(page, text, (std::string(name) + "Text").c_str());
        edit->setPlaceholderText(TextOf(IDS_EX_DELIMITED));
        edit->setToolTip(TextOf(IDS_EX_DELIMITED));
        b.EnableWhen({edit}, [&on] { return on; });
        layout->addWidget(box, row, 0);
        layout->addWidget(edit, row, 1, 1, 2);
    };
    maskRow(0, IDS_EX_MASKS, x.m_bExcludeMasks, x.m_strExcludeMasks, "excludeMasks");
    maskRow(1, IDS_EX_INCLUDE, x.m_bIncludeMasks, x.m_strIncludeMasks, "includeMasks");
    QCheckBox* size = b.Check(page, IDS_EX_MAX_SIZE, x.m_bMaxSize, "maxSize");
    QSpinBox* mb = b.Spin(page, 0, kMaxSizeMaxMb, x.m_nMaxSizeMb, "maxSizeMb");
    mb->setSuffix(" " + TextOf(IDS_EX_MB));
    b.EnableWhen({mb}, [&x] { return x.MaxSizeEnabled(); });
    layout->addWidget(size, 2, 0);
    layout->addWidget(mb, 2, 1, Qt::AlignLeft);
    layout->addWidget(b.Check(page, IDS_EX_SKIP_HIDDEN, x.m_bSkipHidden, "skipHidden"), 3, 0, 1, 3);
    layout->addWidget(b.Check(page, IDS_EX_SKIP_SYSTEM, x.m_bSkipSystem, "skipSystem"), 4, 0, 1, 3);
    QCheckBox* junctions =
        b.Check(page, IDS_EX_SKIP_JUNCTIONS, x.m_bSkipJunctions, "skipJunctions");
    CPageBinder::Tip(junctions, IDS_EX_TIP_JUNCTIONS);
    layout->addWidget(junctions, 5, 0, 1, 3);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(6, 1);
    return page;
}

// The entries are edited in place; what the list shows is the page's list at every change.
QWidget* CSettingsPages::BuildExclusionList(QWidget* page) {
    CExclusionPage& x = m_pages.m_exclusion;
    CPageBinder& b = m_binder;
    auto* box = new QGroupBox(TextOf(IDS_EX_DIRECTORIES), page);
    auto* layout = new QHBoxLayout(box);
    m_pExcluded = new QListWidget(box);
    m_pExcluded->setObjectName("excludedList");
    FillExclusionList();
    connect(m_pExcluded, &QListWidget::itemChanged, this, [this, &x](QListWidgetItem* item) {
        const int row = m_pExcluded->row(item);
        if (row >= 0 && static_cast<size_t>(row) < x.m_items.size()) {
            x.m_items[static_cast<size_t>(row)] = item->text().toStdString();
        }
    });
    auto* buttons = new QVBoxLayout;
    QPushButton* add = b.Button(box, IDS_EX_NEW, "newExcluded", [this, &x] {
        x.m_items.emplace_back();
        FillExclusionList();
        m_pExcluded->setCurrentRow(m_pExcluded->count() - 1);
        m_pExcluded->editItem(m_pExcluded->currentItem());
    });
    QPushButton* browse = b.Button(box, IDS_EX_BROWSE, "browseExcluded", [this, &x] {
        x.Browse(m_dialogs, m_task());
        FillExclusionList();
    });
    QPushButton* remove = b.Button(box, IDS_EX_REMOVE, "removeExcluded", [this, &x] {
        const int row = m_pExcluded->currentRow();
        if (row >= 0 && static_cast<size_t>(row) < x.m_items.size()) {
            x.m_items.erase(x.m_items.begin() + row);
            FillExclusionList();
        }
    });
    for (QPushButton* button : {add, browse, remove}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addWidget(m_pExcluded, 1);
    layout->addLayout(buttons);
    b.EnableWhen({box}, [&x] { return x.ItemsEnabled(); });
    return box;
}

void CSettingsPages::FillExclusionList() {
    const QSignalBlocker block(m_pExcluded);
    m_pExcluded->clear();
    for (const std::string& entry : m_pages.m_exclusion.m_items) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry), m_pExcluded);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
}

QWidget* CSettingsPages::BuildNotify() {
    CNotifyPage& n = m_pages.m_notify;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QVBoxLayout(page);
    const std::vector<int> when = {IDS_NT_IF_ERROR, IDS_NT_ANY_CASE, IDS_NT_IF_COPIED};
    layout->addWidget(b.Check(page, IDS_NT_MAIL, n.m_bMail, "mail"));
    auto* mail = new QGridLayout;
    const auto mailWhen = b.Radios(
        page, when, [&n] { return n.m_nMailWhen; }, [&n](int i) { n.m_nMailWhen = i; }, "mailWhen");
    const auto content = b.Radios(
        page, {IDS_NT_SUMMARY, IDS_NT_ALL_LOG}, [&n] { return n.m_nMailContent; },
        [&n](int i) { n.m_nMailContent = i; }, "mailContent");
    std::vector<QWidget*> mailControls(mailWhen.begin(), mailWhen.end());
    mailControls.insert(mailControls.end(), content.begin(), content.end());
    for (size_t i = 0; i < mailWhen.size(); ++i) {
        mail->addWidget(mailWhen[i], static_cast<int>(i), 1);
    }
    for (size_t i = 0; i < content.size(); ++i) {
        mail->addWidget(content[i], static_cast<int>(i), 2);
    }
    int row = 3;
    for (auto [textId, field, name] : {std::tuple{IDS_NT_SMTP, &n.m_strSmtpServer, "smtpServer"},
                                       std::tuple{IDS_NT_FROM, &n.m_strMailFrom, "mailFrom"},
                                       std::tuple{IDS_NT_TO, &n.m_strMailTo, "mailTo"}}) {
        QLineEdit* edit = b.Edit(page, *field, name);
        QLabel* label = b.Label(page, textId, edit);
        mail->addWidget(label, row, 1);
        mail->addWidget(edit, row++, 2, 1, 2);
        mailControls.insert(mailControls.end(), {label, edit});
    }
    CPageBinder::Tip(mailControls[mailControls.size() - 5], IDS_NT_TIP_SMTP);
    QPushButton* mailTest = b.Button(page, IDS_NT_TEST, "mailTest", [this, &n] {
        const std::string failure = n.TestMail();
        m_dialogs.Message(
            failure.empty() ? LoadString(IDS_NT_MAIL_SENT)
                            : FormatText(LoadString(IDS_NT_MAIL_FAILED).c_str(), failure.c_str()));
    });
    CPageBinder::Tip(mailTest, IDS_NT_TIP_MAIL_TEST);
    mail->addWidget(mailTest, row, 3, Qt::AlignRight);
    mailControls.push_back(mailTest);
    mail->setColumnMinimumWidth(0, 16);
    mail->setColumnStretch(3, 1);
    b.EnableWhen(mailControls, [&n] { return n.MailEnabled(); });
    layout->addLayout(mail);

    layout->addWidget(b.Check(page, IDS_NT_NETSEND, n.m_bNetSend, "netSend"));
    auto* net = new QGridLayout;
    QLineEdit* computer = b.Edit(page, n.m_strNetSendTo, "netSendTo");
    QPushButton* test =
        b.Button(page, IDS_NT_TEST_MESSAGE, "netSendTest", [&n] { n.TestNetMessage(); });
    const auto netWhen = b.Radios(
        page, when, [&n] { return n.m_nNetSendWhen; }, [&n](int i) { n.m_nNetSendWhen = i; },
        "netSendWhen");
    net->addWidget(computer, 0, 1);
    net->addWidget(test, 0, 2);
    net->addLayout(Row({netWhen[0], netWhen[1], netWhen[2]}), 1, 1, 1, 2, Qt::AlignLeft);
    net->setColumnMinimumWidth(0, 16);
    net->setColumnStretch(1, 1);
    b.EnableWhen({computer, test, netWhen[0], netWhen[1], netWhen[2]},
                 [&n] { return n.NetSendEnabled(); });
    layout->addLayout(net);
    layout->addWidget(BuildSound(page, SoundSlot::Preview));
    layout->addWidget(BuildSound(page, SoundSlot::Finish));
    layout->addStretch();
    return page;
}

QWidget* CSettingsPages::BuildSound(QWidget* page, SoundSlot slot) {
    CNotifyPage& n = m_pages.m_notify;
    CPageBinder& b = m_binder;
    const bool preview = slot == SoundSlot::Preview;
    auto* box = new QWidget(page);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    std::string& file = preview ? n.m_strPreviewSound : n.m_strFinishSound;
    layout->addWidget(b.Check(box, preview ? IDS_NT_PREVIEW_SOUND : IDS_NT_FINISH_SOUND,
                              preview ? n.m_bPreviewSound : n.m_bFinishSound,
                              preview ? "previewSound" : "finishSound"),
                      0, 0, 1, 4);
    QLineEdit* edit = b.Edit(box, file, preview ? "previewSoundFile" : "finishSoundFile");
    QPushButton* dots =
        Dots(box, preview ? "previewSoundBrowse" : "finishSoundBrowse", [this, &file] {
            if (const auto chosen = m_dialogs.OpenFile(FileKind::AnyFile, file)) {
                file = *chosen;
            }
        });
    QPushButton* test =
        b.Button(box, preview ? IDS_NT_TEST_PREVIEW_SOUND : IDS_NT_TEST_FINISH_SOUND,
                 preview ? "previewSoundTest" : "finishSoundTest", [this, &n, slot] {
                     if (!n.TestSound(slot)) {
                         m_dialogs.Message(LoadString(IDS_NT_SOUND_FAILED));
                     }
                 });
    layout->addWidget(edit, 1, 1);
    layout->addWidget(dots, 1, 2);
    layout->addWidget(test, 1, 3);
    layout->setColumnMinimumWidth(0, 16);
    layout->setColumnStretch(1, 1);
    b.EnableWhen({edit, dots, test}, [&n, slot] { return n.SoundEnabled(slot); });
    return box;
}

QWidget* CSettingsPages::BuildDialUp() {
    CDialUpPage& d = m_pages.m_dialUp;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QGridLayout(page);
    layout->addWidget(b.Check(page, IDS_DU_DIAL, d.m_bDialUp, "dialUp"), 0, 0, 1, 3);
    auto* connection = new QComboBox(page);
    connection->setObjectName("connection");
    connection->setEditable(true);
    for (const std::string& name : d.Connections()) {
        connection->addItem(QString::fromStdString(name));
    }
    connection->setCurrentText(QString::fromStdString(d.m_strEntry));
    connect(connection, &QComboBox::currentTextChanged, this,
            [&d](const QString& text) { d.m_strEntry = text.toStdString(); });
    CPageBinder::Tip(connection, IDS_DU_TIP);
    QLabel* label = b.Label(page, IDS_DU_CONNECT_USING, connection);
    QCheckBox* hangUp = b.Check(page, IDS_DU_HANG_UP, d.m_bHangUp, "hangUp");
    QPushButton* now =
        b.Button(page, IDS_DU_CONNECT_NOW, "connectNow", [this, &d] { d.ConnectNow(m_dialogs); });
    QPushButton* off =
        b.Button(page, IDS_DU_DISCONNECT, "disconnect", [this, &d] { d.Disconnect(m_dialogs); });
    layout->addWidget(label, 1, 1);
    layout->addWidget(connection, 1, 2);
    layout->addWidget(hangUp, 2, 1, 1, 2);
    layout->addLayout(Row({now, off}), 3, 1, 1, 2, Qt::AlignLeft);
    layout->setColumnMinimumWidth(0, 16);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(4, 1);
    b.EnableWhen({label, connection, hangUp, now, off}, [&d] { return d.ConnectionEnabled(); });
    return page;
}

QWidget* CSettingsPages::BuildFtp() {
    CFtpOptionsPage& f = m_pages.m_ftp;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(b.Check(
        page, IDS_FO_UPPER, [&f] { return f.m_bUpperCase; }, [&f](bool on) { f.SetUpperCase(on); },
        "upperCase"));
    layout->addWidget(b.Check(
        page, IDS_FO_LOWER, [&f] { return f.m_bLowerCase; }, [&f](bool on) { f.SetLowerCase(on); },
        "lowerCase"));
    layout->addWidget(b.Check(page, IDS_FO_SET_TIME, f.m_bSetLocalTime, "setLocalTime"));
    QCheckBox* incremental =
        b.Check(page, IDS_FO_INCREMENTAL, f.m_bIncrementalDownload, "incremental");
    incremental->setToolTip(TextOf(IDS_FO_INCREMENTAL));
    layout->addWidget(incremental);
    auto* note = new QLabel(TextOf(IDS_FO_NOTE), page);
    note->setWordWrap(true);
    layout->addSpacing(12);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

QWidget* CSettingsPages::BuildExternal() {
    CExternalPage& x = m_pages.m_external;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QGridLayout(page);
    layout->addWidget(new QLabel(TextOf(IDS_XC_PERFORM), page), 0, 0, 1, 3);
    const auto command = [&](int row, int textId, bool& on, std::string& line, const char* name) {
        layout->addWidget(b.Check(page, textId, on, name), row, 0, 1, 3);
        QLineEdit* edit = b.Edit(page, line, (std::string(name) + "Command").c_str());
        CPageBinder::Tip(edit, IDS_XC_TIP);
        QPushButton* dots = Dots(page, (std::string(name) + "Browse").c_str(), [this, &line] {
            if (const auto chosen = m_dialogs.OpenFile(FileKind::AnyFile, line)) {
                line = *chosen;
            }
        });
        layout->addWidget(edit, row + 1, 1);
        layout->addWidget(dots, row + 1, 2);
        b.EnableWhen({edit, dots}, [&on] { return on; });
    };
    command(1, IDS_XC_BEFORE, x.m_bRunBefore, x.m_strRunBefore, "runBefore");
    command(3, IDS_XC_AFTER, x.m_bRunAfter, x.m_strRunAfter, "runAfter");
    layout->setColumnMinimumWidth(0, 16);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);
    return page;
}

QWidget* CSettingsPages::BuildCd() {
    CCdPage& c = m_pages.m_cd;
    CPageBinder& b = m_binder;
    auto* page = new QWidget(m_pOwner);
    auto* layout = new QGridLayout(page);
    QCheckBox* disk = b.Check(page, IDS_CD_AS_DISK, c.m_bAsDisk, "cdAsDisk");
    CPageBinder::Tip(disk, IDS_CD_TIP_AS_DISK);
    layout->addWidget(disk, 0, 0, 1, 2);
    layout->addWidget(b.Check(page, IDS_CD_ERASE, c.m_bErase, "eraseCd"), 1, 0, 1, 2);
    QCheckBox* full = b.Check(page, IDS_CD_FULL, c.m_bFullErase, "fullErase");
    b.EnableWhen({full}, [&c] { return c.FullEraseEnabled(); });
    layout->addWidget(full, 2, 1);
    layout->addWidget(b.Check(page, IDS_CD_EJECT, c.m_bEject, "ejectCd"), 3, 0, 1, 2);
    auto* erase = new QPushButton(TextOf(IDS_CD_ERASE_NOW), page);
    erase->setObjectName("eraseNow");
    auto* fullNow = new QPushButton(TextOf(IDS_CD_FULL_NOW), page);
    fullNow->setObjectName("fullEraseNow");
    connect(erase, &QPushButton::clicked, this, [this] { EraseNow(EraseDepth::Quick); });
    connect(fullNow, &QPushButton::clicked, this, [this] { EraseNow(EraseDepth::Full); });
    layout->addLayout(Row({erase, fullNow}), 4, 0, 1, 2, Qt::AlignLeft);
    layout->setColumnMinimumWidth(0, 16);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);
    return page;
}

}  // namespace tv
