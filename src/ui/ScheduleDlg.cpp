#include "ui/ScheduleDlg.h"

#include <ctime>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/ScheduleStrings.h"

namespace tv {

namespace {

constexpr int kPreviewCount = 5;

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

struct CKindText {
    ScheduleKind m_kind;
    int m_nText;
};

constexpr CKindText kKinds[] = {
    {ScheduleKind::Once, IDS_SCHED_ONCE},
    {ScheduleKind::EveryMinutes, IDS_SCHED_EVERY_MINUTES},
    {ScheduleKind::EveryHours, IDS_SCHED_EVERY_HOURS},
    {ScheduleKind::Daily, IDS_SCHED_DAILY},
    {ScheduleKind::Weekly, IDS_SCHED_WEEKLY},
    {ScheduleKind::Monthly, IDS_SCHED_MONTHLY},
    {ScheduleKind::AtStartup, IDS_SCHED_AT_STARTUP},
    {ScheduleKind::Other, IDS_SCHED_OTHER},
};

// Cron starts jobs on the minute, so no time shows seconds.
QString MinuteFormat(QString format) {
    for (const char* seconds : {":ss", ".ss", ":s", ".s"}) {
        format.remove(seconds);
    }
    return format;
}

QSpinBox* SpinBox(QWidget* parent, int low, int high) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(low, high);
    return spin;
}

}  // namespace

CScheduleDlg::CScheduleDlg(const CScheduleJob& job, QWidget* parent)
    : QDialog(parent), m_original(job.m_form) {
    setWindowTitle(QString::fromStdString(
        FormatText(LoadString(IDS_SCHED_CAPTION).c_str(), job.m_strName.c_str())));
    auto* layout = new QVBoxLayout(this);
    m_pFields = new QFormLayout;
    layout->addLayout(m_pFields);
    BuildFields(m_pFields);

    auto* command = new QLineEdit(QString::fromStdString(job.m_strCommand), this);
    command->setObjectName("command");
    command->setReadOnly(true);
    command->setCursorPosition(0);
    command->setMinimumWidth(420);
    command->setToolTip(command->text());
    m_pFields->addRow(Text(IDS_SCHED_COMMAND_LABEL), command);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    m_pOk->setText(Text(IDS_DLG_OK));
    m_pOk->setObjectName("okButton");
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(IDS_DLG_CANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Removing stands apart from the buttons that close the dialog, as a destructive command.
    auto* row = new QHBoxLayout;
    if (job.m_bExists) {
        auto* remove = new QPushButton(Text(IDS_SCHED_REMOVE), this);
        remove->setObjectName("removeSchedule");
        remove->setAutoDefault(false);
        connect(remove, &QPushButton::clicked, this, [this] { done(kRemove); });
        row->addWidget(remove);
    }
    row->addStretch(1);
    row->addWidget(buttons);
    layout->addLayout(row);
    ShowForm(job.m_form);
}

void CScheduleDlg::BuildFields(QFormLayout* layout) {
    m_pKind = new QComboBox(this);
    m_pKind->setObjectName("kind");
    for (const CKindText& kind : kKinds) {
        // Other is offered only to keep a schedule that was set elsewhere.
        if (kind.m_kind != ScheduleKind::Other || m_original.m_kind == ScheduleKind::Other) {
            m_pKind->addItem(Text(kind.m_nText), static_cast<int>(kind.m_kind));
        }
    }
    layout->addRow(Text(IDS_SCHED_KIND_LABEL), m_pKind);
    m_pEvery = SpinBox(this, 1, 59);
    m_pEvery->setObjectName("every");
    layout->addRow(Text(IDS_SCHED_EVERY_LABEL), m_pEvery);
    m_pMinuteOfHour = SpinBox(this, 0, 59);
    layout->addRow(Text(IDS_SCHED_MINUTE_LABEL), m_pMinuteOfHour);
    m_pDate = new QDateEdit(this);
    m_pDate->setCalendarPopup(true);
    m_pDate->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    layout->addRow(Text(IDS_SCHED_DATE_LABEL), m_pDate);
    m_pDay = SpinBox(this, 1, 31);
    layout->addRow(Text(IDS_SCHED_DAY_LABEL), m_pDay);
    m_pWeekDays = BuildWeekDays();
    layout->addRow(Text(IDS_SCHED_DAYS_LABEL), m_pWeekDays);
    m_pTime = new QTimeEdit(this);
    m_pTime->setDisplayFormat(MinuteFormat(QLocale().timeFormat(QLocale::ShortFormat)));
    layout->addRow(Text(IDS_SCHED_TIME_LABEL), m_pTime);
    m_pOther = new QLineEdit(this);
    m_pOther->setReadOnly(true);
    layout->addRow(Text(IDS_SCHED_OTHER_LABEL), m_pOther);
    m_pNote = new QLabel(this);
    m_pNote->setWordWrap(true);
    layout->addRow(QString(), m_pNote);
    m_pPreview = new QLabel(this);
    m_pPreview->setObjectName("preview");
    m_pPreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addRow(Text(IDS_SCHED_PREVIEW_LABEL), m_pPreview);

    const auto changed = [this] { Refresh(); };
    connect(m_pKind, &QComboBox::currentIndexChanged, this, changed);
    for (QSpinBox* spin : {m_pEvery, m_pMinuteOfHour, m_pDay}) {
        connect(spin, &QSpinBox::valueChanged, this, changed);
    }
    connect(m_pDate, &QDateEdit::dateChanged, this, changed);
    connect(m_pTime, &QTimeEdit::timeChanged, this, changed);
}

// The days in the order of the desktop's locale, named as it names them.
QWidget* CScheduleDlg::BuildWeekDays() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    const QLocale locale;
    const int first = locale.firstDayOfWeek() % 7;  // Qt counts Monday 1 ... Sunday 7
    for (int i = 0; i < 7; ++i) {
        const int day = (first + i) % 7;
        auto* check = new QCheckBox(locale.dayName(day == 0 ? 7 : day, QLocale::ShortFormat), box);
        check->setObjectName(QString("day%1").arg(day));
        m_days[static_cast<size_t>(day)] = check;
        row->addWidget(check);
        connect(check, &QCheckBox::toggled, this, [this] { Refresh(); });
    }
    row->addStretch(1);
    return box;
}

void CScheduleDlg::ShowForm(const CScheduleForm& form) {
    m_pKind->setCurrentIndex(m_pKind->findData(static_cast<int>(form.m_kind)));
    const bool every =
        form.m_kind == ScheduleKind::EveryMinutes || form.m_kind == ScheduleKind::EveryHours;
    m_pEvery->setValue(every ? form.m_nEvery : 1);
    m_pMinuteOfHour->setValue(form.m_nMinute);
    m_pDay->setValue(form.m_nDay);
    // A schedule of another kind has no date of its own: a single start is offered for today.
    m_pDate->setDate(form.m_kind == ScheduleKind::Once
                         ? QDate(form.m_nYear, form.m_nMonth, form.m_nDay)
                         : QDate::currentDate());
    m_pTime->setTime(QTime(form.m_nHour, form.m_nMinute));
    for (int day = 0; day < 7; ++day) {
        m_days[static_cast<size_t>(day)]->setChecked((form.m_nDays & (1u << day)) != 0);
    }
    m_pOther->setText(QString::fromStdString(form.m_strText));
    Refresh();
}

CScheduleForm CScheduleDlg::Form() const {
    CScheduleForm form;
    form.m_kind = static_cast<ScheduleKind>(m_pKind->currentData().toInt());
    if (form.m_kind == ScheduleKind::Other) {
        return m_original;
    }
    form.m_nHour = m_pTime->time().hour();
    form.m_nMinute = m_pTime->time().minute();
    form.m_nDay = form.m_kind == ScheduleKind::Monthly ? m_pDay->value() : m_pDate->date().day();
    form.m_nMonth = m_pDate->date().month();
    form.m_nYear = m_pDate->date().year();
    form.m_nEvery = m_pEvery->value();
    if (form.m_kind == ScheduleKind::EveryHours) {
        form.m_nMinute = m_pMinuteOfHour->value();
    }
    for (int day = 0; day < 7; ++day) {
        form.m_nDays |= m_days[static_cast<size_t>(day)]->isChecked() ? 1u << day : 0u;
    }
    return form;
}

// Only the fields of the chosen kind are shown; the preview follows every change.
void CScheduleDlg::Refresh() {
    const ScheduleKind kind = static_cast<ScheduleKind>(m_pKind->currentData().toInt());
    const bool hours = kind == ScheduleKind::EveryHours;
    m_pEvery->setMaximum(hours ? 23 : 59);
    m_pEvery->setSuffix(Text(hours ? IDS_SCHED_HOURS_SUFFIX : IDS_SCHED_MINUTES_SUFFIX));
    const CScheduleForm form = Form();
    const bool at = kind == ScheduleKind::Once || kind == ScheduleKind::Daily ||
                    kind == ScheduleKind::Weekly || kind == ScheduleKind::Monthly;
    m_pFields->setRowVisible(m_pEvery, kind == ScheduleKind::EveryMinutes || hours);
    m_pFields->setRowVisible(m_pMinuteOfHour, hours);
    m_pFields->setRowVisible(m_pDate, kind == ScheduleKind::Once);
    m_pFields->setRowVisible(m_pDay, kind == ScheduleKind::Monthly);
    m_pFields->setRowVisible(m_pWeekDays, kind == ScheduleKind::Weekly);
    m_pFields->setRowVisible(m_pTime, at);
    m_pFields->setRowVisible(m_pOther, kind == ScheduleKind::Other);
    const int note = kind == ScheduleKind::Other     ? IDS_SCHED_OTHER_NOTE
                     : kind == ScheduleKind::Monthly ? IDS_SCHED_MONTH_NOTE
                                                     : 0;
    m_pNote->setText(note ? Text(note) : QString());
    m_pFields->setRowVisible(m_pNote, note != 0);

    const bool valid = IsValidScheduleForm(form);
    m_pOk->setEnabled(valid);
    const auto times =
        valid ? NextStartTimes(WriteScheduleForm(form), std::time(nullptr), kPreviewCount)
              : std::vector<std::time_t>();
    QStringList lines;
    const QLocale locale;
    for (const std::time_t when : times) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(when);
        lines << locale.dayName(local.date().dayOfWeek(), QLocale::ShortFormat) + ", " +
                     locale.toString(local.date(), QLocale::ShortFormat) + " " +
                     locale.toString(local.time(),
                                     MinuteFormat(locale.timeFormat(QLocale::ShortFormat)));
    }
    m_pPreview->setText(lines.isEmpty() ? Text(IDS_SCHED_NO_PREVIEW) : lines.join('\n'));
    if (isVisible()) {
        adjustSize();
    }
}

}  // namespace tv
