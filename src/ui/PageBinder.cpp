#include "ui/PageBinder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "base/StringTable.h"

namespace tv {

QString TextOf(int id) {
    return QString::fromStdString(LoadString(id));
}

void CPageBinder::Changed() {
    if (!m_bShowing) {
        Show();
    }
}

void CPageBinder::Show() {
    m_bShowing = true;
    for (const auto& show : m_show) {
        show();
    }
    m_bShowing = false;
}

QCheckBox* CPageBinder::Check(QWidget* parent, int textId, bool& field, const char* name) {
    return Check(
        parent, textId, [&field] { return field; }, [&field](bool on) { field = on; }, name);
}

QCheckBox* CPageBinder::Check(QWidget* parent, int textId, std::function<bool()> get,
                              std::function<void(bool)> set, const char* name) {
    auto* box = new QCheckBox(TextOf(textId), parent);
    box->setObjectName(name);
    m_show.push_back([box, get] { box->setChecked(get()); });
    connect(box, &QCheckBox::toggled, this, [this, set](bool on) {
        if (!m_bShowing) {
            set(on);
            Changed();
        }
    });
    return box;
}

QLineEdit* CPageBinder::Edit(QWidget* parent, std::string& field, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    m_show.push_back([edit, &field] {
        const QString text = QString::fromStdString(field);
        if (edit->text() != text) {
            edit->setText(text);
        }
    });
    connect(edit, &QLineEdit::textChanged, this, [this, &field](const QString& text) {
        if (!m_bShowing) {
            field = text.toStdString();
        }
    });
    return edit;
}

QSpinBox* CPageBinder::Spin(QWidget* parent, int min, int max, int& field, const char* name) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(min, max);
    m_show.push_back([spin, &field] { spin->setValue(field); });
    connect(spin, &QSpinBox::valueChanged, this, [this, &field](int value) {
        if (!m_bShowing) {
            field = value;
        }
    });
    return spin;
}

QComboBox* CPageBinder::Choice(QWidget* parent, const std::vector<int>& textIds, int& field,
                               const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (int id : textIds) {
        combo->addItem(TextOf(id));
    }
    m_show.push_back([combo, &field] { combo->setCurrentIndex(field); });
    connect(combo, &QComboBox::currentIndexChanged, this, [this, &field](int index) {
        if (!m_bShowing && index >= 0) {
            field = index;
            Changed();
        }
    });
    return combo;
}

std::vector<QRadioButton*> CPageBinder::Radios(QWidget* parent, const std::vector<int>& textIds,
                                               std::function<int()> get,
                                               std::function<void(int)> set, const char* name) {
    auto* group = new QButtonGroup(parent);
    std::vector<QRadioButton*> radios;
    for (size_t i = 0; i < textIds.size(); ++i) {
        auto* radio = new QRadioButton(TextOf(textIds[i]), parent);
        radio->setObjectName(QString("%1%2").arg(name).arg(i));
        group->addButton(radio, static_cast<int>(i));
        radios.push_back(radio);
    }
    m_show.push_back([radios, get] {
        const int chosen = get();
        for (size_t i = 0; i < radios.size(); ++i) {
            radios[i]->setChecked(static_cast<int>(i) == chosen);
        }
    });
    connect(group, &QButtonGroup::idClicked, this, [this, set](int id) {
        set(id);
        Changed();
    });
    return radios;
}

QDateTimeEdit* CPageBinder::DateTime(QWidget* parent, TaskTime& field, const char* name) {
    auto* edit = new QDateTimeEdit(parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    m_show.push_back([edit, &field] { edit->setDateTime(QDateTime::fromSecsSinceEpoch(field)); });
    connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this, &field](const QDateTime& time) {
        if (!m_bShowing) {
            field = time.toSecsSinceEpoch();
        }
    });
    return edit;
}

QPushButton* CPageBinder::Button(QWidget* parent, int textId, const char* name,
                                 std::function<void()> fn) {
    auto* button = new QPushButton(TextOf(textId), parent);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, [this, fn] {
        fn();
        Changed();
    });
    return button;
}

QLabel* CPageBinder::Label(QWidget* parent, int textId, QWidget* buddy) {
    auto* label = new QLabel(TextOf(textId), parent);
    if (buddy) {
        label->setBuddy(buddy);
    }
    return label;
}

void CPageBinder::Tip(QWidget* widget, int textId) {
    widget->setToolTip(TextOf(textId));
}

void CPageBinder::EnableWhen(std::vector<QWidget*> widgets, std::function<bool()> when) {
    m_show.push_back([widgets = std::move(widgets), when] {
        const bool on = when();
        for (QWidget* widget : widgets) {
            widget->setEnabled(on);
        }
    });
}

}  // namespace tv
